// The row being assembled: lines 1 to 8 of the row width, into which label
// text is written in place at a character column. A line never grows: text
// that would pass the end of the row is dropped.
#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace qv::labels {

class RowBuffer {
public:
    static constexpr int Lines = 8;

    // Every line becomes `width` blanks and the row holds nothing.
    void reset(int width);
    int width() const { return width_; }

    // Writes text over line `line` (1 to 8) from the 1-based column `column`
    // on. A column below 1 counts as 1.
    void place(int line, int column, QStringView text);

    // Whether a label was placed since the row was last written out, however
    // far right it stands.
    bool holdsRow() const { return placed_; }
    // After the row was written out: every line blank again.
    void clear();

    const QString& line(int i) const { return lines_[std::size_t(i)]; }  // 1 to 8

private:
    std::array<QString, Lines + 1> lines_;
    QString blank_;
    int width_ = 0;
    bool placed_ = false;
};

// A label's column or width as a whole count: the nearest whole number, a
// half going to the even neighbour.
int wholeColumns(double d);

}  // namespace qv::labels
