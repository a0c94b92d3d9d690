#include "designer/program.h"

#include "designer/designerwindow.h"

#include "platform/forms.h"

#include <QApplication>
#include <QLabel>

#include <memory>

namespace qv::designer {

filesel::FileChooser* makeStartForm(EndProgram end) {
    auto* chooser = new filesel::FileChooser(filesel::Variant::Designer);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setNextForm([end = std::move(end)](filesel::FileChooser&, const filesel::FileChooser::Accepted& a) {
        showDesigner(a, end);
    });
    return chooser;
}

DesignerWindow* showDesigner(const filesel::FileChooser::Accepted& accepted, const EndProgram& end) {
    auto* form = new DesignerWindow;
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (end) form->setEndHandler(end);
    if (!form->Form_Load()) {
        delete form;
        return nullptr;
    }
    qv::platform::showActivated(form);
    // Read when OK first gets the focus, which is after this.
    form->DummyField()->setText(accepted.headings);
    form->lblFile()->setText(accepted.path);
    return form;
}

int runDovanet() {
    // The windows close after a failure's message too, and the last one
    // closing may quit the loop with status 0 before it returns: the
    // failure's own status is kept here.
    auto failed = std::make_shared<int>(0);
    qv::platform::showActivated(makeStartForm([failed](int status) {
        *failed = status;
        QCoreApplication::exit(status);
    }));
    const int status = QApplication::exec();
    return *failed != 0 ? *failed : status;
}

}  // namespace qv::designer
