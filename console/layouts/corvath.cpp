// corvath: the console's layout forms as a program of their own. It opens the
// typed layout form, from which the file chooser, the new-file hint and the
// fixed-column layout wizard follow, and ends when that form closes (once a
// wizard it opened has closed too: the last window ends the program).
#include "common/programmain/programmain.h"
#include "console/layouts/typedlayoutwindow.h"
#include "platform/forms.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Quorvel"), [] {
        auto* form = new qv::console::TypedLayoutWindow;
        if (!form->Form_Load()) {
            delete form;
            return 1;
        }
        qv::platform::showActivated(form);
        return QApplication::exec();
    });
}
