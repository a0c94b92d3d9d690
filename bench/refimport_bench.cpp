// Loads a generated national set of Post Office files (both forms) into a
// fresh delivered database, twice each (the second load replaces a full set,
// as a new edition does), and compacts it; prints the times.
//
//   refimport_bench [sectors] [folder]     (folder: a scratch folder, default under /tmp)

#include "common/dbbuild/builder.h"
#include "common/db/database.h"
#include "common/text/lines.h"
#include "common/db/compaction.h"
#include "refimport/pofiles.h"
#include "refimport/pogen.h"
#include "refimport/refload.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;
using namespace qv::refimport;

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Reading and splitting the files alone, without the database.
double parseOnly(const fs::path& folder, FileForm form) {
    auto t = Clock::now();
    std::size_t fields = 0;
    for (PoFile f : kLoadOrder) {
        qv::LineReader r(poFilePath(folder, f));
        for (std::string line; r.readLine(line);) {
            if (form == FileForm::Comma) fields += splitup(line).field[1].size();
            else fields += fixedSector(line).outward.size();
        }
    }
    double ms = msSince(t);
    if (fields == 0) std::printf("(no fields)\n");
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int sectors = argc > 1 ? std::atoi(argv[1]) : qv::pogen::kNationalSectors;
    const fs::path dir = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / ("refimport-bench-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    auto freshDatabase = [&] {
        std::ostringstream out, err;
        if (qv::dbbuild::makeDatabases({QV_DATA_DIR, dir, true}, out, err) == 0) return true;
        std::fprintf(stderr, "%s", err.str().c_str());
        return false;
    };
    const auto data = qv::pogen::generate({.seed = 1, .sectors = sectors});
    qv::pogen::writeFiles(data, qv::pogen::Form::Comma, dir / "comma");
    qv::pogen::writeFiles(data, qv::pogen::Form::Fixed, dir / "fixed");
    std::printf("%zu sectors, %zu selections, %zu places\n", data.sectors.size(), data.selections.size(),
                data.places.size());

    for (auto [name, form] : {std::pair{"comma", FileForm::Comma}, std::pair{"fixed", FileForm::Fixed}}) {
        const double parse = parseOnly(dir / name, form);
        if (!freshDatabase()) return 1;
        for (const char* pass : {"into empty tables", "replacing a full set"}) {
            auto t = Clock::now();
            auto db = qv::db::Database::open("mailsort.mdb");
            loadReferenceData(*db, form, dir / name);
            db->close();
            const double load = msSince(t);
            std::printf("%-5s %-21s load %7.1f ms (reading the files alone %5.1f ms)\n", name, pass, load, parse);
        }
    }
    auto t = Clock::now();
    const bool compacted = qv::db::compactThroughBackup().compacted;
    std::printf("compaction %7.1f ms%s\n", msSince(t), compacted ? "" : " (not compacted)");
    fs::current_path("/");
    fs::remove_all(dir);
    return 0;
}
