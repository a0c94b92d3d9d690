// Dovanet, the layout designer.
#include "designer/program.h"

#include "platform/app.h"
#include "platform/forms.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Dovanet"));
    qv::platform::showActivated(qv::designer::makeStartForm());
    return app.exec();
}
