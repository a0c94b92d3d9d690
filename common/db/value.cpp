#include "common/db/value.h"

#include "common/text/numtext.h"

#include <cmath>
#include <limits>

namespace qv::db {

std::string Value::toString() const {
    switch (v_.index()) {
    case 1: return std::to_string(std::get<1>(v_));
    case 2: return numberText(std::get<2>(v_));
    case 3: return std::get<3>(v_);
    default: return {};
    }
}

double Value::toDouble() const {
    switch (v_.index()) {
    case 1: return double(std::get<1>(v_));
    case 2: return std::get<2>(v_);
    case 3: return leadingNumber(std::get<3>(v_));
    default: return 0;
    }
}

int64_t Value::toInt() const {
    if (isInt()) return intValue();
    double d = std::nearbyint(toDouble());  // half to even in the default rounding mode
    if (!(d >= double(std::numeric_limits<int64_t>::min()) && d <= double(std::numeric_limits<int64_t>::max())))
        return 0;
    return int64_t(d);
}

}  // namespace qv::db
