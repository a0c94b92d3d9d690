// The duplicate check of a generated customer's file of a million records,
// as fennick runs it: every record cut, keyed and looked up in DupWork.mdb,
// a scripted decision for every pair found (in turn: delete the new record,
// delete the earlier one, leave both), then OUTPUT.CSV. Printed beside
// merely reading, cutting and keying the file, and beside the baseline: the
// same look-ups, decisions and stores in raw SQLite.
//
//   dupcheck_bench [records] [folder]   (default 1000000, a new folder in the temp directory)

#include "bench/rawsqlite.h"
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

// The baseline: the run's work in raw SQLite on a connection set up as the
// layer's, in tables shaped as DupWork.mdb's (the key parts compare with
// SQLite's NOCASE where the layer has its own key collation). For every
// record one indexed seek of its key; for a pair the earlier record's
// fields read and the same scripted decision; for every kept record one
// insert into each table (and for "delete the earlier one" its two
// deletes), committed every half second while the run writes, as the layer
// groups its writes.
struct RawRun {
    long pairs = 0, kept = 0;
};

RawRun rawCheck(const CheckSetup& setup, const std::string& file) {
    for (const std::string& f : {file, file + "-wal", file + "-shm"}) fs::remove(f);
    sqlite3* h = bench::openLikeTheLayer(file, true);
    std::string ddl = "CREATE TABLE work (RecNum REAL";
    for (int i = 1; i <= 4; ++i) ddl += ", Field" + std::to_string(i) + " TEXT COLLATE NOCASE";
    ddl += "); CREATE INDEX work_key ON work (Field1, Field2, Field3, Field4); CREATE TABLE CSV (RecNum REAL";
    for (int i = 1; i <= FieldSlots; ++i) ddl += ", Field" + std::to_string(i) + " TEXT";
    ddl += ", More TEXT); CREATE INDEX csv_key ON CSV (RecNum);";
    bench::checkSqlite(sqlite3_exec(h, ddl.c_str(), nullptr, nullptr, nullptr), h);

    const auto prepare = [h](const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        bench::checkSqlite(sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr), h);
        return st;
    };
    sqlite3_stmt* seek = prepare("SELECT rowid, RecNum FROM work WHERE Field1 = ?1 AND Field2 = ?2 AND Field3 = ?3"
                                 " AND Field4 = ?4 LIMIT 1");
    std::string fieldsOf = "SELECT rowid";
    std::string addCsv = "INSERT INTO CSV VALUES (?1";
    for (int i = 1; i <= FieldSlots; ++i) {
        fieldsOf += ", Field" + std::to_string(i);
        addCsv += ", ?" + std::to_string(i + 1);
    }
    sqlite3_stmt* earlierFields = prepare(fieldsOf + " FROM CSV WHERE RecNum = ?1 LIMIT 1");
    sqlite3_stmt* addWork = prepare("INSERT INTO work VALUES (?1, ?2, ?3, ?4, ?5)");
    sqlite3_stmt* add = prepare(addCsv + ", NULL)");  // the file has fewer fields than the slots: More stays Null
    sqlite3_stmt* dropWork = prepare("DELETE FROM work WHERE rowid = ?1");
    sqlite3_stmt* dropCsv = prepare("DELETE FROM CSV WHERE rowid = ?1");
    const auto run = [h](sqlite3_stmt* st) {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
        bench::checkSqlite(rc, h);
        sqlite3_reset(st);
    };

    bool inWrite = false;
    auto writeStart = Clock::now();
    const auto beginWrite = [&] {
        if (inWrite) return;
        bench::checkSqlite(sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), h);
        inWrite = true;
        writeStart = Clock::now();
    };
    const auto afterWrite = [&] {
        if (secondsSince(writeStart) < 0.5) return;
        bench::checkSqlite(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h);
        inWrite = false;
    };
    const auto store = [&](int64_t recNum, const KeyParts& parts, const Fields& fields) {
        beginWrite();
        sqlite3_bind_double(addWork, 1, double(recNum));
        for (int i = 0; i < 4; ++i)
            sqlite3_bind_text(addWork, i + 2, parts[std::size_t(i)].data(), int(parts[std::size_t(i)].size()),
                              SQLITE_STATIC);
        run(addWork);
        sqlite3_bind_double(add, 1, double(recNum));
        for (int i = 1; i <= FieldSlots; ++i) {
            if (std::size_t(i) <= fields.size())
                sqlite3_bind_text(add, i + 1, fields[std::size_t(i - 1)].data(), int(fields[std::size_t(i - 1)].size()),
                                  SQLITE_STATIC);
            else sqlite3_bind_null(add, i + 1);
        }
        run(add);
        afterWrite();
    };

    ScriptedDecider decider;
    LineReader in(setup.path);
    std::string line;
    Fields fields, earlier;
    for (int64_t recNum = 1; in.readLine(line); ++recNum) {
        splitRecord(line, setup.layout, fields);
        const KeyParts parts = keyParts(BuildKey(fields, setup.selected));
        for (int i = 0; i < 4; ++i)
            sqlite3_bind_text(seek, i + 1, parts[std::size_t(i)].data(), int(parts[std::size_t(i)].size()),
                              SQLITE_STATIC);
        int rc = sqlite3_step(seek);
        bench::checkSqlite(rc, h);
        if (rc != SQLITE_ROW) {
            sqlite3_reset(seek);
            store(recNum, parts, fields);
            continue;
        }
        const int64_t workRow = sqlite3_column_int64(seek, 0);
        const double earlierNumber = sqlite3_column_double(seek, 1);
        sqlite3_reset(seek);
        sqlite3_bind_double(earlierFields, 1, earlierNumber);
        bench::checkSqlite(rc = sqlite3_step(earlierFields), h);
        if (rc != SQLITE_ROW) throw std::runtime_error("the kept record has no fields");
        const int64_t csvRow = sqlite3_column_int64(earlierFields, 0);
        earlier.clear();
        for (int i = 1; i <= FieldSlots; ++i)
            if (const auto* t = sqlite3_column_text(earlierFields, i))
                earlier.emplace_back(reinterpret_cast<const char*>(t), std::size_t(sqlite3_column_bytes(earlierFields, i)));
        sqlite3_reset(earlierFields);
        const DuplicatePair pair{recNum, int64_t(earlierNumber), NewText(fields), NewText(earlier)};
        switch (decider.decide(pair)) {
        case Decision::LeaveBoth: store(recNum, parts, fields); break;
        case Decision::DeleteEarlier:
            beginWrite();
            sqlite3_bind_int64(dropCsv, 1, csvRow);
            run(dropCsv);
            sqlite3_bind_int64(dropWork, 1, workRow);
            run(dropWork);
            store(recNum, parts, fields);
            break;
        case Decision::DeleteNew: break;
        }
    }
    for (sqlite3_stmt* st : {seek, earlierFields, addWork, add, dropWork, dropCsv}) sqlite3_finalize(st);
    if (inWrite) bench::checkSqlite(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h);
    RawRun r{decider.pairs, 0};
    sqlite3_stmt* count = prepare("SELECT count(*) FROM CSV");
    if (sqlite3_step(count) == SQLITE_ROW) r.kept = long(sqlite3_column_int64(count, 0));
    sqlite3_finalize(count);
    sqlite3_close(h);
    for (const std::string& f : {file, file + "-wal", file + "-shm"}) fs::remove(f);
    return r;
}

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

    // Baseline 2: the same look-ups, decisions and stores in raw SQLite.
    t0 = Clock::now();
    const RawRun rawRun = rawCheck(setup, (folder / "raw-baseline.mdb").string());
    const double raw = secondsSince(t0);

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

        std::printf("records %ld, pairs decided %ld, kept %ld (raw SQLite: %ld pairs, %ld kept)\n", records,
                    decider.pairs, kept, rawRun.pairs, rawRun.kept);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "read, cut and key only (baseline)", readOnly,
                    records / readOnly);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "raw SQLite seek, store, decide (baseline)", raw,
                    records / raw);
        std::printf("%-44s %8.2f s %10.0f records/s  %.2fx the baseline\n",
                    "check with DupWork.mdb (seek, store, decide)", runTime, records / runTime, runTime / raw);
        std::printf("%-44s %8.2f s %10.0f records/s\n", "OUTPUT.CSV from table CSV", writeTime, kept / writeTime);
    }
    std::error_code ec;
    std::printf("DupWork.mdb %.0f MB\n", static_cast<double>(fs::file_size(folder / "DupWork.mdb", ec)) / 1e6);
    if (argc <= 2) fs::remove_all(folder, ec);
    return 0;
}
