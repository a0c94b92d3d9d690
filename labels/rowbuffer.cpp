#include "labels/rowbuffer.h"

#include "common/text/numtext.h"

#include <algorithm>
#include <cmath>

namespace qv::labels {

void RowBuffer::reset(int width) {
    width_ = std::max(width, 0);
    blank_ = QString(width_, u' ');
    for (auto& l : lines_) l = blank_;
    placed_ = false;
}

void RowBuffer::place(int line, int column, QStringView text) {
    if (line < 1 || line > Lines) return;
    placed_ = true;
    const int start = std::max(column, 1) - 1;
    if (start >= width_ || text.isEmpty()) return;
    const int n = std::min<int>(int(text.size()), width_ - start);
    QChar* d = lines_[std::size_t(line)].data();
    std::copy_n(text.data(), n, d + start);
}

void RowBuffer::clear() {
    for (int i = 1; i <= Lines; ++i) {
        QString& l = lines_[std::size_t(i)];
        // Overwritten in place: the line keeps its storage from row to row.
        if (l.size() == blank_.size()) std::fill_n(l.data(), l.size(), u' ');
        else l = blank_;
    }
    placed_ = false;
}

int wholeColumns(double d) {
    if (!std::isfinite(d)) return 0;
    const auto r = roundHalfEven(std::clamp(d, -1e9, 1e9));
    return r ? int(*r) : 0;
}

}  // namespace qv::labels
