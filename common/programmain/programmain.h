// How every program of the suite starts and how it ends on an error nobody
// handled (library qv_programmain: the mains and their tests link it).
//
// main() is one call:
//
//     int main(int argc, char** argv) {
//         return qv::platform::runProgram(argc, argv, QStringLiteral("Zolbern"), [] {
//             ...make the first window...
//             return QApplication::exec();
//         });
//     }
//
// An exception that leaves an event handler, or the work main does before
// the event loop, shows the unexpected-error message (the database error's
// number, 0 for any other exception, and the exception's text as the
// description) and ends the program with a non-zero status. A write past a
// file-size limit fails with "File too large" instead of killing the
// program, so its own message is shown.
#pragma once

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace qv::platform {

// The duplicate checker words the message its own way.
enum class ErrorWording { Suite, DuplicateChecker };

// The status a program ends with after an unexpected error.
inline constexpr int UnexpectedErrorStatus = 1;

// The unexpected-error message for an exception.
QString unexpectedErrorText(std::exception_ptr error, ErrorWording wording = ErrorWording::Suite);

// The application object of every program: no exception passes through the
// event loop.
class Application : public QApplication {
public:
    Application(int& argc, char** argv, ErrorWording wording = ErrorWording::Suite);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message for `error` and ends the program. Only the first
    // error is shown: one that comes while its message is up, or from the
    // work that was stopped, is passed over.
    void failed(std::exception_ptr error);
    bool hasFailed() const { return failing_; }

    // How the program ends after the message. By default every open database
    // is committed (what was stored stays stored) and the process ends at
    // once, so that no code of the handler that failed, or of one that
    // waited on it, runs on. Tests put their own (typically
    // QCoreApplication::exit); nullptr restores the default.
    using End = std::function<void(int status)>;
    static void setEnd(End end);

private:
    ErrorWording wording_;
    bool failing_ = false;
};

// Ignores SIGXFSZ, makes the Application, sets the program's title and the
// platform up (initPlatform), runs `body` (which returns the status of
// QApplication::exec() or its own) and returns its status; an exception
// from the body ends the program as one from a handler does.
int runProgram(int& argc, char** argv, const QString& title, const std::function<int()>& body,
               ErrorWording wording = ErrorWording::Suite);

}  // namespace qv::platform
