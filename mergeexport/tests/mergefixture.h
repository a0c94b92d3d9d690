// A fresh delivered database in a temporary folder the test works in, and a
// small coded job in mmwork.
#pragma once

#include "common/db/database.h"
#include "common/testing/damage.h"
#include "common/testing/scratch.h"
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qv::mergeexport::fixture {

namespace fs = std::filesystem;

struct Address {
    db::Value name, address1, address2, address3, town, county, postcode, ref, mscode;
    double seq;
};

class JobFolder : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testkit::ScratchFolder>();
        dir_ = scratch_->dir();
        const fs::path db = dir_ / "mailsort.mdb";
        if (fs::exists(db)) freshPages_ = testkit::pageCountOf(db);
    }
    void TearDown() override { scratch_.reset(); }

    // The job's rows, sorted: bags holds a row, as the sortation leaves it.
    void makeJob(const std::vector<Address>& rows) {
        auto db = db::Database::open("mailsort.mdb");
        jobtables::makeSort(*db, jobtables::sortKeyValues(parm::ParmRecord(*db)));
        {
            auto bags = db->openTable(jobtables::Bags);
            bags->addNew();
            bags->set(jobtables::bagfield::BagNumber, 1);
            bags->set(jobtables::bagfield::LabelNumber, double(rows.size()));
            bags->update();
        }
        jobtables::dropIfThere(*db, jobtables::Mmwork);
        db->createTable(jobtables::mmworkDef());
        auto rs = db->openTable(jobtables::Mmwork);
        for (const Address& a : rows) {
            rs->addNew();
            rs->set("name", a.name);
            rs->set("address1", a.address1);
            rs->set("address2", a.address2);
            rs->set("address3", a.address3);
            rs->set("address4", "not written");
            rs->set("town", a.town);
            rs->set("county", a.county);
            rs->set("postcode", a.postcode);
            rs->set("ref", a.ref);
            rs->set("mscode", a.mscode);
            rs->set("rscode", "R1");
            rs->set("sflag", "Y");
            rs->set("pcflag", "F");
            rs->set("seq", a.seq);
            rs->update();
        }
        db->close();
    }

    // n plain rows, seq 1..n
    void makeJobOf(int n) {
        std::vector<Address> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({"Name " + std::to_string(i), "1 Road", "", "", "Town", "County", "QA1 1AA",
                            "R" + std::to_string(i), "12345", double(i)});
        makeJob(rows);
    }

    // The merge file's unfinished copies left in the folder.
    std::vector<std::string> temporaries() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(".DOVODEDOD.DAT", 0) == 0) out.push_back(name);
        }
        return out;
    }

    // Zeroes the middle half of the pages that the job added to mailsort.mdb
    // (its rows and indexes), as a damaged disk would.
    void damageMmwork() { testkit::zeroPagesAfter(dir_ / "mailsort.mdb", freshPages_); }

    static std::string readFile(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::unique_ptr<testkit::ScratchFolder> scratch_;
    fs::path dir_;
    std::uint64_t freshPages_ = 0;  // pages of the delivered mailsort.mdb
};

}  // namespace qv::mergeexport::fixture
