// How a program's first form ends the program: once, with its exit status,
// through the handler the program sets (the application's exit; a recorder
// in tests). The form inherits it beside its widget class.
#pragma once

#include "platform/forms.h"

#include <QApplication>

#include <functional>
#include <utility>

namespace qv::platform {

class ProgramEnd {
public:
    // Called once when the program is to end, with the exit status.
    void setEndHandler(std::function<void(int status)> handler) { endHandler_ = std::move(handler); }
    bool programEnded() const { return ended_; }
    int exitStatus() const { return exitStatus_; }

protected:
    virtual ~ProgramEnd() = default;

    // The first call ends the program; later ones change nothing.
    void endProgram(int status) {
        if (ended_) return;
        ended_ = true;
        exitStatus_ = status;
        endingProgram();
        if (endHandler_) endHandler_(status);
    }
    // Once, after the end is recorded and before the handler runs: what the
    // form does first (a dialog that hides).
    virtual void endingProgram() {}

private:
    bool ended_ = false;
    int exitStatus_ = 0;
    std::function<void(int)> endHandler_;
};

// The program around its first form: the end quits the application, a load
// that fails (Form_Load false) ends at once with the form's status, and
// otherwise the form shows, unless its load ended the program or `showForm`
// says no, and the program runs until it ends.
template <class Form>
int runForm(Form& form, const std::function<bool()>& showForm = {}) {
    form.setEndHandler([](int status) { QCoreApplication::exit(status); });
    if (!form.Form_Load()) return form.exitStatus();
    if (!form.programEnded() && (!showForm || showForm())) showActivated(&form);
    return QApplication::exec();
}

}  // namespace qv::platform
