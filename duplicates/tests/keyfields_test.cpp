#include "duplicates/dupcheck.h"
#include "duplicates/keyfields.h"

#include "workfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

using namespace qv::duplicates;

namespace {

using Strings = std::vector<std::string>;

std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

TEST(GetFileType, Cases) {
    struct Case {
        std::string record;
        std::string type;
    };
    const Case cases[] = {
        {R"("Smith","1 High St","Leeds")", "2"},           // quote, comma, quote
        {R"(x","y)", "2"},                                  // the three in a row anywhere
        {"a,b,c,d,e", "3"},                                 // the fourth comma
        {"a,b,c,d", ""},                                    // three commas: fixed columns
        {R"("Smith",1 High St,Leeds)", ""},                 // the quoted field is followed by a plain one
        {",,,,", "3"},
        {R"(",,,"x)", "3"},                                 // the closing quote is also the fourth count
        {R"("A",,"B")", "2"},
        {"Smith      1 High Street     Leeds", ""},
        {R"("a" ,"b")", ""},                                // a blank breaks the run
    };
    for (const auto& c : cases) EXPECT_EQ(GetFileType(c.record), c.type) << c.record;
}

TEST(SplitFirst, Cases) {
    struct Case {
        std::string record;
        Strings texts;
    };
    const Case cases[] = {
        {R"("Title","Fore name","Town, County")", {"Title", "Fore name", "Town, County"}},
        {" a ,,c", {" a ", "", "c"}},
        {"Smith,END,Leeds", {"Smith", "END", "Leeds"}},     // a field reading END is a field
        {R"("O""Brien",x)", {"O\"Brien", "x"}},             // a doubled quote is one quote
        {"a,", {"a", ""}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitFirst(c.record).texts, c.texts) << c.record;
}

TEST(SplitFirst, ThirtyFiveFieldsListThirty) {
    std::string rec;
    for (int i = 1; i <= 35; ++i) rec += (i > 1 ? "," : "") + std::string("f") + std::to_string(i);
    const auto f = SplitFirst(rec);
    ASSERT_EQ(f.texts.size(), 30u);
    EXPECT_EQ(f.texts.back(), "f30");
}

struct ColumnCase {
    const char* what;
    std::string r1, r2, r3;
    Strings texts;
    std::vector<int> start, end;  // of each listed column
};

TEST(FindColumns, Cases) {
    const std::string two = "AAAA" + blanks(5) + "BBBB";
    const ColumnCase cases[] = {
        {"a gap of five blanks", two, two, two, {"AAAA ", "BBBB"}, {1, 10}, {9, 13}},
        {"four blanks do not separate", "AAAA    BBBB", "AAAA    BBBB", "AAAA    BBBB", {"AAAA    BBBB"}, {1}, {12}},
        {"text after four blanks in another record starts a column", "AAAA" + blanks(9) + "CC",
         "AAAA" + blanks(5) + "BBBB" + blanks(2), "AAAA" + blanks(11), {"AAAA ", "    CC"}, {1, 10}, {9, 15}},
        {"a column blank in the first record is named", "AAAA" + blanks(10) + "    CCCC",
         "AAAA" + blanks(5) + "BB" + blanks(7) + "CCCC", "AAAA" + blanks(18), {"AAAA ", "Field2", "CCCC"},
         {1, 10, 19}, {9, 18, 22}},
        {"blanks at the end give an empty column", "AAAA" + blanks(6), "AAAA" + blanks(6), "AAAA" + blanks(6),
         {"AAAA ", ""}, {1, 0}, {0, 10}},
        {"text at the last position opens no column", "AAAA" + blanks(5) + "B", "AAAA" + blanks(6),
         "AAAA" + blanks(6), {"AAAA ", ""}, {1, 0}, {0, 10}},
        {"a position past the end of a record never closes a column", "AAAA" + blanks(5) + "BBBB", "AAAA", "AAAA",
         {"AAAA     BBBB"}, {1}, {13}},
        {"one character", "A", "B", "C", {"A"}, {1}, {1}},
    };
    for (const auto& c : cases) {
        FileLayout layout;
        const auto f = FindColumns(c.r1, c.r2, c.r3, layout);
        EXPECT_EQ(f.texts, c.texts) << c.what;
        for (std::size_t i = 0; i < c.start.size(); ++i) {
            EXPECT_EQ(layout.start[i + 1], c.start[i]) << c.what << " column " << i + 1;
            EXPECT_EQ(layout.end[i + 1], c.end[i]) << c.what << " column " << i + 1;
        }
        EXPECT_EQ(layout.start[c.start.size() + 1], 0) << c.what;
    }
}

TEST(FindColumns, AThirtyFirstColumnStaysInTheThirtieth) {
    std::string rec;
    for (int i = 1; i <= 32; ++i) rec += "W" + std::to_string(i % 10) + blanks(5);
    rec += "Z";
    FileLayout layout;
    layout.fileType = "";
    const auto f = FindColumns(rec, rec, rec, layout);
    ASSERT_EQ(f.texts.size(), 30u);
    EXPECT_EQ(layout.start[30], 29 * 7 + 1);
    layout.fields = 30;
    Fields fields;
    SplitFixed(rec, layout, fields);
    ASSERT_EQ(fields.size(), 30u);
    EXPECT_EQ(fields[29], "W0" + blanks(5) + "W1" + blanks(5) + "W2" + blanks(5) + "Z");  // nothing lost
}

TEST(FindColumns, PositionsAboveFourDigitsAreKeptWhole) {
    const std::string rec = "A" + blanks(10002) + "BB";
    FileLayout layout;
    const auto f = FindColumns(rec, rec, rec, layout);
    ASSERT_EQ(f.texts.size(), 2u);
    EXPECT_EQ(layout.end[1], 10003);
    EXPECT_EQ(layout.start[2], 10004);
    EXPECT_EQ(layout.end[2], 10005);
    layout.fields = 2;
    Fields fields;
    SplitFixed("x" + blanks(10002) + "yz", layout, fields);
    EXPECT_EQ(fields, (Strings{"x" + blanks(10002), "yz"}));
}

// A later record is cut from each column's start through its end position,
// the gap's blanks included; a comma record keeps every field, the 31st and
// later ones too.
TEST(SplitRecord, FixedCutTakesTheEndPositionAndCommaRecordsKeepEveryField) {
    const std::string r = "AAAA" + blanks(5) + "BBBB";
    FileLayout layout;
    FindColumns(r, r, r, layout);
    layout.fields = 2;
    Fields fields;
    splitRecord("abcdefghijklmn", layout, fields);
    EXPECT_EQ(fields, (Strings{"abcdefghi", "jklmn"}));

    std::string rec;
    for (int i = 1; i <= 33; ++i) rec += (i > 1 ? "," : "") + std::to_string(i);
    layout = FileLayout{};
    layout.fileType = "3";
    splitRecord(rec, layout, fields);
    ASSERT_EQ(fields.size(), 33u);
    EXPECT_EQ(fields[30], "31");
    EXPECT_EQ(fields[32], "33");
}

TEST(KeyCaption, ColumnLettersAndHeadings) {
    const std::pair<int, const char*> cases[] = {
        {1, "Column A"}, {26, "Column Z"}, {27, "Column AA"}, {28, "Column BB"}, {29, "Column CC"}, {30, "Column DD"},
    };
    for (const auto& [i, caption] : cases) EXPECT_EQ(keyCaption(i, false, "Surname"), caption) << i;
    EXPECT_EQ(keyCaption(3, true, " Surname  "), " Surname  ");  // not trimmed
    EXPECT_EQ(keyCaption(4, true, ""), "");
}

TEST(ScanKeyFields, ProblemsOfTheChosenFile) {
    test::WorkFolder folder;
    const std::string pipe = (folder.dir() / "pipe.csv").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        std::string path;
        ScanProblem problem;
    };
    const Case cases[] = {
        {(folder.dir() / "none.csv").string(), ScanProblem::NotFound},
        {folder.dir().string(), ScanProblem::NotRegular},
        {pipe, ScanProblem::NotRegular},  // not opened: it would wait for a writer
        {folder.write("empty.csv", {}), ScanProblem::Empty},
        {folder.write("blankfirst.csv", {"", "a,b,c,d,e"}), ScanProblem::EmptyFirstRecord},
        {folder.write("twolines.txt", {"AAAA     BBBB", "CCCC     DDDD"}), ScanProblem::TooFewLines},
        {folder.write("onecomma.csv", {"a,b,c,d,e"}), ScanProblem::None},
        {folder.write("three.txt", {"AAAA     BBBB", "CCCC     DDDD", "EEEE     FFFF"}), ScanProblem::None},
        {folder.writeBytes("utf16.csv", std::string("\xFF\xFE" "a\0,\0b\0\r\0\n\0", 12)), ScanProblem::NotText},
        // A Ctrl-Z before the first NUL does not make bytes text.
        {folder.writeBytes("random.csv", [] {
             std::string bytes(1024 * 1024, '\0');
             std::ifstream("/dev/urandom", std::ios::binary).read(bytes.data(), std::streamsize(bytes.size()));
             for (std::size_t i = 0; i < 600; ++i)
                 if (bytes[i] == '\0' || bytes[i] == '\x1A') bytes[i] = 'x';
             bytes[56] = '\x1A';
             bytes[573] = '\0';
             return bytes;
         }()),
         ScanProblem::NotText},
        {folder.writeBytes("cr.txt", "AAAA     BBBB\rCCCC     DDDD\rEEEE     FFFF\r"), ScanProblem::None},
        {folder.writeBytes("endmark.csv", "a,b,c,d,e\r\nf,g,h,i,j\r\n\x1A\r\n"), ScanProblem::None},
        {folder.writeBytes("nulpadded.csv", "a,b,c,d,e\r\nf,g,h,i,j\r\n\x1A" + std::string(100, '\0')),
         ScanProblem::None},
        {folder.writeBytes("padding.csv", "\x1A" + std::string(100, '\0')), ScanProblem::Empty},
    };
    for (const auto& c : cases) EXPECT_EQ(scanKeyFields(c.path, false).problem, c.problem) << c.path;

    // A Ctrl-Z with records after it, past the first block too, first in the
    // file too.
    const std::string records(100000, 'x');
    for (const auto& [bytes, line] : std::initializer_list<std::pair<std::string, std::uint64_t>>{
             {"a,b,c,d,e\r\nf,g\x1A\r\nh,i\r\n", 2},
             {"a,b,c,d,e\r\n" + records + "\r\n\x1A" "h,i", 3},
             {"\x1A" "a,b,c,d,e\r\nf,g\r\n", 1},
             {"\x1A" + std::string(5000, '\0') + "a,b,c,d,e\r\n", 1},
             // Fixed columns: the third record the scan needs lies behind the mark.
             {"AAAA     BBBB\r\nCCCC     DDDD\r\n\x1A" "EEEE     FFFF\r\n", 3}}) {
        const KeyScan scan = scanKeyFields(folder.writeBytes("mark.csv", bytes), false);
        EXPECT_EQ(scan.problem, ScanProblem::TextAfterEnd) << bytes;
        EXPECT_EQ(scan.line, line) << bytes;
    }
}

TEST(ScanKeyFields, ListsOfTheFormats) {
    test::WorkFolder folder;
    std::string wide;
    for (int i = 1; i <= 28; ++i) wide += (i > 1 ? "," : "") + std::to_string(i);
    struct Case {
        std::string path;
        bool headings;
        std::string type;
        Strings captions;
    };
    const Case cases[] = {
        {folder.write("q.csv", {R"("Name","Town","END","Post code")", R"("A","B","C","D")"}), true, "2",
         {"Name", "Town", "END", "Post code"}},
        {folder.write("p.csv", {"a,b,c,d,e", "1,2,3,4,5"}), false, "3",
         {"Column A", "Column B", "Column C", "Column D", "Column E"}},
        {folder.write("f.txt", {"Name      Town", "Smith     Leeds", "Jones     York"}), true, "", {"Name  ", "Town"}},
        {folder.write("w.csv", {wide}), false, "3", {}},
    };
    for (const auto& c : cases) {
        const auto scan = scanKeyFields(c.path, c.headings);
        EXPECT_EQ(scan.problem, ScanProblem::None);
        EXPECT_EQ(scan.layout.fileType, c.type) << c.path;
        if (!c.captions.empty()) {
            EXPECT_EQ(scan.captions, c.captions) << c.path;
        }
        EXPECT_EQ(scan.layout.fields, static_cast<int>(scan.captions.size()));
    }
    const auto w = scanKeyFields(cases[3].path, false);
    ASSERT_EQ(w.captions.size(), 28u);
    EXPECT_EQ(w.captions[25], "Column Z");
    EXPECT_EQ(w.captions[26], "Column AA");
    EXPECT_EQ(w.captions[27], "Column BB");
}

}  // namespace
