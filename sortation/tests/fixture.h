// A fresh delivered database in a temporary folder that the test works in,
// with helpers to lay out small reference tables, a job's mmwork and its
// keys, and to read back what the sortation left.
#pragma once

#include "common/db/database.h"
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "common/testing/parmkeys.h"
#include "common/testing/scratch.h"
#include "common/text/dates.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace qv::sortation::fixture {

namespace fs = std::filesystem;

// One address of mmwork; fields left as they are default as the import
// leaves them (sflag "N", rscode empty, pcflag "F").
struct Address {
    std::string mscode;
    double seq = 0;
    db::Value rgcode = 0;
    std::string rscode;
    std::string pcflag = "F";
    std::string name = "A Customer";
    std::string sflag = "N";
    std::vector<std::string> lines;  // address1.. address4, town, county, postcode
};

// Rows of a table as name -> value, in an order.
using Row = std::map<std::string, db::Value>;

class SortFolder : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testkit::ScratchFolder>();
        dir_ = scratch_->dir();
        setTodayOverride(Date{2026, 12, 10});
        // A plain Mailsort 1 letter job: 25 a selection, 10 items a bag, 5 a bundle.
        setParm({{"Service", "M1"}, {"Mailsort120", "N"}, {"Selection", "25"}, {"Format", "LE"},
                 {"Weight", "10"}, {"BagMax", "100"}, {"BundleMax", "5"}, {"ResOnly", "N"}, {"Geog", "N"},
                 {"Postcode", ""}, {"Printer", "L"}, {"BagLab", "N"}, {"BundleLab", "N"},
                 {"Company Name", "Brackwith Mailing"}, {"JobRef", "JOB 7"}, {"RunAlone", "N"}});
    }
    void TearDown() override {
        setTodayOverride(std::nullopt);
        scratch_.reset();
    }

    std::unique_ptr<db::Database> open() { return db::Database::open("mailsort.mdb"); }

    void setParm(const std::map<std::string, db::Value>& values) { testkit::setParmKeys(values); }
    std::string parmText(const std::string& k) { return testkit::parmKeyText(k); }

    void addRows(const std::string& table, const std::vector<Row>& rows) {
        auto db = open();
        auto rs = db->openTable(table);
        for (const Row& r : rows) {
            rs->addNew();
            for (const auto& [k, v] : r) rs->set(k, v);
            rs->update();
        }
    }
    void addLabels(const std::vector<std::pair<std::string, std::string>>& labels) {
        std::vector<Row> rows;
        for (const auto& [code, text] : labels) rows.push_back({{"mdselc", code}, {"mdlab", text}});
        addRows("label", rows);
    }
    void addRegions(const std::vector<std::pair<std::string, int>>& regions) {
        std::vector<Row> rows;
        for (const auto& [res, reg] : regions) rows.push_back({{"mdres", res}, {"mdreg", reg}});
        addRows("region", rows);
    }

    // A new mmwork holding the addresses in this storage order.
    void makeMmwork(const std::vector<Address>& addresses) {
        auto db = open();
        jobtables::dropIfThere(*db, jobtables::Mmwork);
        db->createTable(jobtables::mmworkDef());
        auto rs = db->openTable(jobtables::Mmwork);
        const char* lineFields[] = {"address1", "address2", "address3", "address4", "town", "county", "postcode"};
        for (const Address& a : addresses) {
            rs->addNew();
            rs->set("name", a.name);
            for (std::size_t i = 0; i < a.lines.size() && i < 7; ++i) rs->set(lineFields[i], a.lines[i]);
            rs->set("mscode", a.mscode);
            rs->set("rscode", a.rscode);
            rs->set("rgcode", a.rgcode);
            rs->set("sflag", a.sflag);
            rs->set("pcflag", a.pcflag);
            rs->set("seq", a.seq);
            rs->update();
        }
    }
    // n addresses of one code, keyed as the coding keys them.
    static std::vector<Address> group(const std::string& code, int n, const std::string& rscode = "") {
        Address a;
        a.mscode = code;
        a.rscode = rscode;
        a.seq = code == "1" ? 0 : std::stod(code) * (rscode.empty() ? 1 : 1000);
        if (code == "1") a.pcflag = "";
        return std::vector<Address>(std::size_t(n), a);
    }
    static std::vector<Address> join(std::initializer_list<std::vector<Address>> parts) {
        std::vector<Address> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }

    // Every row of a table, in storage order or by an index.
    std::vector<Row> rows(const std::string& table, const std::string& index = "") {
        auto db = open();
        auto rs = db->openTable(table);
        if (!index.empty()) rs->setIndex(index);
        const auto def = db->tableDef(table);
        std::vector<Row> out;
        if (rs->recordCount() == 0) return out;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            Row r;
            for (const auto& f : def.fields) r[f.name] = rs->get(f.name);
            out.push_back(std::move(r));
        }
        return out;
    }
    // One field of every row.
    std::vector<std::string> column(const std::string& table, const std::string& field, const std::string& index = "") {
        std::vector<std::string> out;
        for (const Row& r : rows(table, index)) out.push_back(r.at(field).toString());
        return out;
    }

    std::string fileBytes(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool fileExists(const std::string& name) { return fs::exists(dir_ / name); }
    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream out(dir_ / name, std::ios::binary);
        out << bytes;
    }

    std::unique_ptr<testkit::ScratchFolder> scratch_;
    fs::path dir_;
};

}  // namespace qv::sortation::fixture
