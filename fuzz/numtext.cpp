// Number text: the input's first line is read as a number (as a typed box
// or a stored text is), the second is a display pattern, and the input's
// first eight bytes are also taken as the bits of a double, so that every
// value (NaN, infinities, denormals) reaches the conversions to text.
#include "fuzz/fuzzkit.h"

#include "common/text/numtext.h"

#include <cmath>
#include <cstring>

namespace {

void toText(double d, std::string_view pattern) {
    const std::string text = qv::numberText(d);
    (void)qv::numberStr(d);
    (void)qv::formatNumber(d, pattern);
    for (int places : {-1, 0, 1, 2, 4, 15, 255, 256}) {
        (void)qv::round(d, places);
        (void)qv::roundNumber(d, places);
    }
    (void)qv::toLong(d);
    (void)qv::toInteger(d);
    const std::optional<std::int64_t> whole = qv::roundHalfEven(d);
    if (whole) QV_FUZZ_CHECK(std::fabs(double(*whole) - d) <= 0.5);
    // Beyond 1E+308 the text's 15 digits may round past the largest double.
    if (!std::isfinite(d) || std::fabs(d) > 1e308) return;
    // The text of a number reads back as a number of the same text: 15
    // digits survive the way to a double and back.
    double back = 0;
    QV_FUZZ_CHECK(qv::parseNumber(text, back));
    QV_FUZZ_CHECK(qv::numberText(back) == text);
    QV_FUZZ_CHECK(qv::numberText(qv::leadingNumber(text)) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in = qv::fuzz::bytes(data, size);
    const auto [number, rest] = qv::fuzz::headLine(in);
    const std::string_view pattern = qv::fuzz::headLine(rest).first;

    const double lead = qv::leadingNumber(number);
    toText(lead, pattern);
    double whole = 0;
    if (qv::parseNumber(number, whole)) {
        QV_FUZZ_CHECK(qv::numberText(whole) == qv::numberText(lead));
        toText(whole, pattern);
    }
    if (size >= sizeof(double)) {
        double bits;
        std::memcpy(&bits, data, sizeof bits);
        toText(bits, pattern);
    }
    return 0;
}
