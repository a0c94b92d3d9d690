#include "platform/testing/recordinglauncher.h"

namespace qv::platform {

bool RecordingLauncher::doStart(const ProgramCommand& command, QString* error) {
    commands_ << (command.argument.isEmpty() ? command.program
                                             : command.program + u' ' + command.argument);
    if (failing_) {
        if (error) *error = error_;
        return false;
    }
    return true;
}

}  // namespace qv::platform
