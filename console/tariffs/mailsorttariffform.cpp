#include "console/tariffs/mailsorttariffform.h"

#include "common/programstart.h"
#include "common/tariff/tariff.h"
#include "common/text/numtext.h"
#include "console/messagetexts.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/numericbox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <map>
#include <tuple>

namespace qv::console {

using platform::control;
using platform::NumericBox;

namespace {

constexpr const char* FrankingRange = "Percentages must be between 0 and 100";

QString noRow(const QString& code) {
    return QStringLiteral("The Mailsort tariff has no row for service %1.").arg(code.trimmed());
}

struct BoxDef {
    const char* field;
    const char* box;
    int maxTyped;  // 0: no limit
};

// The edited fields of a row with their boxes, in keyboard order: each
// section's quantities, its first step, its discounts and bands, its
// further steps; then the franking surcharge.
const BoxDef kBoxes[] = {
    {"LeQty1", "TxtLEQty1", 0},
    {"LeQty2", "TxtLEQty2", 0},
    {"LeQty3", "TxtLEQty3", 0},
    {"LeQty4", "TxtLEQty4", 0},
    {"LeQty5", "TxtLEQty5", 0},
    {"LeWgt1", "TxtLEWgt1", 3},
    {"LeBase1", "TxtLEBase1", 0},
    {"LeDPtg1", "txtLeDPtg1", 6},
    {"LeRPtg1", "TxtLeRPtg1", 0},
    {"LeQ1VRD1", "TxtLeQ1VRD1", 6},
    {"LeQ2VRD1", "TxtLeQ2VRD1", 0},
    {"LeQ3VRD1", "TxtLeQ3VRD1", 6},
    {"LeQ4VRD1", "TxtLeQ4VRD1", 0},
    {"LeQ5VRD1", "TxtLeQ5VRD1", 0},
    {"LLQty1", "TxtLLQty1", 0},
    {"LLQty2", "TxtLLQty2", 0},
    {"LLQty3", "TxtLLQty3", 0},
    {"LLQty4", "TxtLLQty4", 0},
    {"LLQty5", "TxtLLQty5", 0},
    {"LLWgt1", "txtLLWgt1", 3},
    {"LLBase1", "TxtLLBase1", 0},
    {"LLDPtg1", "TxtLLDPtg1", 6},
    {"LLRPtg1", "TxtLLRPtg1", 0},
    {"LLQ1VRD1", "TxtLLQ1VRD1", 6},
    {"LLQ2VRD1", "TxtLLQ2VRD1", 0},
    {"LLQ3VRD1", "TxtLLQ3VRD1", 6},
    {"LLQ4VRD1", "TxtLLQ4VRD1", 0},
    {"LLQ5VRD1", "TxtLLQ5VRD1", 0},
    {"LLWgt2", "txtLLWgt2", 3},
    {"LLBase2", "TxtLLBase2", 0},
    {"LLExt1", "TxtLLExt1", 6},
    {"A3Qty1", "TxtA3Qty1", 0},
    {"A3Qty2", "TxtA3Qty2", 0},
    {"A3Qty3", "TxtA3Qty3", 0},
    {"A3Qty4", "TxtA3Qty4", 0},
    {"A3Qty5", "TxtA3Qty5", 0},
    {"A3Wgt1", "TxtA3Wgt1", 3},
    {"A3Base1", "TxtA3Base1", 0},
    {"A3DPtg1", "TxtA3DPtg1", 6},
    {"A3RPtg1", "TxtA3RPtg1", 0},
    {"A3Q1VRD1", "TxtA3Q1VRD1", 6},
    {"A3Q2VRD1", "TxtA3Q2VRD1", 0},
    {"A3Q3VRD1", "TxtA3Q3VRD1", 6},
    {"A3Q4VRD1", "TxtA3Q4VRD1", 0},
    {"A3Q5VRD1", "TxtA3Q5VRD1", 0},
    {"A3Wgt2", "TxtA3Wgt2", 3},
    {"A3Base2", "TxtA3Base2", 0},
    {"A3Ext1", "TxtA3Ext1", 6},
    {"PKQty1", "TxtPKQty1", 0},
    {"PKQty2", "TxtPKQty2", 0},
    {"PKQty3", "TxtPKQty3", 0},
    {"PKQty4", "TxtPKQty4", 0},
    {"PKQty5", "TxtPKQty5", 0},
    {"PKWgt1", "TxtPkWgt1", 3},
    {"PKBase1", "TxtPkBase1", 0},
    {"PKDPtg1", "TxtPKDPtg1", 6},
    {"PKRPtg1", "TxtPKRPtg1", 0},
    {"PKQ1VRD1", "TxtPkQ1VRD1", 6},
    {"PKQ2VRD1", "TxtPkQ2VRD1", 0},
    {"PKQ3VRD1", "TxtPkQ3VRD1", 6},
    {"PKQ4VRD1", "TxtPkQ4VRD1", 0},
    {"PKQ5VRD1", "TxtPKQ5VRD1", 0},
    {"PKWgt2", "TxtPkWgt2", 3},
    {"PKBase2", "TxtPkBase2", 0},
    {"PKExt1", "TxtPkExt1", 6},
    {"PKWgt3", "TxtPkWgt3", 0},
    {"PKBase3", "TxtPkBase3", 0},
    {"PKExt2", "TxtPkExt2", 0},
    {"Franking Surcharge", "txtFrank", 5}
};

struct Option {
    const char* name;
    const char* caption;
    const char* code;
};
const Option kOptions[] = {
    {"optM1", "Mailsort 1", "M1"},         {"optM2", "Mailsort 2", "M2"},
    {"optM3", "Mailsort 3", "M3"},         {"optP1", "Press Stream 1", "P1"},
    {"optP2", "Press Stream 2", "P2"},     {"optM1120", "Mailsort 1 120", "M1 120"},
    {"optM2120", "Mailsort 2 120", "M2 120"}, {"optM3120", "Mailsort 3 120", "M3 120"},
};

// What a Presstream row hides: the letter section's caption and step row.
const char* const kLetterRow[] = {
    "LblLet",      "Lblletwgt",   "LblGram",     "LblLeQty1",   "LblLeQty2",   "LblLeQty3",   "LblLeQty4",
    "LblLeQty5",   "TxtLEWgt1",   "TxtLEBase1",  "txtLeDPtg1",  "TxtLeRPtg1",  "TxtLeQ1VRD1", "TxtLeQ2VRD1",
    "TxtLeQ3VRD1", "TxtLeQ4VRD1", "TxtLeQ5VRD1", "TxtLEQty1",   "TxtLEQty2",   "TxtLEQty3",   "TxtLEQty4",
    "TxtLEQty5",
};

// What a 120 row shows: a letter's weight, base price, residue discount,
// quantities and bands, and the franking line.
const char* const kShownFor120[] = {
    "LblLet",      "Lblletwgt",   "LblGram",     "LblBase",     "LblRes1",     "LblLeQty1",   "LblLeQty2",
    "LblLeQty3",   "LblLeQty4",   "LblLeQty5",   "TxtLEWgt1",   "TxtLEBase1",  "TxtLeRPtg1",  "TxtLeQ1VRD1",
    "TxtLeQ2VRD1", "TxtLeQ3VRD1", "TxtLeQ4VRD1", "TxtLeQ5VRD1", "TxtLEQty1",   "TxtLEQty2",   "TxtLEQty3",
    "TxtLEQty4",   "TxtLEQty5",   "LblFrank",    "txtFrank",    "LblFrank2",
};

// Notes why a box is losing the focus, before the box's own handler runs.
class FocusOutReason : public QObject {
public:
    FocusOutReason(QObject* parent, Qt::FocusReason* into) : QObject(parent), into_(into) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusOut) *into_ = static_cast<QFocusEvent*>(e)->reason();
        return false;
    }

private:
    Qt::FocusReason* into_;
};

// Grid columns.
enum Col { Caption = 0, Step = 1, Weight = 2, Gram = 3, Base = 4, Extra = 5, Dir = 6, Res = 7, Band = 8 };

}  // namespace

MailsortTariffForm::MailsortTariffForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmPrice"));
    setWindowTitle(QStringLiteral("Mailsort Prices"));

    auto* layout = new QVBoxLayout(this);

    auto* frame = control<QGroupBox>(this, "Frame1", "Mailsort Service");
    auto* optionGrid = new QGridLayout(frame);
    for (int i = 0; i < 8; ++i) {
        auto* o = control<QRadioButton>(frame, kOptions[i].name, kOptions[i].caption);
        optionGrid->addWidget(o, i / 4, i % 4);
        options_.push_back(o);
        const QString code = QString::fromLatin1(kOptions[i].code);
        // A click and a move onto the option with the arrow keys both choose it.
        connect(o, &QRadioButton::toggled, this, [this, code](bool on) {
            if (on) choose(code);
        });
    }
    layout->addWidget(frame);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    layout->addLayout(grid);
    std::map<QString, QLineEdit*> byName;
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("000000.00")) + 10;
    for (const BoxDef& d : kBoxes) {
        QLineEdit* b;
        if (QLatin1String(d.box) == QLatin1String("txtFrank")) {
            txtFrank_ = new NumericBox(QStringLiteral("txtFrank"), this);
            b = txtFrank_;
        } else {
            b = control<QLineEdit>(this, d.box);
            limitTyping(b, d.maxTyped);
        }
        b->setFixedWidth(boxWidth);
        boxes_.push_back({d.field, b});
        byName[QString::fromLatin1(d.box)] = b;
        figures_ << b;
    }
    auto label = [&](const QString& name, const QString& caption, int row, int col, int span = 1) {
        auto* l = control<QLabel>(this, name, caption);
        grid->addWidget(l, row, col, 1, span);
        figures_ << l;
        return l;
    };
    auto put = [&](const char* box, int row, int col) { grid->addWidget(byName.at(QString::fromLatin1(box)), row, col); };
    auto qtyLabels = [&](const QString& stem, int row) {
        for (int i = 1; i <= 5; ++i) label(QStringLiteral("%1%2").arg(stem).arg(i), QStringLiteral("Qty %1").arg(i), row, Band + i - 1);
    };
    auto bands = [&](const QString& qtyStem, const QStringList& vrd, int qtyRow, int bandRow) {
        for (int i = 0; i < 5; ++i) {
            put(qPrintable(QStringLiteral("%1%2").arg(qtyStem).arg(i + 1)), qtyRow, Band + i);
            put(qPrintable(vrd[i]), bandRow, Band + i);
        }
    };
    auto stepRow = [&](const QString& labelName, const QString& gramName, int n, const char* w, const char* base,
                       const char* extra, int row) {
        label(labelName, QStringLiteral("Weight %1:").arg(n), row, Step);
        put(w, row, Weight);
        label(gramName, QStringLiteral("g"), row, Gram);
        put(base, row, Base);
        if (extra) put(extra, row, Extra);
    };
    auto vrdOf = [](const char* f) {
        QStringList l;
        for (int i = 1; i <= 5; ++i) l << QString::fromLatin1(f).arg(i);
        return l;
    };

    int r = 0;
    label(QStringLiteral("LblBase"), QStringLiteral("Base Cost"), r, Base);
    label(QStringLiteral("LblDir1"), QStringLiteral("Dir %"), r, Dir);
    label(QStringLiteral("LblRes1"), QStringLiteral("Res %"), r, Res);
    label(QStringLiteral("Label1"), QStringLiteral("Volume Related Direct Discount %"), r, Band, 5)
        ->setAlignment(Qt::AlignCenter);

    // Letter: quantities on the caption row, one step row.
    qtyLabels(QStringLiteral("LblLeQty"), ++r);
    label(QStringLiteral("LblLet"), QStringLiteral("Letter"), ++r, Caption);
    stepRow(QStringLiteral("Lblletwgt"), QStringLiteral("LblGram"), 1, "TxtLEWgt1", "TxtLEBase1", nullptr, r + 1);
    put("txtLeDPtg1", r + 1, Dir);
    put("TxtLeRPtg1", r + 1, Res);
    bands(QStringLiteral("TxtLEQty"), vrdOf("TxtLeQ%1VRD1"), r, r + 1);
    r += 2;

    // Large letter and A3 packet: quantities on the first step row, the
    // discounts and bands on the second.
    auto twoSteps = [&](const QString& key, const QString& caption, const char* w1, const char* b1, const char* w2,
                        const char* b2, const char* e1, const char* dir, const char* res, const QString& qtyStem,
                        const QStringList& vrd, bool extraHeading) {
        grid->setRowMinimumHeight(r++, 8);
        qtyLabels(QStringLiteral("Lbl%1Qty").arg(key), r);
        const int first = r + 1;
        label(QStringLiteral("Lbl%1").arg(key), caption, first, Caption);
        stepRow(QStringLiteral("Lbl%1Wgt1").arg(key), QStringLiteral("Lbl%1Gram1").arg(key), 1, w1, b1, nullptr, first);
        if (extraHeading) label(QStringLiteral("Lbl%1Extra").arg(key), QStringLiteral("Extra\nCost"), first, Extra);
        label(QStringLiteral("Lbl%1Dir").arg(key), QStringLiteral("Dir %"), first, Dir);
        label(QStringLiteral("Lbl%1Res").arg(key), QStringLiteral("Res %"), first, Res);
        stepRow(QStringLiteral("Lbl%1Wgt2").arg(key), QStringLiteral("Lbl%1Gram2").arg(key), 2, w2, b2, e1, first + 1);
        put(dir, first + 1, Dir);
        put(res, first + 1, Res);
        bands(qtyStem, vrd, first, first + 1);
        r = first + 2;
    };
    twoSteps(QStringLiteral("LL"), QStringLiteral("Large Letter"), "txtLLWgt1", "TxtLLBase1", "txtLLWgt2", "TxtLLBase2",
             "TxtLLExt1", "TxtLLDPtg1", "TxtLLRPtg1", QStringLiteral("TxtLLQty"), vrdOf("TxtLLQ%1VRD1"), true);
    twoSteps(QStringLiteral("A3"), QStringLiteral("A3 Packet"), "TxtA3Wgt1", "TxtA3Base1", "TxtA3Wgt2", "TxtA3Base2",
             "TxtA3Ext1", "TxtA3DPtg1", "TxtA3RPtg1", QStringLiteral("TxtA3Qty"), vrdOf("TxtA3Q%1VRD1"), false);

    // Packet: quantities on the second step row, discounts and bands on the third.
    grid->setRowMinimumHeight(r++, 8);
    const int first = r;
    label(QStringLiteral("LblPk"), QStringLiteral("Packet"), first, Caption);
    stepRow(QStringLiteral("LblPkWgt1"), QStringLiteral("LblPkGram1"), 1, "TxtPkWgt1", "TxtPkBase1", nullptr, first);
    qtyLabels(QStringLiteral("LblPkQty"), first);
    stepRow(QStringLiteral("LblPkWgt2"), QStringLiteral("LblPkGram2"), 2, "TxtPkWgt2", "TxtPkBase2", "TxtPkExt1",
            first + 1);
    label(QStringLiteral("LblPkDir"), QStringLiteral("Dir %"), first + 1, Dir);
    label(QStringLiteral("LblPkRes"), QStringLiteral("Res %"), first + 1, Res);
    stepRow(QStringLiteral("LblPkWgt3"), QStringLiteral("LblPkGram3"), 3, "TxtPkWgt3", "TxtPkBase3", "TxtPkExt2",
            first + 2);
    put("TxtPKDPtg1", first + 2, Dir);
    put("TxtPKRPtg1", first + 2, Res);
    bands(QStringLiteral("TxtPKQty"), {"TxtPkQ1VRD1", "TxtPkQ2VRD1", "TxtPkQ3VRD1", "TxtPkQ4VRD1", "TxtPKQ5VRD1"},
          first + 1, first + 2);

    auto* franking = new QHBoxLayout;
    auto* lblFrank = control<QLabel>(this, "LblFrank", "Franking Surcharge:");
    auto* lblFrank2 = control<QLabel>(this, "LblFrank2", "%   (If franked by Royal Mail)");
    figures_ << lblFrank << lblFrank2;
    franking->addWidget(lblFrank);
    franking->addWidget(txtFrank_);
    franking->addWidget(lblFrank2);
    franking->addStretch(1);
    layout->addSpacing(8);
    layout->addLayout(franking);

    // Hidden controls keep their place, so the grid does not move about.
    for (QWidget* w : figures_) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
    }

    std::tie(cmdOK_, cmdCancel_) = platform::addOkCancelRow(this, layout);

    // The franking box: digits and the point only, five characters, and a
    // percentage below 100.
    txtFrank_->setDecimalAllowed(true);
    txtFrank_->setEmptyBecomesZero(true);
    limitTyping(txtFrank_, 5, [](QChar c) { return NumericBox::keyAllowed(c, true); });
    txtFrank_->installEventFilter(new FocusOutReason(txtFrank_, &frankLeaveReason_));
    txtFrank_->setLeaveRule([this](NumericBox& box) {
        if (leadingNumber(box.text().toStdString()) < 100) return true;
        // A click on OK: its own check says it, once.
        if (frankLeaveReason_ == Qt::MouseFocusReason && QApplication::focusWidget() == cmdOK_) return true;
        platform::messages().msgBox(QString::fromLatin1(FrankingRange), platform::Buttons::OkOnly,
                                    platform::Icon::None);
        return false;
    });

    QList<QWidget*> order;
    for (QRadioButton* o : options_) order << o;
    for (const TariffBox& b : boxes_) order << b.box;
    order << cmdOK_ << cmdCancel_;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    connect(cmdOK_, &QPushButton::clicked, this, &MailsortTariffForm::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &MailsortTariffForm::cmdCancel_Click);
}

MailsortTariffForm::~MailsortTariffForm() { Form_Unload(); }

void MailsortTariffForm::Form_Load() {
    platform::centreOnScreen(this);
    // The focus lands on Mailsort 1, which chooses it.
    options_.front()->setChecked(true);
    options_.front()->setFocus();
}

void MailsortTariffForm::choose(const QString& code) {
    code_ = code.trimmed().leftJustified(6, QLatin1Char(' '));
    for (std::size_t i = 0; i < options_.size(); ++i)
        if (QLatin1String(kOptions[i].code) == code_.trimmed() && !options_[i]->isChecked()) {
            options_[i]->setChecked(true);  // chooses it through its toggle
            return;
        }
    SetScreen();
}

void MailsortTariffForm::SetScreen() {
    // A new connection for each choice; the last one goes when it is replaced.
    row_.reset();
    QString refusal;
    try {
        auto db = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        start::closeQuietly(db_);
        db_ = std::move(db);
        row_ = tariff::findPriceRow(*db_, code_.toStdString());
        if (!row_)
            refusal = noRow(code_);
    } catch (const db::DbError& e) {
        row_.reset();
        refusal = db::isHeldElsewhere(e.number()) ? QString::fromLatin1(text::AnotherRunning)
                                                   : QString::fromStdString(e.description());
    }
    FillFields();
    showFor(code_.trimmed());
    if (!refusal.isEmpty())
        platform::messages().msgBox(refusal, platform::Buttons::OkOnly, platform::Icon::Exclamation);
}

void MailsortTariffForm::FillFields() {
    loaded_.clear();
    for (const TariffBox& b : boxes_) {
        // Without a row there is nothing to show, and nothing stale may be saved.
        loaded_.push_back(row_ ? row_->get(b.field) : db::Value());
        b.box->setText(figureText(loaded_.back()));
    }
}

void MailsortTariffForm::showFor(const QString& code) {
    for (QWidget* w : figures_) w->setVisible(true);
    auto setShown = [this](const char* name, bool on) { findChild<QWidget*>(QString::fromLatin1(name))->setVisible(on); };
    if (code == QLatin1String("P1") || code == QLatin1String("P2")) {
        for (const char* name : kLetterRow) setShown(name, false);
    } else if (code.endsWith(QLatin1String(" 120"))) {
        for (QWidget* w : figures_) w->setVisible(false);
        for (const char* name : kShownFor120) setShown(name, true);
    }
}

bool MailsortTariffForm::FillFile() {
    // A hidden box goes back as it was loaded.
    return saveRow(*db_, *row_, boxes_, [this](std::size_t i) {
        return boxes_[i].box->isHidden() ? loaded_[i] : db::Value(boxes_[i].box->text().toStdString());
    });
}

void MailsortTariffForm::cmdOK_Click() {
    if (!row_) {
        platform::messages().msgBox(noRow(code_), platform::Buttons::OkOnly, platform::Icon::Exclamation);
        return;
    }
    if (refuseNonNumbers(boxes_)) return;
    // The franking box's own check also holds when its focus never left it.
    if (leadingNumber(txtFrank_->text().toStdString()) >= 100) {
        platform::messages().msgBox(QString::fromLatin1(FrankingRange), platform::Buttons::OkOnly,
                                    platform::Icon::None);
        txtFrank_->setFocus();
        return;
    }
    if (FillFile()) close();
}

void MailsortTariffForm::cmdCancel_Click() { close(); }

void MailsortTariffForm::Form_Unload() {
    row_.reset();
    start::closeQuietly(db_);
}

void MailsortTariffForm::closeEvent(QCloseEvent* e) {
    Form_Unload();
    QWidget::closeEvent(e);
}

}  // namespace qv::console
