#include "console/tariffs/standardtariffform.h"

#include "common/programstart.h"
#include "common/tariff/tariff.h"
#include "console/messagetexts.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::console {

using platform::control;

namespace {

constexpr const char* NoRow = "The standard Royal Mail tariff has no row to edit.";

struct Step {
    const char* weightField;
    const char* weightBox;
    const char* firstField;
    const char* firstBox;
    const char* secondField;
    const char* secondBox;
    bool short3;  // typing stops at 3 characters in the weight box
};

const Step kLetter[] = {{"LeWgt1", "TxtLEWgt1", "LeW1Fst", "TxtLeW1Fst", "LeW1Snd", "TxtLEW1Snd", true}};
const Step kLarge[] = {
    {"LLWgt1", "txtLLWgt1", "LLW1Fst", "TxtLLW1Fst", "LLW1Snd", "TxtLLW1Snd", true},
    {"LLWgt2", "txtLLWgt2", "LLW2Fst", "TxtLLW2Fst", "LLW2Snd", "TxtLLW2Snd", true},
    {"LLWgt3", "txtLLWgt3", "LLW3Fst", "TxtLLW3Fst", "LLW3Snd", "TxtLLW3Snd", false},
    {"LLWgt4", "txtLLWgt4", "LLW4Fst", "TxtLLW4Fst", "LLW4Snd", "TxtLLW4Snd", false},
};
const Step kPackets[] = {
    {"PkWgt1", "TxtPkWgt1", "PkW1Fst", "TxtPKW1Fst", "PkW1Snd", "TxtPKW1Snd", true},
    {"PkWgt2", "TxtPkWgt2", "PkW2Fst", "TxtPKW2Fst", "PkW2Snd", "TxtPKW2Snd", true},
    {"PkWgt3", "TxtPkWgt3", "PkW3Fst", "TxtPKW3Fst", "PkW3Snd", "TxtPKW3Snd", false},
    {"PkWgt4", "TxtPkWgt4", "PkW4Fst", "TxtPKW4Fst", "PkW4Snd", "TxtPKW4Snd", false},
    {"PkWgt5", "TxtPkWgt5", "PkW5Fst", "TxtPKW5Fst", "PkW5Snd", "TxtPKW5Snd", false},
    {"PkWgt6", "TxtPkWgt6", "PkW6Fst", "TxtPKW6Fst", "PkW6Snd", "TxtPKW6Snd", false},
    {"PkWgt7", "TxtPkWgt7", "PkW7Fst", "TxtPKW7Fst", "PkW7Snd", "TxtPKW7Snd", false},
    {"PkWgt8", "TxtPkWgt8", "PkW8Fst", "TxtPKW8Fst", "PkW8Snd", "TxtPKW8Snd", false},
    {"PkWgt9", "TxtPkWgt9", "PkW9Fst", "TxtPKW9Fst", "PkW9Snd", "TxtPKW9Snd", false},
};

}  // namespace

StandardTariffForm::StandardTariffForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmPOPrice"));
    setWindowTitle(QStringLiteral("Royal Mail Post Charges Maintenance"));

    auto* layout = new QVBoxLayout(this);
    auto* heading = control<QLabel>(this, "Label1", "Prices in Pence");
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading, 0, Qt::AlignHCenter);

    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000.00")) + 12;
    std::vector<TariffBox> weights, prices;
    // A section: its caption, the two class headings, one row per step.
    auto section = [&](QGridLayout* grid, int& row, const char* name, const char* caption, const Step* steps,
                       int count) {
        auto* title = control<QLabel>(this, QStringLiteral("lbl%1").arg(QLatin1String(name)), caption);
        title->setFont(bold);
        grid->addWidget(title, row, 0, 1, 2);
        grid->addWidget(control<QLabel>(this, QStringLiteral("lbl%1Fst").arg(QLatin1String(name)), "1st Class:"),
                        row, 3);
        grid->addWidget(control<QLabel>(this, QStringLiteral("lbl%1Snd").arg(QLatin1String(name)), "2nd Class:"),
                        row, 4);
        ++row;
        for (int i = 0; i < count; ++i, ++row) {
            const Step& s = steps[i];
            grid->addWidget(control<QLabel>(this, QStringLiteral("lbl%1Wgt%2").arg(QLatin1String(name)).arg(i + 1),
                                            QStringLiteral("Weight %1:").arg(i + 1)),
                            row, 0);
            auto* w = control<QLineEdit>(this, s.weightBox);
            auto* f = control<QLineEdit>(this, s.firstBox);
            auto* n = control<QLineEdit>(this, s.secondBox);
            for (QLineEdit* b : {w, f, n}) b->setFixedWidth(boxWidth);
            limitTyping(w, s.short3 ? 3 : 0);
            grid->addWidget(w, row, 1);
            grid->addWidget(control<QLabel>(this, QStringLiteral("lbl%1G%2").arg(QLatin1String(name)).arg(i + 1), "g"),
                            row, 2);
            grid->addWidget(f, row, 3);
            grid->addWidget(n, row, 4);
            weights.push_back({s.weightField, w});
            prices.push_back({s.firstField, f});
            prices.push_back({s.secondField, n});
        }
    };

    auto* columns = new QHBoxLayout;
    auto* left = new QGridLayout;
    int row = 0;
    section(left, row, "Letter", "Letter", kLetter, 1);
    left->setRowMinimumHeight(row++, 12);
    section(left, row, "Large", "Large Letter", kLarge, 4);
    left->setRowStretch(row, 1);
    auto* right = new QGridLayout;
    row = 0;
    section(right, row, "Packets", "Packets", kPackets, 9);
    columns->addLayout(left);
    columns->addSpacing(24);
    columns->addLayout(right);
    layout->addLayout(columns);

    // The row is filled and saved in the table's order: weights, then first-
    // and second-class prices, section by section.
    auto take = [&](std::initializer_list<const char*> fields) {
        for (const char* f : fields) {
            for (const auto& list : {weights, prices})
                for (const TariffBox& b : list)
                    if (b.field == f) boxes_.push_back(b);
        }
    };
    take({"LeWgt1", "LeW1Fst", "LeW1Snd", "LLWgt1", "LLWgt2", "LLWgt3", "LLWgt4", "LLW1Fst", "LLW2Fst", "LLW3Fst",
          "LLW4Fst", "LLW1Snd", "LLW2Snd", "LLW3Snd", "LLW4Snd", "PkWgt1", "PkWgt2", "PkWgt3", "PkWgt4", "PkWgt5",
          "PkWgt6", "PkWgt7", "PkWgt8", "PkWgt9", "PkW1Fst", "PkW2Fst", "PkW3Fst", "PkW4Fst", "PkW5Fst", "PkW6Fst",
          "PkW7Fst", "PkW8Fst", "PkW9Fst", "PkW1Snd", "PkW2Snd", "PkW3Snd", "PkW4Snd", "PkW5Snd", "PkW6Snd",
          "PkW7Snd", "PkW8Snd", "PkW9Snd"});

    auto* buttons = new QHBoxLayout;
    cmdOK_ = control<QPushButton>(this, "cmdOK", "OK");
    cmdCancel_ = control<QPushButton>(this, "cmdCancel", "Cancel");
    for (QPushButton* b : {cmdOK_, cmdCancel_}) b->setAutoDefault(false);
    buttons->addWidget(cmdOK_);
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    platform::setCancelButton(this, cmdCancel_);

    // Keyboard order: down each section's rows, letter to packets.
    QList<QWidget*> order;
    for (const auto* steps : {kLetter, kLarge, kPackets}) {
        const int count = steps == kLetter ? 1 : steps == kLarge ? 4 : 9;
        for (int i = 0; i < count; ++i)
            for (const char* name : {steps[i].weightBox, steps[i].firstBox, steps[i].secondBox})
                order << findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    order << cmdOK_ << cmdCancel_;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    connect(cmdOK_, &QPushButton::clicked, this, &StandardTariffForm::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &StandardTariffForm::cmdCancel_Click);
}

StandardTariffForm::~StandardTariffForm() { Form_Unload(); }

bool StandardTariffForm::Form_Load() {
    platform::centreOnScreen(this);
    QString refusal;
    try {
        db_ = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        row_ = db_->openTable("Poprice");
        if (row_->recordCount() == 0) {
            refusal = QString::fromLatin1(NoRow);
        } else {
            row_->moveFirst();
            FillFields();
            return true;
        }
    } catch (const db::DbError& e) {
        refusal = db::isHeldElsewhere(e.number()) ? QString::fromLatin1(text::AnotherRunning)
                                                   : QString::fromStdString(e.description());
    }
    Form_Unload();
    platform::messages().msgBox(refusal, platform::Buttons::OkOnly, platform::Icon::Exclamation);
    return false;
}

void StandardTariffForm::FillFields() {
    for (const TariffBox& b : boxes_) b.box->setText(figureText(row_->get(b.field)));
}

bool StandardTariffForm::FillFile() {
    // Each box as typed: the row turns the text into the field's number.
    return saveRow(*db_, *row_, boxes_, [this](std::size_t i) { return db::Value(boxes_[i].box->text().toStdString()); });
}

void StandardTariffForm::cmdOK_Click() {
    if (!row_) return;
    // Only figures are stored: a box that holds anything else is refused.
    if (refuseNonNumbers(boxes_)) return;
    if (FillFile()) close();
}

void StandardTariffForm::cmdCancel_Click() { close(); }

void StandardTariffForm::Form_Unload() {
    row_.reset();
    start::closeQuietly(db_);
}

void StandardTariffForm::closeEvent(QCloseEvent* e) {
    Form_Unload();
    QWidget::closeEvent(e);
}

}  // namespace qv::console
