#include "labels/labelprogresswindow.h"

#include "common/db/database.h"
#include "common/programstart.h"
#include "labels/writers.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/messages.h"

#include <QPushButton>

namespace qv::labels {

using platform::Buttons;
using platform::Icon;
using Status = RunResult::Status;

LabelProgressWindow::LabelProgressWindow(const RunRequest& request, Session& session, int repaintMs, QWidget* parent)
    : ProgressWindow(QStringLiteral("Print Labels in Progress"), QString(), QStringLiteral(" percent complete"),
                     TextLayout::PercentWithWords, parent),
      request_(request), session_(session), repaintMs_(repaintMs) {
    setObjectName(QStringLiteral("frmComplete"));
    platform::setHelpTopic(this, kHelpTopic);
    setAttribute(Qt::WA_DeleteOnClose);
    platform::onFirstAppearance(this, [this] { Form_GotFocus(); });
}

void LabelProgressWindow::progress(double percent) {
    percdone = percent;
    // Repainting and handing the user interface its events every record
    // would cost more than the labels; a tenth of a second keeps Cancel
    // and the bar lively.
    if (painted_.elapsed() < repaintMs_) return;
    showProgress(percent);
    platform::yieldToUi();
    painted_.restart();
}

void LabelProgressWindow::Form_GotFocus() {
    if (started_) return;
    started_ = true;
    clearperc();
    showControls();
    setPercentText(0);
    painted_.start();
    {
        platform::WaitCursor wait;
        // A second, shared handle beside the dialog's: the run's own.
        start::Opened o = start::openDatabase(db::OpenMode::Shared);
        if (o) {
            RunCallbacks cb;
            cb.progress = [this](double p) { progress(p); };
            cb.stopRequested = [this] { return stopRequested(); };
            result_ = printLabels(*o.db, request_, cb, session_);
            // What the run wrote back must reach the file before it counts as done.
            try {
                o.db->close();
            } catch (const db::DbError& e) {
                if (result_.status != Status::Failed) {
                    result_.status = Status::Failed;
                    result_.message = QStringLiteral("The changes could not be stored: ") +
                                      QString::fromStdString(e.description());
                }
            }
            o.db.reset();
        } else {
            result_.status = Status::Failed;
            result_.message = QString::fromStdString(o.refusal());
        }
        showProgress(result_.percent);
    }
    // The unexpected-error message is the suite's plain box.
    if (!result_.message.isEmpty())
        platform::messages().msgBox(result_.message, Buttons::OkOnly,
                                    result_.status == Status::Cancelled || result_.unexpected ? Icon::None
                                                                                              : Icon::Exclamation);
    emit finished(result_);
    finish();
}

}  // namespace qv::labels
