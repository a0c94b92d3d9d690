#include "platform/app.h"

#include "platform/help.h"
#include "platform/qtprinter.h"

namespace qv::platform {

void initPlatform(const QString& title) {
    setProgramTitle(title);
    installFontSubstitutions();
    installHelpKey();
    installSystemPrinter();
}

}  // namespace qv::platform
