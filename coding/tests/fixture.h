// A fresh delivered database in a temporary folder that the test works in,
// with small reference tables and a layout row to import by.
#pragma once

#include "coding/splitters.h"
#include "common/db/database.h"
#include "common/testing/parmkeys.h"
#include "common/testing/scratch.h"
#include "common/parm/parmrecord.h"
#include "common/text/chars.h"
#include "common/text/dates.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qv::coding::fixture {

namespace fs = std::filesystem;

class DatabaseFolder : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testkit::ScratchFolder>();
        dir_ = scratch_->dir();
        setTodayOverride(Date{2026, 12, 10});
    }
    void TearDown() override {
        setTodayOverride(std::nullopt);
        scratch_.reset();
    }

    std::unique_ptr<db::Database> open() { return db::Database::open("mailsort.mdb"); }

    void addPcode(const std::vector<std::tuple<std::string, std::string, int>>& rows) {
        auto db = open();
        auto rs = db->openTable("pcode");
        for (const auto& [key, sel, reg] : rows) {
            rs->addNew();
            rs->set("mpcode", key);
            rs->set("mdsel", sel);
            rs->set("rreg", reg);
            rs->update();
        }
    }
    void addPlaces(const std::vector<std::tuple<std::string, std::string, int>>& rows) {
        auto db = open();
        auto rs = db->openTable("cntytown");
        for (const auto& [name, res, reg] : rows) {
            rs->addNew();
            rs->set("mname", name);
            rs->set("mdres", res);
            rs->set("rreg", reg);
            rs->update();
        }
    }

    // Sets parmcode keys.
    void setParm(const std::map<std::string, db::Value>& values) { testkit::setParmKeys(values); }
    std::string parmText(const std::string& k) { return testkit::parmKeyText(k); }

    // Replaces every layout row by one for `file`, and names it in MailFile.
    // Parts not given are 0; for a delimited layout the lengths are the same
    // numbers as the starts.
    void setLayout(const std::string& file, const std::string& type, const std::string& skipFirst,
                   const std::map<int, std::pair<int, int>>& parts) {
        {
            auto db = open();
            auto rs = db->openTable("data");
            rs->moveFirst();
            while (!rs->eof()) {
                rs->deleteCurrent();
                rs->moveNext();
            }
            rs->addNew();
            rs->set("file", file);
            rs->set("type", type);
            rs->set("SkipFirst", skipFirst);
            for (int p = 0; p < PartCount; ++p) {
                auto it = parts.find(p);
                rs->set(qv::layout::fromField(p), it == parts.end() ? 0 : it->second.first);
                rs->set(qv::layout::lengthField(p), it == parts.end() ? 0 : it->second.second);
            }
            rs->update();
        }
        setParm({{parm::key::MailFile, file}});
    }

    std::string writeFile(const std::string& name, const std::vector<std::string>& lines, const char* eol = "\r\n") {
        std::ofstream out(dir_ / name, std::ios::binary);
        for (const auto& l : lines) out << l << eol;
        return (dir_ / name).string();
    }

    struct Row {
        std::map<std::string, db::Value> v;
        std::string text(const std::string& f) const { return v.at(f).toString(); }
        const db::Value& operator[](const std::string& f) const { return v.at(f); }
    };
    // mmwork in storage order.
    std::vector<Row> mmwork() {
        auto db = open();
        auto rs = db->openTable("mmwork");
        std::vector<Row> rows;
        const auto def = db->tableDef("mmwork");
        if (rs->recordCount() == 0) return rows;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            Row r;
            for (const auto& f : def.fields) r.v[f.name] = rs->get(f.name);
            rows.push_back(std::move(r));
        }
        return rows;
    }

    std::unique_ptr<testkit::ScratchFolder> scratch_;
    fs::path dir_;
};

}  // namespace qv::coding::fixture
