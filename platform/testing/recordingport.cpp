#include "platform/testing/recordingport.h"

namespace qv::platform {

bool RecordingPort::open() {
    ++opens_;
    if (failOpen_) {
        error_ = QStringLiteral("Cannot open LPT1: the port is not available");
        return false;
    }
    open_ = true;
    return true;
}

bool RecordingPort::writeLine(const QString& line) {
    if (!open_ || (failAfter_ >= 0 && lines_.size() >= failAfter_)) {
        error_ = QStringLiteral("Cannot write to LPT1: the port is not available");
        return false;
    }
    lines_.append(line);
    return true;
}

bool RecordingPort::close() {
    open_ = false;
    return true;
}

void RecordingPort::abandon() {
    open_ = false;
    ++abandons_;
}

}  // namespace qv::platform
