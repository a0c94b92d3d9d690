// Fennick, the duplicate checker.
#include "duplicates/program.h"

#include "platform/app.h"
#include "platform/forms.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Fennick"));
    qv::platform::showActivated(qv::duplicates::makeStartForm());
    return app.exec();
}
