// The layout wizard's reading of a customer's file and its proposal: the
// file test, the first records and a chosen one, the proposal for the
// sample, its limits and the texts its numbers cut.
#include "fuzz/fuzzkit.h"

#include "common/text/lines.h"
#include "console/layouts/layoutfile.h"
#include "console/layouts/layoutwizard.h"

namespace w = qv::console::wizard;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = qv::fuzz::writeFile("CUSTFIXED.TXT", qv::fuzz::bytes(data, size));
    if (!qv::console::testFile(path).ok()) return 0;

    w::FirstRecords first;
    try {
        first = w::firstRecords(path);
    } catch (const w::FileUnreadable&) {
        return 0;
    }
    QV_FUZZ_CHECK(first.shown.size() <= std::size_t(w::RecordsShown));
    for (int n = 1; n <= w::RecordsShown; ++n) {
        const std::optional<std::string> record = w::readRecord(path, n);
        // The records box and a record button read the same records.
        QV_FUZZ_CHECK(record.has_value() == (std::size_t(n) <= first.shown.size()));
        if (!record) break;
        QV_FUZZ_CHECK(qv::isValidUtf8(*record));
        QV_FUZZ_CHECK(w::shownRecord(*record) == first.shown[std::size_t(n - 1)]);
        if (n == 1) QV_FUZZ_CHECK(*record == first.first);
    }

    w::Parts parts = w::DoAscii(first.first);
    (void)w::checkLimits(parts);
    w::ShowParts(first.first, parts);
    for (const w::PartValues& p : parts) {
        QV_FUZZ_CHECK(qv::isValidUtf8(p.shown));
        QV_FUZZ_CHECK(qv::isValidUtf8(w::cut(first.first, p.start, p.length)));
    }
    return 0;
}
