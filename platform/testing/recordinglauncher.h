// A program launcher for tests (library qv_testing).
#pragma once

#include "platform/launcher.h"

namespace qv::platform {

// For tests: records the commands and starts nothing. Can be told to fail.
class RecordingLauncher : public ProgramLauncher {
public:
    const QStringList& commands() const { return commands_; }
    // Failing commands are recorded too.
    void setFailing(bool on, QString error = QStringLiteral("program could not be started")) {
        failing_ = on;
        error_ = std::move(error);
    }
    void clear() { commands_.clear(); }

protected:
    bool doStart(const ProgramCommand& command, QString* error) override;

private:
    QStringList commands_;
    bool failing_ = false;
    QString error_;
};

// Installs a fresh recording launcher for as long as it lives, for tests
// without the form-test main (which installs one before every test).
class InstalledRecordingLauncher {
public:
    InstalledRecordingLauncher() : launcher_(std::make_shared<RecordingLauncher>()) { setLauncher(launcher_); }
    ~InstalledRecordingLauncher() { setLauncher(nullptr); }
    InstalledRecordingLauncher(const InstalledRecordingLauncher&) = delete;
    InstalledRecordingLauncher& operator=(const InstalledRecordingLauncher&) = delete;
    RecordingLauncher* operator->() const { return launcher_.get(); }

private:
    std::shared_ptr<RecordingLauncher> launcher_;
};

}  // namespace qv::platform
