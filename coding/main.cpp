#include "coding/importwindow.h"
#include "common/db/database.h"
#include "platform/platform.h"
#include "platform/programmain.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Kavrin"), [] {
        qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
        return qv::coding::runKavrin();
    });
}
