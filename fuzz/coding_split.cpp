// The import's two splitters of comma-delimited records. The input's first
// line holds the layout's 18 field numbers (name 1 to reference, blank- or
// comma-separated); every further line is a record of the customer's file.
#include "fuzz/fuzzkit.h"

#include "coding/splitters.h"
#include "common/text/lines.h"

#include <sstream>

namespace {

void expectText(const qv::coding::AddressFields& a) {
    for (const std::string* f : {&a.name, &a.address1, &a.address2, &a.address3, &a.address4, &a.town, &a.county,
                                 &a.postcode, &a.ref})
        QV_FUZZ_CHECK(qv::isValidUtf8(*f));  // no character cut through
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [head, rest] = qv::fuzz::headLine(qv::fuzz::bytes(data, size));
    qv::coding::FieldNumbers numbers{};
    const std::vector<long> given = qv::fuzz::numbers(head, numbers.size());
    for (std::size_t i = 0; i < given.size(); ++i) numbers[i] = static_cast<std::uint8_t>(given[i]);

    std::istringstream stream{std::string(rest), std::ios::binary};
    qv::LineReader reader(stream);
    std::string record;
    qv::coding::AddressFields out;
    while (reader.readLine(record)) {
        qv::coding::rmvcomma(record, numbers, out);
        expectText(out);
        qv::coding::rmvquotes(record, numbers, out);
        expectText(out);
    }
    return 0;
}
