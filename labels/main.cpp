#include "labels/printrangedialog.h"
#include "platform/programmain.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Mistrel"), [] { return qv::labels::runMistrel(); });
}
