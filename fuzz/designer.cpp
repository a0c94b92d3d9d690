// The layout designer's reading of a customer's file, as its window does it
// when a file is chosen: the first look, the sample file, the type test,
// the comma split or the columns found from the first three records, the
// captions, and each later record cut and shown by an assignment taken
// from the input's bytes. An odd-sized input has a heading line.
#include "fuzz/fuzzkit.h"

#include "common/text/lines.h"
#include "designer/assignment.h"
#include "designer/records.h"
#include "designer/samplefile.h"

namespace d = qv::designer;

namespace {

void expectText(const d::SampleTexts& s) {
    for (const std::string* t : {&s.name, &s.add1, &s.add2, &s.add3, &s.add4, &s.town, &s.county, &s.post, &s.ref})
        QV_FUZZ_CHECK(qv::isValidUtf8(*t));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = qv::fuzz::writeFile("CUSTOMER.CSV", qv::fuzz::bytes(data, size));
    const bool headings = size % 2 == 1;
    if (d::checkSampleFile(path) != d::FileProblem::None) return 0;

    d::SampleFile file;
    d::FieldTable fields;
    d::Columns columns;
    std::string sample;
    try {
        file.open(path);
        if (!file.readLine(sample)) return 0;
        const std::string type = d::DetectType(sample);
        const bool delimited = d::isDelimited(type);
        if (delimited) {
            d::SplitFields(sample, fields);
        } else {
            std::string second, third;
            if (!file.readLine(second) || !file.readLine(third)) return 0;
            if (d::DoFirstAscii(sample, second, third, fields, columns) == d::ScanResult::TooManyColumns) return 0;
            file.reopen();
            file.readLine(sample);
        }

        d::CaptionTable captions{};
        int count = 0;
        for (int n = 1; n != d::MaxFields + 1 && !fields.isEnd(n); ++n) {
            captions[std::size_t(n)] = d::fieldCaption(n, headings, fields[n]);
            count = n;
        }
        for (int n = 1; n <= count; ++n) {
            const int found = d::FieldNumber(captions, captions[std::size_t(n)]);
            QV_FUZZ_CHECK(found >= 1 && found <= n);
        }
        d::AssignmentModel model;
        model.reset(captions, count);
        QV_FUZZ_CHECK(model.list().size() == std::size_t(count));

        d::PartNumbers parts{};
        for (std::size_t p = 0; p < parts.size() && size > 0; ++p)
            parts[p] = std::uint8_t(data[p % size] % (count + 1));

        for (int shown = 0; shown < 100; ++shown) {
            if (delimited)
                d::SplitFields(sample, fields);
            else
                d::DoAscii(sample, columns, fields);
            QV_FUZZ_CHECK(fields.listLength() <= d::MaxFields);
            expectText(d::ShowSample(fields, parts));
            if (!file.readLine(sample)) break;
        }
    } catch (const std::system_error&) {
        return 0;
    }
    return 0;
}
