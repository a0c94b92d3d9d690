// Dovanet, the layout designer.
#include "designer/program.h"

#include "common/programmain/programmain.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Dovanet"), [] { return qv::designer::runDovanet(); });
}
