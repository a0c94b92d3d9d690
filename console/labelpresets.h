// Ready-made label settings for common stationery.
#pragma once

#include "common/db/value.h"

namespace qv::console {

// The texts a preset puts into the label boxes. numLabels and fontSize are
// left as they are when null / 0 (the dot-matrix presets).
struct LabelPreset {
    const char* labelHeight;
    const char* labelWidth;
    const char* vertGap;
    const char* horGap;
    const char* topMarg;
    const char* leftMarg;
    const char* addOffset;
    const char* labAcross;
    const char* numLabels;
    int fontSize;
};

// Laser sheets: 1 is 21 labels of 63.5 x 38.1 mm, 2 is 14 of 99.1 x 38.1 mm.
const LabelPreset& laserPreset(int n);
// Dot-matrix rolls of 89 x 36 mm labels: 1, 2 or 3 across (8, 16, 24 labels).
const LabelPreset& dotMatrixPreset(int n);

// The font size option a stored FontSize selects: 8, 10, or 12 for any other value.
int fontSizeOption(const db::Value& stored);

}  // namespace qv::console
