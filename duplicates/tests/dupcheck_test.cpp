#include "duplicates/dupcheck.h"

#include "workfolder.h"

#include "platform/testing/filelimit.h"

#include "common/text/csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

using namespace qv::duplicates;
using qv::db::DbError;

namespace {

using Strings = std::vector<std::string>;

std::string blanks(std::size_t n) { return std::string(n, ' '); }

TEST(SplitComma, Cases) {
    struct Case {
        std::string record;
        Strings fields;
    };
    const Case cases[] = {
        {R"("Smith, J",42,"Leeds")", {"Smith, J", "42", "Leeds"}},
        {R"("O""Brien","say ""hi""")", {"O\"Brien", "say \"hi\""}},  // a doubled quote is one quote
        {R"(a,"",b)", {"a", "", "b"}},
        {" a , b ", {" a ", " b "}},  // not trimmed
        {"", {""}},
    };
    Fields f;
    for (const auto& c : cases) {
        SplitComma(c.record, f);
        EXPECT_EQ(f, c.fields) << c.record;
    }
}

TEST(SplitFixed, Cases) {
    FileLayout layout;  // columns 1-5, 6-10 and 11 to the end; a fourth never started
    layout.start = {0, 1, 6, 11, 0};
    layout.end = {0, 5, 10, 0, 14};
    layout.fields = 4;
    struct Case {
        std::string record;
        Strings fields;
    };
    const Case cases[] = {
        {"Smith Leeds LS1 1AA", {"Smith", " Leed", "s LS1 1AA", ""}},  // the last column to the end
        {"Smith Le", {"Smith", " Le", "", ""}},                        // short of the third column's start
        {"Sm", {"Sm", "", "", ""}},
        {"", {"", "", "", ""}},
        {"Ünïcode ok", {"Ünïco", "de ok", "", ""}},                    // positions count characters
    };
    Fields f;
    for (const auto& c : cases) {
        SplitFixed(c.record, layout, f);
        EXPECT_EQ(f, c.fields) << c.record;
    }
}

TEST(BuildKey, Cases) {
    struct Case {
        const char* what;
        Strings fields;
        std::vector<bool> selected;
        std::string key;
    };
    const Case cases[] = {
        {"blanks removed, case folded", {" Mr  j smith ", "x"}, {true, false}, "MRJSMITH"},
        {"fields joined in order", {"AB", "C", "D"}, {true, true, false}, "ABC"},
        {"the split does not matter", {"A", "BC", "D"}, {true, true, false}, "ABC"},
        {"only selected fields", {"a", "b", "c"}, {false, false, true}, "C"},
        {"Latin letters folded", {"müller", "é"}, {true, true}, "MÜLLERÉ"},
        {"a field past the record is empty", {"a"}, {true, true, true}, "A"},
        {"all blank", {"   ", ""}, {true, true}, ""},
        {"tabs are not blanks", {"a\tb"}, {true}, "A\tB"},
        {"letters of every script", {"łódź", "Παπαδόπουλος", "иванов"}, {true, true, true},
         "ŁÓDŹΠΑΠΑΔΌΠΟΥΛΟΣИВАНОВ"},
        {"ß has no capital of its own", {"straße"}, {true}, "STRAßE"},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildKey(c.fields, c.selected), c.key) << c.what;
}

TEST(KeyUpper, EachLetterByItsOneForOneMapping) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc xyz 09", "ABC XYZ 09"},
        {"éàç ÿ œ š ž", "ÉÀÇ Ÿ Œ Š Ž"},          // Windows-1252 letters, as before
        {"ąćęłńóśźż", "ĄĆĘŁŃÓŚŹŻ"},              // Polish
        {"ΣΟΦΊΑ σοφία ς", "ΣΟΦΊΑ ΣΟΦΊΑ Σ"},        // Greek, final sigma included
        {"щука Ёлка", "ЩУКА ЁЛКА"},               // Cyrillic
        {"ǆ ı", "Ǆ I"},                           // a digraph; a capital shorter than its letter
        {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"},  // outside the first plane (Deseret)
        {"ß ﬀ 東京 ÷", "ß ﬀ 東京 ÷"},             // no one-for-one capital, or no letter
        {"ŁÓDŹ", "ŁÓDŹ"},
    };
    for (const auto& [text, upper] : cases) EXPECT_EQ(keyUpper(text), upper) << text;
}

TEST(BuildKey, CutToAThousandCharactersBeforeTheBlanksGo) {
    // 990 characters of which 500 are blanks, then 20: the cut counts the
    // blanks, so 490 + 10 characters remain.
    const std::string first = std::string(245, 'a') + blanks(500) + std::string(245, 'b');
    const std::string key = BuildKey({first, std::string(20, 'c')}, {true, true});
    EXPECT_EQ(key, std::string(245, 'A') + std::string(245, 'B') + std::string(10, 'C'));

    const auto parts = keyParts(std::string(1200, 'k'));
    for (const auto& p : parts) EXPECT_EQ(p, std::string(250, 'k'));
    const auto shortParts = keyParts(std::string(251, 'A'));
    EXPECT_EQ(shortParts[0], std::string(250, 'A'));
    EXPECT_EQ(shortParts[1], "A");
    EXPECT_EQ(shortParts[3], " ");  // the field takes no empty text
}

TEST(NewText, NonEmptyFieldsOneALine) {
    EXPECT_EQ(NewText({"Smith", "", " ", "Leeds"}), "Smith\r\n \r\nLeeds\r\n");
    EXPECT_EQ(NewText({}), "");
}

// ---- the work database ------------------------------------------------------

TEST(DupWorkTables, MakeTablesGivesEmptyTablesWithTheirIndexes) {
    test::WorkFolder folder;
    auto work = DupWork::open();
    auto& db = work->database();
    const auto shippedWork = db.tableDef("work");
    const auto shippedCsv = db.tableDef("CSV");
    work->MakeTables();
    const auto wdef = db.tableDef("work");
    Strings names;
    for (const auto& f : wdef.fields) names.push_back(f.name);
    EXPECT_EQ(names, (Strings{"RecNum", "Field1", "Field2", "Field3", "Field4"}));
    EXPECT_EQ(wdef.fields[0].type, qv::db::FieldType::Double);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(wdef.fields[static_cast<std::size_t>(i)].type, qv::db::FieldType::Text);
        EXPECT_EQ(wdef.fields[static_cast<std::size_t>(i)].size, 250);
        EXPECT_FALSE(wdef.fields[static_cast<std::size_t>(i)].allowZeroLength);
    }
    ASSERT_EQ(wdef.indexes.size(), 1u);
    EXPECT_EQ(wdef.indexes[0].name, "Key1");
    EXPECT_EQ(wdef.indexes[0].fields, (Strings{"Field1", "Field2", "Field3", "Field4"}));
    EXPECT_FALSE(wdef.indexes[0].unique);

    const auto cdef = db.tableDef("CSV");
    ASSERT_EQ(cdef.fields.size(), 33u);
    EXPECT_EQ(cdef.fields[0].name, "RecNum");
    EXPECT_EQ(cdef.fields[31].name, "Field31");
    EXPECT_EQ(cdef.fields[31].type, qv::db::FieldType::Memo);
    EXPECT_TRUE(cdef.fields[31].allowZeroLength);
    EXPECT_EQ(cdef.fields[32].name, "More");
    ASSERT_EQ(cdef.indexes.size(), 1u);
    EXPECT_EQ(cdef.indexes[0].fields, Strings{"RecNum"});
    EXPECT_EQ(db.openTable("work")->recordCount(), 0);
    EXPECT_EQ(db.openTable("CSV")->recordCount(), 0);

    // The delivered file holds the same tables.
    auto same = [](const qv::db::TableDef& a, const qv::db::TableDef& b) {
        if (a.fields.size() != b.fields.size() || a.indexes.size() != b.indexes.size()) return false;
        for (std::size_t i = 0; i < a.fields.size(); ++i)
            if (a.fields[i].name != b.fields[i].name || a.fields[i].type != b.fields[i].type ||
                (a.fields[i].type == qv::db::FieldType::Text && a.fields[i].size != b.fields[i].size) ||
                a.fields[i].allowZeroLength != b.fields[i].allowZeroLength)
                return false;
        return a.indexes[0].fields == b.indexes[0].fields;
    };
    EXPECT_TRUE(same(shippedWork, wdef));
    EXPECT_TRUE(same(shippedCsv, cdef));
}

TEST(DupWorkTables, AMissingWorkTableStopsBeforeAnythingIsMade) {
    test::WorkFolder folder;
    {
        auto db = qv::db::Database::open("DupWork.mdb", qv::db::OpenMode::Exclusive);
        db->dropTable("work");
        auto csv = db->openTable("CSV");
        csv->addNew();
        csv->set("RecNum", 7.0);
        csv->update();
    }
    auto work = DupWork::open();
    try {
        work->MakeTables();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), qv::db::err::DropMissingTable);
    }
    EXPECT_FALSE(work->database().hasTable("work"));
    EXPECT_EQ(work->database().openTable("CSV")->recordCount(), 1);  // not re-created
}

TEST(DupWorkTables, MissingOrHeldDatabaseIsRefused) {
    test::WorkFolder folder;
    {
        auto held = DupWork::open();
        try {
            DupWork::open();
            FAIL() << "opened twice";
        } catch (const DbError& e) {
            EXPECT_TRUE(qv::db::isHeldElsewhere(e.number())) << e.number();
        }
    }
    std::filesystem::remove(folder.dir() / "DupWork.mdb");
    try {
        DupWork::open();
        FAIL() << "opened a missing file";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), qv::db::err::FileNotFound);
    }
}

// ---- the run -------------------------------------------------------------

// Answers each pair by the number of the record just read; records every pair.
class TableDecider : public Decider {
public:
    explicit TableDecider(std::map<int64_t, Decision> answers) : answers_(std::move(answers)) {}
    Decision decide(const DuplicatePair& pair) override {
        asked.push_back(pair);
        const auto it = answers_.find(pair.newRecord);
        if (it == answers_.end()) {
            ADD_FAILURE() << "no decision for record " << pair.newRecord;
            return Decision::LeaveBoth;
        }
        return it->second;
    }
    std::vector<DuplicatePair> asked;

private:
    std::map<int64_t, Decision> answers_;
};

struct RunResult {
    RunEnd end = RunEnd::Completed;
    std::string output;
    std::vector<std::pair<int64_t, int64_t>> pairs;  // (new, earlier)
    std::vector<DuplicatePair> asked;
    std::vector<int64_t> shown;
};

RunResult runCheck(const test::WorkFolder& folder, const Strings& lines, const std::vector<bool>& selected,
             std::map<int64_t, Decision> answers, int64_t cancelAfter = 0) {
    const std::string path = folder.write("cust.txt", lines);
    const KeyScan scan = scanKeyFields(path, false);
    EXPECT_EQ(scan.problem, ScanProblem::None);
    auto work = DupWork::open();
    work->MakeTables();
    work->openTables();
    TableDecider decider(std::move(answers));
    RunResult run;
    int64_t done = 0;
    RunHooks hooks{[&](int64_t n) { run.shown.push_back(n); },
                   [&] { return cancelAfter == 0 || ++done < cancelAfter; }};
    run.end = checkFile(*work, CheckSetup{path, scan.layout, selected}, decider, hooks);
    if (run.end == RunEnd::Completed) writeOutput(*work, scan.layout.fields, folder.dir() / "OUTPUT.CSV");
    run.output = folder.read("OUTPUT.CSV");
    run.asked = decider.asked;
    for (const auto& p : decider.asked) run.pairs.emplace_back(p.newRecord, p.earlierRecord);
    return run;
}

using Pairs = std::vector<std::pair<int64_t, int64_t>>;

TEST(CheckRun, Decisions) {
    const Strings people = {
        "Smith,John,1 High St,Leeds,LS1 1AA",   // 1
        "Jones,Ann,2 Low Rd,York,YO1 1AA",      // 2
        "SMITH,  john ,9 Other St,Hull,HU1 1AA",  // 3: same name as 1 by case and blanks
        "Brown,Tom,3 Mid Way,Bath,BA1 1AA",     // 4
    };
    const std::vector<bool> name = {true, true, false, false, false};
    struct Case {
        const char* what;
        Decision decision;
        std::string output;
    };
    const Case cases[] = {
        {"Delete beside the record just read drops it", Decision::DeleteNew,
         "\"Smith\",\"John\",\"1 High St\",\"Leeds\",\"LS1 1AA\"\r\n"
         "\"Jones\",\"Ann\",\"2 Low Rd\",\"York\",\"YO1 1AA\"\r\n"
         "\"Brown\",\"Tom\",\"3 Mid Way\",\"Bath\",\"BA1 1AA\"\r\n"},
        {"Delete beside the earlier record keeps the new one in its own place", Decision::DeleteEarlier,
         "\"Jones\",\"Ann\",\"2 Low Rd\",\"York\",\"YO1 1AA\"\r\n"
         "\"SMITH\",\"john\",\"9 Other St\",\"Hull\",\"HU1 1AA\"\r\n"
         "\"Brown\",\"Tom\",\"3 Mid Way\",\"Bath\",\"BA1 1AA\"\r\n"},
        {"Leave both keeps both", Decision::LeaveBoth,
         "\"Smith\",\"John\",\"1 High St\",\"Leeds\",\"LS1 1AA\"\r\n"
         "\"Jones\",\"Ann\",\"2 Low Rd\",\"York\",\"YO1 1AA\"\r\n"
         "\"SMITH\",\"john\",\"9 Other St\",\"Hull\",\"HU1 1AA\"\r\n"
         "\"Brown\",\"Tom\",\"3 Mid Way\",\"Bath\",\"BA1 1AA\"\r\n"},
    };
    for (const auto& c : cases) {
        test::WorkFolder folder;
        const RunResult run = runCheck(folder, people, name, {{3, c.decision}});
        EXPECT_EQ(run.end, RunEnd::Completed) << c.what;
        EXPECT_EQ(run.pairs, (Pairs{{3, 1}})) << c.what;
        EXPECT_EQ(run.output, c.output) << c.what;
    }
}

TEST(CheckRun, TheDialogTextsAreBothRecordsOneFieldALine) {
    test::WorkFolder folder;
    const RunResult run = runCheck(folder, {"Smith,,Leeds,x,y", "smith,Ann,,York,z"},
                                   {true, false, false, false, false}, {{2, Decision::LeaveBoth}});
    ASSERT_EQ(run.asked.size(), 1u);
    EXPECT_EQ(run.asked[0].newText, "smith\r\nAnn\r\nYork\r\nz\r\n");
    EXPECT_EQ(run.asked[0].earlierText, "Smith\r\nLeeds\r\nx\r\ny\r\n");
}

TEST(CheckRun, NoRepeatedKeyAsksNothingAndKeepsFileOrder) {
    test::WorkFolder folder;
    const RunResult run =
        runCheck(folder, {"c,1,x,y,z", "a,2,x,y,z", "b,3,x,y,z"}, {true, false, false, false, false}, {});
    EXPECT_TRUE(run.pairs.empty());
    EXPECT_EQ(run.output,
              "\"c\",\"1\",\"x\",\"y\",\"z\"\r\n\"a\",\"2\",\"x\",\"y\",\"z\"\r\n\"b\",\"3\",\"x\",\"y\",\"z\"\r\n");
}

TEST(CheckRun, AThirdDuplicateMeetsTheLowestKeptRecord) {
    test::WorkFolder folder;
    const RunResult run = runCheck(folder, {"k,1,a,b,c", "K,2,a,b,c", "k ,3,a,b,c", "k,4,a,b,c"},
                             {true, false, false, false, false},
                             {{2, Decision::LeaveBoth}, {3, Decision::DeleteEarlier}, {4, Decision::DeleteNew}});
    // Record 3 removes record 1; record 4 then meets record 2, the lowest kept.
    EXPECT_EQ(run.pairs, (Pairs{{2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(run.output, "\"K\",\"2\",\"a\",\"b\",\"c\"\r\n\"k\",\"3\",\"a\",\"b\",\"c\"\r\n");
}

TEST(CheckRun, KeysSplitDifferentlyAreTheSame) {
    test::WorkFolder folder;
    const RunResult run = runCheck(folder, {"AB,C,1,x,y", "A,BC,2,x,y", "a b,c,3,x,y", "AB,D,4,x,y"},
                             {true, true, false, false, false},
                             {{2, Decision::LeaveBoth}, {3, Decision::LeaveBoth}});
    EXPECT_EQ(run.pairs, (Pairs{{2, 1}, {3, 1}}));
}

TEST(CheckRun, NamesDifferingInCaseInAnyScriptAreDuplicates) {
    test::WorkFolder folder;
    const RunResult run = runCheck(folder,
                                   {"łódź,1,x,y,z", "ŁÓDŹ,2,x,y,z", "Иванов,3,x,y,z", "ИВАНОВ,4,x,y,z",
                                    "Straße,5,x,y,z", "STRASSE,6,x,y,z"},
                                   {true, false, false, false, false},
                                   {{2, Decision::LeaveBoth}, {4, Decision::LeaveBoth}});
    EXPECT_EQ(run.pairs, (Pairs{{2, 1}, {4, 3}}));
}

TEST(CheckRun, EmptyKeysMatchAndKeysMatchOnTheirFirstThousandCharacters) {
    test::WorkFolder folder;
    const std::string k(999, 'k');
    const RunResult run =
        runCheck(folder, {",1,x,y,z", " ,2,x,y,z", k + "a,3,x,y,z", k + "ab,4,x,y,z", k + "b,5,x,y,z", "k,6,x,y,z"},
                 {true, false, false, false, false}, {{2, Decision::LeaveBoth}, {4, Decision::LeaveBoth}});
    EXPECT_EQ(run.pairs, (Pairs{{2, 1}, {4, 3}}));
}

TEST(CheckRun, AHeadingLineIsARecordLikeAnyOther) {
    test::WorkFolder folder;
    const RunResult run = runCheck(folder, {R"("Name","Town","Post","Ref")", R"("NAME","Leeds","LS1","1")"},
                             {true, false, false, false}, {{2, Decision::DeleteNew}});
    EXPECT_EQ(run.pairs, (Pairs{{2, 1}}));
    EXPECT_EQ(run.output, "\"Name\",\"Town\",\"Post\",\"Ref\"\r\n");
}

TEST(CheckRun, OutputValues) {
    const std::string longText(150, 'x');
    struct Case {
        const char* what;
        Strings lines;
        std::string output;
    };
    const Case cases[] = {
        {"a short record is filled with empty values",
         {"a,b,c,d,e", "f,g,h"},
         "\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\"f\",\"g\",\"h\",\"\",\"\"\r\n"},
        {"a longer record keeps every field",
         {"a,b,c,d,e", "f,g,h,i,j,k,l"},
         "\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\"f\",\"g\",\"h\",\"i\",\"j\",\"k\",\"l\"\r\n"},
        {"blanks around a value go",
         {" a , b ,c,d,  e  "},
         "\"a\",\"b\",\"c\",\"d\",\"e\"\r\n"},
        {"a quote inside a value is doubled",
         {R"("O""Brien",Say "hi",c,d,e)"},
         "\"O\"\"Brien\",\"Say hi\",\"c\",\"d\",\"e\"\r\n"},
        {"a long field is written whole",
         {"a,b,c,d," + longText},
         "\"a\",\"b\",\"c\",\"d\",\"" + longText + "\"\r\n"},
        {"an empty line is a record of empty values",
         {"a,b,c,d,e", ""},
         "\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\"\",\"\",\"\",\"\",\"\"\r\n"},
        {"a fixed-column file is written one value per column",
         {"Smith     Leeds     LS1", "Jones     York      YO1", "Brown     Bath      BA1"},
         "\"Smith\",\"Leeds\",\"LS1\"\r\n\"Jones\",\"York\",\"YO1\"\r\n\"Brown\",\"Bath\",\"BA1\"\r\n"},
    };
    for (const auto& c : cases) {
        test::WorkFolder folder;
        const RunResult run = runCheck(folder, c.lines, {true, true, true, true, true}, {});
        EXPECT_EQ(run.output, c.output) << c.what;
    }
}

TEST(CheckRun, ManyFieldsAndQuotesReadBackWhole) {
    test::WorkFolder folder;
    Strings first, second;
    for (int i = 1; i <= 40; ++i) {
        first.push_back("f" + std::to_string(i));
        second.push_back(i == 35 ? "say \"\"x\"\", ok" : "s" + std::to_string(i));
    }
    auto join = [](const Strings& f, bool quote) {
        std::string out;
        for (std::size_t i = 0; i < f.size(); ++i) out += (i ? "," : "") + (quote ? "\"" + f[i] + "\"" : f[i]);
        return out;
    };
    std::vector<bool> selected(30, false);
    selected[0] = true;
    const RunResult run = runCheck(folder, {join(first, false), join(second, true)}, selected, {});
    std::istringstream lines(run.output);
    std::string line;
    std::vector<Strings> read;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        read.push_back(qv::parseCsvRecord(line));
    }
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0], first);
    second[34] = "say \"x\", ok";
    EXPECT_EQ(read[1], second);
}

TEST(CheckRun, CancelEndsWithoutOutput) {
    // Cancel taken after the second record, and after the last one: either
    // way the run ends without OUTPUT.CSV.
    for (const int64_t after : {2, 3}) {
        test::WorkFolder folder;
        const RunResult run =
            runCheck(folder, {"a,1,x,y,z", "b,2,x,y,z", "c,3,x,y,z"}, {true, false, false, false, false}, {}, after);
        EXPECT_EQ(run.end, RunEnd::Cancelled) << after;
        EXPECT_EQ(run.output, "<missing>") << after;
        auto db = qv::db::Database::open("DupWork.mdb");
        EXPECT_EQ(db->openTable("CSV")->recordCount(), after) << after;  // the tables as they stood
    }
}

TEST(CheckRun, TheCounterShowsOneThenEveryTenthRecord) {
    test::WorkFolder folder;
    Strings lines;
    for (int i = 1; i <= 25; ++i) lines.push_back(std::to_string(i) + ",a,b,c,d");
    const RunResult run = runCheck(folder, lines, {true, false, false, false, false}, {});
    EXPECT_EQ(run.shown, (std::vector<int64_t>{1, 10, 20}));
}

TEST(CheckRun, TheWholeJobUnattended) {
    test::WorkFolder folder;
    folder.write("output.csv", {"an earlier file of that name, in another case"});
    const std::string path = folder.write("cust.txt", {"a,1,x,y,z", "A,2,x,y,z"});
    const KeyScan scan = scanKeyFields(path, false);
    TableDecider decider({{2, Decision::DeleteEarlier}});
    EXPECT_EQ(deduplicate(CheckSetup{path, scan.layout, {true, false, false, false, false}}, decider),
              RunEnd::Completed);
    EXPECT_EQ(folder.read("output.csv"), "\"A\",\"2\",\"x\",\"y\",\"z\"\r\n");
    EXPECT_EQ(folder.read("OUTPUT.CSV"), "<missing>");
}

// A file whose only line ends are CRs is checked record by record; the
// quoted fields, doubled quotes and all, are read as in a file of CRLFs.
TEST(CheckRun, AFileOfCrLineEnds) {
    test::WorkFolder folder;
    const std::string path = folder.writeBytes(
        "cust.txt", "\"Smith\",\"The \"\"Old\"\" Mill\",\"Roath\",\"Cardiff\",\"CF24 3AA\"\r"
                    "\"Jones\",\"2 Low Rd\",\"York\",\"York\",\"YO1 1AA\"\r"
                    "\"SMITH\",\"9 Other St\",\"Hull\",\"Hull\",\"HU1 1AA\"\r");
    const KeyScan scan = scanKeyFields(path, false);
    ASSERT_EQ(scan.problem, ScanProblem::None);
    EXPECT_EQ(scan.layout.fields, 5);
    TableDecider decider({{3, Decision::DeleteNew}});
    EXPECT_EQ(deduplicate(CheckSetup{path, scan.layout, {true, false, false, false, false}}, decider),
              RunEnd::Completed);
    ASSERT_EQ(decider.asked.size(), 1u);
    EXPECT_EQ(decider.asked[0].earlierRecord, 1);
    EXPECT_EQ(folder.read("OUTPUT.CSV"),
              "\"Smith\",\"The \"\"Old\"\" Mill\",\"Roath\",\"Cardiff\",\"CF24 3AA\"\r\n"
              "\"Jones\",\"2 Low Rd\",\"York\",\"York\",\"YO1 1AA\"\r\n");
}

TEST(CheckRun, AnOutputThatCannotBeWrittenIsAnError) {
    test::WorkFolder folder;
    const std::string path = folder.write("cust.txt", {"a,b,c,d,e"});
    const KeyScan scan = scanKeyFields(path, false);
    auto work = DupWork::open();
    work->MakeTables();
    work->openTables();
    TableDecider decider({});
    checkFile(*work, CheckSetup{path, scan.layout, {true, false, false, false, false}}, decider);
    std::filesystem::create_directories(folder.dir() / "OUTPUT.CSV");  // a folder in its place
    EXPECT_THROW(writeOutput(*work, scan.layout.fields, folder.dir() / "OUTPUT.CSV"), std::system_error);
    for (const auto& e : std::filesystem::directory_iterator(folder.dir()))
        EXPECT_EQ(e.path().filename().string().find(".OUTPUT.CSV"), std::string::npos) << e.path();
}

TEST(CheckRun, TheOutputReplacesAnEarlierFileOrLinkOnlyWhenWhole) {
    test::WorkFolder folder;
    Strings lines;
    for (int i = 1; i <= 200; ++i) lines.push_back("name" + std::to_string(i) + ",b,c,d,e");
    const std::string path = folder.write("cust.txt", lines);
    const KeyScan scan = scanKeyFields(path, false);
    auto work = DupWork::open();
    work->MakeTables();
    work->openTables();
    TableDecider decider({});
    ASSERT_EQ(checkFile(*work, CheckSetup{path, scan.layout, {true, false, false, false, false}}, decider),
              RunEnd::Completed);
    const auto output = folder.dir() / "OUTPUT.CSV";
    auto temporaries = [&] {
        Strings out;
        for (const auto& e : std::filesystem::directory_iterator(folder.dir()))
            if (e.path().filename().string().rfind(".OUTPUT.CSV", 0) == 0) out.push_back(e.path().filename());
        return out;
    };

    // A link to a file outside the folder is replaced, not written through.
    const auto outside = folder.dir().parent_path() / (folder.dir().filename().string() + "-outside.csv");
    { std::ofstream(outside, std::ios::binary) << "someone else's file\r\n"; }
    std::filesystem::create_symlink(outside, output);
    writeOutput(*work, scan.layout.fields, output);
    EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::symlink_status(output)));
    const std::string whole = folder.read("OUTPUT.CSV");
    EXPECT_EQ(whole.rfind("\"name1\",\"b\",\"c\",\"d\",\"e\"\r\n", 0), 0u);
    EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 200);
    std::ifstream in(outside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "someone else's file\r\n");
    std::filesystem::remove(outside);

    // A full disk: the write fails with its cause and the earlier file stays whole.
    try {
        qv::testkit::FileSizeLimit full(1024);
        writeOutput(*work, scan.layout.fields, output);
        ADD_FAILURE() << "written past the limit";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().message(), "File too large");
    }
    EXPECT_EQ(folder.read("OUTPUT.CSV"), whole);
    EXPECT_EQ(temporaries(), Strings{});
}

}  // namespace
