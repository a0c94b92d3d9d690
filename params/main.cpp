#include "common/db/database.h"
#include "params/paramswindow.h"
#include "platform/platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Pelgrin"));
    qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
    return qv::params::runPelgrin();
}
