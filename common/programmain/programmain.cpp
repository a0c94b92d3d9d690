#include "common/programmain/programmain.h"

#include "common/db/database.h"
#include "common/suitetexts.h"
#include "platform/app.h"
#include "platform/messages.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qv::platform {

namespace {

Application::End& endSlot() {
    static Application::End end;
    return end;
}

[[noreturn]] void endAtOnce(int status) {
    // What the program stored so far stays stored, as at any other end;
    // a full disk here changes nothing more.
    try {
        db::Database::commitAll();
    } catch (...) {
    }
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace

QString unexpectedErrorText(std::exception_ptr error, ErrorWording wording) {
    int number = 0;
    std::string description;
    try {
        std::rethrow_exception(error);
    } catch (const db::DbError& e) {
        number = e.number();
        description = e.description();
    } catch (const std::exception& e) {
        description = e.what();
    } catch (...) {
        description = "An exception of unknown type";
    }
    return QString::fromStdString(wording == ErrorWording::DuplicateChecker
                                      ? texts::duplicateCheckerUnexpectedError(number, description)
                                      : texts::unexpectedError(number, description));
}

Application::Application(int& argc, char** argv, ErrorWording wording)
    : QApplication(argc, argv), wording_(wording) {}

void Application::setEnd(End end) { endSlot() = std::move(end); }

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        failed(std::current_exception());
        return false;
    }
}

void Application::failed(std::exception_ptr error) {
    if (failing_) return;
    failing_ = true;
    messages().msgBox(unexpectedErrorText(error, wording_), Buttons::OkOnly, Icon::None);
    if (endSlot())
        endSlot()(UnexpectedErrorStatus);
    else
        endAtOnce(UnexpectedErrorStatus);
}

int runProgram(int& argc, char** argv, const QString& title, const std::function<int()>& body,
               ErrorWording wording) {
    // A write past a file-size limit then fails (EFBIG) and the program says
    // so, rather than dying without a word with the file cut.
    std::signal(SIGXFSZ, SIG_IGN);
    Application app(argc, argv, wording);
    int status = 0;
    try {
        initPlatform(title);
        status = body();
    } catch (...) {
        app.failed(std::current_exception());
    }
    return app.hasFailed() ? UnexpectedErrorStatus : status;
}

}  // namespace qv::platform
