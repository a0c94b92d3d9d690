// The layout forms' working parts without their windows: the checks before a
// typed layout is stored, the file test, the wizard's proposal and cuts, and
// the rows both write.
#include "console/tests/console_fixture.h"

#include "console/layouts/layoutfile.h"
#include "console/layouts/layoutwizard.h"
#include "console/layouts/typedlayout.h"

#include "common/layoutrow/layoutrow.h"
#include "common/parm/parmrecord.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

namespace {

using namespace qv::console;
using qv::console::testing::ConsoleTest;
using qv::db::Database;
using qv::db::Value;
namespace fs = std::filesystem;
using Boxes = std::array<std::string, typed::BoxCount>;

// Boxes by part (0 = name .. 7 = ref): {first, second}; the rest empty.
Boxes boxes(const std::map<int, std::pair<std::string, std::string>>& set) {
    Boxes b;
    for (const auto& [part, v] : set) {
        b[std::size_t(2 * part)] = v.first;
        b[std::size_t(2 * part + 1)] = v.second;
    }
    return b;
}

class LayoutCheck : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        writeFile(dir() / "cust.txt", "x\n");
    }
    std::string file() const { return (dir() / "cust.txt").string(); }
};

TEST_F(LayoutCheck, FixedColumnsTable) {
    struct Case {
        std::map<int, std::pair<std::string, std::string>> set;
        const char* message;  // nullptr: passes
        int box;
    };
    const Case cases[] = {
        {{{0, {"5", "0"}}}, "Must specify name length if entered start position", 1},
        {{{0, {"5", ""}}}, "Must specify name length if entered start position", 1},
        {{{0, {"0", "10"}}}, nullptr, -1},
        {{{0, {"1", "45"}}}, nullptr, -1},
        {{{0, {"1", "46"}}}, "Name length cannot be greater than 45", 1},
        {{{1, {"1", "46"}}}, "Address 1 length cannot be greater than 45", 3},
        {{{2, {"1", "46"}}}, "Address 2 length cannot be greater than 45", 5},
        {{{3, {"1", "46"}}}, "Address 3 length cannot be greater than 45", 7},
        {{{3, {"7", "0"}}}, "Must specify address3 length if entered start position", 7},
        {{{4, {"1", "30"}}}, nullptr, -1},
        {{{4, {"1", "31"}}}, "Town length cannot be greater than 30", 9},
        {{{5, {"1", "31"}}}, "County length cannot be greater then 30", 11},
        {{{5, {"2", "0"}}}, "Must specify county length if entered start position", 11},
        {{{6, {"1", "8"}}}, nullptr, -1},
        {{{6, {"1", "9"}}}, "Postcode length cannot be greater then 8", 13},
        {{{6, {"4", "0"}}}, "Must specify postcode length if entered start position", 13},
        {{{7, {"1", "21"}}}, "Ref length cannot be greater than 20", 15},
        {{{7, {"9", "0"}}}, "Must specify ref length if entered start position", 15},
        // Start positions are limited only by what the row can hold.
        {{{4, {"32767", "20"}}}, nullptr, -1},
        {{{4, {"40000", "20"}}}, "The start of Town (40000) is beyond column 32767, the last a layout can hold.", 8},
        {{{0, {"32768", "0"}}}, "The start of Name (32768) is beyond column 32767, the last a layout can hold.", 0},
        {{{6, {"99999", "8"}}},
         "The start of Postcode (99999) is beyond column 32767, the last a layout can hold.", 12},
        // Two faults: only the first in part order.
        {{{1, {"1", "50"}}, {4, {"3", "0"}}}, "Address 1 length cannot be greater than 45", 3},
        {{{0, {"5", "0"}}, {1, {"1", "50"}}}, "Must specify name length if entered start position", 1},
        // Within one part the start check comes first.
        {{{2, {"0", "99"}}}, "Address 2 length cannot be greater than 45", 5},
    };
    for (const Case& c : cases) {
        const auto f = typed::valid(file(), typed::Kind::Fixed, boxes(c.set));
        if (!c.message) {
            EXPECT_FALSE(f) << f->message;
            continue;
        }
        ASSERT_TRUE(f) << c.message;
        EXPECT_EQ(f->message, c.message);
        EXPECT_EQ(f->focus, typed::CheckFailure::Focus::Box);
        EXPECT_EQ(f->box, c.box) << c.message;
    }
}

TEST_F(LayoutCheck, CommaDelimitedTable) {
    struct Case {
        int part;
        const char* count;
        const char* message;
    };
    const Case cases[] = {
        {0, "3", nullptr},
        {0, "4", "Maximum number of fields for name is 3"},
        {1, "2", nullptr},
        {1, "3", "Maximum number of fields for address1 is 2"},
        {2, "1", nullptr},
        {2, "2", "Maximum number of fields for address2 is 1"},
        {3, "2", "Maximum number of fields for address3 is 1"},
        {4, "2", "Maximum number of fields for town is 1"},
        {5, "2", "Maximum number of fields for county is 1"},
        {6, "2", nullptr},
        {6, "3", "Maximum number of fields for postcode is 2"},
        {7, "2", "Maximum number of fields for ref is 1"},
    };
    for (typed::Kind kind : {typed::Kind::Comma, typed::Kind::NoQuotes}) {
        for (const Case& c : cases) {
            const auto f = typed::valid(file(), kind, boxes({{c.part, {"99", c.count}}}));
            if (!c.message) {
                EXPECT_FALSE(f) << c.part;
                continue;
            }
            ASSERT_TRUE(f) << c.message;
            EXPECT_EQ(f->message, c.message);
            EXPECT_EQ(f->box, 2 * c.part + 1);
        }
        // The fixed-column checks do not run.
        EXPECT_FALSE(typed::valid(file(), kind, boxes({{0, {"5", "0"}}})));
        // A field number is held to what the row can hold.
        EXPECT_FALSE(typed::valid(file(), kind, boxes({{3, {"32767", "1"}}})));
        const auto f = typed::valid(file(), kind, boxes({{3, {"32768", "1"}}}));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->message, "The field number of Address 3 (32768) is beyond 32767, the last a layout can hold.");
        EXPECT_EQ(f->box, 6);
    }
}

TEST_F(LayoutCheck, TheFileComesFirst) {
    const Boxes bad = boxes({{0, {"5", "0"}}});
    for (const std::string& name : {std::string(), (dir() / "none.txt").string(), std::string("/no/such/folder/x.txt")}) {
        const auto f = typed::valid(name, typed::Kind::Fixed, bad);
        ASSERT_TRUE(f) << name;
        EXPECT_EQ(f->message, "A valid file must be entered");
        EXPECT_EQ(f->focus, typed::CheckFailure::Focus::FileBox);
    }
    // A folder exists but is no file: the unexpected-error message, focus stays.
    fs::create_directory(dir() / "folder.txt");
    const auto f = typed::valid((dir() / "folder.txt").string(), typed::Kind::Fixed, {});
    ASSERT_TRUE(f);
    EXPECT_EQ(f->message, "An unexpected error occurred.  Error Number: 75  Description: File " +
                              (dir() / "folder.txt").string() + " is not a regular file.");
    EXPECT_EQ(f->focus, typed::CheckFailure::Focus::Stay);
}

TEST_F(LayoutCheck, FileTestRefusesWhatIsNoPlainFileBeforeOpeningIt) {
    ASSERT_EQ(mkfifo((dir() / "pipe.txt").c_str(), 0600), 0);
    fs::create_directory(dir() / "sub");
    for (const char* name : {"pipe.txt", "sub"}) {
        const FileTest t = testFile((dir() / name).string());  // a pipe would hang an open
        EXPECT_EQ(t.result, FileTest::Result::Failed) << name;
        EXPECT_EQ(t.number, 75) << name;
    }
    const FileTest device = testFile("/dev/null");
    EXPECT_EQ(device.result, FileTest::Result::Failed);

    // The file name is matched without regard to case, as the import finds it.
    const FileTest t = testFile((dir() / "CUST.TXT").string());
    EXPECT_TRUE(t.ok());
    EXPECT_EQ(t.file, dir() / "cust.txt");
}

TEST(TypedLayout, CaptionsByType) {
    const char* fixed[typed::BoxCount] = {
        "Name start position",     "Name length",     "Address1 start position", "Address1 length",
        "Address2 start position", "Address2 length", "Address3 start position", "Address3 length",
        "Town start position",     "Town length",     "County start position",   "County length",
        "Postcode start position", "Postcode length", "Ref start position",      "Ref length"};
    const char* delimited[typed::BoxCount] = {
        "Name field number",     "Number of fields", "Address1 field number", "Number of fields",
        "Address2 field number", "Number of fields", "Address3 field number", "Number of fields",
        "Town field number",     "Town number of fields", "County field number", "Number of fields",
        "Postcode field number", "Number of fields", "Ref field number",      "Number of fields"};
    for (int b = 0; b < typed::BoxCount; ++b) {
        EXPECT_STREQ(typed::caption(b, typed::Kind::Fixed), fixed[b]);
        EXPECT_STREQ(typed::caption(b, typed::Kind::Comma), delimited[b]);
        EXPECT_STREQ(typed::caption(b, typed::Kind::NoQuotes), delimited[b]);
    }
}

TEST(TypedLayout, TypeCodes) {
    EXPECT_EQ(typed::kindOf("A"), typed::Kind::Fixed);
    EXPECT_EQ(typed::kindOf("C"), typed::Kind::Comma);
    for (const char* other : {"N", "D", "", "a", "c"}) EXPECT_EQ(typed::kindOf(other), typed::Kind::NoQuotes) << other;
    EXPECT_EQ(typed::typeCode(typed::Kind::Fixed), "A");
    EXPECT_EQ(typed::typeCode(typed::Kind::Comma), "C");
    EXPECT_EQ(typed::typeCode(typed::Kind::NoQuotes), "N");
}

// ---- the typed layout's rows ------------------------------------------------------

class TypedRows : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        db = Database::open("mailsort.mdb");
    }
    void TearDown() override {
        db.reset();
        ConsoleTest::TearDown();
    }
    std::unique_ptr<Database> db;
};

TEST_F(TypedRows, StoredListedLoadedBackAndDeleted) {
    const Boxes b = boxes({{0, {"1", "30"}}, {4, {"96", "25"}}, {6, {"145", "8"}}, {7, {"158", ""}}});
    typed::store(*db, "/data/new.txt", typed::Kind::Fixed, b);
    typed::store(*db, "/data/a.csv", typed::Kind::Comma, boxes({{0, {"1", "3"}}}));

    EXPECT_EQ(typed::listFiles(*db), (std::vector<std::string>{"/data/a.csv", "/data/new.txt", "CUSTQUOTED.CSV"}));

    const auto back = typed::load(*db, "/data/new.txt");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->type, "A");
    const Boxes expected{"1", "30", "0", "0", "0", "0", "0", "0", "96", "25", "0", "0", "145", "8", "158", "0"};
    EXPECT_EQ(back->boxes, expected);

    // A new row holds file, type and the sixteen numbers; the import's part
    // fields and SkipFirst are never Null in it.
    auto rs = db->openTable("data");
    rs->setIndex("File");
    rs->seek("=", Value("/data/new.txt"));
    ASSERT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->get("townfrom").toInt(), 96);
    EXPECT_EQ(rs->get("postcodefrom").toInt(), 145);
    EXPECT_EQ(rs->get("reflength").toInt(), 0);
    for (int p = 0; p < qv::layout::PartCount; ++p) {
        EXPECT_FALSE(rs->get(qv::layout::fromField(p)).isNull()) << p;
        EXPECT_FALSE(rs->get(qv::layout::lengthField(p)).isNull()) << p;
    }
    EXPECT_EQ(rs->get("SkipFirst").toString(), "N");
    rs.reset();

    EXPECT_TRUE(typed::remove(*db, "/data/new.txt"));
    EXPECT_FALSE(typed::load(*db, "/data/new.txt"));
    EXPECT_FALSE(typed::remove(*db, "/data/new.txt"));
    EXPECT_EQ(typed::listFiles(*db), (std::vector<std::string>{"/data/a.csv", "CUSTQUOTED.CSV"}));
}

TEST_F(TypedRows, StoringOverAStoredRowChangesTypeAndTheSixteenOnly) {
    typed::store(*db, "CUSTQUOTED.CSV", typed::Kind::NoQuotes, boxes({{0, {"2", "2"}}}));
    auto rs = db->openTable("data");
    rs->setIndex("File");
    rs->seek("=", Value("CUSTQUOTED.CSV"));
    ASSERT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->get("type").toString(), "N");
    EXPECT_EQ(rs->get("namefrom").toInt(), 2);
    EXPECT_EQ(rs->get("namelength").toInt(), 2);
    EXPECT_EQ(rs->get("townfrom").toInt(), 0);  // one of the sixteen, typed empty
    // The designer's fields stay.
    EXPECT_EQ(rs->get("SkipFirst").toString(), "Y");
    EXPECT_EQ(rs->get("name3from").toInt(), 3);
    EXPECT_EQ(rs->get("postcode1from").toInt(), 8);
    rs.reset();
    // MailFile is not touched.
    qv::parm::ParmRecord parm(*db);
    EXPECT_EQ(parm.text("MailFile"), "CUSTQUOTED.CSV");
}

// ---- the wizard ---------------------------------------------------------------------

using wizard::Parts;

// Blanks, for building records by columns.
std::string pad(const std::string& s, std::size_t width) { return s + std::string(width - s.size(), ' '); }

struct Expect {
    int part;
    const char* shown;
    int start, length;
};

void expectParts(const Parts& parts, const std::vector<Expect>& expected, const std::string& what) {
    std::map<int, Expect> byPart;
    for (const Expect& e : expected) byPart[e.part] = e;
    for (int p = 0; p < wizard::PartCount; ++p) {
        const auto it = byPart.find(p);
        const Expect e = it == byPart.end() ? Expect{p, "", 0, 0} : it->second;
        EXPECT_EQ(parts[std::size_t(p)].shown, e.shown) << what << " part " << p;
        EXPECT_EQ(parts[std::size_t(p)].start, e.start) << what << " part " << p;
        EXPECT_EQ(parts[std::size_t(p)].length, e.length) << what << " part " << p;
    }
}

TEST(WizardProposal, SampleRecords) {
    using namespace wizard;
    // The demo's fixed-column record: seven parts, name to reference.
    const std::string demo = pad("Miss M Jessop", 30) + pad("95 Chapel Close", 35) + pad("Hathern", 30) +
                             pad("Zaniholt", 25) + pad("Xilormouth", 24) + pad("JC11 1EU", 13) + "F10001  ";
    struct Case {
        const char* what;
        std::string record;
        std::vector<Expect> parts;
    };
    const Case cases[] = {
        {"seven parts", demo,
         {{Name, "Miss M Jessop ", 1, 30},
          {Add1, "95 Chapel Close ", 31, 35},
          {Add2, "Hathern ", 66, 30},
          {Add3, "Zaniholt ", 96, 25},
          {Town, "Xilormouth ", 121, 24},
          {County, "JC11 1EU ", 145, 13},
          {Postcode1, "F10001 ", 158, 7}}},
        // Runs of four blanks stay inside a part; five end it.
        {"four and five blanks", "AB    CD     EF     GH     IJ     KL     MN     OPQ",
         {{Name, "AB    CD ", 1, 13},
          {Add1, "EF ", 14, 7},
          {Add2, "GH ", 21, 7},
          {Add3, "IJ ", 28, 7},
          {Town, "KL ", 35, 7},
          {County, "MN ", 42, 7},
          {Postcode1, "OP", 49, 2}}},
        // Eight parts: the reference gets the rest, less the last column.
        {"eight parts", "A     B     C     D     E     F     G     HIJ",
         {{Name, "A ", 1, 6},
          {Add1, "B ", 7, 6},
          {Add2, "C ", 13, 6},
          {Add3, "D ", 19, 6},
          {Town, "E ", 25, 6},
          {County, "F ", 31, 6},
          {Postcode1, "G ", 37, 6},
          {Ref, "HI", 43, 2}}},
        // Leading blanks: the name is one blank, the first word address line 1.
        {"leading blanks", "      N     A1     A2     A3     T     C     PCX",
         {{Name, " ", 1, 6},
          {Add1, "N ", 7, 6},
          {Add2, "A1 ", 13, 7},
          {Add3, "A2 ", 20, 7},
          {Town, "A3 ", 27, 7},
          {County, "T ", 34, 6},
          {Postcode1, "C ", 40, 6},
          {Ref, "PC", 46, 2}}},
        // Six parts: address line 3 moves to the town, the town to the county,
        // the postcode to postcode 1.
        {"six parts", "Name     Ad1     Ad2     Ad3     Town     AB1 2CDx",
         {{Name, "Name ", 1, 9},
          {Add1, "Ad1 ", 10, 8},
          {Add2, "Ad2 ", 18, 8},
          {Town, "Ad3 ", 26, 8},
          {County, "Town ", 34, 9},
          {Postcode1, "AB1 2CD", 43, 7}}},
        // Five parts: address lines 2 and 3 are cleared.
        {"five parts", "Name     Ad1     Ad2     Town     AB1 2CDx",
         {{Name, "Name ", 1, 9},
          {Add1, "Ad1 ", 10, 8},
          {Town, "Ad2 ", 18, 8},
          {County, "Town ", 26, 9},
          {Postcode1, "AB1 2CD", 35, 7}}},
        // No run of five blanks: all but the last character is the name.
        {"one part", "Mr A Smith, 1 High St", {{Name, "Mr A Smith, 1 High S", 1, 0}, {Postcode1, "", 0, 21}}},
        // A comma-delimited record is laid out by its blanks alone.
        {"comma-delimited", "Miss Sarah Quarmby,30 Meadow Bank,Harborne,Zibegate,Zelicaster,VP5,9US,D30001",
         {{Name, "Miss Sarah Quarmby,30 Meadow Bank,Harborne,Zibegate,Zelicaster,VP5,9US,D3000", 1, 0},
          {Postcode1, "", 0, 77}}},
        {"empty record", "", {}},
        {"one character", "X", {{Postcode1, "", 0, 1}}},
    };
    for (const Case& c : cases) expectParts(DoAscii(c.record), c.parts, c.what);
}

TEST(WizardProposal, LengthsAreCutTo45And30ButTheLastPartIsNot) {
    using namespace wizard;
    const std::string record = pad("N", 60) + pad("A1", 50) + pad("A2", 10) + pad("A3", 10) + pad("T", 40) +
                               pad("C", 40) + "P" + std::string(50, 'x') + "!";
    const Parts parts = DoAscii(record);
    EXPECT_EQ(parts[Name].length, 45);
    EXPECT_EQ(parts[Add1].length, 45);
    EXPECT_EQ(parts[Add2].length, 10);
    EXPECT_EQ(parts[Town].length, 30);
    EXPECT_EQ(parts[County].length, 30);
    EXPECT_EQ(parts[Postcode1].start, 211);
    EXPECT_EQ(parts[Postcode1].length, 51);  // L minus its start
    // Re-cutting the last part with its numbers gives the same text: the last
    // character is never part of it.
    EXPECT_EQ(cut(record, parts[Postcode1].start, parts[Postcode1].length), parts[Postcode1].shown);
    EXPECT_EQ(parts[Postcode1].shown, "P" + std::string(50, 'x'));
}

TEST(WizardProposal, PositionsCountCharacters) {
    using namespace wizard;
    const Parts parts = DoAscii("Zoë Brontë     Café Row     Y");
    EXPECT_EQ(parts[Name].shown, "Zoë Brontë ");
    EXPECT_EQ(parts[Add1].start, 16);
    EXPECT_EQ(cut("Zoë Brontë     Café Row", 16, 4), "Café");
}

TEST(WizardParts, ShowPartsRecutsEveryPartWithAStart) {
    using namespace wizard;
    Parts parts{};
    parts[Name] = {"old", 1, 4};
    parts[Postcode2] = {"old", 8, 3};
    parts[Ref] = {"kept", 0, 5};
    parts[Town] = {"old", 40, 5};  // beyond the record's end
    parts[County] = {"old", 9, 50};  // runs past the end
    ShowParts("ABCDEFGHIJK", parts);
    EXPECT_EQ(parts[Name].shown, "ABCD");
    EXPECT_EQ(parts[Postcode2].shown, "HIJ");
    EXPECT_EQ(parts[Ref].shown, "kept");
    EXPECT_EQ(parts[Town].shown, "");
    EXPECT_EQ(parts[County].shown, "IJK");
}

TEST(WizardParts, NumbersTheRowCannotHoldAreRefused) {
    using namespace wizard;
    struct Case {
        Part part;
        int start, length;
        const char* message;  // nullptr: passes
        bool startBox;
    };
    const Case cases[] = {
        {Town, 32767, 32767, nullptr, false},
        {Town, 40000, 5, "The start of Town (40000) is beyond column 32767, the last a layout can hold.", true},
        {Add1, 1, 32768,
         "The length of Address Line 1 (32768) is beyond 32767 characters, the most a layout can hold.", false},
        {Ref, 20000000, 20000000,
         "The start of Reference (20000000) is beyond column 32767, the last a layout can hold.", true},
        {Postcode2, 12009, 40000,
         "The length of Postcode 2 (40000) is beyond 32767 characters, the most a layout can hold.", false},
    };
    for (const Case& c : cases) {
        Parts parts{};
        parts[Name] = {"", 1, 10};
        parts[c.part] = {"", c.start, c.length};
        const auto r = checkLimits(parts);
        if (!c.message) {
            EXPECT_FALSE(r) << r->message;
            continue;
        }
        ASSERT_TRUE(r) << c.message;
        EXPECT_EQ(r->message, c.message);
        EXPECT_EQ(r->part, c.part);
        EXPECT_EQ(r->startBox, c.startBox) << c.message;
    }
    // In row order: the county's start before the reference's.
    Parts two{};
    two[Ref] = {"", 50000, 1};
    two[County] = {"", 1, 50000};
    ASSERT_TRUE(checkLimits(two));
    EXPECT_EQ(checkLimits(two)->part, County);
}

TEST(WizardRuler, TensAndUnits) {
    const std::string tens = wizard::rulerTens();
    ASSERT_EQ(tens.size(), 190u);
    EXPECT_EQ(tens.substr(0, 10), "        10");
    EXPECT_EQ(tens.substr(97, 3), "100");
    EXPECT_EQ(tens.substr(187, 3), "190");
    EXPECT_EQ(tens.substr(10, 10), "        20");
    const std::string units = wizard::rulerUnits();
    ASSERT_EQ(units.size(), 200u);
    EXPECT_EQ(units.substr(0, 10), "1234567890");
    EXPECT_EQ(units.substr(190, 10), "1234567890");
}

class WizardFile : public ConsoleTest {};

TEST_F(WizardFile, FirstSevenLinesAndClearFailures) {
    writeFile(dir() / "nine.txt", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
    const std::string nine = (dir() / "nine.txt").string();
    EXPECT_EQ(wizard::firstRecords(nine).shown, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(wizard::firstRecords(nine).first, "1");
    EXPECT_EQ(wizard::readRecord(nine, 7), "7");
    writeFile(dir() / "three.txt", "a\nb\nc");
    const std::string three = (dir() / "three.txt").string();
    EXPECT_EQ(wizard::firstRecords(three).shown.size(), 3u);
    EXPECT_EQ(wizard::readRecord(three, 3), "c");
    EXPECT_EQ(wizard::readRecord(three, 4), std::nullopt);
    writeFile(dir() / "empty.txt", "");
    EXPECT_TRUE(wizard::firstRecords((dir() / "empty.txt").string()).shown.empty());

    ASSERT_EQ(mkfifo((dir() / "pipe.txt").c_str(), 0600), 0);
    for (const char* name : {"missing.txt", "pipe.txt"}) {
        for (int read = 0; read < 2; ++read) {
            try {
                if (read == 0) wizard::firstRecords((dir() / name).string());
                else wizard::readRecord((dir() / name).string(), 1);
                ADD_FAILURE() << name << " was read";
            } catch (const wizard::FileUnreadable& e) {
                EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
            }
        }
    }
}

TEST_F(WizardFile, ALongRecordIsShownByItsFirstColumnsAndReadWhole) {
    const std::string record = std::string(40000, 'x') + "é" + std::string(9, 'y');
    writeFile(dir() / "long.txt", record + "\r\nshort\r\n");
    const auto got = wizard::firstRecords((dir() / "long.txt").string());
    ASSERT_EQ(got.shown.size(), 2u);
    EXPECT_EQ(got.shown[0], std::string(32767, 'x'));
    EXPECT_EQ(got.shown[1], "short");
    EXPECT_EQ(got.first, record);
    EXPECT_EQ(wizard::readRecord((dir() / "long.txt").string(), 1), record);
}

// A file whose only line ends are CRs has a record a line, as the import
// reads it; a first record longer than a buffer included. One LF anywhere
// makes every CR part of its record again.
TEST_F(WizardFile, AFileOfCrLineEndsHasARecordALine) {
    writeFile(dir() / "nine.txt", "1\r2\r3\r4\r5\r6\r7\r8\r9\r");
    const std::string nine = (dir() / "nine.txt").string();
    EXPECT_EQ(wizard::firstRecords(nine).shown, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(wizard::readRecord(nine, 7), "7");

    const std::string record = std::string(100000, 'x') + "é";
    writeFile(dir() / "long.txt", record + "\rshort\r");
    auto got = wizard::firstRecords((dir() / "long.txt").string());
    ASSERT_EQ(got.shown.size(), 2u);
    EXPECT_EQ(got.shown[1], "short");
    EXPECT_TRUE(got.first == record);
    EXPECT_EQ(wizard::readRecord((dir() / "long.txt").string(), 2), "short");

    writeFile(dir() / "late.txt", record + "\rshort\nnext\n");
    got = wizard::firstRecords((dir() / "late.txt").string());
    ASSERT_EQ(got.shown.size(), 2u);
    EXPECT_TRUE(got.first == record + "\rshort");
    EXPECT_EQ(got.shown[1], "next");
}

TEST_F(WizardFile, ALoneCrStaysInItsRecordAndIsShownAsABlank) {
    writeFile(dir() / "cr.txt", "AAA     BBB\rCCC\r\nDDD\tE\xE2\x80\xA8" "F\xE2\x80\xA9G\xC3\xA9\n");
    const std::string file = (dir() / "cr.txt").string();
    const auto got = wizard::firstRecords(file);
    EXPECT_EQ(got.shown, (std::vector<std::string>{"AAA     BBB CCC", "DDD E F G\xC3\xA9"}));
    EXPECT_EQ(got.first, "AAA     BBB\rCCC");
    EXPECT_EQ(wizard::readRecord(file, 2), "DDD\tE\xE2\x80\xA8" "F\xE2\x80\xA9G\xC3\xA9");
    // The proposal counts the CR as a character of its part, as the import does.
    const wizard::Parts parts = wizard::DoAscii(got.first + "!");
    EXPECT_EQ(parts[wizard::Name].shown, "AAA ");
    EXPECT_EQ(parts[wizard::Add1].start, 9);
    EXPECT_EQ(parts[wizard::Add1].shown, "BBB\rCCC");
}

// ---- what Apply stores ----------------------------------------------------------------

class WizardApply : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        db = Database::open("mailsort.mdb");
    }
    void TearDown() override {
        db.reset();
        ConsoleTest::TearDown();
    }
    Parts someParts() {
        Parts p{};
        const int numbers[wizard::PartCount][2] = {{1, 30}, {31, 35}, {66, 30}, {0, 0}, {96, 25},
                                                   {121, 24}, {145, 8}, {0, 0}, {158, 6}};
        for (int i = 0; i < wizard::PartCount; ++i) p[std::size_t(i)] = {"", numbers[i][0], numbers[i][1]};
        return p;
    }
    void expectWizardRow(qv::db::Recordset& rs, const std::string& file) {
        EXPECT_EQ(rs.get("file").toString(), file);
        EXPECT_EQ(rs.get("type").toString(), "A");
        EXPECT_EQ(rs.get("SkipFirst").toString(), "N");
        const std::pair<const char*, std::pair<int, int>> fields[] = {
            {"name1", {1, 30}},    {"address11", {31, 35}}, {"address21", {66, 30}}, {"address31", {0, 0}},
            {"town", {96, 25}},    {"county", {121, 24}},   {"postcode1", {145, 8}}, {"postcode2", {0, 0}},
            {"ref", {158, 6}}};
        for (const auto& [name, v] : fields) {
            EXPECT_EQ(rs.get(std::string(name) + "from").toInt(), v.first) << name;
            EXPECT_EQ(rs.get(std::string(name) + "length").toInt(), v.second) << name;
        }
    }
    void addRow(const std::string& file) {
        auto rs = db->openTable("data");
        rs->addNew();
        rs->set("file", file);
        rs->set("type", "N");
        rs->update();
    }
    std::vector<std::string> filesInStorageOrder() {
        std::vector<std::string> out;
        auto rs = db->openTable("data");
        if (rs->recordCount() == 0) return out;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) out.push_back(rs->get("file").toString());
        return out;
    }
    std::unique_ptr<Database> db;
};

TEST_F(WizardApply, OverAFixedColumnRowKeepsThePiecesItDoesNotWrite) {
    {
        auto rs = db->openTable("data");
        rs->moveFirst();
        rs->edit();
        rs->set("type", "A");
        rs->update();
    }
    wizard::applyLayout(*db, "/demo/CUSTFIXED.TXT", someParts());
    auto rs = db->openTable("data");
    rs->moveFirst();
    expectWizardRow(*rs, "/demo/CUSTFIXED.TXT");
    // The row's other pieces and the typed form's fields stay.
    EXPECT_EQ(rs->get("name2from").toInt(), 2);
    EXPECT_EQ(rs->get("name3from").toInt(), 3);
    EXPECT_EQ(rs->get("name3length").toInt(), 3);
    EXPECT_EQ(rs->get("namelength").toInt(), 3);
    EXPECT_EQ(rs->get("address1from").toInt(), 4);
    rs.reset();
    qv::parm::ParmRecord parm(*db);
    EXPECT_EQ(parm.text("MailFile"), "/demo/CUSTFIXED.TXT");
}

TEST_F(WizardApply, OverADelimitedRowClearsItsFieldNumbers) {
    // The shipped row lays out the quoted demo file by field numbers.
    wizard::applyLayout(*db, "/demo/CUSTFIXED.TXT", someParts());
    auto rs = db->openTable("data");
    rs->moveFirst();
    expectWizardRow(*rs, "/demo/CUSTFIXED.TXT");
    for (const char* piece : {"name2", "name3", "address12", "address13", "address22", "address23", "address32",
                              "address33", "address4"}) {
        EXPECT_EQ(rs->get(std::string(piece) + "from").toInt(), 0) << piece;
        EXPECT_EQ(rs->get(std::string(piece) + "length").toInt(), 0) << piece;
    }
    // The typed form's own fields are not the wizard's to clear.
    EXPECT_EQ(rs->get("namelength").toInt(), 3);
    EXPECT_EQ(rs->get("address1from").toInt(), 4);
}

TEST_F(WizardApply, TheFirstRowInStorageOrderNotInFileOrder) {
    addRow("/aa/first-by-name.txt");  // first in the order of File, second stored
    ASSERT_EQ(filesInStorageOrder(), (std::vector<std::string>{"CUSTQUOTED.CSV", "/aa/first-by-name.txt"}));
    wizard::applyLayout(*db, "/demo/CUSTFIXED.TXT", someParts());
    EXPECT_EQ(filesInStorageOrder(), (std::vector<std::string>{"/demo/CUSTFIXED.TXT", "/aa/first-by-name.txt"}));
}

TEST_F(WizardApply, OtherRowsOfTheSameFileAreRemoved) {
    addRow("/demo/CUSTFIXED.TXT");
    addRow("/zz/other.txt");
    addRow("/demo/CUSTFIXED.TXT");
    wizard::applyLayout(*db, "/demo/CUSTFIXED.TXT", someParts());
    EXPECT_EQ(filesInStorageOrder(), (std::vector<std::string>{"/demo/CUSTFIXED.TXT", "/zz/other.txt"}));
    const auto found = qv::layout::findLayout(*db, "/demo/CUSTFIXED.TXT");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->type.toString(), "A");
    EXPECT_EQ(found->from[qv::layout::PartCount - 1].toInt(), 158);
}

TEST_F(WizardApply, AnEmptyTableGetsTheRow) {
    {
        auto rs = db->openTable("data");
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) rs->deleteCurrent();
    }
    wizard::applyLayout(*db, "/demo/CUSTFIXED.TXT", someParts());
    auto rs = db->openTable("data");
    ASSERT_EQ(rs->recordCount(), 1);
    rs->moveFirst();
    expectWizardRow(*rs, "/demo/CUSTFIXED.TXT");
    for (int p = 0; p < qv::layout::PartCount; ++p) EXPECT_FALSE(rs->get(qv::layout::fromField(p)).isNull()) << p;
}

TEST_F(WizardApply, WithoutASettingsRowNothingIsWritten) {
    {
        auto parm = db->openTable("parmcode");
        parm->moveFirst();
        parm->deleteCurrent();
    }
    EXPECT_THROW(wizard::applyLayout(*db, "/demo/CUSTFIXED.TXT", someParts()), qv::db::DbError);
    EXPECT_EQ(filesInStorageOrder(), std::vector<std::string>{"CUSTQUOTED.CSV"});
}

}  // namespace
