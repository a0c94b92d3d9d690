// Stores a million work-table rows through the database layer, walks them by
// code re-coding a tenth, and walks them by sort key; then does the same work
// with raw SQLite prepared statements in one transaction, and prints both.
// Each phase does the same work on both sides: "store" loads the rows, then
// builds both indexes and commits (the layer builds the indexes of a new
// table after the load; the raw side creates them after its load too), the
// raw side on a connection set up as the layer sets up its own. The raw
// side's indexes use SQLite's own NOCASE collation where the layer has its
// own key collation.
//
//   db_bench [rows]      (run in a scratch folder; it writes bench*.mdb there)

#include "common/jobtables.h"
#include "common/db/database.h"
#include "bench/rawsqlite.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace qv::db;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Fake {
    std::string name, a1, a2, a3, town, county, postcode, ref, mscode;
    double seq;
};

// Deterministic rows: ~2000 distinct selection codes, addresses of plausible length.
Fake fake(int i) {
    unsigned h = unsigned(i) * 2654435761u;
    Fake f;
    f.name = "Mr A Customer " + std::to_string(i);
    f.a1 = std::to_string(h % 300 + 1) + " High Street";
    f.a2 = "Little Wickham";
    f.a3 = "";
    f.town = "NEWTOWN";
    f.county = "Westshire";
    f.postcode = "NT" + std::to_string(h % 90 + 1) + " " + std::to_string(h % 9) + "AB";
    f.ref = "R" + std::to_string(i);
    int code = 10000 + int((h >> 8) % 2000) * 7;
    f.mscode = std::to_string(code);
    f.seq = code;
    return f;
}

struct Times {
    double store, recode, walk;
    long long recoded, walked;
};

Times viaLayer(int rows) {
    Times t{};
    auto start = Clock::now();
    auto db = Database::create("bench-layer.mdb");
    db->createTable(qv::jobtables::mmworkDef());
    auto rs = db->openTable("mmwork");
    int fName = rs->fieldIndex("name"), fA1 = rs->fieldIndex("address1"), fA2 = rs->fieldIndex("address2"),
        fA3 = rs->fieldIndex("address3"), fTown = rs->fieldIndex("town"), fCounty = rs->fieldIndex("county"),
        fPc = rs->fieldIndex("postcode"), fRef = rs->fieldIndex("ref"), fMs = rs->fieldIndex("mscode"),
        fRs = rs->fieldIndex("rscode"), fRg = rs->fieldIndex("rgcode"), fSf = rs->fieldIndex("sflag"),
        fPf = rs->fieldIndex("pcflag"), fSeq = rs->fieldIndex("seq");
    for (int i = 0; i < rows; ++i) {
        Fake f = fake(i);
        rs->addNew();
        rs->set(fName, f.name);
        rs->set(fA1, f.a1);
        rs->set(fA2, f.a2);
        rs->set(fA3, f.a3);
        rs->set(fTown, f.town);
        rs->set(fCounty, f.county);
        rs->set(fPc, f.postcode);
        rs->set(fRef, f.ref);
        rs->set(fMs, f.mscode);
        rs->set(fRs, "");
        rs->set(fRg, 3);
        rs->set(fSf, "N");
        rs->set(fPf, "F");
        rs->set(fSeq, f.seq);
        rs->update();
    }
    db->save();  // the pending indexes built, everything committed
    t.store = secondsSince(start);

    start = Clock::now();
    rs->setIndex("Key1");
    long long n = 0;
    while (!rs->eof()) {
        if (n % 10 == 0) {
            // Re-code to the residue: the row moves behind the walk.
            std::string code = rs->get(fMs).text();
            rs->edit();
            rs->set(fMs, code.substr(0, 3));
            rs->set(fSf, "Y");
            rs->set(fSeq, rs->get(fSeq).toDouble() * 1000);
            rs->update();
            ++t.recoded;
        }
        ++n;
        rs->moveNext();
    }
    db->commit();
    t.recode = secondsSince(start);

    start = Clock::now();
    rs->setIndex("Key2");
    double sum = 0;
    while (!rs->eof()) {
        sum += rs->get(fSeq).toDouble() + double(rs->get(fName).text().size());
        ++t.walked;
        rs->moveNext();
    }
    t.walk = secondsSince(start);
    if (sum < 0) std::puts("");
    return t;
}

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

Times viaRawSqlite(int rows) {
    Times t{};
    auto start = Clock::now();
    sqlite3* db = qv::bench::openLikeTheLayer("bench-raw.mdb", true);
    check(sqlite3_exec(db,
                       "CREATE TABLE mmwork (name TEXT, address1 TEXT, address2 TEXT, address3 TEXT, address4 TEXT,"
                       " town TEXT, county TEXT, postcode TEXT, ref TEXT, mscode TEXT, rscode TEXT, rgcode INTEGER,"
                       " sflag TEXT, pcflag TEXT, seq REAL);",
                       nullptr, nullptr, nullptr),
          db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO mmwork VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr), db);
    for (int i = 0; i < rows; ++i) {
        Fake f = fake(i);
        int k = 1;
        for (auto* s : {&f.name, &f.a1, &f.a2, &f.a3}) sqlite3_bind_text(ins, k++, s->c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_null(ins, k++);
        for (auto* s : {&f.town, &f.county, &f.postcode, &f.ref, &f.mscode})
            sqlite3_bind_text(ins, k++, s->c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(ins, k++, "", 0, SQLITE_STATIC);
        sqlite3_bind_int(ins, k++, 3);
        sqlite3_bind_text(ins, k++, "N", 1, SQLITE_STATIC);
        sqlite3_bind_text(ins, k++, "F", 1, SQLITE_STATIC);
        sqlite3_bind_double(ins, k++, f.seq);
        check(sqlite3_step(ins), db);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    check(sqlite3_exec(db, "CREATE INDEX k1 ON mmwork(mscode COLLATE NOCASE); CREATE INDEX k2 ON mmwork(seq);",
                       nullptr, nullptr, nullptr),
          db);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    t.store = secondsSince(start);

    start = Clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *walk = nullptr, *upd = nullptr;
    check(sqlite3_prepare_v2(db, "SELECT rowid, * FROM mmwork ORDER BY mscode COLLATE NOCASE, rowid", -1, &walk, nullptr), db);
    check(sqlite3_prepare_v2(db, "UPDATE mmwork SET mscode=?, sflag='Y', seq=? WHERE rowid=?", -1, &upd, nullptr), db);
    long long n = 0;
    // Collect the rows to re-code first: updating the index under a running
    // statement has no defined order in raw SQLite.
    std::vector<std::pair<long long, std::pair<std::string, double>>> todo;
    while (sqlite3_step(walk) == SQLITE_ROW) {
        std::string name(reinterpret_cast<const char*>(sqlite3_column_text(walk, 1)));
        if (n % 10 == 0)
            todo.push_back({sqlite3_column_int64(walk, 0),
                            {reinterpret_cast<const char*>(sqlite3_column_text(walk, 10)), sqlite3_column_double(walk, 15)}});
        ++n;
    }
    sqlite3_finalize(walk);
    for (auto& [id, v] : todo) {
        sqlite3_bind_text(upd, 1, v.first.substr(0, 3).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(upd, 2, v.second * 1000);
        sqlite3_bind_int64(upd, 3, id);
        check(sqlite3_step(upd), db);
        sqlite3_reset(upd);
        ++t.recoded;
    }
    sqlite3_finalize(upd);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    t.recode = secondsSince(start);

    start = Clock::now();
    check(sqlite3_prepare_v2(db, "SELECT rowid, * FROM mmwork ORDER BY seq, rowid", -1, &walk, nullptr), db);
    double sum = 0;
    while (sqlite3_step(walk) == SQLITE_ROW) {
        std::string name(reinterpret_cast<const char*>(sqlite3_column_text(walk, 1)));
        sum += sqlite3_column_double(walk, 15) + double(name.size());
        ++t.walked;
    }
    sqlite3_finalize(walk);
    sqlite3_close(db);
    t.walk = secondsSince(start);
    if (sum < 0) std::puts("");
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    for (const char* f : {"bench-layer.mdb", "bench-raw.mdb", "bench-layer.mdb.lock", "bench-raw.mdb-wal", "bench-raw.mdb-shm"}) fs::remove(f);
    Times raw = viaRawSqlite(rows);
    Times layer = viaLayer(rows);
    std::printf("%d rows                     layer      raw sqlite   layer/raw\n", rows);
    auto line = [](const char* what, double a, double b) { std::printf("%-27s %7.2f s  %7.2f s   %5.2fx\n", what, a, b, a / b); };
    line("store, index, commit", layer.store, raw.store);
    line("walk Key1, recode", layer.recode, raw.recode);
    line("walk Key2", layer.walk, raw.walk);
    line("total", layer.store + layer.recode + layer.walk, raw.store + raw.recode + raw.walk);
    std::printf("recoded %lld / %lld, walked %lld / %lld\n", layer.recoded, raw.recoded, layer.walked, raw.walked);
    for (const char* f : {"bench-layer.mdb", "bench-raw.mdb", "bench-layer.mdb.lock", "bench-raw.mdb-wal", "bench-raw.mdb-shm"}) fs::remove(f);
    return 0;
}
