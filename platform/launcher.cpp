#include "platform/launcher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace qv::platform {

std::optional<ProgramCommand> parseCommand(const QString& command) {
    const QStringList parts = command.split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 2) return std::nullopt;
    ProgramCommand c{parts.at(0), parts.size() == 2 ? parts.at(1) : QString()};
    if (c.argument.size() > 1) return std::nullopt;
    return c;
}

namespace {

QString programFileName(const QString& program) {
    QString name = program.toLower();
    if (name.endsWith(QLatin1String(".exe"))) name.chop(4);
    return name;
}

bool isProgramFile(const QString& path) {
    const QFileInfo fi(path);
    return fi.isFile() && fi.isExecutable();
}

}  // namespace

QString resolveProgram(const QString& program) {
    const QString name = programFileName(program);
    // A name with a folder in it is not a suite program.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\')) return {};
    // Only the suite's own folder: the current folder is a job folder, where
    // customers' files arrive, and a file there must never be run.
    const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(name);
    return isProgramFile(path) ? path : QString();
}

namespace {
std::function<void()>& beforeStartHook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void setBeforeProgramStart(std::function<void()> hook) { beforeStartHook() = std::move(hook); }

bool ProgramLauncher::start(const QString& command, QString* error) {
    const auto parsed = parseCommand(command);
    if (!parsed) {
        if (error) *error = QStringLiteral("Invalid program command \"%1\"").arg(command);
        return false;
    }
    if (beforeStartHook()) beforeStartHook()();
    return doStart(*parsed, error);
}

bool ProcessLauncher::doStart(const ProgramCommand& command, QString* error) {
    const QString path = resolveProgram(command.program);
    if (path.isEmpty()) {
        if (error) *error = QStringLiteral("File not found: %1").arg(command.program);
        return false;
    }
    QStringList args;
    if (!command.argument.isEmpty()) args << command.argument;
    if (!QProcess::startDetached(path, args, QDir::currentPath())) {
        if (error) *error = QStringLiteral("Could not start %1").arg(path);
        return false;
    }
    return true;
}

namespace {
std::shared_ptr<ProgramLauncher>& installed() {
    static std::shared_ptr<ProgramLauncher> l;
    return l;
}
}  // namespace

ProgramLauncher& launcher() {
    if (!installed()) installed() = std::make_shared<ProcessLauncher>();
    return *installed();
}

void setLauncher(std::shared_ptr<ProgramLauncher> l) { installed() = std::move(l); }

}  // namespace qv::platform
