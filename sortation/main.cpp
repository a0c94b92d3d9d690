#include "common/db/database.h"
#include "common/programmain/programmain.h"
#include "platform/platform.h"
#include "sortation/startwindow.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Zolbern"), [] {
        qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
        return qv::sortation::runZolbern();
    });
}
