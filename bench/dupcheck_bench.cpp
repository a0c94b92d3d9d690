// The duplicate check of a generated customer's file of a million records,
// as fennick runs it: every record cut, keyed and looked up in DupWork.mdb,
// a scripted decision for every pair found (in turn: delete the new record,
// delete the earlier one, leave both), then OUTPUT.CSV. Printed beside
// merely reading, cutting and keying the file, and beside the same look-ups
// in an in-memory hash table.
//
//   dupcheck_bench [records] [folder]   (default 1000000, a new folder in the temp directory)

#include "duplicates/dupcheck.h"
#include "duplicates/keyfields.h"

#include "common/dbbuild/builder.h"
#include "common/text/lines.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

using namespace qv;
using namespace qv::duplicates;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

const char* kForenames[] = {"John", "Ann", "Peter", "Mary", "Simon", "Emma", "Keith", "Sarah", "Tom", "Nicola"};
const char* kSurnames[] = {"Smith", "Jones", "Eccles", "Whitlam", "Jowett", "Greenhalgh", "Dunmore", "Lister"};

// Record i: unique except every tenth, which repeats record i / 2's person
// (name and postcode) in other letter case and spacing.
std::string record(long i) {
    const bool repeat = i % 10 == 9;
    const long who = repeat ? i / 2 : i;
    std::string fore = kForenames[who % 10];
    std::string sur = kSurnames[(who / 10) % 8];
    const std::string post = "Q" + std::to_string(who / 80 % 99 + 1) + " " + std::to_string(who % 9) +
                             static_cast<char>('A' + who / 7 % 26) + static_cast<char>('A' + who / 13 % 26);
    const std::string tag = std::to_string(who / 80 / 99);
    if (repeat) {
        for (char& c : sur) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        fore = " " + fore + " ";
    }
    return "\"" + fore + "\",\"" + sur + tag + "\",\"" + std::to_string(i % 300 + 1) + " High Street\",\"Town" +
           std::to_string(i % 500) + "\",\"" + post + "\"," + std::to_string(i + 1);
}

class ScriptedDecider : public Decider {
public:
    Decision decide(const DuplicatePair&) override {
        static const Decision cycle[] = {Decision::DeleteNew, Decision::DeleteEarlier, Decision::LeaveBoth};
        ++pairs;
        return cycle[pairs % 3];
    }
    long pairs = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    const fs::path folder = argc > 2 ? fs::path(argv[2])
                                     : fs::temp_directory_path() / ("dupcheck_bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ostringstream out, err;
    if (dbbuild::makeDatabases({QV_DATA_DIR, folder, true}, out, err) != 0) {
        std::cerr << err.str();
        return 1;
    }

    const std::string path = (folder / "CUSTOMERS.CSV").string();
    {
        TextWriter w(path, LineEnd::CRLF);
        w.writeLine(R"("Forename","Surname","Address","Town","Postcode","Ref")");
        for (long i = 1; i < records; ++i) w.writeLine(record(i));
        w.close();
    }
    const KeyScan scan = scanKeyFields(path, true);
    if (scan.problem != ScanProblem::None) {
        std::cerr << "cannot scan " << path << "\n";
        return 1;
    }
    // Key: forename, surname and postcode.
    const CheckSetup setup{path, scan.layout, {true, true, false, false, true, false}};

    // Baseline 1: read, cut and key every record, nothing stored.
    auto t0 = Clock::now();
    {
        LineReader in(path);
        std::string line;
        Fields fields;
        std::size_t chars = 0;
        while (in.readLine(line)) {
            splitRecord(line, setup.layout, fields);
            chars += keyParts(BuildKey(fields, setup.selected))[0].size();
        }
        if (chars == 0) std::puts("");
    }
    const double readOnly = secondsSince(t0);

    // Baseline 2: the same look-ups and decisions in a hash table.
    t0 = Clock::now();
    long memoryPairs = 0;
    {
        LineReader in(path);
        std::string line;
        Fields fields;
        std::unordered_map<std::string, long> seen;
        long n = 0;
        while (in.readLine(line)) {
            ++n;
            splitRecord(line, setup.layout, fields);
            auto [it, added] = seen.try_emplace(BuildKey(fields, setup.selected), n);
            if (!added) ++memoryPairs;
        }
    }
    const double inMemory = secondsSince(t0);

    // The run as fennick does it.
    t0 = Clock::now();
    ScriptedDecider decider;
    long kept = 0;
    {
        auto work = DupWork::open();
        work->MakeTables();
        work->openTables();
        const RunEnd end = checkFile(*work, setup, decider);
        if (end != RunEnd::Completed) return 1;
        const double runTime = secondsSince(t0);
        const auto w0 = Clock::now();
        writeOutput(*work, setup.layout.fields, folder / OutputFile);
        const double writeTime = secondsSince(w0);
        work->forEachKept([&](int64_t, const Fields&) { ++kept; });

        std::printf("records %ld, pairs decided %ld (hash table found %ld), kept %ld\n", records, decider.pairs,
                    memoryPairs, kept);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "read, cut and key only (baseline)", readOnly,
                    records / readOnly);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "look-ups in a hash table (baseline)", inMemory,
                    records / inMemory);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "check with DupWork.mdb (seek, store, decide)", runTime,
                    records / runTime);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "OUTPUT.CSV from table CSV", writeTime, kept / writeTime);
    }
    std::error_code ec;
    std::printf("DupWork.mdb %.0f MB\n", static_cast<double>(fs::file_size(folder / "DupWork.mdb", ec)) / 1e6);
    if (argc <= 2) fs::remove_all(folder, ec);
    return 0;
}
