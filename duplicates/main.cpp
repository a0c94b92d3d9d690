// Fennick, the duplicate checker.
#include "duplicates/program.h"

#include "common/programmain/programmain.h"
#include "platform/forms.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(
        argc, argv, QStringLiteral("Fennick"),
        [] {
            qv::platform::showActivated(qv::duplicates::makeStartForm());
            return QApplication::exec();
        },
        qv::platform::ErrorWording::DuplicateChecker);
}
