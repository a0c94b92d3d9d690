// The Post Office's Mailsort files line by line: every line of the input
// goes through both forms' readers of all four files, as a fixed-column
// line and, when it splits, as a comma-delimited one.
#include "fuzz/fuzzkit.h"

#include "common/text/lines.h"
#include "refimport/pofiles.h"

#include <sstream>

namespace {

using namespace qv::refimport;

void expectText(std::initializer_list<const std::string*> values) {
    for (const std::string* v : values) QV_FUZZ_CHECK(qv::isValidUtf8(*v));  // no character cut through
}

void take(const RegionRecord& r) {
    expectText({&r.type, &r.letter, &r.residue});
    (void)takesRegion(r);
    (void)regionNumber(r.letter);
}
void take(const SectorRecord& r) {
    const std::string key = r.key();
    expectText({&r.outward, &r.sector, &r.selection, &key});
}
void take(const LabelRecord& r) {
    (void)r.addsSequence();
    expectText({&r.type, &r.code, &r.description, &r.sortString});
}
void take(const PlaceRecord& r) { expectText({&r.name, &r.residue}); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream{std::string(qv::fuzz::bytes(data, size)), std::ios::binary};
    qv::LineReader reader(stream);
    std::string line;
    while (reader.readLine(line)) {
        if (isBlankLine(line)) continue;
        take(fixedRegion(line));
        take(fixedSector(line));
        take(fixedLabel(line));
        take(fixedPlace(line));
        const SplitLine s = splitup(line);
        for (const std::string& f : s.field) QV_FUZZ_CHECK(qv::isValidUtf8(f));
        if (s.fault != SplitFault::None) continue;
        take(commaRegion(s));
        take(commaSector(s));
        take(commaLabel(s));
        take(commaPlace(s));
    }
    return 0;
}
