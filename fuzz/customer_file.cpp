// The customer's file as every program first reads it: the first look at
// the file, the line reader over the file and over a stream, and the type
// test and comma split of each record.
#include "fuzz/fuzzkit.h"

#include "common/text/delimited.h"
#include "common/text/lines.h"
#include "common/text/textfile.h"

#include <sstream>

namespace {

using qv::fuzz::bytes;

std::vector<std::string> records(qv::LineReader& reader) {
    std::vector<std::string> out;
    std::string line;
    while (reader.readLine(line)) {
        // Every record is UTF-8 (a line that is not is decoded as
        // Windows-1252); no line end and nothing from a Ctrl-Z on is in it.
        QV_FUZZ_CHECK(qv::isValidUtf8(line));
        QV_FUZZ_CHECK(line.find('\n') == std::string::npos);
        QV_FUZZ_CHECK(line.find('\x1a') == std::string::npos);
        out.push_back(line);
        QV_FUZZ_CHECK(reader.lineNumber() == out.size());
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in = bytes(data, size);
    const std::string path = qv::fuzz::writeFile("CUSTOMER.TXT", in);

    const qv::FileProblem problem = qv::checkTextFile(path);

    qv::LineReader fromFile{std::filesystem::path(path)};
    const std::vector<std::string> lines = records(fromFile);
    std::istringstream stream(std::string(in), std::ios::binary);
    qv::LineReader fromStream(stream);
    QV_FUZZ_CHECK(records(fromStream) == lines);

    // The first look and the reader agree on whether there is a record, and
    // on a Ctrl-Z before any record with records after it.
    const std::uint64_t stray = fromFile.readRestForStrayCtrlZ();
    if (problem == qv::FileProblem::Empty) QV_FUZZ_CHECK(lines.empty() && stray == 0);
    if (problem == qv::FileProblem::TextAfterEnd) QV_FUZZ_CHECK(lines.empty() && stray == 1);
    if (problem == qv::FileProblem::None) QV_FUZZ_CHECK(!lines.empty());

    std::vector<std::string> fields;
    for (const std::string& record : lines) {
        const std::string type = qv::DetectType(record);
        QV_FUZZ_CHECK(type == qv::TypeFixed || qv::isDelimited(type));
        for (auto doubled : {qv::DoubledQuote::Toggles, qv::DoubledQuote::IsOneQuote}) {
            qv::splitCommaFields(record, fields, doubled);
            QV_FUZZ_CHECK(!fields.empty());
            for (const std::string& f : fields) QV_FUZZ_CHECK(qv::isValidUtf8(f));
        }
    }
    return 0;
}
