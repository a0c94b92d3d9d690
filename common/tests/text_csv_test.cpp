#include "common/text/csv.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;
using qv::CsvWriter;
using qv::LineEnd;
using qv::parseCsvRecord;

namespace {
std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

enum class Mark { Quoted, Bare, Null };
}  // namespace

// Each kind of field as written, and as a spreadsheet reads it back.
TEST(CsvWriter, FieldsAsMarkedReadBackAsWritten) {
    struct Case {
        Mark mark;
        std::string value;
        std::string written;
        std::string readBack;
    };
    const Case cases[] = {
        {Mark::Quoted, "Smith", "\"Smith\"", "Smith"},
        {Mark::Quoted, "1, High Street", "\"1, High Street\"", "1, High Street"},
        {Mark::Quoted, "The \"Old\" Mill", "\"The \"\"Old\"\" Mill\"", "The \"Old\" Mill"},
        {Mark::Quoted, "\"", "\"\"\"\"", "\""},
        {Mark::Quoted, "", "\"\"", ""},
        {Mark::Quoted, "  trailing  ", "\"  trailing  \"", "  trailing  "},
        {Mark::Quoted, "\xc2\xa3" "5", "\"\xc2\xa3" "5\"", "\xc2\xa3" "5"},
        {Mark::Null, "", "#NULL#", "#NULL#"},
        {Mark::Bare, "1234", "1234", "1234"},
        {Mark::Bare, "-12.50", "-12.50", "-12.50"},
        {Mark::Bare, "", "", ""},
        {Mark::Bare, "1,234", "\"1,234\"", "1,234"},  // would split the record: quoted
    };
    qv::testkit::TempFolder folder;
    const fs::path file = folder.path("fields.csv");
    {
        CsvWriter w(file, LineEnd::CRLF);
        for (const Case& c : cases) {
            w.bare("7");
            if (c.mark == Mark::Quoted) w.quoted(c.value);
            if (c.mark == Mark::Bare) w.bare(c.value);
            if (c.mark == Mark::Null) w.null();
            w.quoted("end");
            w.endRecord();
        }
        w.close();
    }
    std::string expected;
    for (const Case& c : cases) expected += "7," + c.written + ",\"end\"\r\n";
    EXPECT_EQ(readFile(file), expected);

    std::istringstream in(readFile(file));
    std::string line;
    for (const Case& c : cases) {
        ASSERT_TRUE(std::getline(in, line));
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        EXPECT_EQ(parseCsvRecord(line), (std::vector<std::string>{"7", c.readBack, "end"})) << line;
    }
}

TEST(CsvWriter, LineEndsAndOnlyWholeRecords) {
    qv::testkit::TempFolder folder;
    const fs::path file = folder.path("lf.csv");
    {
        CsvWriter w(file, LineEnd::LF);
        w.quoted("a").bare("1");
        w.endRecord();
        w.endRecord();  // an empty record is an empty line
        w.quoted("last").null();
        w.endRecord();
        w.quoted("half");  // a run that fails mid-record leaves no half record
        w.close();
    }
    EXPECT_EQ(readFile(file), "\"a\",1\n\n\"last\",#NULL#\n");
}

TEST(CsvWriter, ErrorsOfTheFileReachTheCaller) {
    EXPECT_THROW(CsvWriter("/proc/no-such-folder/out.csv"), std::system_error);

    // A file that may not grow: the error comes at a write or at close.
    bool thrown = false;
    qv::testkit::TempFolder folder;
    const fs::path file = folder.path("full.csv");
    try {
        qv::testkit::FileSizeLimit limit(16);
        CsvWriter w(file);
        for (int i = 0; i < 10; ++i) {
            w.quoted("Smith").bare("12");
            w.endRecord();
        }
        w.close();
    } catch (const std::system_error& e) {
        thrown = true;
        EXPECT_EQ(e.code(), std::errc::file_too_large) << e.what();
    }
    EXPECT_TRUE(thrown);
    EXPECT_FALSE(fs::exists(file));
}

TEST(ParseCsvRecord, ReadsAsASpreadsheetDoes) {
    struct Case {
        std::string line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"", {""}},
        {",", {"", ""}},
        {"a,b,c", {"a", "b", "c"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"say \"\"hi\"\"\",1", {"say \"hi\"", "1"}},
        {"\"\",\"\"", {"", ""}},
        {"#NULL#,\"x\"", {"#NULL#", "x"}},
        {"\"open", {"open"}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseCsvRecord(c.line), c.fields) << c.line;
}
