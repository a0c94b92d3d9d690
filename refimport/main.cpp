// lurrow C | F: loads the Post Office's Mailsort files into the reference tables.
#include "common/programmain/programmain.h"
#include "platform/platform.h"
#include "refimport/refimportwindow.h"

int main(int argc, char** argv) {
    return qv::platform::runProgram(argc, argv, QStringLiteral("Lurrow"), [] {
        auto form = qv::refimport::startProgram(qv::platform::startArgument());
        if (!form) return 2;
        return QApplication::exec();
    });
}
