#include "tariff_fixture.h"

#include "common/tariff/tariff.h"

namespace qv::console::testing {

void TariffTest::setPrice(const std::string& code, std::initializer_list<std::pair<const char*, db::Value>> fields) {
    auto db = db::Database::open("mailsort.mdb");
    auto rs = tariff::findPriceRow(*db, code);
    ASSERT_TRUE(rs) << code;
    rs->edit();
    for (const auto& [name, v] : fields) rs->set(name, v);
    rs->update();
    rs.reset();
    db->close();
}

void TariffTest::setStandard(std::initializer_list<std::pair<const char*, db::Value>> fields) {
    auto db = db::Database::open("mailsort.mdb");
    auto rs = tariff::firstStandardRow(*db);
    ASSERT_TRUE(rs);
    rs->edit();
    for (const auto& [name, v] : fields) rs->set(name, v);
    rs->update();
    rs.reset();
    db->close();
}

void TariffTest::setBreak(std::initializer_list<std::tuple<int, int, int>> rows) {
    emptyTable("Break");
    auto db = db::Database::open("mailsort.mdb");
    auto rs = db->openTable("Break");
    for (const auto& [addres, let, pk] : rows) {
        rs->addNew();
        rs->set("Addres", addres);
        rs->set("LetPtg", let);
        rs->set("PkPtg", pk);
        rs->update();
    }
    rs.reset();
    db->close();
}

void TariffTest::emptyTable(const char* table) {
    auto db = db::Database::open("mailsort.mdb");
    auto rs = db->openTable(table);
    rs->moveFirst();
    while (!rs->eof()) {
        rs->deleteCurrent();
        rs->moveNext();
    }
    rs.reset();
    db->close();
}

db::Value TariffTest::priceField(const std::string& code, const char* field) {
    auto db = db::Database::open("mailsort.mdb");
    auto rs = tariff::findPriceRow(*db, code);
    return rs ? rs->get(field) : db::Value();
}

db::Value TariffTest::standardField(const char* field) {
    auto db = db::Database::open("mailsort.mdb");
    auto rs = tariff::firstStandardRow(*db);
    return rs ? rs->get(field) : db::Value();
}

}  // namespace qv::console::testing
