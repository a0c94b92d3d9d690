// The run window Form2: the progress of the two steps with Cancel. Each
// showing runs the sortation once, when the window first appears; at its end
// the window unloads itself and, after a run sequence, hands the job on to
// the label program.
#pragma once

#include "common/progress/progresswindow.h"
#include "sortation/sortrun.h"

#include "platform/messages.h"

#include <memory>
#include <optional>
#include <string>

namespace qv::db {
class Database;
}

namespace qv::sortation {

class StartWindow;

class RunWindow : public progress::ProgressWindow {
    Q_OBJECT
public:
    explicit RunWindow(StartWindow& start);
    ~RunWindow() override;

    // The run (the window's first appearance starts it).
    void Form_GotFocus();
    bool running() const { return running_; }
    // The result of the run, once it has ended (empty after a set-up failure).
    const std::optional<RunResult>& result() const { return result_; }

private:
    void setupFailed(int number, const QString& description);
    void refused(const std::string& message);
    void failed(const std::string& message);
    void endWithMessage(QString message, platform::Icon icon);
    void flagsNotSaved(const std::string& cause);
    void handOver(bool cancelled);
    std::string endSequence();
    void closeDatabase();

    StartWindow& start_;
    std::unique_ptr<db::Database> db_;
    std::optional<RunResult> result_;
    bool running_ = false;
    bool sequenced_ = false;
};

}  // namespace qv::sortation
