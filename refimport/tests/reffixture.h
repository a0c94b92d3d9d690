// A fresh delivered database in a temporary folder that is the current
// folder for the test, with helpers to write Post Office files and read the
// reference tables back.
#pragma once

#include "common/db/database.h"
#include "common/testing/scratch.h"
#include "common/text/chars.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

namespace qv::refimport::testing {

namespace fs = std::filesystem;

using Rows = std::vector<std::vector<std::string>>;

class RefFolder : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testkit::ScratchFolder>();
        dir_ = scratch_->dir();
        fs::create_directories(dir_ / "po");
    }
    void TearDown() override { scratch_.reset(); }

    // Writes lines with CRLF ends (as the files come) into po/ or another folder.
    void write(const std::string& name, const std::vector<std::string>& lines, const fs::path& folder = "po") {
        std::ofstream f(dir_ / folder / name, std::ios::binary);
        for (const auto& l : lines) f << l << "\r\n";
    }
    void writeRaw(const std::string& name, const std::string& bytes, const fs::path& folder = "po") {
        std::ofstream f(dir_ / folder / name, std::ios::binary);
        f << bytes;
    }
    fs::path po() const { return dir_ / "po"; }

    // Every row of a table in key order, each value as text (Null as "<null>");
    // with trimmed, trailing blanks dropped.
    static Rows rows(db::Database& db, const std::string& table, bool trimmed = false) {
        auto rs = db.openTable(table);
        rs->setIndex("PrimaryKey");
        Rows out;
        if (rs->bof() && rs->eof()) return out;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            std::vector<std::string> row;
            for (int i = 0; i < rs->fieldCount(); ++i) {
                db::Value v = rs->get(i);
                std::string s = v.isNull() ? "<null>" : v.toString();
                row.push_back(trimmed ? qv::rtrim(s) : s);
            }
            out.push_back(row);
        }
        return out;
    }
    Rows rows(const std::string& table, bool trimmed = false) {
        auto db = db::Database::open("mailsort.mdb");
        return rows(*db, table, trimmed);
    }

    // Puts one row of old reference data into every table.
    void seedOldData() {
        auto db = db::Database::open("mailsort.mdb");
        auto add = [&](const char* table, std::initializer_list<db::Value> values) {
            auto rs = db->openTable(table);
            rs->addNew();
            int i = 0;
            for (const auto& v : values) rs->set(i++, v);
            rs->update();
        };
        add("region", {"OLD", 3});
        add("pcode", {"OL1 1", "OLD01", 3});
        add("label", {"OLD01", "OLD SELECTION"});
        add("sequence", {"OLD", "03020100000000000000000000000000"});
        add("cntytown", {"OLDTOWN", "OLD", 3});
    }
    std::vector<Rows> allTables() {
        std::vector<Rows> out;
        for (const char* t : {"region", "pcode", "label", "sequence", "cntytown"}) out.push_back(rows(t));
        return out;
    }

    std::unique_ptr<testkit::ScratchFolder> scratch_;
    fs::path dir_;
};

}  // namespace qv::refimport::testing
