// The parmcode keys a label run reads, taken once when the run starts (the
// run holds the database, so nothing changes them under it), and the label
// geometry worked out from them.
#pragma once

#include "common/parm/parmrecord.h"

#include <QString>

#include <array>
#include <optional>

namespace qv::labels {

struct LabelKeys {
    bool laser = false;  // Printer "L"
    // Geometry: characters and lines (dot matrix) or millimetres (laser).
    double labelHeight = 0, labelWidth = 0, vertGap = 0, horGap = 0, topMarg = 0, leftMarg = 0, addOffset = 0;
    QString labAcross;  // as stored
    double fontSize = 8;
    double labelsPage = 0;
    bool addressLab = false, bagLab = false, bundleLab = false;
    double weight = 0, bagMax = 0, bundleMax = 0;
    QString service, format;
    bool itemCnt = false, itemCnt2 = false, bagNum = false, bundleNum = false, deferDel = false;
    QString deferDate;        // Null reads as ""
    QString extraText;
    bool extraTextNull = true;
    bool mailsort = false, bagNum2 = false, ref = false;

    // Labels across as a number: the whole stored text read as one, NaN
    // when it is none ("2abc" is not 2).
    double acrossNumber() const;
};

LabelKeys readKeys(const parm::ParmRecord& parm);

// Why the geometry keys the run's printer uses cannot be printed, or nothing
// when they can: each must be a number in the range that printer takes
// (dot matrix: lines and characters of at most a byte; laser: millimetres
// on A4, FontSize 8, 10 or 12, LabelsPage a whole number of rows), as the
// label configuration lets them be typed. The message names the key's
// value as stored.
std::optional<QString> geometryKeysRefusal(const parm::ParmRecord& parm);

// Where the labels of a row stand, in 1-based character columns of the row
// buffer (dot matrix: before rounding; laser: whole columns already), and
// how many characters of a line each label takes.
struct Geometry {
    double col1Base = 1;   // bag and bundle labels beside address labels start here
    double col1 = 1;       // column 1 of address labels: col1Base + the address offset
    double col2 = 0, col3 = 0, col4 = 0;
    int across = 1;        // 1 to 4
    int rowWidth = 0;      // characters of a row
    std::array<int, 4> chars{};  // characters of a line in column 1 to 4

    // Column k (1 to 4) of address labels, and the column after it: 1 again
    // after the last across.
    double column(int k) const { return k == 1 ? col1 : k == 2 ? col2 : k == 3 ? col3 : col4; }
    int following(int k) const { return k == across || k >= 4 ? 1 : k + 1; }
    // The characters a line of a label in column k may have; a label at
    // col1Base takes column 1's.
    int charsAt(int k) const { return chars[std::size_t(k >= 1 && k <= 4 ? k - 1 : 0)]; }
};

// Dot matrix: the keys are characters as typed.
Geometry dotGeometry(const LabelKeys& keys);
// Laser: the keys are millimetres from the paper's edge, the printer's
// printable area begins 2 mm in, and every line starts at its left edge, so
// a label stands at a whole column of a font whose "1" is charWidthMm wide:
// the last column at or before "Add Offset" inside the label's left edge,
// but not before that edge, and it takes the characters that end inside the
// label. Bag and bundle labels stand where address labels do.
Geometry laserGeometry(const LabelKeys& keys, double charWidthMm);

// Laser: why the labels would run off the A4 sheet (parm::sheetOverrun), or
// nothing when they fit: a row's labels across (from LeftMarg, LabelWidth and
// HorGap apart, four at most) past its right edge, or a page's LabelsPage rows
// (from the first row's place, LabelHeight and VertGap apart) past its bottom
// edge. Labels across that cannot be printed at all are left to geometryRefusal.
std::optional<QString> sheetRefusal(const LabelKeys& keys);

// Why a geometry cannot be printed, or nothing when it can: labels across
// that is no number or below 1 (more than 4 prints 4 across), or a row wider than a line of the
// row buffer may be, or labels less than one character wide.
std::optional<QString> geometryRefusal(const LabelKeys& keys, const Geometry& g);

inline constexpr int MaxRowWidth = 255;

}  // namespace qv::labels
