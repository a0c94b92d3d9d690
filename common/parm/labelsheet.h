// Where laser labels fall on their A4 sheet: the one check, with its words,
// that the label program makes before it prints and the label
// configuration makes before it stores.
#pragma once

#include <optional>
#include <string>

namespace qv::parm {

// The sheet is A4; the printer's printable area begins 2 mm in from its left
// and top edges.
inline constexpr double SheetWidthMm = 210, SheetHeightMm = 297;

// Where the first row of a page starts, in millimetres down the printable
// area: TopMarg from the sheet's top edge, or just inside the printable area
// when TopMarg lies above it.
double laserPageTop(double topMarg);

// Labels side by side for a "Lab Across" of n: more than 4 print 4 across;
// 0 when it cannot be printed (below 1, a fraction below 4, no number).
int labelsAcross(double n);

// A sheet of laser labels in millimetres, as the label keys give it.
struct LaserSheet {
    double leftMarg = 0, labelWidth = 0, horGap = 0;
    double topMarg = 0, labelHeight = 0, vertGap = 0;
    int across = 0;   // labels side by side, 1 to 4
    double rows = 0;  // rows a page (LabelsPage)
};

struct SheetOverrun {
    bool across = false, down = false;  // which edge the labels run past
    std::string text;                   // one sentence for each, saying by how much
};

// Why the labels run off the sheet, or nothing when they fit: a row's labels
// across past its right edge, or a page's rows (from where the first starts)
// past its bottom edge. Labels that end exactly on an edge fit.
std::optional<SheetOverrun> sheetOverrun(const LaserSheet& sheet);

}  // namespace qv::parm
