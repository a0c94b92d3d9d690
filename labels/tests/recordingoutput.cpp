#include "recordingoutput.h"

namespace qv::labels {

bool RecordingOutput::begin(const LabelKeys&) {
    ++begins_;
    return true;
}

bool RecordingOutput::writeRow(const RowBuffer& row, bool last) {
    if (pageDue_) {
        ++page_;
        pageDue_ = false;
    }
    Row r;
    for (int i = 1; i <= RowBuffer::Lines; ++i) r.lines << row.line(i);
    r.page = page_;
    r.last = last;
    rows_.push_back(std::move(r));
    return true;
}

bool RecordingOutput::finish() {
    ++finishes_;
    return true;
}

QStringList RecordingOutput::texts() const {
    QStringList out;
    for (const Row& r : rows_)
        for (const QString& l : r.lines) {
            QString t = l;
            while (!t.isEmpty() && t.back() == u' ') t.chop(1);
            if (!t.isEmpty()) out << t;
        }
    return out;
}

}  // namespace qv::labels
