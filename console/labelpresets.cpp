#include "console/labelpresets.h"

#include <stdexcept>

namespace qv::console {

namespace {
const LabelPreset kLaser[] = {
    {"38.1", "63.5", "0", "2.5", "19", "8", "2", "3", "7", 8},
    {"38.1", "99.1", "0", "2.5", "19", "4", "2", "2", "7", 10},
};
const LabelPreset kDotMatrix[] = {
    {"9", "32", "8", "0", "0", "0", "1", "1", nullptr, 0},
    {"9", "32", "8", "5", "0", "0", "1", "2", nullptr, 0},
    {"9", "32", "8", "5", "0", "0", "1", "3", nullptr, 0},
};
}  // namespace

const LabelPreset& laserPreset(int n) {
    if (n < 1 || n > 2) throw std::out_of_range("no such laser preset");
    return kLaser[n - 1];
}

const LabelPreset& dotMatrixPreset(int n) {
    if (n < 1 || n > 3) throw std::out_of_range("no such dot-matrix preset");
    return kDotMatrix[n - 1];
}

int fontSizeOption(const db::Value& stored) {
    if (stored.isNull()) return 12;
    const double v = stored.toDouble();
    if (v == 8) return 8;
    if (v == 10) return 10;
    return 12;
}

}  // namespace qv::console
