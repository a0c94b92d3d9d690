#include "sortation/runwindow.h"

#include "common/db/database.h"
#include "common/parm/parmrecord.h"
#include "common/programstart.h"
#include "common/suitetexts.h"
#include "platform/platform.h"
#include "sortation/startwindow.h"


namespace qv::sortation {

using platform::Buttons;
using platform::Icon;

RunWindow::RunWindow(StartWindow& start)
    : ProgressWindow(QStringLiteral("Print PO Reports in Progress"), QStringLiteral("Allocation"),
                     QStringLiteral("percent complete (step 1 of 2)")),
      start_(start) {
    setObjectName(QStringLiteral("Form2"));
    platform::centreOnScreen(this);
    platform::onFirstAppearance(this, [this] { Form_GotFocus(); }, platform::FirstAppearance::Trigger::Show);
}

RunWindow::~RunWindow() { closeDatabase(); }

void RunWindow::Form_GotFocus() {
    if (running_ || result_) return;
    running_ = true;
    platform::WaitCursor wait;
    setStopRequested(false);
    showControls();

    RunHooks hooks;
    hooks.stopRequested = [this] { return stopRequested(); };
    hooks.progress = [this](int, double p, bool) {
        showProgress(p);
        platform::yieldToUi();
    };
    hooks.pause = [] { platform::yieldToUi(); };
    hooks.reportStarting = [this] {
        clearperc();
        setStepText(QStringLiteral("  Printing "));
        setWords(QStringLiteral("percent complete (step 2 of 2)"));
    };
    start::Opened opened = start::openDatabase(db::OpenMode::Shared);
    if (!opened) {
        running_ = false;
        wait.restore();
        // A read-only file or folder is told plainly, as the start tells it.
        if (db::isFileRefusal(opened.error))
            endWithMessage(QString::fromStdString(opened.description), Icon::Critical);
        else
            setupFailed(opened.error, QString::fromStdString(opened.description));
        return;
    }
    db_ = std::move(opened.db);
    try {
        result_ = runSortation(*db_, platform::printer(), hooks);
    } catch (const db::DbError& e) {
        running_ = false;
        wait.restore();
        setupFailed(e.number(), QString::fromStdString(e.description()));
        return;
    }
    running_ = false;
    wait.restore();
    if (result_->status == RunStatus::Refused) {
        refused(result_->refusal);
        return;
    }
    if (result_->status == RunStatus::Failed) {
        failed(result_->failure);
        return;
    }
    handOver(result_->status == RunStatus::Cancelled);
}

void RunWindow::handOver(bool cancelled) {
    hide();
    bool sequenced = false, labels = false;
    try {
        parm::ParmRecord parm(*db_);
        start::RunFlags flags = start::readRunFlags(parm);
        sequenced = flags.alone;
        if (sequenced) {
            labels = flags.labels && !cancelled;
            flags.alone = false;
            flags.reports = false;
            start::writeRunFlags(parm, flags);
        }
    } catch (const db::DbError& e) {
        // Unread, the run is over whatever the flags say; unwritten, the
        // labels must not start as if the sequence were in order.
        if (sequenced) return flagsNotSaved(e.description());
    }
    if (!sequenced) {
        closeDatabase();
        start_.runFinished();
        return;
    }
    try {
        db_->save();
    } catch (const db::DbError& e) {
        return flagsNotSaved(e.description());
    }
    // Whether the label program starts is not looked at: this one ends.
    if (labels) start::closeAndStart(db_, start::Program::Labels);
    closeDatabase();
    start_.endProgram(0);
}

namespace {
QString flagsNotSavedText(const std::string& cause) {
    return QStringLiteral("The run flags could not be saved: ") + QString::fromStdString(cause);
}
}  // namespace

void RunWindow::flagsNotSaved(const std::string& cause) {
    closeDatabase();
    platform::messages().msgBox(flagsNotSavedText(cause), Buttons::OkOnly, Icon::Critical);
    start_.endProgram(1);
}

void RunWindow::refused(const std::string& message) {
    endWithMessage(QString::fromStdString(message), Icon::Exclamation);
}

void RunWindow::failed(const std::string& message) { endWithMessage(QString::fromStdString(message), Icon::Critical); }

void RunWindow::setupFailed(int number, const QString& description) {
    endWithMessage(QString::fromStdString(texts::unexpectedError(number, description.toStdString())), Icon::None);
}

// A run that cannot be made ends its sequence and the program: nothing
// further is started.
void RunWindow::endWithMessage(QString message, Icon icon) {
    const std::string flags = endSequence();
    if (!flags.empty()) message += QStringLiteral("\n") + flagsNotSavedText(flags);
    platform::messages().msgBox(message, Buttons::OkOnly, icon);
    start_.endProgram(1);
}

// Resets RunAlone and RunReports in a sequence; the cause when they could
// not be saved.
std::string RunWindow::endSequence() {
    hide();
    if (!db_) {
        start::Opened opened = start::openDatabase(db::OpenMode::Shared);
        if (!opened) return {};  // without the database there are no flags to reset
        db_ = std::move(opened.db);
    }
    std::string failure;
    bool writing = false;
    try {
        {
            parm::ParmRecord parm(*db_);
            start::RunFlags flags = start::readRunFlags(parm);
            if (flags.alone) {
                flags.alone = false;
                flags.reports = false;
                writing = true;
                start::writeRunFlags(parm, flags);
            }
        }
        if (writing) db_->save();
    } catch (const db::DbError& e) {
        // Unreadable flags are left to the console, which resets them.
        if (writing) failure = e.description();
    }
    closeDatabase();
    return failure;
}

void RunWindow::closeDatabase() { start::closeQuietly(db_); }

}  // namespace qv::sortation
