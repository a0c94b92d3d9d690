#include "common/db/database.h"
#include "platform/platform.h"
#include "sortation/startwindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Zolbern"));
    qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
    return qv::sortation::runZolbern();
}
