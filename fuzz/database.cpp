// A database file of fuzzed bytes, opened as the programs open theirs and
// every table read: its definition, then every row in storage order and in
// the order of each index, forward and back. A refusal or failure of the
// database layer (DbError) is the expected answer to a damaged file;
// anything else is a finding.
#include "fuzz/fuzzkit.h"

#include "common/db/database.h"

#include <unistd.h>

namespace {

using namespace qv::db;

constexpr const char* kName = "fuzz.mdb";
constexpr int kMostRows = 2000;  // enough to cross a few pages and windows

void readRows(Recordset& rs) {
    const int fields = rs.fieldCount();
    (void)rs.recordCount();
    if (rs.bof() && rs.eof()) return;
    rs.moveFirst();
    for (int n = 0; n < kMostRows && !rs.eof(); ++n) {
        for (int f = 0; f < fields; ++f) (void)rs.get(f).toString();
        rs.moveNext();
    }
    rs.moveLast();
    for (int n = 0; n < kMostRows && !rs.bof(); ++n) {
        for (int f = 0; f < fields; ++f) (void)rs.get(f);
        rs.movePrevious();
    }
}

void readTable(Database& db, const std::string& name) {
    const TableDef def = db.tableDef(name);
    auto rs = db.openTable(name);
    QV_FUZZ_CHECK(rs->fieldCount() == int(def.fields.size()));
    readRows(*rs);
    for (const IndexDef& ix : def.indexes) {
        rs->setIndex(ix.name);
        readRows(*rs);
    }
}

std::string path() { return (qv::fuzz::scratch() / kName).string(); }

void removeFiles() {
    for (const char* suffix : {"", "-wal", "-shm", "-journal", ".lock"}) ::unlink((path() + suffix).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)qv::fuzz::scratch();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    removeFiles();
    qv::fuzz::writeFile(kName, qv::fuzz::bytes(data, size));
    try {
        auto db = Database::open(path(), OpenMode::Shared);
        for (const std::string& name : db->tableNames()) {
            try {
                readTable(*db, name);
            } catch (const DbError&) {
                // One damaged table: the others are still read.
            }
        }
        db->close();
    } catch (const DbError&) {
    }
    removeFiles();
    return 0;
}
