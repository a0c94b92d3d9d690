#include "designer/layoutrow.h"

#include "scratch.h"

#include "common/parm/parmrecord.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace qv::designer;
using qv::db::Database;
using qv::db::DbError;
using qv::db::Value;

namespace {

// Columns of a first record 114 characters long: a 60-wide name, a 12-wide
// town, a 25-wide reference, a 7-wide postcode and a 6-wide last column.
Columns sampleColumns() {
    Columns c;
    const int starts[] = {1, 62, 75, 101, 109};
    const int ends[] = {61, 74, 100, 108, 114};
    for (int i = 0; i < 5; ++i) {
        c.start[static_cast<std::size_t>(i + 1)] = starts[i];
        c.end[static_cast<std::size_t>(i + 1)] = ends[i];
    }
    c.lastColumn = 5;
    c.firstRecordLength = 114;
    return c;
}

using Parts = std::map<Part, int>;

PartNumbers numbers(const Parts& parts) {
    PartNumbers n{};
    for (const auto& [p, f] : parts) n[p] = static_cast<std::uint8_t>(f);
    return n;
}

TEST(BuildLayoutRow, FixedColumns) {
    struct Case {
        const char* what;
        Parts parts;
        std::map<Part, std::pair<int, int>> stored;  // from, length; every other part 0, 0
    };
    const Case cases[] = {
        {"limits and a one-piece postcode",
         {{Name1, 1}, {Town, 2}, {Ref, 3}, {Post1, 4}},
         {{Name1, {1, 45}}, {Town, {62, 12}}, {Ref, {75, 20}}, {Post1, {101, 8}}}},
        {"a postcode in two halves", {{Post1, 4}, {Post2, 5}}, {{Post1, {101, 7}}, {Post2, {109, 6}}}},
        {"the last column is taken whole", {{Post1, 5}, {Name2, 5}}, {{Post1, {109, 8}}, {Name2, {109, 6}}}},
        {"long postcode halves are cut to 8", {{Post1, 1}, {Post2, 3}}, {{Post1, {1, 8}}, {Post2, {75, 8}}}},
    };
    for (const auto& c : cases) {
        const LayoutRow row = buildLayoutRow(TypeFixed, numbers(c.parts), sampleColumns(), false, "/x/f.txt");
        EXPECT_EQ(row.type, "A") << c.what;
        for (int p = 0; p < PartCount; ++p) {
            const auto it = c.stored.find(static_cast<Part>(p));
            const auto want = it == c.stored.end() ? std::pair{0, 0} : it->second;
            EXPECT_EQ(row.from[static_cast<std::size_t>(p)], want.first) << c.what << " part " << p;
            EXPECT_EQ(row.length[static_cast<std::size_t>(p)], want.second) << c.what << " part " << p;
        }
    }
}

TEST(BuildLayoutRow, ColumnsWithoutAnEnd) {
    // A first record that ended in a gap: column 2 has no end, column 3 never started.
    Columns c;
    c.start[1] = 1;
    c.end[1] = 9;
    c.start[2] = 10;
    c.end[2] = 0;
    c.end[3] = 20;
    c.lastColumn = 3;
    const LayoutRow row = buildLayoutRow(TypeFixed, numbers({{Town, 2}, {Add4, 3}, {Post1, 2}}), c, false, "f");
    EXPECT_EQ(row.from[Town], 10);
    EXPECT_EQ(row.length[Town], 30);
    EXPECT_EQ(row.length[Post1], 8);
    EXPECT_EQ(row.from[Add4], 0);
    EXPECT_EQ(row.length[Add4], 0);
}

TEST(BuildLayoutRow, Delimited) {
    struct Case {
        const char* fileType;
        const char* type;
    };
    for (const Case c : {Case{TypeQuoted, "C"}, Case{TypePlain, "N"}}) {
        const LayoutRow row = buildLayoutRow(c.fileType, numbers({{Post1, 9}}), Columns{}, true, "f.csv");
        EXPECT_EQ(row.type, c.type);
        EXPECT_EQ(row.skipFirst, "Y");
        for (int p = 0; p < PartCount; ++p) {
            const int want = p == Post1 ? 9 : 0;
            EXPECT_EQ(row.from[static_cast<std::size_t>(p)], want);
            EXPECT_EQ(row.length[static_cast<std::size_t>(p)], want);
        }
    }
}

class SaveLayout : public ::testing::Test {
protected:
    void addRow(const std::string& file) {
        auto data = db->openTable("data");
        data->addNew();
        data->set("file", file);
        data->set("type", "A");
        data->set("SkipFirst", "N");
        data->set("name1from", 99);
        data->update();
    }
    std::string firstFile() {
        auto data = db->openTable("data");
        data->setIndex("File");
        data->moveFirst();
        return data->eof() ? std::string() : data->get("file").toString();
    }
    std::vector<std::string> files() {
        std::vector<std::string> out;
        auto data = db->openTable("data");
        data->setIndex("File");
        if (data->recordCount() == 0) return out;
        for (data->moveFirst(); !data->eof(); data->moveNext()) out.push_back(data->get("file").toString());
        return out;
    }
    void expectStored(const LayoutRow& row) {
        auto data = db->openTable("data");
        data->setIndex("File");
        data->seek("=", Value(row.file));
        ASSERT_FALSE(data->noMatch());
        EXPECT_EQ(data->get("type").toString(), row.type);
        EXPECT_EQ(data->get("SkipFirst").toString(), row.skipFirst);
        for (int p = 0; p < PartCount; ++p) {
            const std::string name = kPartFields[static_cast<std::size_t>(p)].name;
            EXPECT_EQ(data->get(name + "from").toInt(), row.from[static_cast<std::size_t>(p)]) << name;
            EXPECT_EQ(data->get(name + "length").toInt(), row.length[static_cast<std::size_t>(p)]) << name;
        }
        qv::parm::ParmRecord parm(*db);
        EXPECT_EQ(parm.text(qv::parm::key::MailFile), row.file);
    }
    LayoutRow someRow(const std::string& file) {
        return buildLayoutRow(TypeQuoted, numbers({{Name1, 1}, {Town, 5}, {Post1, 7}}), Columns{}, false, file);
    }

    test::ScratchFolder scratch;
    std::unique_ptr<Database> db = scratch.open();
};

TEST_F(SaveLayout, OverwritesTheFirstRowInFileOrder) {
    addRow("/zz/last.csv");
    addRow("/aa/first.csv");
    const std::string first = firstFile();
    ASSERT_EQ(first, "/aa/first.csv");
    const auto before = files();

    const LayoutRow row = someRow("/home/mail/new.csv");
    saveLayout(*db, row);
    expectStored(row);
    auto after = files();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(std::count(after.begin(), after.end(), first), 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), "/zz/last.csv"), 1);
}

TEST_F(SaveLayout, LeavesOneRowPerFile) {
    addRow("/aa/first.csv");
    addRow("/mm/cust.csv");
    addRow("/mm/cust.csv");
    const LayoutRow row = someRow("/mm/cust.csv");
    saveLayout(*db, row);
    const auto after = files();
    EXPECT_EQ(std::count(after.begin(), after.end(), "/mm/cust.csv"), 1);
    EXPECT_EQ(std::count(after.begin(), after.end(), "/aa/first.csv"), 0);  // the first row took the layout
    expectStored(row);

    // Saving the same file again keeps its one row.
    saveLayout(*db, row);
    const auto again = files();
    EXPECT_EQ(again.size(), after.size());
    expectStored(row);
}

TEST_F(SaveLayout, AddsARowToAnEmptyTable) {
    auto data = db->openTable("data");
    for (data->moveFirst(); !data->eof(); data->moveNext()) data->deleteCurrent();
    data.reset();
    const LayoutRow row = someRow("/home/mail/new.csv");
    saveLayout(*db, row);
    EXPECT_EQ(files(), std::vector<std::string>{row.file});
    expectStored(row);
}

TEST_F(SaveLayout, WithoutASettingsRowNothingIsWritten) {
    auto parm = db->openTable("parmcode");
    parm->moveFirst();
    parm->deleteCurrent();
    parm.reset();
    const auto before = files();
    try {
        saveLayout(*db, someRow("/home/mail/new.csv"));
        FAIL() << "saved without parmcode";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), qv::db::err::NoCurrentRecord);
    }
    EXPECT_EQ(files(), before);
}

}  // namespace
