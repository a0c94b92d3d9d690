#include "refimport/pogen.h"
#include "refimport/refload.h"
#include "reffixture.h"

#include <sys/stat.h>

#include <functional>

#include "common/text/chars.h"

#include <random>
#include <set>

using namespace qv::refimport;
using namespace qv::refimport::testing;
using qv::db::Database;

namespace {

std::string pad(const std::string& s, std::size_t n) { return qv::padRight(s, n); }
const std::string kSorts = "01020304050607080910111213141516";

class RefLoad : public RefFolder {
protected:
    // The fixture's records of a file in a form.
    static std::vector<std::string> fixtureLines(FileForm form, const std::string& file) {
        if (form == FileForm::Comma) {
            if (file == "msortd.dat") return {R"("5","A","REGION A")", R"("6","A","101")", R"("6","P","116")", R"("7","B","999")"};
            if (file == "msorta.dat") return {R"("1","B1","2","10101")", R"("1","AB1","3","11601")", R"("1","AB12","4","77701")"};
            if (file == "msortb.dat")
                return {R"("2","10101","B1 SELECTION")", R"("3","101","RESIDUE 101",")" + kSorts + "\"",
                        R"("1","116","OTHER TYPE","IGNORED")"};
            return {R"("1","ZORFORD","101")", R"("2","VEXSHIRE","116")", R"("1","NOWHERE","555")"};
        }
        if (file == "msortd.dat") return {"5AREGION A", "6A101", "6P116", "7B999"};
        if (file == "msorta.dat") return {"1B1  210101", "1AB1 311601", "1AB12477701"};
        if (file == "msortb.dat")
            return {"210101" + pad("B1 SELECTION", 75), "3101" + pad("RESIDUE 101", 50) + kSorts,
                    "1116" + pad("OTHER TYPE", 50) + "IGNORED"};
        return {"1ZORFORD   101", "2VEXSHIRE  116", "1NOWHERE   555"};
    }
    static constexpr const char* kFiles[] = {"msortd.dat", "msorta.dat", "msortb.dat", "msortc.dat"};
    void writeFixture(FileForm form) {
        for (const char* f : kFiles) write(f, fixtureLines(form, f));
    }
    void writeComma() { writeFixture(FileForm::Comma); }
    void writeFixed() { writeFixture(FileForm::Fixed); }
    std::vector<PassedOver> load(FileForm form) {
        auto db = Database::open("mailsort.mdb");
        return loadReferenceData(*db, form, po());
    }
    // The LoadError a load raises, or a failure.
    LoadError loadFails(FileForm form) {
        try {
            load(form);
        } catch (const LoadError& e) {
            return e;
        }
        ADD_FAILURE() << "the load did not fail";
        return LoadError(LoadError::Kind::Database, "");
    }
    void expectFixtureLoaded() {
        EXPECT_EQ(rows("region"), (Rows{{"101", "1"}, {"116", "16"}}));
        EXPECT_EQ(rows("pcode"), (Rows{{"AB1 3", "11601", "16"}, {"AB124", "77701", "0"}, {"B1  2", "10101", "1"}}));
        EXPECT_EQ(rows("label", true),
                  (Rows{{"101", "RESIDUE 101"}, {"10101", "B1 SELECTION"}, {"116", "OTHER TYPE"}}));
        EXPECT_EQ(rows("sequence"), (Rows{{"101", kSorts}}));
        EXPECT_EQ(rows("cntytown", true),
                  (Rows{{"NOWHERE", "555", "0"}, {"VEXSHIRE", "116", "16"}, {"ZORFORD", "101", "1"}}));
    }
};

TEST_F(RefLoad, CommaFilesFillTheTablesUnchanged) {
    writeComma();
    EXPECT_TRUE(load(FileForm::Comma).empty());
    expectFixtureLoaded();
    EXPECT_EQ(rows("label")[1], (std::vector<std::string>{"10101", "B1 SELECTION"}));
    EXPECT_EQ(rows("cntytown")[2][0], "ZORFORD");
}

TEST_F(RefLoad, FixedFilesKeepTheirPadding) {
    writeFixed();
    EXPECT_TRUE(load(FileForm::Fixed).empty());
    expectFixtureLoaded();
    auto label = rows("label");
    EXPECT_EQ(label[0][1], pad("RESIDUE 101", 50));
    EXPECT_EQ(label[1][1], pad("B1 SELECTION", 75));
    EXPECT_EQ(rows("cntytown")[2][0], "ZORFORD   ");
}

TEST_F(RefLoad, ReplacesWhatTheTablesHeld) {
    seedOldData();
    writeComma();
    load(FileForm::Comma);
    expectFixtureLoaded();
}

TEST_F(RefLoad, RepeatedKeysKeepTheFirstRecord) {
    writeComma();
    write("msorta.dat", {R"("1","B1","2","10101")", R"("1","b1","2","99999")", R"("1","B1  ","2","88888")",
                         R"("1","AB1","3","11601")"});
    write("msortb.dat", {R"("3","101","FIRST",")" + kSorts + "\"", R"("3","101","SECOND","16151413121110090807060504030201")"});
    auto passed = load(FileForm::Comma);
    ASSERT_EQ(passed.size(), 3u);
    EXPECT_EQ(passed[0].file, PoFile::A);
    EXPECT_EQ(passed[0].table, "pcode");
    EXPECT_EQ(passed[0].count, 2);
    EXPECT_EQ(passed[1].table, "label");
    EXPECT_EQ(passed[2].table, "sequence");
    EXPECT_EQ(rows("pcode"), (Rows{{"AB1 3", "11601", "16"}, {"B1  2", "10101", "1"}}));
    EXPECT_EQ(rows("label"), (Rows{{"101", "FIRST"}}));
    EXPECT_EQ(rows("sequence"), (Rows{{"101", kSorts}}));
    const std::string text = passedOverMessage(passed);
    EXPECT_NE(text.find("2 records of msorta.dat for table pcode"), std::string::npos) << text;
    EXPECT_NE(text.find("1 record of msortb.dat for table label"), std::string::npos) << text;
}

TEST_F(RefLoad, AFaultyFileKeepsAllTheOldData) {
    struct Case {
        const char* file;
        std::vector<std::string> lines;
        std::uint64_t line;
        const char* says;
    };
    const Case cases[] = {
        {"msortc.dat", {R"("1","ZORFORD","101")", "", R"("1","VEXSHIRE)"}, 3, "a field has no closing quote"},
        {"msortd.dat", {R"("6","A","101")", R"("6")"}, 2, "it holds a single field"},
        {"msortb.dat", {R"("2","10101")", R"("2","10102","UNCLOSED)"}, 2, "a field has no closing quote"},
        {"msortc.dat", {R"("1","ZORFORDBRIDGE","101")"}, 1, "longer than the 10 characters of field mname"},
        // A value of megabytes is quoted by its start only.
        {"msortc.dat", {"\"1\",\"" + std::string(20'000'000, 'Q') + "\",\"101\""}, 1,
         "holds \"QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ...\", longer than the 10 characters of field mname"},
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& c : cases) {
        writeComma();
        write(c.file, c.lines);
        LoadError e = loadFails(FileForm::Comma);
        EXPECT_EQ(e.kind(), LoadError::Kind::BadLine) << c.file;
        const std::string text = e.what();
        EXPECT_NE(text.find("Line " + std::to_string(c.line) + " of file " + (po() / c.file).string()), std::string::npos)
            << qv::quotedStart(text, 300);
        EXPECT_NE(text.find(c.says), std::string::npos) << qv::quotedStart(text, 300);
        EXPECT_LT(text.size(), 400u);
        EXPECT_EQ(allTables(), before) << c.file;
    }
}

TEST_F(RefLoad, AMissingFileKeepsAllTheOldData) {
    seedOldData();
    const auto before = allTables();
    writeFixed();
    fs::remove(po() / "msortc.dat");
    LoadError e = loadFails(FileForm::Fixed);
    EXPECT_EQ(e.kind(), LoadError::Kind::FileMissing);
    EXPECT_EQ(std::string(e.what()), "File " + (po() / "msortc.dat").string() + " not found.");
    EXPECT_EQ(allTables(), before);
}

TEST_F(RefLoad, AFileThatIsNoRegularFileIsRefusedByNameAtOnce) {
    seedOldData();
    const auto before = allTables();
    const std::pair<const char*, std::function<void(const fs::path&)>> cases[] = {
        {"a FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }},
        {"a folder named in capitals", [](const fs::path& p) { fs::create_directory(p.parent_path() / "MSORTC.DAT"); }},
    };
    for (const auto& [what, make] : cases) {
        writeFixed();
        fs::remove(po() / "msortc.dat");
        make(po() / "msortc.dat");
        LoadError e = loadFails(FileForm::Fixed);
        EXPECT_EQ(e.kind(), LoadError::Kind::FileMissing) << what;
        EXPECT_EQ(std::string(e.what()), "File " + (po() / "msortc.dat").string() + " is not a regular file.") << what;
        EXPECT_EQ(allTables(), before) << what;
        fs::remove_all(po() / "msortc.dat");
        fs::remove_all(po() / "MSORTC.DAT");
    }
}

TEST_F(RefLoad, FindsFileNamesInAnyCase) {
    writeFixed();
    for (const char* n : {"msortd.dat", "msorta.dat", "msortb.dat", "msortc.dat"})
        fs::rename(po() / n, po() / qv::ucase(n));
    load(FileForm::Fixed);
    expectFixtureLoaded();
}

TEST_F(RefLoad, PassesOverEmptyLinesAndTheEndOfFileByte) {
    writeComma();
    writeRaw("msortd.dat", "\r\n\"6\",\"A\",\"101\"\n   \n\"6\",\"P\",\"116\"\r\n\r\n\x1a");
    writeRaw("msortc.dat",
             "\"1\",\"ZORFORD\",\"101\"\r\n\"2\",\"VEXSHIRE\",\"116\"\r\n\"1\",\"NOWHERE\",\"555\"\x1a\r\n");
    load(FileForm::Comma);
    expectFixtureLoaded();
}

// A Ctrl-Z ends the file, so records after it would be lost without a
// word: in any of the four files, in either form, the load stops at its
// line and every table keeps what it held.
TEST_F(RefLoad, ACtrlZWithRecordsAfterItStopsTheLoadAtItsLine) {
    struct Place {
        const char* where;
        std::uint64_t line;
        std::string (*bytes)(const std::vector<std::string>& lines);
    };
    const Place places[] = {
        {"alone on a line after the first record", 2,
         [](const std::vector<std::string>& l) { return l[0] + "\r\n\x1a\r\n" + l[1] + "\r\n" + l[2] + "\r\n"; }},
        {"at the end of the first record's text", 1,
         [](const std::vector<std::string>& l) { return l[0] + "\x1a\r\n" + l[1] + "\r\n" + l[2] + "\r\n"; }},
        {"before the second record on its line", 2,
         [](const std::vector<std::string>& l) { return l[0] + "\r\n\x1a" + l[1] + "\r\n" + l[2] + "\r\n"; }},
        {"first in the file", 1, [](const std::vector<std::string>& l) { return "\x1a" + l[0] + "\r\n" + l[1]; }},
        {"before the last record, after blank lines", 4,
         [](const std::vector<std::string>& l) { return l[0] + "\r\n" + l[1] + "\r\n   \r\n\x1a\r\n\r\n" + l[2]; }},
    };
    seedOldData();
    const auto before = allTables();
    for (FileForm form : {FileForm::Fixed, FileForm::Comma}) {
        for (const char* file : kFiles) {
            for (const auto& p : places) {
                const std::string what = std::string(file) + (form == FileForm::Fixed ? ", fixed, " : ", comma, ") + p.where;
                writeFixture(form);
                writeRaw(file, p.bytes(fixtureLines(form, file)));
                LoadError e = loadFails(form);
                EXPECT_EQ(e.kind(), LoadError::Kind::BadLine) << what;
                EXPECT_EQ(e.line(), p.line) << what;
                EXPECT_EQ(std::string(e.what()), "Line " + std::to_string(p.line) + " of file " + (po() / file).string() +
                                                     " holds an end-of-file mark (Ctrl-Z) with more records after it.")
                    << what;
                EXPECT_EQ(allTables(), before) << what;
            }
        }
    }
}

// What an old file holds after its end-of-file byte (line ends, blanks,
// more Ctrl-Zs, NUL or DEL padding) is no record: the files load as without
// it.
TEST_F(RefLoad, ACtrlZAtTheEndOfTheFileStillLoads) {
    const std::pair<const char*, std::string> ends[] = {
        {"alone after the last line end", "\r\n\x1a"},
        {"right after the last record", "\x1a"},
        {"followed by a line end", "\r\n\x1a\r\n"},
        {"followed by more Ctrl-Zs", "\r\n\x1a\x1a\x1a\x1a"},
        {"followed by blanks, line ends and Ctrl-Zs", "\x1a   \r\n\n   \r\n\x1a\x1a  "},
        {"followed by the NULs of a last sector", std::string("\r\n\x1a\0\0\0\0", 7)},
        {"followed by DELs", "\r\n\x1a\x7f\x7f\r\n\x7f"},
    };
    for (FileForm form : {FileForm::Fixed, FileForm::Comma}) {
        for (const auto& [what, end] : ends) {
            seedOldData();
            for (const char* file : kFiles) {
                std::string bytes;
                for (const auto& l : fixtureLines(form, file)) bytes += (bytes.empty() ? "" : "\r\n") + l;
                writeRaw(file, bytes + end);
            }
            EXPECT_TRUE(load(form).empty()) << what;
            expectFixtureLoaded();
        }
    }
}

// A damaged diskette file: a Ctrl-Z amid a national set of sector records,
// over a full set of old data.
TEST_F(RefLoad, ACtrlZAmidTheSectorFileKeepsTheOldSet) {
    const auto data = qv::pogen::generate({.seed = 4, .sectors = 11000});
    qv::pogen::writeFiles(data, qv::pogen::Form::Comma, po());
    load(FileForm::Comma);
    const auto before = allTables();
    ASSERT_EQ(before[1].size(), 11000u);

    std::string bytes;
    const auto lines = qv::pogen::fileLines(data, qv::pogen::File::A, qv::pogen::Form::Comma);
    for (std::size_t i = 0; i < lines.size(); ++i) bytes += (i == 5000 ? "\x1a" : "") + lines[i] + "\r\n";
    writeRaw("msorta.dat", bytes);
    LoadError e = loadFails(FileForm::Comma);
    EXPECT_EQ(std::string(e.what()), "Line 5001 of file " + (po() / "msorta.dat").string() +
                                         " holds an end-of-file mark (Ctrl-Z) with more records after it.");
    EXPECT_EQ(allTables(), before);
}

// A fixed line may end early where only text is left: the blanks that
// would pad it out are not needed.
TEST_F(RefLoad, FixedLinesMayEndWhereOnlyTextIsLeft) {
    writeFixed();
    write("msortd.dat", {"5A", "6A101", "6P116"});
    write("msortb.dat", {"210101B1 SELECTION", "210102", "3101" + pad("RESIDUE 101", 50) + kSorts, "4901MIXED", "4902"});
    load(FileForm::Fixed);
    EXPECT_EQ(rows("region"), (Rows{{"101", "1"}, {"116", "16"}}));
    EXPECT_EQ(rows("label", true), (Rows{{"101", "RESIDUE 101"}, {"10101", "B1 SELECTION"}, {"10102", ""}, {"901", "MIXED"}, {"902", ""}}));
    EXPECT_EQ(rows("sequence"), (Rows{{"101", kSorts}}));
}

// Blanks after a comma-delimited line's last field are padding, not a field.
TEST_F(RefLoad, CommaLinesMayEndInBlanks) {
    writeComma();
    write("msortd.dat", {R"("5","A","REGION A")" "     ", R"("6","A","101")" "   ", R"("6","P","116")"});
    write("msortb.dat", {R"("2","10101","B1 SELECTION")" "    ", R"("3","101","RESIDUE 101",")" + kSorts + "\"   ",
                         R"("1","116","OTHER TYPE","IGNORED")" "      "});
    load(FileForm::Comma);
    expectFixtureLoaded();
}

TEST_F(RefLoad, ARecordWithAnEmptyKeyOrCodeStopsTheLoadAtItsLine) {
    struct Case {
        FileForm form;
        const char* file;
        std::vector<std::string> lines;
        std::uint64_t line;
        const char* says;
    };
    const Case cases[] = {
        {FileForm::Fixed, "msorta.dat", {"1B1  210101", "1QQ8 4     "}, 2, "its selection code is empty"},
        {FileForm::Comma, "msorta.dat", {R"("1","B1","2","10101")", R"("1","QQ9","5","")"}, 2,
         "its selection code is empty"},
        {FileForm::Comma, "msorta.dat", {R"("1","","","10101")"}, 1, "its outward code is empty"},
        {FileForm::Fixed, "msorta.dat", {"1    210101"}, 1, "its outward code is empty"},
        {FileForm::Fixed, "msortc.dat", {"1ZORFORD   101", "", "2SHORT        "}, 3, "its residue code is empty"},
        {FileForm::Fixed, "msortd.dat", {"6A101", "6A   "}, 2, "its residue code is empty"},
        {FileForm::Fixed, "msortd.dat", {"6 101"}, 1, "its region letter is empty"},
        {FileForm::Comma, "msortb.dat", {R"("2","","NO CODE")"}, 1, "its selection code is empty"},
        {FileForm::Comma, "msortc.dat", {R"("1","  ","101")"}, 1, "its place name is empty"},
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& c : cases) {
        if (c.form == FileForm::Fixed) writeFixed();
        else writeComma();
        write(c.file, c.lines);
        LoadError e = loadFails(c.form);
        EXPECT_EQ(e.kind(), LoadError::Kind::BadLine) << c.file;
        EXPECT_EQ(std::string(e.what()), "Line " + std::to_string(c.line) + " of file " + (po() / c.file).string() +
                                             " is not a valid record: " + c.says + ".");
        EXPECT_EQ(allTables(), before) << c.file;
    }
}

// Every record the reader takes is held to its file's form: numbers are
// numbers of their width, and the record reaches its last number. The first
// that does not fit stops the load, naming its file and line.
TEST_F(RefLoad, ARecordThatDoesNotFitItsFormStopsTheLoad) {
    struct Case {
        FileForm form;
        const char* file;
        std::string record;
        const char* says;
    };
    const std::string desc50 = pad("RESIDUE 101", 50);
    const Case cases[] = {
        {FileForm::Fixed, "msortd.dat", "6a101", "its region letter \"a\" is not one of the letters A to P"},
        {FileForm::Fixed, "msortd.dat", "6Q101", "its region letter \"Q\" is not one of the letters A to P"},
        {FileForm::Fixed, "msortd.dat", "6A1O1", "its residue code \"1O1\" is not a 3-digit number"},
        {FileForm::Fixed, "msortd.dat", "6A10", "it is 4 characters long, too short to hold its residue code (columns 3-5)"},
        {FileForm::Fixed, "msorta.dat", "1B1  x10101", "its sector digit \"x\" is not a digit"},
        {FileForm::Fixed, "msorta.dat", "1B1  2101O1", "its selection code \"101O1\" is not a 5-digit number"},
        {FileForm::Fixed, "msorta.dat", "1B1  21010 ", "its selection code \"1010 \" is not a 5-digit number"},
        {FileForm::Fixed, "msorta.dat", "1B1  21010", "it is 10 characters long, too short to hold its selection code (columns 7-11)"},
        {FileForm::Fixed, "msortb.dat", "2101x1B1 SELECTION", "its selection code \"101x1\" is not a 5-digit number"},
        {FileForm::Fixed, "msortb.dat", "21010", "it is 5 characters long, too short to hold its selection code (columns 2-6)"},
        {FileForm::Fixed, "msortb.dat", "3101" + desc50 + kSorts.substr(0, 31),
         "it is 85 characters long, too short to hold its region sort string (columns 55-86)"},
        {FileForm::Fixed, "msortb.dat", "3101" + desc50 + kSorts.substr(0, 31) + " ",
         "its region sort string \"0102030405060708091011121314151 \" is not sixteen 2-digit numbers"},
        {FileForm::Fixed, "msortb.dat", "4A01MIXED", "its residue code \"A01\" is not a 3-digit number"},
        {FileForm::Fixed, "msortc.dat", "1ZORFORD   1O1", "its residue code \"1O1\" is not a 3-digit number"},
        {FileForm::Fixed, "msortc.dat", "1ZORFORD   10", "it is 13 characters long, too short to hold its residue code (columns 12-14)"},
        {FileForm::Comma, "msortd.dat", R"("6","a","101")", "its region letter \"a\" is not one of the letters A to P"},
        {FileForm::Comma, "msortd.dat", R"("6","A","1010")", "its residue code \"1010\" is not a 3-digit number"},
        {FileForm::Comma, "msortd.dat", R"("6","A")", "it has 2 fields, too few to hold its residue code (field 3)"},
        {FileForm::Comma, "msorta.dat", R"("1","B1","2","abc")", "its selection code \"abc\" is not a 5-digit number"},
        {FileForm::Comma, "msorta.dat", R"("1","B1","23","10101")", "its sector digit \"23\" is not a digit"},
        {FileForm::Comma, "msorta.dat", R"("1","B1","2")", "it has 3 fields, too few to hold its selection code (field 4)"},
        {FileForm::Comma, "msorta.dat", R"("1","QAB12","2","10101")", "its outward code \"QAB12\" is longer than 4 characters"},
        {FileForm::Comma, "msortb.dat", R"("2","abc","B1 SELECTION")", "its selection code \"abc\" is not a 5-digit number"},
        {FileForm::Comma, "msortb.dat", R"("3","101","RESIDUE 101")",
         "it has 3 fields, too few to hold its region sort string (field 4)"},
        {FileForm::Comma, "msortb.dat", R"("3","101","RESIDUE 101","0102")",
         "its region sort string \"0102\" is not sixteen 2-digit numbers"},
        {FileForm::Comma, "msortb.dat", R"("4","9O1","MIXED")", "its residue code \"9O1\" is not a 3-digit number"},
        {FileForm::Comma, "msortc.dat", R"("1","ZORFORD","abc")", "its residue code \"abc\" is not a 3-digit number"},
        {FileForm::Comma, "msortc.dat", R"("1","ZORFORD")", "it has 2 fields, too few to hold its residue code (field 3)"},
    };
    // A good record of each file, then an empty line, then the case: line 3.
    auto good = [](FileForm form, const std::string& file) -> std::string {
        const bool fixed = form == FileForm::Fixed;
        if (file == "msortd.dat") return fixed ? "6A101" : R"("6","A","101")";
        if (file == "msorta.dat") return fixed ? "1B1  210101" : R"("1","B1","2","10101")";
        if (file == "msortb.dat") return fixed ? "210101B1 SELECTION" : R"("2","10101","B1 SELECTION")";
        return fixed ? "1ZORFORD   101" : R"("1","ZORFORD","101")";
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& c : cases) {
        if (c.form == FileForm::Fixed) writeFixed();
        else writeComma();
        write(c.file, {good(c.form, c.file), "", c.record});
        LoadError e = loadFails(c.form);
        EXPECT_EQ(e.kind(), LoadError::Kind::BadLine) << c.record;
        EXPECT_EQ(e.file(), po() / c.file) << c.record;
        EXPECT_EQ(e.line(), 3u) << c.record;
        EXPECT_EQ(std::string(e.what()),
                  "Line 3 of file " + (po() / c.file).string() + " is not a valid record: " + c.says + ".");
        EXPECT_EQ(allTables(), before) << c.record;
    }
}

// An outward code holds letters, digits and the blanks that pad it; a
// sector, one digit. A NUL, a tab, another control character or
// punctuation there stops the load at its line; a control character is
// named, never quoted into the message.
TEST_F(RefLoad, AnOutwardCodeOrSectorWithAStrayCharacterStopsTheLoad) {
    using namespace std::string_literals;
    struct Case {
        FileForm form;
        std::string record;  // bytes of a line of msorta.dat
        const char* says;
    };
    const Case cases[] = {
        {FileForm::Fixed, "1B1\0 210101"s, "its outward code holds a NUL character"},
        {FileForm::Fixed, "1\0\0\0\0" "210101"s, "its outward code holds a NUL character"},
        {FileForm::Fixed, "1B1\t 210101", "its outward code holds a tab"},
        {FileForm::Fixed, "1B\x1b" "1 210101", "its outward code holds a control character (code 27)"},
        {FileForm::Fixed, "1B1\x7f 210101", "its outward code holds a control character (code 127)"},
        // A byte Windows-1252 leaves undefined is a control character.
        {FileForm::Fixed, "1B1\x81 210101", "its outward code holds a control character (code 129)"},
        {FileForm::Fixed, "1B-1\t210101", "its outward code holds a tab"},
        {FileForm::Fixed, "1B1- 210101", "its outward code \"B1- \" holds punctuation: \"-\""},
        {FileForm::Fixed, "1B1.1210101", "its outward code \"B1.1\" holds punctuation: \".\""},
        {FileForm::Fixed, "1B1\xa3 210101", "its outward code \"B1£ \" holds punctuation: \"£\""},
        {FileForm::Fixed, "1B1  \0" "10101"s, "its sector digit holds a NUL character"},
        {FileForm::Fixed, "1B1  \t10101", "its sector digit holds a tab"},
        {FileForm::Fixed, "1B1  \x01" "10101", "its sector digit holds a control character (code 1)"},
        {FileForm::Fixed, "1B1  -10101", "its sector digit \"-\" is not a digit"},
        {FileForm::Comma, "\"1\",\"B1\0\",\"2\",\"10101\""s, "its outward code holds a NUL character"},
        {FileForm::Comma, "\"1\",\"B1\t\",\"2\",\"10101\"", "its outward code holds a tab"},
        {FileForm::Comma, "\"1\",\"\tQAB12\",\"2\",\"10101\"", "its outward code holds a tab"},
        {FileForm::Comma, "\"1\",\"B\r1\",\"2\",\"10101\"", "its outward code holds a control character (code 13)"},
        {FileForm::Comma, "\"1\",\"B1/\",\"2\",\"10101\"", "its outward code \"B1/\" holds punctuation: \"/\""},
        {FileForm::Comma, "\"1\",\"B+1\",\"2\",\"10101\"", "its outward code \"B+1\" holds punctuation: \"+\""},
        {FileForm::Comma, "\"1\",\"B1\x96\",\"2\",\"10101\"", "its outward code \"B1–\" holds punctuation: \"–\""},
        {FileForm::Comma, "\"1\",\"B1,2\",\"2\",\"10101\"", "its outward code \"B1,2\" holds punctuation: \",\""},
        {FileForm::Comma, "\"1\",\"B1\xF0\x9F\x98\x80\",\"2\",\"10101\"",
         "its outward code \"B1\xF0\x9F\x98\x80\" holds punctuation: \"\xF0\x9F\x98\x80\""},
        {FileForm::Comma, "\"1\",\"B1\",\"\0\",\"10101\""s, "its sector digit holds a NUL character"},
        {FileForm::Comma, "\"1\",\"B1\",\"2\t\",\"10101\"", "its sector digit holds a tab"},
        {FileForm::Comma, "\"1\",\"B1\",\"\x1f\",\"10101\"", "its sector digit holds a control character (code 31)"},
        {FileForm::Comma, "\"1\",\"B1\",\".\",\"10101\"", "its sector digit \".\" is not a digit"},
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& c : cases) {
        const bool fixed = c.form == FileForm::Fixed;
        writeFixture(c.form);
        // A good record, an empty line, then the case: line 3.
        writeRaw("msorta.dat", (fixed ? "1AB1 311601"s : R"("1","AB1","3","11601")"s) + "\r\n\r\n" + c.record + "\r\n");
        LoadError e = loadFails(c.form);
        EXPECT_EQ(e.kind(), LoadError::Kind::BadLine) << c.says;
        EXPECT_EQ(e.line(), 3u) << c.says;
        EXPECT_EQ(std::string(e.what()),
                  "Line 3 of file " + (po() / "msorta.dat").string() + " is not a valid record: " + c.says + ".");
        EXPECT_EQ(allTables(), before) << c.says;
    }
}

// Whole files that are not Post Office files, on a full set of old data.
TEST_F(RefLoad, ADamagedSectorFileKeepsAllTheOldData) {
    const auto data = qv::pogen::generate({.seed = 3, .sectors = 400});
    qv::pogen::writeFiles(data, qv::pogen::Form::Fixed, po());
    load(FileForm::Fixed);
    const auto before = allTables();
    ASSERT_EQ(before[1].size(), 400u);

    // Random bytes in place of msorta.dat.
    std::mt19937 random(26);
    std::string bytes(200 * 1024, '\0');
    for (auto& b : bytes) b = char(random() & 0xFF);
    writeRaw("msorta.dat", bytes);
    LoadError e = loadFails(FileForm::Fixed);
    EXPECT_EQ(e.kind(), LoadError::Kind::BadLine);
    EXPECT_EQ(e.file(), po() / "msorta.dat");
    EXPECT_EQ(allTables(), before);

    // Every line five characters short.
    std::vector<std::string> cut;
    for (const auto& l : qv::pogen::fileLines(data, qv::pogen::File::A, qv::pogen::Form::Fixed))
        cut.push_back(l.substr(0, l.size() - 5));
    write("msorta.dat", cut);
    e = loadFails(FileForm::Fixed);
    EXPECT_EQ(std::string(e.what()), "Line 1 of file " + (po() / "msorta.dat").string() +
                                         " is not a valid record: it is 6 characters long, too short to hold its "
                                         "selection code (columns 7-11).");
    EXPECT_EQ(allTables(), before);
}

TEST_F(RefLoad, AFileWithNoRecordForItsTableIsRefused) {
    struct Case {
        const char* file;
        std::vector<std::string> lines;
        const char* says;
    };
    const Case cases[] = {
        {"msortd.dat", {R"("5","A","REGION A")", R"("7","B","999")"}, "holds no region records (type 6) for table region"},
        {"msorta.dat", {}, "holds no sector records for table pcode"},
        {"msortb.dat", {"", "   "}, "holds no label records for table label"},
        {"msortc.dat", {""}, "holds no place records for table cntytown"},
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& c : cases) {
        writeComma();
        write(c.file, c.lines);
        LoadError e = loadFails(FileForm::Comma);
        EXPECT_EQ(std::string(e.what()), "File " + (po() / c.file).string() + " " + c.says + ".");
        EXPECT_EQ(allTables(), before) << c.file;
    }
}

TEST_F(RefLoad, ARegionNotInTheFileGivesRegionNumberZero) {
    writeComma();
    write("msortd.dat", {R"("5","A","REGION A")", R"("6","C","999")"});
    load(FileForm::Comma);
    EXPECT_EQ(rows("region"), (Rows{{"999", "3"}}));
    for (const auto& r : rows("pcode")) EXPECT_EQ(r[2], "0") << r[0];
    for (const auto& r : rows("cntytown")) EXPECT_EQ(r[2], "0") << r[0];
}

TEST_F(RefLoad, BothFormsOfAGeneratedSetLoadTheSame) {
    const auto data = qv::pogen::generate({.seed = 11, .sectors = 400});
    std::vector<std::vector<Rows>> loaded;
    for (auto form : {qv::pogen::Form::Comma, qv::pogen::Form::Fixed}) {
        qv::pogen::writeFiles(data, form, po());
        auto db = Database::open("mailsort.mdb");
        EXPECT_TRUE(loadReferenceData(*db, form == qv::pogen::Form::Comma ? FileForm::Comma : FileForm::Fixed, po()).empty());
        std::vector<Rows> tables;
        for (const char* t : {"region", "pcode", "label", "sequence", "cntytown"}) tables.push_back(rows(*db, t, true));
        loaded.push_back(tables);
    }
    EXPECT_EQ(loaded[0], loaded[1]);

    const auto& t = loaded[0];
    EXPECT_EQ(t[0].size(), data.residues.size());
    EXPECT_EQ(t[1].size(), data.sectors.size());
    EXPECT_EQ(t[2].size(), data.selections.size() + data.residues.size() + data.otherLabels.size());
    EXPECT_EQ(t[3].size(), data.residues.size());
    EXPECT_EQ(t[4].size(), data.places.size());
    // Every sector and place finds its region, every selection its label.
    std::set<std::string> labels;
    for (const auto& r : t[2]) labels.insert(r[0]);
    for (const auto& r : t[1]) {
        EXPECT_NE(r[2], "0") << r[0];
        EXPECT_TRUE(labels.count(r[1])) << r[1];
    }
    for (const auto& r : t[4]) EXPECT_NE(r[2], "0") << r[0];
}

}  // namespace
