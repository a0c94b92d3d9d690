// quorvel: the main console of the suite.
#include "common/db/database.h"
#include "common/programmain/programmain.h"
#include "console/mainwindow.h"
#include "platform/forms.h"
#include "platform/launcher.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Quorvel"), [] {
        qv::platform::setBeforeProgramStart([] { qv::db::Database::commitAll(); });
        qv::console::MainWindow window;
        qv::platform::showActivated(&window);
        return QApplication::exec();
    });
}
