// quorvel: the main console of the suite.
#include "common/db/database.h"
#include "console/mainwindow.h"
#include "platform/app.h"
#include "platform/forms.h"
#include "platform/launcher.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Quorvel"));
    qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
    qv::console::MainWindow window;
    qv::platform::showActivated(&window);
    return app.exec();
}
