// shoravel C: writes the job's coded addresses to DOVODEDOD.DAT for a letter merge.
#include "mergeexport/mergewindows.h"
#include "platform/platform.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Shoravel"));
    auto* form = new qv::mergeexport::MergeWindow;
    form->show();
    qv::platform::centreOnScreen(form);
    qv::platform::showActivated(form);
    return app.exec();
}
