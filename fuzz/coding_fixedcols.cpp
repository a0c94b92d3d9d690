// The import's cut of a fixed-column record. The input's first line holds
// the layout: start and length of each of the 18 parts in turn (36
// numbers, taken as the stored 16-bit values); every further line is a
// record of the customer's file.
#include "fuzz/fuzzkit.h"

#include "coding/fixedcols.h"
#include "common/text/lines.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [head, rest] = qv::fuzz::headLine(qv::fuzz::bytes(data, size));
    qv::coding::FixedLayout layout{};
    const std::vector<long> given = qv::fuzz::numbers(head, 2 * layout.size());
    for (std::size_t i = 0; i < given.size(); ++i) {
        auto& part = layout[i / 2];
        (i % 2 == 0 ? part.from : part.length) = static_cast<std::int16_t>(given[i]);
    }
    // The import refuses such a layout before it cuts a record.
    if (qv::coding::invalidFixedPart(layout) >= 0) return 0;

    std::istringstream stream{std::string(rest), std::ios::binary};
    qv::LineReader reader(stream);
    std::string record;
    qv::coding::AddressFields out;
    while (reader.readLine(record)) {
        qv::coding::cutFixed(record, layout, out);
        for (const std::string* f : {&out.name, &out.address1, &out.address2, &out.address3, &out.address4,
                                     &out.town, &out.county, &out.postcode, &out.ref})
            QV_FUZZ_CHECK(qv::isValidUtf8(*f));  // no character cut through
    }
    return 0;
}
