#include "designer/program.h"

#include "designer/designerwindow.h"

#include "platform/forms.h"

#include <QLabel>

namespace qv::designer {

filesel::FileChooser* makeStartForm() {
    auto* chooser = new filesel::FileChooser(filesel::Variant::Designer);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setNextForm([](filesel::FileChooser&, const filesel::FileChooser::Accepted& a) { showDesigner(a); });
    return chooser;
}

DesignerWindow* showDesigner(const filesel::FileChooser::Accepted& accepted) {
    auto* form = new DesignerWindow;
    form->setAttribute(Qt::WA_DeleteOnClose);
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

}  // namespace qv::designer
