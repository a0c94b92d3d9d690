#include "labels/printrangedialog.h"
#include "platform/platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Mistrel"));
    return qv::labels::runMistrel();
}
