#include "console/mainwindow.h"

#include "common/parm/parmrecord.h"
#include "common/programstart.h"
#include "console/configlabs.h"
#include "console/housekeeping.h"
#include "console/messagetexts.h"
#include "console/runplan.h"
#include "console/stepicon.h"
#include "console/tariffs/estimateforms.h"
#include "console/tariffs/mailsorttariffform.h"
#include "console/tariffs/standardtariffform.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/launcher.h"
#include "platform/messages.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <type_traits>

namespace qv::console {

using platform::Buttons;
using platform::control;
using platform::Icon;
using platform::messages;
namespace key = parm::key;

namespace {

constexpr const char* DatabaseName = start::DatabaseName;
using start::closeQuietly;

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMailsort"));
    setWindowTitle(QStringLiteral("Quorvel - Mailsort System"));
    platform::setHelpTopic(this, 1);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(18, 12, 18, 14);

    auto* title = new QHBoxLayout;
    auto* label5 = control<QLabel>(central, "Label5", "Quorvel");
    QFont big(QStringLiteral("Arial"));
    big.setPointSize(28);
    big.setBold(true);
    big.setItalic(true);
    label5->setFont(big);
    auto* label1 = control<QLabel>(central, "Label1", "4.1");
    lblUpdDat_ = control<QLabel>(central, "LblUpdDat", "Update 04/08");
    auto* version = new QVBoxLayout;
    version->addStretch(1);
    version->addWidget(label1, 0, Qt::AlignRight);
    version->addWidget(lblUpdDat_, 0, Qt::AlignRight);
    title->addWidget(label5);
    title->addStretch(1);
    title->addLayout(version);
    layout->addLayout(title);
    layout->addSpacing(8);

    auto* steps = new QGridLayout;
    steps->setHorizontalSpacing(16);
    steps->setVerticalSpacing(10);
    struct Row {
        const char* image;
        StepIcon::Picture picture;
        const char* check;
        const char* caption;
        QCheckBox** box;
        void (MainWindow::*click)();
    };
    const Row rows[] = {
        {"Image2", StepIcon::Picture::Parameters, "chkParameters", "Update Parameters", &chkParameters_,
         &MainWindow::Image2_Click},
        {"Image3", StepIcon::Picture::Codes, "chkCodes", "Apply Mailsort Codes", &chkCodes_, &MainWindow::Image3_Click},
        {"Image4", StepIcon::Picture::Reports, "chkReports", "Print PO Reports", &chkReports_,
         &MainWindow::Image4_Click},
        {"Image1", StepIcon::Picture::Labels, "chkLabels", "Print Labels", &chkLabels_, &MainWindow::Image1_Click},
    };
    int r = 0;
    for (const Row& row : rows) {
        auto* icon = new StepIcon(QString::fromLatin1(row.image), row.picture, central);
        connect(icon, &StepIcon::clicked, this, row.click);
        *row.box = control<QCheckBox>(central, row.check, row.caption);
        platform::setHelpTopic(*row.box, 2);
        steps->addWidget(icon, r, 0);
        steps->addWidget(*row.box, r, 1);
        ++r;
    }
    steps->setColumnStretch(1, 1);
    layout->addLayout(steps);
    layout->addSpacing(10);

    auto* buttons = new QHBoxLayout;
    cmdRun_ = control<QPushButton>(central, "cmdRun", "&Run Selected Options");
    cmdOK_ = control<QPushButton>(central, "cmdOK", "E&xit");
    platform::setHelpTopic(cmdRun_, 2);
    buttons->addWidget(cmdRun_);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    layout->addLayout(buttons);
    platform::setCancelButton(this, cmdOK_);
    connect(cmdRun_, &QPushButton::clicked, this, &MainWindow::cmdRun_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &MainWindow::cmdOK_Click);

    buildMenus();
    setMinimumWidth(380);
    Form_Load();
}

MainWindow::~MainWindow() {
    // The open forms close their own connections as they go.
    delete configLabs_;
    delete cleanup_;
    delete copyFile_;
    delete about_;
    delete estimator_;
    delete mailsortPrices_;
    delete poPrices_;
    closeQuietly(db_);
}

ConfigLabsDialog* MainWindow::configLabs() const { return configLabs_; }
CleanupDialog* MainWindow::cleanup() const { return cleanup_; }
CopyFileDialog* MainWindow::copyFile() const { return copyFile_; }
AboutBox* MainWindow::about() const { return about_; }
EstimateForm* MainWindow::estimator() const { return estimator_; }
MailsortTariffForm* MainWindow::mailsortPrices() const { return mailsortPrices_; }
StandardTariffForm* MainWindow::poPrices() const { return poPrices_; }

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
        return m;
    };
    auto entry = [&](QMenu* m, const char* name, const char* caption, void (MainWindow::*handler)()) {
        QAction* a = m->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
    };
    auto separator = [](QMenu* m, const char* name) { m->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    QMenu* file = menu("MnuFile", "&File");
    entry(file, "mnuDepDup", "&De-Duplicate", &MainWindow::mnuDepDup_Click);
    entry(file, "MnuFileDovodedod", "Create &Dovodedod File", &MainWindow::MnuFileDovodedod_Click);
    separator(file, "sep1");
    entry(file, "MnuFileComma", "Load new PO database - &Comma", &MainWindow::MnuFileComma_Click);
    entry(file, "MnuFileFixed", "Load new PO database - &Fixed", &MainWindow::MnuFileFixed_Click);
    separator(file, "sep2");
    entry(file, "MnuFileClean", "Clean&up Work Files", &MainWindow::MnuFileClean_Click);
    entry(file, "CopyFile", "Copy &PO Line List File to Disk", &MainWindow::CopyFile_Click);
    separator(file, "sep3");
    entry(file, "MnuFileExit", "E&xit", &MainWindow::MnuFileExit_Click);

    QMenu* utilities = menu("mnuUtilities", "&Utilities");
    entry(utilities, "MnuUtilitiesEstimator", "&Estimator", &MainWindow::MnuUtilitiesEstimator_Click);
    entry(utilities, "MnuUtilitiesConfigure", "&Configure Labels", &MainWindow::MnuUtilitiesConfigure_Click);
    entry(utilities, "MnuFileLayout", "E&xtract File Layout", &MainWindow::MnuFileLayout_Click);
    entry(utilities, "Mnufixed", "Fixed Format Layout", &MainWindow::Mnufixed_Click);

    QMenu* prices = menu("MnuPrices", "&Prices");
    entry(prices, "MnuPricesMailsort", "&Mailsort Prices", &MainWindow::MnuPricesMailsort_Click);
    entry(prices, "MnuPricesPO", "&PO Prices", &MainWindow::MnuPricesPO_Click);

    QMenu* help = menu("MnuHelp", "&Help");
    entry(help, "MnuHelpQuorvel", "&Quorvel Help", &MainWindow::MnuHelpQuorvel_Click);
    separator(help, "sep4");
    entry(help, "MnuHelpAbout", "A&bout Quorvel", &MainWindow::MnuHelpAbout_Click);
}

// ---- start and run -------------------------------------------------------------------

void MainWindow::Form_Load() {
    platform::centreOnScreen(this);
    // Any failure ends the loading silently; the window shows regardless.
    try {
        db_ = db::Database::open(DatabaseName, db::OpenMode::Shared);
        parm::ParmRecord parm(*db_);
        lblUpdDat_->setText(QString::fromStdString(parm.text(key::UpdDate)));
        // A sequence broken off earlier does not survive a restart.
        start::writeFlag(parm, key::RunAlone, false);
    } catch (const std::exception&) {
    }
    closeQuietly(db_);
}

void MainWindow::cmdRun_Click() {
    const StepTicks ticks{chkParameters_->checkState() == Qt::Checked, chkCodes_->checkState() == Qt::Checked,
                          chkReports_->checkState() == Qt::Checked, chkLabels_->checkState() == Qt::Checked};
    const RunPlan plan = planRun(ticks);

    if (plan.ticked == 1) {
        const auto answer = messages().msgBox(
            QStringLiteral("To just run one option you can click on its icon. Selecting an option like this will "
                           "cause the option to start running immediately."),
            Buttons::OkCancel, Icon::None);
        if (answer != platform::Answer::Ok) return;
    }
    if (plan.ticked == 0) {
        messages().msgBox(QStringLiteral("If you want to run just one option then click on its icon, if you want to "
                                         "run more than one option then select them and click on 'run selected "
                                         "options' again."),
                          Buttons::OkOnly, Icon::None);
        return;
    }
    if (plan.broken && plan.ticked != 1) {
        messages().msgBox(QStringLiteral("Options must be run in sequence."), Buttons::OkOnly, Icon::Exclamation);
        return;
    }

    // A database that cannot take the run flags is told in its own words,
    // as the guarded entries tell it.
    std::string why;
    switch (startRun(plan, &why)) {
    case RunStart::HeldElsewhere:
        messages().msgBox(QString::fromLatin1(text::AnotherRunning), Buttons::OkOnly, Icon::Exclamation);
        break;
    case RunStart::NotWritten:
        messages().msgBox(QString::fromStdString(why), Buttons::OkOnly, Icon::Exclamation);
        break;
    case RunStart::Started:
    case RunStart::StartFailed:
        break;
    }
}

void MainWindow::cmdOK_Click() { QCoreApplication::exit(0); }

// ---- icons and menus ----------------------------------------------------------------

bool MainWindow::runGuard() {
    const start::Opened guard = start::testSoleUse(DatabaseName);
    if (guard.error == 0) return true;
    // Any other refusal (no database, a damaged or read-only one, a folder
    // where the lock file cannot be made) in the database's own plain words,
    // as the console's forms give it.
    const QString text = guard.heldElsewhere() ? QString::fromLatin1(text::AnotherRunning)
                                               : QString::fromStdString(guard.description);
    messages().msgBox(text, Buttons::OkOnly, Icon::Exclamation);
    return false;
}

void MainWindow::startUnguarded(start::Program program) {
    start::startProgram(program, [](const std::string&, const std::string& error) {
        messages().msgBox(QString::fromStdString(error), Buttons::OkOnly, Icon::Exclamation);
    });
}

void MainWindow::startGuarded(start::Program program, char argument) {
    // A program that cannot be started ends the entry silently.
    if (!runGuard()) return;
    if (argument) start::startProgram(program, argument);
    else start::startProgram(program);
}

template <class Form>
void MainWindow::showForm(QPointer<Form>& slot) {
    if (slot && slot->isVisible()) {
        platform::showActivated(slot);
        return;
    }
    // Closed but not yet deleted: it has let its database go, start afresh.
    delete slot.data();
    auto* form = new Form(this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    if constexpr (std::is_same_v<Form, AboutBox>) {
        platform::centreOnScreen(form);
    } else if constexpr (std::is_same_v<decltype(form->Form_Load()), bool>) {
        if (!form->Form_Load()) {
            delete form;
            return;
        }
    } else {
        form->Form_Load();
    }
    slot = form;
    platform::showActivated(form);
}

void MainWindow::Image2_Click() { startUnguarded(start::programOf(start::Step::Parameters)); }
void MainWindow::Image3_Click() { startUnguarded(start::programOf(start::Step::Codes)); }
void MainWindow::Image4_Click() { startUnguarded(start::programOf(start::Step::Reports)); }
void MainWindow::Image1_Click() { startUnguarded(start::programOf(start::Step::Labels)); }

void MainWindow::mnuDepDup_Click() { startUnguarded(start::Program::Duplicates); }
void MainWindow::MnuFileDovodedod_Click() { startGuarded(start::Program::MergeExport, 'C'); }
void MainWindow::MnuFileComma_Click() { startGuarded(start::Program::RefImport, 'C'); }
void MainWindow::MnuFileFixed_Click() { startGuarded(start::Program::RefImport, 'F'); }

void MainWindow::MnuFileClean_Click() {
    if (runGuard()) showForm(cleanup_);
}

void MainWindow::CopyFile_Click() {
    if (runGuard()) showForm(copyFile_);
}

void MainWindow::MnuFileExit_Click() { QCoreApplication::exit(0); }

void MainWindow::MnuUtilitiesEstimator_Click() {
    if (runGuard()) showForm(estimator_);
}

void MainWindow::MnuUtilitiesConfigure_Click() {
    if (runGuard()) showForm(configLabs_);
}

void MainWindow::MnuFileLayout_Click() { startGuarded(start::Program::Designer); }
void MainWindow::Mnufixed_Click() { startGuarded(start::Program::Layouts); }

void MainWindow::MnuPricesMailsort_Click() {
    if (runGuard()) showForm(mailsortPrices_);
}

void MainWindow::MnuPricesPO_Click() {
    if (runGuard()) showForm(poPrices_);
}

void MainWindow::MnuHelpQuorvel_Click() { platform::showHelpContents(); }

void MainWindow::MnuHelpAbout_Click() { showForm(about_); }

}  // namespace qv::console
