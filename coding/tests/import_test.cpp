// The work table and the three readers, run against files in a fresh folder.
#include "coding/importer.h"
#include "coding/report.h"
#include "platform/testing/recordingprinter.h"
#include "tests/fixture.h"

#include <gtest/gtest.h>

using namespace qv::coding;
using qv::db::Value;

namespace {

class Import : public fixture::DatabaseFolder {
protected:
    void SetUp() override {
        DatabaseFolder::SetUp();
        addPcode({{"LS1 4", "12345", 3}, {"AB1 2", "23456", 4}});
        addPlaces({{"LEEDS", "123", 2}});
    }

    // Re-creates mmwork and runs the reader of the layout's type.
    void run(std::function<void(Importer&)> setUp = {}) {
        auto db = open();
        NewFile(*db);
        auto layout = findLayout(*db, parmText("MailFile"));
        ASSERT_TRUE(layout);
        Importer importer(*db, report_, counters_);
        importer.setStatusHandler([this](const std::string& s) { statuses_.push_back(s); });
        if (setUp) setUp(importer);
        const std::string type = layout->type.toString();
        const std::string file = parmText("MailFile");
        if (type == "A") importer.doascii(file, *layout);
        else if (type == "C") importer.docomma(file, *layout);
        else importer.donoquote(file, *layout);
    }
    ReaderFailure failure(std::function<void(Importer&)> setUp = {}) {
        try {
            run(std::move(setUp));
        } catch (const ReaderFailure& f) {
            return f;
        }
        ADD_FAILURE() << "the import did not fail";
        return {};
    }

    // name at 1 (20), address1 at 21 (20), town at 41 (10), postcode at 51 (8), ref at 59 (5).
    void fixedLayout(const std::string& file, const std::string& skip = "N") {
        setLayout(file, "A", skip,
                  {{Name1, {1, 20}}, {Address11, {21, 20}}, {Town, {41, 10}}, {Postcode1, {51, 8}}, {Ref, {59, 5}}});
    }
    static std::string fixedLine(const std::string& name, const std::string& a1, const std::string& town,
                                 const std::string& pc, const std::string& ref) {
        return qv::padRight(name, 20) + qv::padRight(a1, 20) + qv::padRight(town, 10) + qv::padRight(pc, 8) + ref;
    }
    void delimitedLayout(const std::string& file, const std::string& type, const std::string& skip = "N") {
        setLayout(file, type, skip,
                  {{Name1, {1, 1}}, {Address11, {2, 2}}, {Town, {3, 3}}, {Postcode1, {4, 4}}, {Ref, {5, 5}}});
    }

    qv::platform::RecordingPrinter printer_;
    CodingReport report_{printer_};
    Counters counters_;
    std::vector<std::string> statuses_;
};

TEST_F(Import, FixedColumnsWithAHeadingLine) {
    std::vector<std::string> lines = {"NAME                ADDRESS"};
    for (int i = 1; i <= 24; ++i)
        lines.push_back(fixedLine("Customer " + std::to_string(i), "1 High St", "LEEDS", i % 2 ? "LS1 4AB" : "ZZ1",
                                  "R" + std::to_string(i)));
    fixedLayout(writeFile("cust.dat", lines), "Y");
    run();
    const auto rows = mmwork();
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(counters_.processed, 24);
    EXPECT_EQ(statuses_, (std::vector<std::string>{"Importing record  10", "Importing record  20"}));

    EXPECT_EQ(rows[0].text("name"), "Customer 1          ");
    EXPECT_EQ(rows[0].text("address1"), "1 High St           ");
    EXPECT_EQ(rows[0].text("town"), "LEEDS     ");
    EXPECT_EQ(rows[0].text("postcode"), "LS1 4AB ");
    EXPECT_EQ(rows[0].text("ref"), "R1");
    EXPECT_EQ(rows[0].text("address2"), "");
    EXPECT_EQ(rows[0].text("mscode"), "12345");
    EXPECT_EQ(rows[0]["seq"].toDouble(), 12345);
    EXPECT_EQ(rows[0].text("pcflag"), "F");
    EXPECT_EQ(rows[0].text("sflag"), "N");
    EXPECT_EQ(rows[0].text("rscode"), "");
    // ZZ1: outward code only, no pcode row, matched on its town.
    EXPECT_EQ(rows[1].text("mscode"), "123");
    EXPECT_EQ(rows[1].text("rscode"), "123");
    EXPECT_EQ(rows[1]["seq"].toDouble(), 123000);
    EXPECT_EQ(rows[1].text("pcflag"), "O");
    EXPECT_EQ(counters_.postcoded, 24);
    EXPECT_EQ(counters_.fullyPostcoded, 12);
    EXPECT_EQ(counters_.matched, 12);
}

TEST_F(Import, CommaFilesOfBothKinds) {
    struct Case {
        const char* type;
        std::string line;
        std::string name, address1;
    };
    const Case cases[] = {
        {"C", "\"Mr J Smith\",\"1, High St\",\"LEEDS\",\"LS1 4AB\",\"R1\"", "Mr J Smith  ", "1, High St"},
        {"N", "Mr J Smith,\"1, High St\",LEEDS,LS1 4AB,R1", "Mr J Smith", "1, High St"},
    };
    for (const auto& c : cases) {
        delimitedLayout(writeFile(std::string("cust") + c.type + ".csv", std::vector<std::string>(10, c.line), "\n"),
                        c.type);
        statuses_.clear();
        counters_ = {};
        run();
        const auto rows = mmwork();
        ASSERT_EQ(rows.size(), 10u) << c.type;
        EXPECT_EQ(rows[9].text("name"), c.name) << c.type;
        EXPECT_EQ(rows[9].text("address1"), c.address1) << c.type;
        EXPECT_EQ(rows[9].text("town"), "LEEDS") << c.type;
        EXPECT_EQ(rows[9].text("postcode"), "LS1 4AB") << c.type;
        EXPECT_EQ(rows[9].text("ref"), "R1") << c.type;
        EXPECT_EQ(rows[9].text("mscode"), "12345") << c.type;
        EXPECT_EQ(statuses_, std::vector<std::string>{"Importing record  10"}) << c.type;
    }
}

TEST_F(Import, ANewRunReplacesTheLastJob) {
    delimitedLayout(writeFile("a.csv", {"a,,,,", "b,,,,", "c,,,,"}), "N");
    run();
    ASSERT_EQ(mmwork().size(), 3u);
    delimitedLayout(writeFile("b.csv", {"d,,,,"}), "N");
    run();
    const auto rows = mmwork();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text("name"), "d");
    EXPECT_EQ(rows[0].text("mscode"), "1");
    EXPECT_TRUE(rows[0]["rgcode"].isNull());
    EXPECT_TRUE(rows[0]["pcflag"].isNull());
    EXPECT_EQ(rows[0]["seq"].toDouble(), 0);
}

TEST_F(Import, TheIndexesOrderTheRows) {
    delimitedLayout(writeFile("a.csv", {"a,,,LS1 4AB", "b,,LEEDS,", "c,,,AB1 2CD", "d,,,"}), "N");
    run();
    auto db = open();
    auto rs = db->openTable("mmwork");
    auto walk = [&](const char* index) {
        std::string order;
        rs->setIndex(index);
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) order += rs->get("name").toString();
        return order;
    };
    EXPECT_EQ(walk("Key2"), "dacb");  // seq 0, 12345, 23456, 123000
    EXPECT_EQ(walk("Key1"), "dbac");  // mscode "1", "123", "12345", "23456"
}

TEST_F(Import, LineEndsAndCharacterSets) {
    // LF, CRLF, a Windows-1252 line and a UTF-8 line; a Ctrl-Z ends the file.
    std::string bytes = "Caf\xE9 One,x\r\nZo\xC3\xAB Two,y\nThree,z\r\n\x1A";
    std::ofstream(dir_ / "mixed.csv", std::ios::binary) << bytes;
    setLayout((dir_ / "mixed.csv").string(), "N", "N", {{Name1, {1, 1}}, {Address11, {2, 2}}});
    run();
    const auto rows = mmwork();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text("name"), "Café One");
    EXPECT_EQ(rows[1].text("name"), "Zoë Two");
    EXPECT_EQ(rows[2].text("address1"), "z");
}

// A file with no record, one that is no text, or one whose records all lie
// behind a Ctrl-Z on its first line, is refused before a row is stored,
// whatever the layout; the refusal names the file as MailFile does.
TEST_F(Import, FilesRefusedAtTheFirstLook) {
    std::string random(1024 * 1024, '\0');
    std::ifstream("/dev/urandom", std::ios::binary).read(random.data(), std::streamsize(random.size()));
    for (std::size_t i = 0; i < 600; ++i)
        if (random[i] == '\0' || random[i] == '\x1A') random[i] = 'x';
    random[56] = '\x1A';  // ends the file for the reader before the first NUL
    random[573] = '\0';
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("\"Mr J Smith\",\"1 High St\",\"LEEDS\",\"LS1 4AB\",\"R1\"\r\n")) utf16 += {c, '\0'};
    struct Case {
        const char* what;
        std::string bytes;
        ReaderFailure::Kind kind;
        std::uint64_t line = 0;  // of the Ctrl-Z
    };
    const Case cases[] = {
        {"empty", "", ReaderFailure::Kind::Empty},
        {"a Ctrl-Z first, records after it", "\x1A\"a\",\"b\"\r\n", ReaderFailure::Kind::TextAfterEnd, 1},
        {"a Ctrl-Z and NULs alone", std::string("\x1A\r\n\0\0\0", 6), ReaderFailure::Kind::Empty},
        {"a byte-order mark alone", "\xEF\xBB\xBF", ReaderFailure::Kind::Empty},
        {"UTF-16 with its mark", utf16, ReaderFailure::Kind::NotText},
        {"random bytes, a Ctrl-Z early", random, ReaderFailure::Kind::NotText},
    };
    for (const auto& c : cases) {
        for (const char* type : {"A", "C", "N"}) {
            for (const char* skip : {"N", "Y"}) {
                const std::string what = std::string(c.what) + " " + type + " " + skip;
                std::ofstream(dir_ / "cust.csv", std::ios::binary | std::ios::trunc) << c.bytes;
                if (*type == 'A') fixedLayout((dir_ / "cust.csv").string(), skip);
                else delimitedLayout((dir_ / "cust.csv").string(), type, skip);
                counters_ = {};
                const ReaderFailure f = failure();
                EXPECT_EQ(f.kind, c.kind) << what;
                EXPECT_EQ(f.line, c.line) << what;
                EXPECT_EQ(f.path, (dir_ / "cust.csv").string()) << what;
                EXPECT_TRUE(mmwork().empty()) << what;
                EXPECT_EQ(counters_.processed, 0) << what;
            }
        }
    }
}

// A file whose only line ends are CRs is read line by line; a lone CR in a
// file of LF line ends stays in its record.
TEST_F(Import, CrLineEnds) {
    std::ofstream(dir_ / "cr.csv", std::ios::binary)
        << "Name,Address,Town,Postcode,Ref\r"
           "Mr A,1 High St,LEEDS,LS1 4AB,R1\r"
           "Mr B,2 High St,LEEDS,AB1 2CD,R2\r";
    delimitedLayout((dir_ / "cr.csv").string(), "N", "Y");
    run();
    auto rows = mmwork();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text("name"), "Mr A");
    EXPECT_EQ(rows[0].text("ref"), "R1");
    EXPECT_EQ(rows[1].text("postcode"), "AB1 2CD");
    EXPECT_EQ(rows[1].text("ref"), "R2");
    EXPECT_EQ(rows[1].text("mscode"), "23456");

    std::ofstream(dir_ / "lf.csv", std::ios::binary) << "Mr A,1 High\rSt,LEEDS,LS1 4AB,R1\n";
    delimitedLayout((dir_ / "lf.csv").string(), "N");
    run();
    rows = mmwork();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text("address1"), "1 High\rSt");
    EXPECT_EQ(rows[0].text("ref"), "R1");
}

// Two quotes in a row inside a quoted field are one quote of the address; the
// fields after it stay where the layout puts them.
TEST_F(Import, DoubledQuotesInAQuotedFile) {
    setLayout(writeFile("quoted.csv",
                        {R"("Name","Address 1","Address 2","Town","Postcode","Ref")",
                         R"("Mr J Smith","The ""Old"" Mill","Roath","CARDIFF","LS1 4AB","R7")",
                         R"("""Rose"" Cottage","","","LEEDS","AB1 2CD","R8")"}),
              "C", "Y",
              {{Name1, {1, 1}}, {Address11, {2, 2}}, {Address21, {3, 3}}, {Town, {4, 4}}, {Postcode1, {5, 5}},
               {Ref, {6, 6}}});
    run();
    const auto rows = mmwork();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text("name"), "Mr J Smith  ");
    EXPECT_EQ(rows[0].text("address1"), "The \"Old\" Mill");
    EXPECT_EQ(rows[0].text("address2"), "Roath");
    EXPECT_EQ(rows[0].text("town"), "CARDIFF");
    EXPECT_EQ(rows[0].text("postcode"), "LS1 4AB");
    EXPECT_EQ(rows[0].text("ref"), "R7");
    EXPECT_EQ(rows[0].text("mscode"), "12345");
    EXPECT_EQ(rows[1].text("name"), "\"Rose\" Cottage  ");
    EXPECT_EQ(rows[1].text("address1"), "");
    EXPECT_EQ(rows[1].text("town"), "LEEDS");
    EXPECT_EQ(rows[1].text("postcode"), "AB1 2CD");
    EXPECT_EQ(rows[1].text("ref"), "R8");
}

TEST_F(Import, TheReaderEndsAfterTheRecordInHandWhenStopped) {
    std::vector<std::string> lines(35, "x,,,,");
    delimitedLayout(writeFile("a.csv", lines), "N");
    bool stop = false;
    run([&](Importer& im) {
        im.setStatusHandler([&](const std::string&) { stop = true; });  // Cancel pressed at the yield
        im.setStopTest([&] { return stop; });
    });
    EXPECT_EQ(mmwork().size(), 10u);
    EXPECT_EQ(counters_.processed, 10);
}

TEST_F(Import, Failures) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        ReaderFailure::Kind kind;
        int number;
        std::string descriptionEnd;
        size_t rowsKept;
    };
    const Case cases[] = {
        {"file not found", [&] { delimitedLayout((dir_ / "missing.csv").string(), "N"); },
         ReaderFailure::Kind::FileNotFound, 0, "", 0},
        {"its folder missing", [&] { delimitedLayout((dir_ / "nowhere" / "a.csv").string(), "N"); },
         ReaderFailure::Kind::Unexpected, failure::PathNotFound, "The import stopped before the first record.", 0},
        {"a field number above 255",
         [&] {
             setLayout(writeFile("a.csv", {"a"}), "N", "N", {{Name1, {1, 1}}, {Ref, {300, 300}}});
         },
         ReaderFailure::Kind::Unexpected, failure::Overflow, "The import stopped before the first record.", 0},
        {"a negative field number",
         [&] { setLayout(writeFile("a.csv", {"a"}), "C", "N", {{Name1, {-1, 1}}}); },
         ReaderFailure::Kind::Unexpected, failure::Overflow, "The import stopped before the first record.", 0},
        {"a negative column", [&] { setLayout(writeFile("a.dat", {"a"}), "A", "N", {{Name1, {1, -4}}}); },
         ReaderFailure::Kind::Unexpected, failure::InvalidArgument, "The import stopped before the first record.", 0},
        {"an empty name at record 3",
         [&] { fixedLayout(writeFile("a.dat", {"Heading", fixedLine("A", "", "", "", ""), fixedLine("B", "", "", "", ""), ""}), "Y"); },
         ReaderFailure::Kind::Unexpected, qv::db::err::ZeroLength, "The import stopped at record 3 (line 4 of the file).", 2},
        {"no name part at all", [&] { setLayout(writeFile("a.dat", {"abc"}), "A", "N", {{Name2, {1, 3}}}); },
         ReaderFailure::Kind::Unexpected, qv::db::err::ZeroLength, "The import stopped at record 1 (line 1 of the file).", 0},
    };
    for (const auto& c : cases) {
        c.setUp();
        counters_ = {};
        const ReaderFailure f = failure();
        EXPECT_EQ(f.kind, c.kind) << c.what;
        EXPECT_EQ(f.number, c.number) << c.what;
        if (c.kind == ReaderFailure::Kind::FileNotFound) {
            EXPECT_EQ(f.path, parmText("MailFile")) << c.what;
        } else {
            EXPECT_TRUE(f.description.ends_with(c.descriptionEnd)) << c.what << ": " << f.description;
        }
        EXPECT_EQ(mmwork().size(), c.rowsKept) << c.what;
    }
}

TEST_F(Import, AFileNamedInAnotherCaseIsFound) {
    writeFile("CUST.CSV", {"a,,,,"});
    delimitedLayout((dir_ / "cust.csv").string(), "N");
    run();
    EXPECT_EQ(mmwork().size(), 1u);
}

TEST_F(Import, NewFileKeepsTheOldJobWhenItCannotDropIt) {
    delimitedLayout(writeFile("a.csv", {"a", "b"}), "N");
    run();
    auto db = open();
    auto held = db->openTable("mmwork");
    EXPECT_THROW(NewFile(*db), qv::db::DbError);
    held.reset();
    EXPECT_EQ(mmwork().size(), 2u);
}

TEST_F(Import, TheLayoutRowIsFoundByTheExactPath) {
    setLayout("/data/Cust.csv", "N", "N", {{Name1, {1, 1}}});
    auto db = open();
    EXPECT_TRUE(findLayout(*db, "/data/Cust.csv"));
    EXPECT_FALSE(findLayout(*db, "/data/cust.csv"));
    EXPECT_FALSE(findLayout(*db, "/data/other.csv"));
}

}  // namespace
