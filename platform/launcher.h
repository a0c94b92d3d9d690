// Starting one program of the suite from another, by the command text the
// programs use ("pelgrin.exe", "lurrow.exe C").
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qv::platform {

// A command split into the program name and its argument.
struct ProgramCommand {
    QString program;   // as given: "lurrow.exe"
    QString argument;  // "C", or empty
};

// Splits "lurrow.exe C" at the first blank. Returns std::nullopt for an empty
// command or one with more than one argument, or an argument longer than one
// character.
std::optional<ProgramCommand> parseCommand(const QString& command);

// The file a program name is started from: the name without ".exe", in lower
// case, beside the running program (QCoreApplication::applicationDirPath(),
// the folder the suite is installed in). Nowhere else: neither the current
// folder (a job folder holds customers' files) nor the PATH. Empty when that
// folder holds no executable file of that name.
QString resolveProgram(const QString& program);

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;

    // Starts the program detached (not waited for) in the current directory.
    // Runs the before-start hook first. On failure returns false and, when
    // `error` is given, a description.
    bool start(const QString& command, QString* error = nullptr);

protected:
    virtual bool doStart(const ProgramCommand& command, QString* error) = 0;
};

// The real launcher: QProcess::startDetached.
class ProcessLauncher : public ProgramLauncher {
protected:
    bool doStart(const ProgramCommand& command, QString* error) override;
};

// Called before every start, so that open databases are committed (the
// program installs qv::db::Database::commitAll here).
void setBeforeProgramStart(std::function<void()> hook);

// The process-wide launcher: the real one unless a test installed another.
ProgramLauncher& launcher();
void setLauncher(std::shared_ptr<ProgramLauncher> l);

}  // namespace qv::platform
