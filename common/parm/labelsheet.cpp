#include "common/parm/labelsheet.h"

#include "common/text/numtext.h"

#include <cmath>

namespace qv::parm {

double laserPageTop(double topMarg) { return topMarg >= 2 ? topMarg - 2 : 0.1; }

int labelsAcross(double n) {
    if (n >= 4) return 4;
    if (n == 1 || n == 2 || n == 3) return int(n);
    return 0;
}

namespace {

// Millimetres to a ten-thousandth: sums of typed tenths come out as typed,
// so labels that fit exactly are not refused for a rounding error.
double wholeTenThousandths(double mm) { return std::round(mm * 10000) / 10000; }

}  // namespace

std::optional<SheetOverrun> sheetOverrun(const LaserSheet& s) {
    if (s.across < 1) return std::nullopt;
    const double right = wholeTenThousandths(s.leftMarg + s.across * s.labelWidth + (s.across - 1) * s.horGap);
    const double bottom =
        wholeTenThousandths(2 + laserPageTop(s.topMarg) + s.rows * s.labelHeight + (s.rows - 1) * s.vertGap);
    std::string why;
    if (right > SheetWidthMm) {
        const std::string labels =
            s.across == 1 ? "a row's one label ends" : "a row's " + std::to_string(s.across) + " labels end";
        why += "The labels across run " + numberText(wholeTenThousandths(right - SheetWidthMm)) +
               " mm past the right edge of the A4 sheet: " + labels + " " + numberText(right) +
               " mm from its left edge, and the sheet is " + numberText(SheetWidthMm) + " mm wide.";
    }
    if (bottom > SheetHeightMm) {
        const std::string rows = s.rows == 1 ? "a page's one row ends" : "a page's " + numberText(s.rows) + " rows end";
        if (!why.empty()) why += " ";
        why += "The labels down run " + numberText(wholeTenThousandths(bottom - SheetHeightMm)) +
               " mm past the bottom edge of the A4 sheet: " + rows + " " + numberText(bottom) +
               " mm from its top edge, and the sheet is " + numberText(SheetHeightMm) + " mm long.";
    }
    if (why.empty()) return std::nullopt;
    return SheetOverrun{right > SheetWidthMm, bottom > SheetHeightMm, why};
}

}  // namespace qv::parm
