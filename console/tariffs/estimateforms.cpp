#include "console/tariffs/estimateforms.h"

#include "common/parm/parmrecord.h"
#include "common/programstart.h"
#include "common/text/numtext.h"
#include "console/messagetexts.h"
#include "console/tariffs/tariffboxes.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/numericbox.h"
#include "platform/strings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace qv::console {

using platform::Answer;
using platform::Buttons;
using platform::control;
using platform::Icon;
using platform::messages;
using platform::NumericBox;
namespace key = parm::key;

namespace {

void say(const char* text) { messages().msgBox(QString::fromLatin1(text), Buttons::OkOnly, Icon::None); }

using qv::platform::qs;

}  // namespace

// ---- the result ---------------------------------------------------------------------

EstimateResultForm::EstimateResultForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmEstimate2"));
    setWindowTitle(QStringLiteral("Estimated Costs"));

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    layout->addLayout(grid);

    auto* pound = control<QLabel>(this, "lblPound", QString(QChar(0x00A3)));
    grid->addWidget(pound, 0, 5, Qt::AlignRight);

    struct Line {
        const char* caption;
        const char* count;
        const char* figure;
        const char* unit;
        const char* amount;
    };
    const Line lines[] = {
        {"Standard Post", "lblAddress1", "lblPrice1", "pence", "lblStdTotal"},
        {"Straight Line Cost", "lblAddress2", "lblPrice2", "pence", "lblStrtTotal"},
        {"Direct Selection Discount", "lblAddress3", "lblPerc1", "%", "lblDirTotal"},
        {"Residue Selection Discount", "lblAddress4", "lblPerc2", "%", "lblResTotal"},
        {"Franking Surcharge", "lblAddress7", "lblPerc5", "%", "lblFrankTotal"},
    };
    int row = 1;
    for (const Line& l : lines) {
        grid->addWidget(caption(qPrintable(QStringLiteral("Label%1").arg(row)), l.caption), row, 0);
        grid->addWidget(value(l.count), row, 1);
        grid->addWidget(control<QLabel>(this, QStringLiteral("lblAt%1").arg(row), QStringLiteral("@")), row, 2);
        grid->addWidget(value(l.figure), row, 3);
        grid->addWidget(control<QLabel>(this, QStringLiteral("lblUnit%1").arg(row), QString::fromLatin1(l.unit)), row,
                        4);
        grid->addWidget(value(l.amount), row, 5);
        ++row;
    }
    grid->setRowMinimumHeight(row++, 6);
    grid->addWidget(caption("Label6", "Net Cost"), row, 0);
    QLabel* net = value("lblNetCost");
    QFont underlined = net->font();
    underlined.setUnderline(true);
    net->setFont(underlined);
    grid->addWidget(net, row++, 5);
    grid->addWidget(caption("Label7", "Mailsort Saving"), row, 0);
    grid->addWidget(value("lblSaving", true), row++, 5);
    grid->setColumnMinimumWidth(5, fontMetrics().horizontalAdvance(QStringLiteral("-0000000.00")));
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("0000000.00")));

    auto* cmdOK = control<QPushButton>(this, "cmdOK", "OK");
    layout->addSpacing(8);
    layout->addWidget(cmdOK, 0, Qt::AlignHCenter);
    connect(cmdOK, &QPushButton::clicked, this, &EstimateResultForm::cmdOK_Click);
}

QLabel* EstimateResultForm::value(const char* name, bool bold) {
    auto* l = control<QLabel>(this, name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QLabel* EstimateResultForm::caption(const char* name, const char* text) {
    auto* l = control<QLabel>(this, name, text);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

bool EstimateResultForm::Form_Load(const estimate::Entries& entries) {
    platform::centreOnScreen(this);
    estimate::Lines l;
    try {
        l = estimate::estimate(entries);
    } catch (const estimate::EstimateError& e) {
        messages().msgBox(QString::fromUtf8(e.what()), Buttons::OkOnly, Icon::Exclamation);
        return false;
    } catch (const db::DbError& e) {
        messages().msgBox(db::isHeldElsewhere(e.number()) ? QString::fromLatin1(text::AnotherRunning)
                                                          : qs(e.description()),
                          Buttons::OkOnly, Icon::Exclamation);
        return false;
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"lblAddress1", &l.standardCount}, {"lblPrice1", &l.standardPrice},     {"lblStdTotal", &l.standardTotal},
        {"lblAddress2", &l.straightCount}, {"lblPrice2", &l.straightPrice},     {"lblStrtTotal", &l.straightTotal},
        {"lblAddress3", &l.directCount},   {"lblPerc1", &l.directPercent},      {"lblDirTotal", &l.directTotal},
        {"lblAddress4", &l.residueCount},  {"lblPerc2", &l.residuePercent},     {"lblResTotal", &l.residueTotal},
        {"lblAddress7", &l.frankingCount}, {"lblPerc5", &l.frankingPercent},    {"lblFrankTotal", &l.frankingTotal},
        {"lblNetCost", &l.netCost},        {"lblSaving", &l.saving},
    };
    for (const auto& [name, text] : texts) platform::child<QLabel>(this, name)->setText(qs(*text));
    for (const char* name : {"Label3", "lblAddress3", "lblAt3", "lblPerc1", "lblUnit3", "lblDirTotal"})
        platform::child<QWidget>(this, name)->setVisible(l.directLineShown);
    adjustSize();
    platform::centreOnScreen(this);
    return true;
}

void EstimateResultForm::cmdOK_Click() { close(); }

// ---- the entries --------------------------------------------------------------------

EstimateForm::EstimateForm(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmEstimate"));
    setWindowTitle(QStringLiteral("Estimate Mailing Costs"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(control<QLabel>(this, "Label1", "Mailsort Service:"));
    auto* services = new QGridLayout;
    struct Option {
        QRadioButton** slot;
        const char* name;
        const char* caption;
        const char* code;
    };
    const Option options[] = {
        {&ChkM1_, "ChkM1", "Mailsort 1", "M1"},           {&ChkM2_, "ChkM2", "Mailsort 2", "M2"},
        {&ChkM3_, "ChkM3", "Mailsort 3", "M3"},           {&ChkP1_, "ChkP1", "Press Stream 1", "P1"},
        {&ChkP2_, "ChkP2", "Press Stream 2", "P2"},       {&ChkM1120_, "ChkM1120", "Mailsort 1 120", "M1 120"},
        {&ChkM2120_, "ChkM2120", "Mailsort 2 120", "M2 120"}, {&ChkM3120_, "ChkM3120", "Mailsort 3 120", "M3 120"},
    };
    int i = 0;
    for (const Option& o : options) {
        *o.slot = control<QRadioButton>(this, o.name, o.caption);
        services->addWidget(*o.slot, i % 4, i / 4);
        const QString code = QString::fromLatin1(o.code);
        connect(*o.slot, &QRadioButton::toggled, this, [this, code](bool on) {
            if (on) txtService_->setText(code);
        });
        ++i;
    }
    layout->addLayout(services);
    layout->addSpacing(8);

    auto* boxes = new QGridLayout;
    auto row = [&](int r, const char* labelName, const char* caption, const char* note, QWidget* box) {
        auto* text = new QVBoxLayout;
        text->setSpacing(0);
        text->addWidget(control<QLabel>(this, labelName, caption));
        if (note) text->addWidget(control<QLabel>(this, QStringLiteral("%1Note").arg(QLatin1String(labelName)), note));
        boxes->addLayout(text, r, 0);
        boxes->addWidget(box, r, 1, Qt::AlignLeft);
    };
    txtNoAddresses_ = new NumericBox(QStringLiteral("txtNoAddresses"), this);
    TxtFormat_ = control<QLineEdit>(this, "TxtFormat");
    txtWeight_ = new NumericBox(QStringLiteral("txtWeight"), this);
    txtSelection_ = new NumericBox(QStringLiteral("txtSelection"), this);
    const int w = fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12;
    for (QLineEdit* b : {static_cast<QLineEdit*>(txtNoAddresses_), TxtFormat_, static_cast<QLineEdit*>(txtWeight_),
                         static_cast<QLineEdit*>(txtSelection_)})
        b->setFixedWidth(w);
    row(0, "Label2", "Number of Addresses:", nullptr, txtNoAddresses_);
    row(1, "Label3", "Mail Format", "(LE, LL, A3 or PK)", TxtFormat_);
    row(2, "Label4", "Weight in Grammes:", nullptr, txtWeight_);
    row(3, "Label5", "Minimum Selection:", "(25 for LE Format  5 for Other Formats)", txtSelection_);
    layout->addLayout(boxes);
    chkRoyalMail_ = control<QCheckBox>(this, "chkRoyalMail", "Royal Mail Frank");
    layout->addWidget(chkRoyalMail_);

    txtService_ = control<QLineEdit>(this, "txtService");
    txtDirectSel_ = control<QLineEdit>(this, "txtDirectSel");
    txtService_->hide();
    txtDirectSel_->hide();

    auto* buttons = new QHBoxLayout;
    cmdOK_ = control<QPushButton>(this, "cmdOK", "OK");
    cmdCancel_ = control<QPushButton>(this, "cmdCancel", "Cancel");
    for (QPushButton* b : {cmdOK_, cmdCancel_}) b->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    buttons->addStretch(1);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    // Box rules: digits only in the three number boxes; the format in capitals.
    limitTyping(txtNoAddresses_, 7, [](QChar c) { return NumericBox::keyAllowed(c, false); });
    limitTyping(txtWeight_, 4, [](QChar c) { return NumericBox::keyAllowed(c, false); });
    platform::setKeyPressHandler(TxtFormat_, [this](QChar c) {
        if (c.unicode() >= 32 && TxtFormat_->text().size() - TxtFormat_->selectedText().size() >= 2) return QChar();
        return c.toUpper();
    });
    txtSelection_->setEmptyBecomesZero(true);
    txtSelection_->setLeaveRule([this](NumericBox& box) {
        const double n = leadingNumber(box.text().toStdString());
        if (TxtFormat_->text() == QLatin1String("LE")) {
            if (n != 25) say("Minimum selection is normally 25 for Letter Format");
        } else if (n != 5) {
            say("Minimum selection is normally 5 for Selected Format");
        }
        return true;
    });
    txtWeight_->setEmptyBecomesZero(true);
    txtWeight_->setLeaveRule([](NumericBox& box) {
        const double g = leadingNumber(box.text().toStdString());
        if (g < 10) {
            say("Weight is too low.");
            return false;
        }
        if (g > 2000) {
            say("Weight is greater than maximum (2000)");
            return false;
        }
        return true;
    });

    QList<QWidget*> order{ChkM1_, ChkM2_, ChkM3_, ChkP1_, ChkP2_, ChkM1120_, ChkM2120_, ChkM3120_,
                          txtNoAddresses_, TxtFormat_, txtWeight_, txtSelection_, chkRoyalMail_, cmdOK_, cmdCancel_};
    for (qsizetype k = 1; k < order.size(); ++k) QWidget::setTabOrder(order[k - 1], order[k]);

    connect(cmdOK_, &QPushButton::clicked, this, &EstimateForm::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &EstimateForm::cmdCancel_Click);
}

EstimateForm::~EstimateForm() { Form_Unload(); }

bool EstimateForm::Form_Load() {
    platform::centreOnScreen(this);
    try {
        db_ = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        parm::ParmRecord parm(*db_);
        TxtFormat_->setText(qs(parm.text(key::Format)));
        txtWeight_->setText(qs(parm.text(key::Weight)));
        txtSelection_->setText(qs(parm.text(key::Selection)));
        txtService_->setText(qs(parm.text(key::Service)));
        const bool is120 = parm.text(key::Mailsort120) == "Y";
        const QString service = txtService_->text();
        if (service == QLatin1String("M1")) choose(is120 ? ChkM1120_ : ChkM1_);
        else if (service == QLatin1String("M2")) choose(is120 ? ChkM2120_ : ChkM2_);
        else if (service == QLatin1String("M3")) choose(is120 ? ChkM3120_ : ChkM3_);
        else if (service == QLatin1String("P1")) choose(ChkP1_);
        else choose(ChkP2_);
    } catch (const db::DbError& e) {
        Form_Unload();
        messages().msgBox(db::isHeldElsewhere(e.number()) ? QString::fromLatin1(text::AnotherRunning)
                                                          : qs(e.description()),
                          Buttons::OkOnly, Icon::Exclamation);
        return false;
    }
    return true;
}

void EstimateForm::choose(QRadioButton* option) {
    if (option->isChecked()) {
        emit option->toggled(true);
        return;
    }
    option->setChecked(true);
}

bool EstimateForm::is120() const {
    return ChkM1120_->isChecked() || ChkM2120_->isChecked() || ChkM3120_->isChecked();
}

void EstimateForm::CalcPer() {
    const double n = std::floor(leadingNumber(txtNoAddresses_->text().toStdString()));
    suggested_ = estimate::suggestedPercent(*db_, n, TxtFormat_->text().toStdString(), suggested_);
}

estimate::Entries EstimateForm::entries() const {
    estimate::Entries e;
    e.addresses = txtNoAddresses_->text().toStdString();
    e.weight = txtWeight_->text().toStdString();
    e.format = TxtFormat_->text().toStdString();
    e.serviceCode = txtService_->text().toStdString();
    e.firstClass = ChkM1_->isChecked() || ChkP1_->isChecked();
    e.service120 = is120();
    e.directPercent = txtDirectSel_->text().toStdString();
    e.royalMailFrank = chkRoyalMail_->isChecked();
    return e;
}

void EstimateForm::cmdOK_Click() {
    if (txtNoAddresses_->text().isEmpty()) txtNoAddresses_->setText(QStringLiteral("0"));
    const double n = leadingNumber(txtNoAddresses_->text().toStdString());
    const char* question = nullptr;
    if (n < 1000)
        question = "Warning - Number of addresses for mailing is too small.  Do you want to continue?";
    else if (n < 4000)
        question = "Cannot determine likely direct selection percentage for quantities < 4000.  Do you want to continue?";
    if (question && messages().msgBox(QString::fromLatin1(question), Buttons::YesNo, Icon::None) != Answer::Yes) {
        txtNoAddresses_->setFocus();
        return;
    }

    QString percent;
    if (is120()) {
        if (leadingNumber(txtWeight_->text().toStdString()) > 100) {
            say("Weight can not be over 100g for 120 processing");
            txtWeight_->setFocus();
            return;
        }
        if (TxtFormat_->text() != QLatin1String("LE")) {
            say("Mail Format has to be LE-Letter for 120 processing");
            TxtFormat_->setFocus();
            return;
        }
        percent = QStringLiteral("0");
    } else {
        const QString format = TxtFormat_->text();
        if (format != QLatin1String("LE") && format != QLatin1String("LL") && format != QLatin1String("A3") &&
            format != QLatin1String("PK")) {
            say("        Format Incorrect.  Valid Formats Are:\r\nLE-Letter, LL-Large Letter, A3-A3 Packet, Pk-Packet");
            TxtFormat_->setFocus();
            return;
        }
        try {
            CalcPer();
        } catch (const db::DbError& e) {
            messages().msgBox(qs(e.description()), Buttons::OkOnly, Icon::Exclamation);
            return;
        }
        for (;;) {
            const QString answer =
                messages()
                    .inputBox(QStringLiteral("Post office figures suggest the following percentage as direct "
                                             "selections.  Type a new figure if you do not want to use this "
                                             "percentage:"),
                              QString::number(suggested_), QStringLiteral("Direct Selections"))
                    .value_or(QString());
            const auto verdict = estimate::readPercentAnswer(answer.toStdString());
            if (verdict == estimate::PercentAnswer::Empty) return;
            if (verdict == estimate::PercentAnswer::Accepted) {
                percent = answer;
                break;
            }
            say(verdict == estimate::PercentAnswer::NotNumeric
                    ? "Direct selection percentage must be numeric"
                    : "Direct selection percentage must be between 0 and 100");
        }
    }
    txtDirectSel_->setText(percent);

    // An open result keeps the figures it was opened with.
    if (result_) {
        platform::showActivated(result_);
        return;
    }
    auto* form = new EstimateResultForm(this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (!form->Form_Load(entries())) {
        delete form;
        return;
    }
    result_ = form;
    platform::showActivated(form);
}

void EstimateForm::cmdCancel_Click() { close(); }

void EstimateForm::Form_Unload() { start::closeQuietly(db_); }

void EstimateForm::closeEvent(QCloseEvent* e) {
    Form_Unload();
    QWidget::closeEvent(e);
}

}  // namespace qv::console
