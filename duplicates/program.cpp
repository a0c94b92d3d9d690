#include "duplicates/program.h"

#include "duplicates/frmcheckdup.h"
#include "duplicates/frmkeyfields.h"

#include "platform/forms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

namespace qv::duplicates {

namespace {

const char* kProgramName = "qvFennick";

// The program's state, owned by the chooser, which lives as long as the program.
class Program : public QObject {
public:
    Program(filesel::FrmFileSel* chooser, ProgramHooks hooks) : QObject(chooser), chooser_(chooser), hooks_(std::move(hooks)) {
        setObjectName(kProgramName);
        chooser_->installEventFilter(this);
        chooser_->setEndProgram([this] { end(); });
        chooser_->setNextForm([this](filesel::FrmFileSel&, const filesel::FrmFileSel::Accepted&) { showKeyFields(); });
    }

    QPointer<FrmKeyFields> keys;
    QPointer<FrmCheckDup> run;

private:
    void showKeyFields() {
        // A new choice replaces the list of the one before.
        if (keys) {
            keys->close();
            delete keys.data();
        }
        auto* form = new FrmKeyFields;
        form->setAttribute(Qt::WA_DeleteOnClose);
        if (!form->Form_Load(*chooser_)) {
            delete form;
            return;
        }
        form->installEventFilter(this);
        form->setStartRun([this](FrmKeyFields& from, const CheckSetup& setup) { startRun(from, setup); });
        keys = form;
        qv::platform::showActivated(form);
    }

    void startRun(FrmKeyFields&, const CheckSetup& setup) {
        if (run) {
            qv::platform::showActivated(run);
            return;
        }
        auto* form = new FrmCheckDup;
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->setShield([this](bool on) { shield(on); });
        form->setEndProgram([this] { end(); });
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

    void end() {
        // Quitting closes every window, which the shield would refuse.
        shielded_ = false;
        if (hooks_.endProgram)
            hooks_.endProgram();
        else
            QCoreApplication::quit();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // While a run reads the file, the chooser and the key list stay as they are.
        if (shielded_ && event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

    filesel::FrmFileSel* chooser_;
    ProgramHooks hooks_;
    bool shielded_ = false;
};

Program* programOf(const filesel::FrmFileSel& chooser) {
    return chooser.findChild<Program*>(kProgramName, Qt::FindDirectChildrenOnly);
}

}  // namespace

filesel::FrmFileSel* makeStartForm(ProgramHooks hooks) {
    auto* chooser = new filesel::FrmFileSel(filesel::Variant::DuplicateChecker);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    new Program(chooser, std::move(hooks));
    return chooser;
}

FrmKeyFields* keyFieldsOf(const filesel::FrmFileSel& chooser) {
    Program* p = programOf(chooser);
    return p ? p->keys.data() : nullptr;
}

FrmCheckDup* runOf(const filesel::FrmFileSel& chooser) {
    Program* p = programOf(chooser);
    return p ? p->run.data() : nullptr;
}

}  // namespace qv::duplicates
