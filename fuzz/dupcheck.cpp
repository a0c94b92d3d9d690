// The duplicate checker's reading of a customer's file: the scan of the key
// fields (with and without a heading line), then every record split by the
// layout found and its key built from every second field, in parts as
// stored, with the texts the decision dialog shows.
#include "fuzz/fuzzkit.h"

#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"
#include "duplicates/dupcheck.h"
#include "duplicates/keyfields.h"

namespace dc = qv::duplicates;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = qv::fuzz::writeFile("CUSTOMER.CSV", qv::fuzz::bytes(data, size));
    const dc::KeyScan scan = dc::scanKeyFields(path, true);
    const dc::KeyScan plain = dc::scanKeyFields(path, false);
    QV_FUZZ_CHECK(scan.problem == plain.problem);
    if (scan.problem != dc::ScanProblem::None) return 0;
    QV_FUZZ_CHECK(scan.captions.size() == std::size_t(scan.layout.fields));
    QV_FUZZ_CHECK(scan.layout.fields <= dc::MaxColumns);

    std::vector<bool> selected(scan.captions.size());
    for (std::size_t k = 0; k < selected.size(); k += 2) selected[k] = true;

    qv::LineReader in{qv::pathFromUtf8(path)};
    std::string record;
    dc::Fields fields;
    while (in.readLine(record)) {
        dc::splitRecord(record, scan.layout, fields);
        for (const std::string& f : fields) QV_FUZZ_CHECK(qv::isValidUtf8(f));
        const std::string key = dc::BuildKey(fields, selected);
        QV_FUZZ_CHECK(qv::isValidUtf8(key));
        QV_FUZZ_CHECK(key.find(' ') == std::string::npos);
        QV_FUZZ_CHECK(qv::fuzz::chars(key) <= dc::KeyLength);
        for (const std::string& part : dc::keyParts(key)) {
            QV_FUZZ_CHECK(!part.empty());
            QV_FUZZ_CHECK(qv::fuzz::chars(part) <= dc::KeyPartLength);
        }
        QV_FUZZ_CHECK(qv::isValidUtf8(dc::keyUpper(record)));
        (void)dc::NewText(fields);
    }
    return 0;
}
