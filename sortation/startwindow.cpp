#include "sortation/startwindow.h"

#include "common/db/database.h"
#include "common/forms/refusal.h"
#include "common/parm/parmrecord.h"
#include "common/programstart.h"
#include "common/suitetexts.h"
#include "platform/platform.h"
#include "sortation/runwindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qv::sortation {

using platform::Buttons;
using platform::Icon;
namespace key = parm::key;

StartWindow::StartWindow(QWidget* parent) : QWidget(parent) { build(); }

StartWindow::~StartWindow() { delete run_; }

void StartWindow::build() {
    using platform::control;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Print Line List and Sort"));

    Picture1_ = control<QLabel>(this, QStringLiteral("Picture1"));
    Picture1_->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(32, 32));
    Label1_ = control<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Print PO Reports"));
    QFont heading(QStringLiteral("Arial"));
    heading.setPointSize(14);
    heading.setBold(true);
    Label1_->setFont(heading);
    Label2_ = control<QLabel>(this, QStringLiteral("Label2"),
                              QStringLiteral("This option will take the mailsort details and allocate them to direct "
                                             "or residue selections as appropriate and then print the line list "
                                             "report."));
    Label3_ = control<QLabel>(this, QStringLiteral("Label3"),
                              QStringLiteral("You must have already run the option to apply the mailsort codes "
                                             "before running this option."));
    for (QLabel* l : {Label2_, Label3_}) l->setWordWrap(true);
    cmdOK_ = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Exit"));
    cmdOK_->setDefault(true);
    platform::setCancelButton(this, cmdCancel_);

    auto* top = new QHBoxLayout;
    top->addWidget(Picture1_, 0, Qt::AlignTop);
    top->addWidget(Label1_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK_);
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(Label2_);
    all->addWidget(Label3_);
    all->addSpacing(12);
    all->addLayout(buttons);
    setFixedWidth(440);

    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

bool StartWindow::Form_Load() {
    adjustSize();
    platform::centreOnScreen(this);
    // The guard: held only for this test; the run works on its own connection.
    start::Opened guard = start::openDatabase(db::OpenMode::Exclusive);
    if (!guard) {
        // Without its run flags the program cannot tell whether it runs in a
        // sequence: it says so at once rather than wait for an OK.
        forms::showRefusal(guard);
        endProgram(1);
        return false;
    }
    bool sequenced = false;
    try {
        parm::ParmRecord parm(*guard.db);
        if (start::readRunFlags(parm).alone) {
            start::writeFlag(parm, key::RunCodes, false);
            sequenced = true;
        }
    } catch (const db::DbError& e) {
        start::closeQuietly(guard.db);
        platform::messages().msgBox(QString::fromStdString(texts::unexpectedError(e.number(), e.description())),
                                    Buttons::OkOnly, Icon::None);
        endProgram(1);
        return false;
    }
    start::closeQuietly(guard.db);
    if (sequenced) {
        hide();
        hiddenForRun_ = true;
        showRun();
    }
    return true;
}

void StartWindow::cmdOK_Click() {
    if (run_ || programEnded()) return;  // one run at a time
    showRun();
}

void StartWindow::showRun() {
    run_ = new RunWindow(*this);
    platform::showActivated(run_);
}

void StartWindow::runFinished() {
    if (run_) {
        run_->finish();
        run_->deleteLater();
        run_ = nullptr;
    }
    if (unloaded_) {
        endProgram(0);
    } else if (hiddenForRun_) {
        // The sequence was ended elsewhere (RunAlone reset) while this run was
        // under way: the program goes on alone, and must not go on unseen.
        hiddenForRun_ = false;
        platform::showActivated(this);
    }
}

void StartWindow::cmdCancel_Click() { close(); }

void StartWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    unloaded_ = true;
    // With a run under way the program ends with it.
    if (!run_) endProgram(0);
}

int runZolbern() {
    StartWindow form;
    // A sequenced start runs at once, without the dialog.
    return platform::runForm(form, [&form] { return !form.runWindow(); });
}

}  // namespace qv::sortation
