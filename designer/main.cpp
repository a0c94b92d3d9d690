// Dovanet, the layout designer.
#include "designer/program.h"

#include "common/programmain/programmain.h"
#include "platform/forms.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Dovanet"), [] {
        qv::platform::showActivated(qv::designer::makeStartForm());
        return QApplication::exec();
    });
}
