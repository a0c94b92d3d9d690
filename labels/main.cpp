#include "common/programmain/programmain.h"
#include "labels/printrangedialog.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Mistrel"), [] { return qv::labels::runMistrel(); });
}
