// Writes the database target's seed (corpus/database/layer.mdb) into the
// current folder: a small file as the database layer writes one, with a
// field of every type, a primary, a unique and a plain index, Nulls, texts
// of several scripts, and a table whose index is still waiting to be built.
//   build-fuzz/fuzz/make_database_seed && mv layer.mdb fuzz/corpus/database/
#include "common/db/database.h"

#include <sqlite3.h>

#include <iostream>

using namespace qv::db;

int main() {
    try {
        auto db = Database::create("layer.mdb");
        TableDef t{"job",
                   {{"code", FieldType::Text, 8, false},
                    {"name", FieldType::Text, 45},
                    {"path", FieldType::Text, 255, true, true},
                    {"b", FieldType::Byte},
                    {"i", FieldType::Integer},
                    {"l", FieldType::Long},
                    {"s", FieldType::Single},
                    {"d", FieldType::Double},
                    {"c", FieldType::Currency},
                    {"m", FieldType::Memo}},
                   {{"PrimaryKey", {"code"}, true, true}, {"ByName", {"name", "l"}, true}, {"ByB", {"b"}}}};
        db->createTable(t);
        db->buildIndexes();
        auto rs = db->openTable("job");
        const char* names[] = {"Zoë Ärmel", "łódź", "ΑΘΗΝΑ", "Smith  ", "smith", ""};
        for (int n = 0; n < 6; ++n) {
            rs->addNew();
            rs->set("code", "C" + std::to_string(n));
            rs->set("name", names[n]);
            rs->set("path", n % 2 ? Value("CUST.CSV") : Value());
            rs->set("b", n * 40);
            rs->set("i", -300 * n);
            rs->set("l", 70000 * n);
            rs->set("s", 1.5 * n);
            rs->set("d", n ? 1.0 / n : 0.0);
            rs->set("c", 12.3456 * n);
            rs->set("m", std::string(size_t(n) * 30, char('a' + n)));
            rs->update();
        }
        rs.reset();
        db->createTable({"later", {{"RecNum", FieldType::Double}, {"Key", FieldType::Text, 250}}, {{"Key1", {"Key"}}}});
        auto later = db->openTable("later");
        for (int n = 0; n < 3; ++n) {
            later->addNew();
            later->set("RecNum", n);
            later->set("Key", "K" + std::to_string(3 - n));
            later->update();
        }
        later.reset();
        db->commit();
        // Closing would build the waiting index: the file keeps it waiting,
        // with the log folded back into it.
        if (sqlite3_exec(db->handle(), "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::cerr << sqlite3_errmsg(db->handle()) << "\n";
            return 1;
        }
        std::cout << "wrote layer.mdb\n";
        std::_Exit(0);
    } catch (const DbError& e) {
        std::cerr << e.number() << " " << e.what() << "\n";
        return 1;
    }
}
