#include "coding/importwindow.h"
#include "common/db/database.h"
#include "common/programmain/programmain.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Kavrin"), [] {
        qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
        return qv::coding::runKavrin();
    });
}
