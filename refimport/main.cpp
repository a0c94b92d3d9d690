// lurrow C | F: loads the Post Office's Mailsort files into the reference tables.
#include "platform/platform.h"
#include "refimport/refimportwindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Lurrow"));
    auto form = qv::refimport::startProgram(qv::platform::startArgument());
    if (!form) return 2;
    return app.exec();
}
