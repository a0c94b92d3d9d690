// A fresh delivered database in a temporary folder, with a small sorted job
// in mmwork and bags numbered as the sortation numbers them.
#pragma once

#include "common/db/database.h"
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "common/testing/damage.h"
#include "common/testing/parmkeys.h"
#include "common/testing/scratch.h"
#include "labels/labelrun.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace qv::labels::fixture {

namespace fs = std::filesystem;
namespace key = parm::key;

struct Address {
    std::string name, address1, address2, town, postcode, ref;
    db::Value mscode, rscode, sflag;
    int rgcode = 5;
    double seq = 0;
};

struct BagsRow {
    db::Value bag, start, number, bundle, seq;
};

class DatabaseFolder : public testkit::ScratchTest {
protected:
    std::unique_ptr<db::Database> open() { return db::Database::open("mailsort.mdb"); }

    // The job written stands sorted by the keys as the test sets them; a
    // change after sorting is made with testkit::setParmKeys.
    void setParm(const std::map<std::string, db::Value>& values) {
        testkit::setParmKeys(values);
        auto db = open();
        if (db->hasTable(jobtables::SortKeys))
            jobtables::keepSortKeys(*db, jobtables::sortKeyValues(parm::ParmRecord(*db)));
    }
    std::string parmText(const std::string& k) { return testkit::parmKeyText(k); }

    void writeJob(const std::vector<Address>& addresses, const std::vector<BagsRow>& bags) {
        auto db = open();
        jobtables::dropIfThere(*db, jobtables::Mmwork);
        db->createTable(jobtables::mmworkDef());
        // Sorted by the keys as they stand.
        jobtables::makeSort(*db, jobtables::sortKeyValues(parm::ParmRecord(*db)));
        auto w = db->openTable(jobtables::Mmwork);
        for (const auto& a : addresses) {
            w->addNew();
            w->set("name", a.name);
            w->set("address1", a.address1);
            w->set("address2", a.address2);
            w->set("town", a.town);
            w->set("postcode", a.postcode);
            w->set("ref", a.ref);
            w->set("mscode", a.mscode);
            w->set("rscode", a.rscode);
            w->set("sflag", a.sflag);
            w->set("rgcode", a.rgcode);
            w->set("seq", a.seq);
            w->update();
        }
        auto b = db->openTable(jobtables::Bags);
        namespace f = jobtables::bagfield;
        for (const auto& r : bags) {
            b->addNew();
            b->set(f::BagNumber, r.bag);
            b->set(f::LabelStart, r.start);
            b->set(f::LabelNumber, r.number);
            b->set(f::BundleNumber, r.bundle);
            b->set(f::Seq, r.seq);
            b->update();
        }
    }

    void addDescriptions(const std::vector<std::pair<std::string, std::string>>& rows) {
        auto db = open();
        auto rs = db->openTable("label");
        rs->setIndex("PrimaryKey");
        for (const auto& [code, text] : rows) {
            rs->seek("=", db::Value(code));
            if (rs->noMatch()) rs->addNew();
            else rs->edit();
            rs->set("mdselc", code);
            rs->set("mdlab", text);
            rs->update();
        }
    }

    // The job most tests print. Weight 100 g, bags of 300 g (3 items),
    // bundles of 2 items:
    //   direct 12345: A1 A2 A3 | A4             bags 1, 2
    //   residue 123:  B1 B2 B3 | B4 B5          bags 3, 4; bundles 1-3
    //   residue 456:  C1                        bag 5; bundle 4
    //   Letter Post:  D1 D2                     bag 6
    // Labels of the whole job, numbered:
    //   1 A1  2 A2  3 A3  4 bag 1  5 A4  6 bag 2
    //   7 B1  8 B2  9 bundle 1  10 B3  11 bundle 2  12 bag 3  13 B4  14 B5  15 bundle 3  16 bag 4
    //   17 C1  18 bundle 4  19 bag 5  20 D1  21 D2  22 bag 6
    void writeStandardJob() {
        std::vector<Address> a;
        auto add = [&](const std::string& id, const char* ms, db::Value rs, const char* sf, double seq, int rg = 5) {
            a.push_back({"Name " + id, id + " High Street", "", "Town " + id, "AB1 2" + id, "", ms, rs, sf, rg, seq});
        };
        for (const char* id : {"A1", "A2", "A3", "A4"}) add(id, "12345", "", "N", 12345);
        for (const char* id : {"B1", "B2", "B3", "B4", "B5"}) add(id, "123", "123", "Y", 123000);
        add("C1", "456", "456", "N", 456000);
        for (const char* id : {"D1", "D2"}) add(id, "1", "", "N", 99000001, 99);
        writeJob(a, {{1, 1, 6, 0, 12345}, {3, 6, 16, 1, 123000}, {5, 16, 19, 4, 456000}, {6, {}, 22, 4, 99000001}});
        addDescriptions({{"12345", "NEWTOWN DIRECT"}, {"123", "NEWTOWN RESIDUE AREA WITH A LONG NAME TO SPLIT"},
                         {"456", "OLDTOWN"}});
        standardKeys();
    }

    // Dot matrix, one label across: a row of 40 characters, labels of 36.
    void standardKeys() {
        setParm({{key::Printer, "E"},
                 {key::LabelHeight, "9"},
                 {key::LabelWidth, "36"},
                 {key::VertGap, "8"},
                 {key::HorGap, "2"},
                 {key::TopMarg, "2"},
                 {key::LeftMarg, "0"},
                 {key::AddOffset, "1"},
                 {key::LabAcross, "1"},
                 {key::AddressLab, "Y"},
                 {key::BagLab, "Y"},
                 {key::BundleLab, "Y"},
                 {key::Weight, "100"},
                 {key::BagMax, "300"},
                 {key::BundleMax, "2"},
                 {key::Service, "M1"},
                 {key::Format, "LE"},
                 {key::ItemCnt, "Y"},
                 {key::ItemCnt2, "Y"},
                 {key::BagNum, "Y"},
                 {key::BundleNum, "Y"},
                 {key::DeferDel, "N"},
                 {key::ExtraText, db::Value()},
                 {key::Mailsort, "N"},
                 {key::BagNum2, "N"},
                 {key::Ref, "N"},
                 {key::RunAlone, "Y"},
                 {key::RunLabels, "Y"}});
    }

    // A job of n addresses in one direct selection, its rows long enough to
    // fill many pages of mmwork, with the standard keys.
    void writeLongJob(int n) {
        std::vector<Address> a;
        for (int i = 1; i <= n; ++i) {
            const std::string id = std::to_string(i);
            a.push_back({"Name " + id + std::string(30, 'N'), id + " High Street" + std::string(20, 'S'), "",
                         "Town " + id, "AB1 2CD", "", "12345", "", "N", 5, 12345});
        }
        writeJob(a, {{1, 1, n + 1, 0, 12345}});
        standardKeys();
    }

    // Pages of mailsort.mdb.
    std::uint64_t pages() const { return testkit::pageCountOf(dir() / "mailsort.mdb"); }
    // Zeroes the middle half of the pages after the first `from` (those a
    // job added: its rows and indexes), as a damaged disk would.
    void zeroPagesAfter(std::uint64_t from) { testkit::zeroPagesAfter(dir() / "mailsort.mdb", from); }

    static RunRequest request(char type, double from, double to) {
        RunRequest r;
        r.printType = type;
        r.from = from;
        r.to = to;
        r.fromText = QString::number(from);
        r.toText = QString::number(to);
        r.option = type;
        return r;
    }

    RunResult run(const RunRequest& req, LabelOutput& out, const RunCallbacks& cb = {}) {
        auto db = open();
        return runLabels(*db, req, [&](bool) -> LabelOutput& { return out; }, cb, session_);
    }

    Session session_;
};

}  // namespace qv::labels::fixture
