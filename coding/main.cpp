#include "coding/importwindow.h"
#include "common/db/database.h"
#include "platform/platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Kavrin"));
    qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
    return qv::coding::runKavrin();
}
