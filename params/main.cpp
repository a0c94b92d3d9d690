#include "common/db/database.h"
#include "common/programmain/programmain.h"
#include "params/paramswindow.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Pelgrin"), [] {
        qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
        return qv::params::runPelgrin();
    });
}
