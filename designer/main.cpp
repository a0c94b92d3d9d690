// Dovanet, the layout designer.
#include "designer/program.h"

#include "platform/forms.h"
#include "platform/programmain.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Dovanet"), [] {
        qv::platform::showActivated(qv::designer::makeStartForm());
        return QApplication::exec();
    });
}
