#include "designer/program.h"

#include "designer/designerwindow.h"

#include "platform/forms.h"

#include <QLabel>

namespace qv::designer {

filesel::FrmFileSel* makeStartForm() {
    auto* chooser = new filesel::FrmFileSel(filesel::Variant::Designer);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setNextForm([](filesel::FrmFileSel&, const filesel::FrmFileSel::Accepted& a) { showDesigner(a); });
    return chooser;
}

FrmDovanet* showDesigner(const filesel::FrmFileSel::Accepted& accepted) {
    auto* form = new FrmDovanet;
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
