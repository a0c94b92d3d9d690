// shoravel C: writes the job's coded addresses to DOVODEDOD.DAT for a letter merge.
#include "common/programmain/programmain.h"
#include "mergeexport/mergewindows.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Shoravel"), [] {
        auto* form = new qv::mergeexport::MergeWindow;
        form->show();
        qv::platform::centreOnScreen(form);
        qv::platform::showActivated(form);
        return QApplication::exec();
    });
}
