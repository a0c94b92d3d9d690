// shoravel C: writes the job's coded addresses to DOVODEDOD.DAT for a letter merge.
#include "common/programmain/programmain.h"
#include "mergeexport/mergewindows.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Shoravel"),
                                    [] { return qv::mergeexport::runShoravel(); });
}
