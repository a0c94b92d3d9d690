#include "duplicates/program.h"

#include "duplicates/checkwindow.h"
#include "duplicates/keyfieldswindow.h"

#include "platform/forms.h"
#include "platform/help.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

namespace qv::duplicates {

namespace {

const char* kProgramName = "qvFennick";

// The program's state, owned by the chooser, which lives as long as the program.
class Program : public QObject {
public:
    Program(filesel::FileChooser* chooser, ProgramHooks hooks)
        : QObject(chooser), chooser_(chooser), hooks_(std::move(hooks)) {
        setObjectName(kProgramName);
        chooser_->installEventFilter(this);
        // Exit closes the chooser, which ends the program below.
        chooser_->setEndProgram([this] {
            if (!chooserClosed_) end();
        });
        chooser_->setNextForm(
            [this](filesel::FileChooser&, const filesel::FileChooser::Accepted&) { showKeyFields(); });
    }

    QPointer<KeyFieldsWindow> keys;
    QPointer<CheckWindow> run;

private:
    void showKeyFields() {
        // A new choice replaces the list of the one before.
        if (keys) {
            keys->close();
            delete keys.data();
        }
        auto* form = new KeyFieldsWindow;
        form->setAttribute(Qt::WA_DeleteOnClose);
        if (!form->Form_Load(*chooser_)) {
            delete form;
            return;
        }
        form->installEventFilter(this);
        form->setStartRun([this](KeyFieldsWindow& from, const CheckSetup& setup) { startRun(from, setup); });
        keys = form;
        qv::platform::showActivated(form);
    }

    void startRun(KeyFieldsWindow&, const CheckSetup& setup) {
        if (run) {
            qv::platform::showActivated(run);
            return;
        }
        auto* form = new CheckWindow;
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->setShield([this](bool on) { shield(on); });
        form->setEndHandler([this](int status) { end(status); });
        if (hooks_.prepareRun) hooks_.prepareRun(*form);
        if (!form->Form_Load(setup)) {
            delete form;
            return;
        }
        run = form;
        qv::platform::showActivated(form);
    }

    void shield(bool on) {
        shielded_ = on;
        chooser_->setEnabled(!on);
        if (keys) keys->setEnabled(!on);
    }

    void end(int status = 0) {
        // Quitting closes every window, which the shield would refuse.
        shielded_ = false;
        if (hooks_.endProgram)
            hooks_.endProgram(status);
        else
            QCoreApplication::exit(status);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // While a run reads the file, the chooser and the key list stay as they are.
        if (shielded_ && event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        // The start form's close box is its Exit: the key-field form left
        // behind would start a run for a program whose chooser is gone.
        if (watched == chooser_ && event->type() == QEvent::Close && !chooserClosed_) {
            chooserClosed_ = true;
            end();
        }
        return QObject::eventFilter(watched, event);
    }

    filesel::FileChooser* chooser_;
    ProgramHooks hooks_;
    bool shielded_ = false;
    bool chooserClosed_ = false;
};

Program* programOf(const filesel::FileChooser& chooser) {
    return chooser.findChild<Program*>(kProgramName, Qt::FindDirectChildrenOnly);
}

}  // namespace

filesel::FileChooser* makeStartForm(ProgramHooks hooks) {
    // The checker has no help of its own: F1 does nothing in any of its windows.
    qv::platform::setHelpEnabled(false);
    auto* chooser = new filesel::FileChooser(filesel::Variant::DuplicateChecker);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    new Program(chooser, std::move(hooks));
    return chooser;
}

KeyFieldsWindow* keyFieldsOf(const filesel::FileChooser& chooser) {
    Program* p = programOf(chooser);
    return p ? p->keys.data() : nullptr;
}

CheckWindow* runOf(const filesel::FileChooser& chooser) {
    Program* p = programOf(chooser);
    return p ? p->run.data() : nullptr;
}

}  // namespace qv::duplicates
