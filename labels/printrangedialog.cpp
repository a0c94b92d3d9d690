#include "labels/printrangedialog.h"

#include "common/forms/refusal.h"
#include "common/parm/parmrecord.h"
#include "common/programstart.h"
#include "common/text/numtext.h"
#include "labels/labelprogresswindow.h"
#include "platform/platform.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qv::labels {

namespace key = parm::key;
using platform::Buttons;
using platform::Icon;

PrintRangeDialog::PrintRangeDialog(QWidget* parent) : QWidget(parent) { build(); }

PrintRangeDialog::~PrintRangeDialog() = default;

void PrintRangeDialog::build() {
    using platform::control;
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print Labels"));
    platform::setHelpTopic(this, kHelpTopic);

    Label4_ = control<QLabel>(this, QStringLiteral("Label4"), QStringLiteral("Print Labels"));
    QFont title(QStringLiteral("Arial"));
    title.setPointSize(14);
    title.setBold(true);
    Label4_->setFont(title);
    Label1_ = control<QLabel>(this, QStringLiteral("Label1"),
                              QStringLiteral("This option will take the mailsort details from Apply Mailsort Codes "
                                             "option and print labels in mailsort sequence."));
    Label1_->setWordWrap(true);
    Image1_ = control<QLabel>(this, QStringLiteral("Image1"));
    Image1_->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(32, 32));

    optAll_ = control<QRadioButton>(this, QStringLiteral("optAll"), QStringLiteral("Print all labels"));
    optBagRange_ = control<QRadioButton>(this, QStringLiteral("optBagRange"), QStringLiteral("Print bag range"));
    optLabRange_ = control<QRadioButton>(this, QStringLiteral("optLabRange"), QStringLiteral("Print label range"));
    Label2_ = control<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("From:"));
    Label3_ = control<QLabel>(this, QStringLiteral("Label3"), QStringLiteral("To:"));
    txtFrom_ = new platform::NumericBox(QStringLiteral("txtFrom"), this);
    txtTo_ = new platform::NumericBox(QStringLiteral("txtTo"), this);
    for (auto* b : {txtFrom_, txtTo_}) b->setFixedWidth(90);
    Label2_->setBuddy(txtFrom_);
    Label3_->setBuddy(txtTo_);
    // The work field behind the options; the run reads the print type from it.
    txtPrintType_ = control<QLineEdit>(this, QStringLiteral("txtPrintType"));
    txtPrintType_->hide();
    cmdOK_ = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Exit"));

    // However an option becomes selected (a click, the arrow keys, the presets).
    const std::pair<QRadioButton*, const char*> types[] = {{optAll_, "A"}, {optBagRange_, "B"}, {optLabRange_, "L"}};
    for (const auto& [opt, type] : types)
        connect(opt, &QRadioButton::toggled, this, [this, t = QString::fromLatin1(type)](bool on) {
            if (on) txtPrintType_->setText(t);
        });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    auto* top = new QHBoxLayout;
    top->addWidget(Image1_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(Label4_);
    texts->addWidget(Label1_);
    top->addLayout(texts, 1);

    auto* options = new QVBoxLayout;
    options->addWidget(optAll_);
    options->addWidget(optBagRange_);
    options->addWidget(optLabRange_);
    auto* range = new QGridLayout;
    range->addWidget(Label2_, 0, 0);
    range->addWidget(txtFrom_, 0, 1);
    range->addWidget(Label3_, 1, 0);
    range->addWidget(txtTo_, 1, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(options);
    middle->addStretch(1);
    middle->addLayout(range);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addSpacing(8);
    all->addLayout(middle);
    all->addSpacing(8);
    all->addLayout(buttons);
    setFixedWidth(440);
    setTabOrder(optAll_, txtFrom_);
    setTabOrder(txtFrom_, txtTo_);
    setTabOrder(txtTo_, cmdOK_);
    setTabOrder(cmdOK_, cmdCancel_);
}

QString PrintRangeDialog::printType() const { return txtPrintType_->text(); }
QString PrintRangeDialog::fromText() const { return txtFrom_->text(); }
QString PrintRangeDialog::toText() const { return txtTo_->text(); }

bool PrintRangeDialog::Form_Load() {
    platform::centreOnScreen(this);
    optAll_->setChecked(true);
    txtPrintType_->setText(QStringLiteral("A"));
    txtFrom_->setText(QStringLiteral("1"));
    txtTo_->setText(QStringLiteral("20"));
    start::Opened o = start::openDatabase(db::OpenMode::Exclusive);
    if (!o) {
        forms::showRefusal(o);
        endProgram(1);
        return false;
    }
    db_ = std::move(o.db);
    // Any other trouble only leaves the presets as far as they came.
    try {
        parm::ParmRecord parm(*db_);
        const db::Value from = parm.value(key::Labfrom);
        const db::Value to = parm.value(key::Labto);
        if (from.isNull()) return true;
        txtFrom_->setText(QString::fromStdString(from.toString()));
        if (to.isNull()) return true;
        txtTo_->setText(QString::fromStdString(to.toString()));
        const std::string opt = parm.text(key::Labopt);
        if (opt == "A") optAll_->setChecked(true);
        else if (opt == "L") optLabRange_->setChecked(true);
        else optBagRange_->setChecked(true);
    } catch (const db::DbError&) {
    }
    return true;
}

void PrintRangeDialog::cmdOK_Click() {
    if (running_ || programEnded()) return;
    const double from = leadingNumber(txtFrom_->text().toStdString());
    const double to = leadingNumber(txtTo_->text().toStdString());
    if (from > to) {
        platform::messages().msgBox(QStringLiteral("From value cannot be greater than to value"));
        txtFrom_->setFocus();
        return;
    }
    RunRequest req;
    req.from = from;
    req.to = to;
    req.printType = txtPrintType_->text().isEmpty() ? 'A' : txtPrintType_->text()[0].toLatin1();
    req.fromText = txtFrom_->text();
    req.toText = txtTo_->text();
    req.option = optAll_->isChecked() ? 'A' : optLabRange_->isChecked() ? 'L' : 'B';
    // One run at a time: the dialog waits while the progress form works.
    running_ = true;
    cmdOK_->setEnabled(false);
    cmdCancel_->setEnabled(false);
    auto* form = new LabelProgressWindow(req, session_, repaintMs_);
    connect(form, &LabelProgressWindow::finished, this, [this](const RunResult& r) { runFinished(r); });
    platform::centreOnScreen(form);
    emit runStarted(form);
    platform::showActivated(form);
}

void PrintRangeDialog::runFinished(const RunResult& r) {
    lastResult_ = r;
    running_ = false;
    // A failed run (the port, the printer, the database or the run flags)
    // ends the program after its message, as every program of the suite
    // ends after a failure; the earlier output stays as it was.
    if (r.status == RunResult::Status::Failed) {
        start::closeQuietly(db_);
        endProgram(1);
        return;
    }
    cmdOK_->setEnabled(true);
    cmdCancel_->setEnabled(true);
}

void PrintRangeDialog::cmdCancel_Click() {
    if (running_) return;
    close();
}

void PrintRangeDialog::closeEvent(QCloseEvent* e) {
    if (running_) {
        e->ignore();
        return;
    }
    e->accept();
    start::closeQuietly(db_);
    endProgram(0);
}

int runMistrel() {
    PrintRangeDialog form;
    return platform::runForm(form);
}

}  // namespace qv::labels
