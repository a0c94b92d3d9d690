// The reference load into a scratch database. The input's first line names
// the form ("F" fixed columns, anything else comma-delimited); the rest is
// the four Post Office files in load order (msortd, msorta, msortb, msortc),
// each ended by a line "%%". A file the input does not reach is empty.
#include "fuzz/fuzzkit.h"

#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "refimport/refload.h"

#include <array>
#include <iostream>
#include <sstream>

namespace {

using namespace qv;
using namespace qv::refimport;

constexpr std::array<const char*, 5> kTables = {"region", "pcode", "label", "sequence", "cntytown"};

std::unique_ptr<db::Database>& database() {
    static std::unique_ptr<db::Database> d;
    return d;
}

std::array<std::int64_t, kTables.size()> rowCounts(db::Database& d) {
    std::array<std::int64_t, kTables.size()> n{};
    for (std::size_t i = 0; i < kTables.size(); ++i) n[i] = d.openTable(kTables[i])->recordCount();
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const auto& dir = fuzz::scratch();
    std::ostringstream out, err;
    if (dbbuild::makeDatabases({QV_DATA_DIR, dir, false}, out, err) != 0) {
        std::cerr << err.str();
        std::abort();
    }
    database() = db::Database::open((dir / "mailsort.mdb").string(), db::OpenMode::Exclusive);
    std::filesystem::create_directory(dir / "po");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [head, rest] = fuzz::headLine(fuzz::bytes(data, size));
    const FileForm form = !head.empty() && (head[0] == 'F' || head[0] == 'f') ? FileForm::Fixed : FileForm::Comma;
    for (PoFile f : kLoadOrder) {
        std::string_view content = rest;
        std::size_t end = rest.find("%%\n");
        while (end != std::string_view::npos && end != 0 && rest[end - 1] != '\n') end = rest.find("%%\n", end + 1);
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            content = rest.substr(0, end);
            rest.remove_prefix(end + 3);
        }
        fuzz::writeFile(std::string("po/") + poFileName(f), content);
    }

    db::Database& d = *database();
    const auto before = rowCounts(d);
    try {
        const std::vector<PassedOver> passed = loadReferenceData(d, form, fuzz::scratch() / "po");
        (void)passedOverMessage(passed);
    } catch (const LoadError& e) {
        QV_FUZZ_CHECK(*e.what() != '\0');
        // A load that stops leaves every table as it was.
        QV_FUZZ_CHECK(rowCounts(d) == before);
    } catch (const db::DbError& e) {
        QV_FUZZ_CHECK(rowCounts(d) == before);
    }
    return 0;
}
