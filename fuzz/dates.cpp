// Typed dates: every line of the input is a date as typed into a box.
#include "fuzz/fuzzkit.h"

#include "common/text/dates.h"
#include "common/text/lines.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream{std::string(qv::fuzz::bytes(data, size)), std::ios::binary};
    qv::LineReader reader(stream);
    std::string line;
    while (reader.readLine(line)) {
        const std::optional<qv::Date> d = qv::parseTypedDate(line);
        if (!d) continue;
        QV_FUZZ_CHECK(qv::isValidDate(*d));
        QV_FUZZ_CHECK(d->day <= qv::daysInMonth(d->year, d->month));
        // A date shown reads back as the same date.
        QV_FUZZ_CHECK(qv::parseTypedDate(qv::dateText(*d)) == d);
    }
    return 0;
}
