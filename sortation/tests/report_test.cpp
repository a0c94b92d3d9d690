// The line report over a sorted job: its printed lines and pages, the bags
// rows, the statistics and the Post Office files.
#include "platform/testing/recordingprinter.h"
#include "sortation/sortrun.h"
#include "sortation/tests/fixture.h"

#include <gtest/gtest.h>

namespace qv::sortation {
namespace {

using fixture::Address;
using fixture::Row;
namespace fs = std::filesystem;
using platform::RecordingPrinter;

std::string blanks(std::size_t n) { return std::string(n, ' '); }

const std::string kTitle1 = "10/12/2026" + blanks(23) + "Mailsort Line Report" + blanks(25) + "Page: 1";
const std::string kHeading = "Code" + blanks(64) + "Items  Cum Item    Bags  Cum Bags  Seq#";
const std::string kEnd = blanks(44) + "<<< End of Report >>>";

std::string line(const std::string& code, const std::string& desc, const std::string& numbers,
                 const std::string& seq = blanks(5)) {
    return code + blanks(5 - code.size()) + blanks(6) + desc + blanks(50 - desc.size()) + blanks(6) + numbers + seq;
}

std::ostream& operator<<(std::ostream& o, const std::optional<double>& v) {
    return v ? o << *v : o << "-";
}

class Report : public fixture::SortFolder {
protected:
    // The line report on its own: its document ends where the planning
    // report would begin.
    RunResult sort(RunHooks hooks = {}) {
        auto db = open();
        hooks.lineReportAlone = true;
        return runSortation(*db, printer_, hooks);
    }
    QStringList printed() const { return printer_.texts(); }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const QString& s : printer_.texts()) out.push_back(s.toStdString());
        return out;
    }
    std::vector<std::string> header(const std::string& format = "Letter") const {
        return {kTitle1, " Brackwith Mailing", " ", "Job Reference: JOB 7", "Mail Format: " + format, " ", kHeading,
                " "};
    }
    static std::vector<std::string> cat(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    // The job of the expected files: three direct, a re-coded one, one matched
    // by its town, one letter post; two items a bag, one a bundle.
    void filesJob() {
        setParm({{"Selection", "2"}, {"Weight", "10"}, {"BagMax", "20"}, {"BundleMax", "1"}});
        addLabels({{"12345", "NEWTOWN DIRECT"}, {"123", "NEWTOWN RESIDUE"}});
        auto address = [](std::string name, std::string a1, std::string town, std::string county, std::string pc,
                          std::string mscode, std::string rscode, std::string pcflag) {
            Address a;
            a.name = std::move(name);
            a.lines = {a1, "", "", "", town, county, pc};
            a.mscode = mscode;
            a.rscode = rscode;
            a.pcflag = pcflag;
            a.seq = mscode == "1" ? 0 : std::stod(mscode) * (rscode.empty() ? 1 : 1000);
            return a;
        };
        makeMmwork({address("Mrs A Smith", "1 High Street", "NEWTOWN", "WESTSHIRE", "NT1 2AB", "12345", "", "F"),
                    address("Mr B \"Bob\" Jones", "2 High Street", "NEWTOWN", "WESTSHIRE", "NT1 2AC", "12345", "", "F"),
                    address("C Brown", "3, The Lane", "NEWTOWN", "WESTSHIRE", "NT1 2AD", "12345", "", "F"),
                    address("D Green", "4 Low Road", "NEWTOWN", "WESTSHIRE", "NT3 9ZZ", "12399", "", "F"),
                    address("E White", "5 Mill Lane", "OLDTOWN", "", "", "123", "123", "O"),
                    address("F Black", "Nowhere Farm", "", "", "XX", "1", "", "")});
        // The fixture's address lines leave address2..4 unset: the file shows them empty.
    }

    std::string expected(const std::string& file) {
        std::ifstream in(std::string(QV_CASES_DIR) + "/files/" + file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    using N = std::optional<double>;
    struct BagsRow {
        N bag, start, label, bundle, seq;
        bool operator==(const BagsRow&) const = default;
        friend std::ostream& operator<<(std::ostream& o, const BagsRow& r) {
            return o << "(" << r.bag << ", " << r.start << ", " << r.label << ", " << r.bundle << ", " << r.seq << ")";
        }
    };
    std::vector<BagsRow> bags() {
        std::vector<BagsRow> out;
        auto n = [](const db::Value& v) { return v.isNull() ? N() : N(v.toDouble()); };
        for (const Row& r : rows("bags"))
            out.push_back({n(r.at("Bag Number")), n(r.at("Label Start")), n(r.at("Label Number")),
                           n(r.at("Bundle Number")), n(r.at("Seq"))});
        return out;
    }
    std::size_t records(const std::string& file) {
        const std::string bytes = fileBytes(file);
        return std::size_t(std::count(bytes.begin(), bytes.end(), '\n'));
    }

    // The line report alone over mmwork as laid out, with no pass before it:
    // every code reaches the files as it is stored.
    void lineReportOnly() {
        auto db = open();
        const parm::ParmRecord parm(*db);
        const JobKeys keys = JobKeys::read(parm);
        const BagValues values = *bagValues(keys).values;
        const double totrecs = double(db->openTable(jobtables::Mmwork)->recordCount());
        db->beginTransaction();
        newfile(*db, keys.kept);
        linerep(*db, printer_, keys, values, totrecs, {});
    }

    RecordingPrinter printer_;
};

TEST_F(Report, TheFilesOfAJobByteForByte) {
    filesJob();
    const RunResult r = sort();
    ASSERT_EQ(r.status, RunStatus::Completed);
    EXPECT_EQ(fileBytes("POFILE.DAT"), expected("POFILE.DAT"));
    EXPECT_EQ(fileBytes("POLINE.CSV"), expected("POLINE.CSV"));
    EXPECT_EQ(fileBytes("POADDR.CSV"), expected("POADDR.CSV"));
}

TEST_F(Report, PostOfficeRecordsAsTheFilesHoldThem) {
    // 10 items a bag. Each job's addresses are in mmwork in Key2 (seq) order.
    auto at = [](const std::string& code, int n, double seq) -> std::vector<Address> {
        std::vector<Address> g(static_cast<std::size_t>(n));
        for (Address& a : g) {
            a.mscode = code;
            a.seq = seq;
            if (code == "1") a.pcflag = "";
        }
        return g;
    };
    // One label row for every code of the jobs below.
    addLabels({{"00123", "A"}, {"12345", "A \"QUOTED\" PLACE"}, {"123", "  NEWTOWN RESIDUE   "}, {"A1234", "D"},
               {"12A45", "E"}, {"10101", "X"}, {"13001", "Y"}});
    struct Case {
        const char* what;
        std::vector<Address> addresses;
        const char* file;
        std::string bytes;
    };
    const Case cases[] = {
        {"the selection number of POFILE.DAT: the code's leading digits",
         join({at("00123", 30, 1), at("12345", 120, 2), at("123", 5, 3), at("A1234", 15, 4), at("12A45", 5, 5)}),
         "POFILE.DAT", "123,3\r\n12345,12\r\n123,1\r\n0,2\r\n12,1\r\n"},
        {"a description trimmed", join({at("10101", 30, 1), at("123", 24, 2)}), "POLINE.CSV",
         "\"10101\",\"X\",\"30\",\"30\",\"3\",\"3\"\r\n"
         "\"123\",\"NEWTOWN RESIDUE\",\"24\",\"54\",\"3\",\"6\"\r\n"},
        {"a quote in a description doubled", at("12345", 1, 1), "POLINE.CSV",
         "\"12345\",\"A \"\"QUOTED\"\" PLACE\",\"1\",\"1\",\"1\",\"1\"\r\n"},
        {"the letter post", join({at("13001", 130, 1), at("1", 12, 99000001)}), "POLINE.CSV",
         "\"13001\",\"Y\",\"130\",\"130\",\"13\",\"13\"\r\n"
         "\"None\",\"Letter Post\",\"12\",\"142\",\"2\",\"15\"\r\n"},
    };
    for (const Case& c : cases) {
        makeMmwork(c.addresses);
        printer_.clear();
        lineReportOnly();
        EXPECT_EQ(fileBytes(c.file), c.bytes) << c.what;
    }
}

TEST_F(Report, LinesBagsAndStatisticsOfAJob) {
    filesJob();
    setParm({{"BagLab", "Y"}, {"BundleLab", "Y"}});
    const RunResult r = sort();
    EXPECT_EQ(lines(), cat(header(), {line("12345", "NEWTOWN DIRECT", "     3    " "     3  " "     2    " "     2"),
                                      line("123", "NEWTOWN RESIDUE", "     2    " "     5  " "     1    " "     3"),
                                      "None       Letter Post" + blanks(45) + "     1    " "     6  " "     1    " "     4",
                                      kEnd}));
    // 12345: 3 items, 2 bags, 3 bundles (direct); 123: 2 items, 1 bag, 2 residue bundles.
    EXPECT_EQ(bags(), (std::vector<BagsRow>{{1, 1, 3 + 2 + 0, 0, 12345},
                                            {3, 5, 5 + 3 + 2, 1, 123000},
                                            {4, {}, 6 + 4 + 2, 2, 99000001}}));
    Statistics s;
    s.procrecs = 6;
    s.pcmatch = 4;
    s.townmatch = 1;
    s.nomatch = 1;
    s.outonly = 1;
    s.fullpc = 4;
    s.dirsels = 1, s.diritems = 3, s.dirbags = 2, s.dirbund = 3;
    s.ressels = 1, s.resitems = 2, s.resbags = 1, s.resbund = 2;
    EXPECT_EQ(r.stats(), s);
    // Ended by the line report itself: one document, no page after its end line.
    ASSERT_EQ(printer_.documents().size(), 1u);
    EXPECT_EQ(printer_.documents()[0].size(), 1u);
    EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::NewPage), 0);
}

TEST_F(Report, FontsOfTheHeaderAndTheLines) {
    const std::pair<const char*, double> cases[] = {{"L", 8}, {"E", 9}, {"", 9}};
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    for (const auto& [kind, size] : cases) {
        setParm({{"Printer", kind}});
        makeMmwork(group("12345", 30));
        printer_.clear();
        sort();
        const auto printedLines = printer_.lines();
        ASSERT_EQ(printedLines.size(), 10u) << kind;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(printedLines[std::size_t(i)].font.size, 11) << kind << i;
        for (std::size_t i = 6; i < printedLines.size(); ++i) EXPECT_EQ(printedLines[i].font.size, size) << kind << i;
        EXPECT_EQ(printedLines[0].font.name, "Courier New");
    }
}

TEST_F(Report, OnlyLetterPost) {
    makeMmwork(group("1", 12));
    const RunResult r = sort();
    EXPECT_EQ(lines(), cat(header(), {"None       Letter Post" + blanks(45) + "    12    " "    12  " "     2    " "     2",
                                      kEnd}));
    EXPECT_EQ(r.stats().nomatch, 12);
    EXPECT_EQ(r.stats().procrecs, 12);
    EXPECT_EQ(bags(), (std::vector<BagsRow>{{2, {}, 12, {}, 99000001}}));
    EXPECT_EQ(fileBytes("POFILE.DAT"), "");
    EXPECT_EQ(fileBytes("POLINE.CSV"), "\"None\",\"Letter Post\",\"12\",\"12\",\"2\",\"2\"\r\n");
}

TEST_F(Report, NoLetterPostNoLetterPostLineRowOrRecord) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(group("12345", 25));
    const RunResult r = sort();
    EXPECT_EQ(lines(), cat(header(), {line("12345", "NEWTOWN DIRECT", "    25    " "    25  " "     3    " "     3"),
                                      kEnd}));
    EXPECT_EQ(bags(), (std::vector<BagsRow>{{1, 0, 25, {}, 12345}}));
    EXPECT_EQ(fileBytes("POLINE.CSV"), "\"12345\",\"NEWTOWN DIRECT\",\"25\",\"25\",\"3\",\"3\"\r\n");
    EXPECT_EQ(r.stats().nomatch, 0);
    // The last address is counted once although the walk visits it twice.
    EXPECT_EQ(r.stats().procrecs, 25);
    EXPECT_EQ(r.stats().pcmatch, 25);
    EXPECT_EQ(r.stats().fullpc, 25);
    EXPECT_EQ(r.stats().diritems, 25);
}

TEST_F(Report, TheFollowingReportPrintsOnANewPageOfTheSameDocument) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(join({group("12345", 25), group("1", 3)}));
    Statistics seen;
    RunHooks hooks;
    hooks.following = [&](const LineReportEnd& end) {
        seen = end.stats;
        EXPECT_TRUE(end.printer.documentOpen());
        EXPECT_EQ(end.values.bagitems, 10);
        end.printer.print(QStringLiteral("PLANNING"));
        end.printer.endDoc();
    };
    const RunResult r = sort(hooks);
    EXPECT_EQ(seen, r.stats());
    ASSERT_EQ(printer_.documents().size(), 1u);
    ASSERT_EQ(printer_.documents()[0].size(), 2u);
    EXPECT_EQ(printer_.documents()[0][0].back().text.toStdString(), kEnd);
    EXPECT_EQ(printer_.documents()[0][1].front().text, QStringLiteral("PLANNING"));
}

TEST_F(Report, PageBreakAfterThe65thLineOnDotMatrixAndThe75thOnLaser) {
    const std::pair<const char*, int> cases[] = {{"E", 65}, {"L", 75}};
    for (const auto& [kind, perPage] : cases) {
        setParm({{"Printer", kind}, {"Selection", "1"}});
        std::vector<Address> job;
        std::vector<std::pair<std::string, std::string>> labels;
        for (int i = 1; i <= perPage + 1; ++i) {
            const std::string code = std::to_string(10000 + i);
            labels.push_back({code, "PLACE " + code});
            auto g = group(code, 1);
            job.insert(job.end(), g.begin(), g.end());
        }
        {
            auto db = open();
            db->dropTable("label");
            db->createTable({"label",
                             {{"mdselc", db::FieldType::Text, 5}, {"mdlab", db::FieldType::Text, 75}},
                             {{"PrimaryKey", {"mdselc"}, true, true}}});
        }
        addLabels(labels);
        makeMmwork(job);
        printer_.clear();
        sort();
        ASSERT_EQ(printer_.documents().size(), 1u) << kind;
        const auto& pages = printer_.documents()[0];
        ASSERT_EQ(pages.size(), 2u) << kind;
        EXPECT_EQ(pages[0].size(), std::size_t(8 + perPage)) << kind;
        EXPECT_EQ(pages[0].back().text.left(5).toStdString(), std::to_string(10000 + perPage)) << kind;
        std::vector<std::string> second;
        for (const auto& l : pages[1]) second.push_back(l.text.toStdString());
        const std::string code = std::to_string(10000 + perPage + 1);
        EXPECT_EQ(second, (std::vector<std::string>{
                              "10/12/2026" + blanks(23) + "Mailsort Line Report" + blanks(25) + "Page: 2",
                              " Brackwith Mailing", " ", kHeading, " ",
                              line(code, "PLACE " + code,
                                   "     1    " + numberColumn(perPage + 1) + "  " "     1    " +
                                       numberColumn(perPage + 1)),
                              kEnd}))
            << kind;
        EXPECT_EQ(pages[1][0].font.size, 11) << kind;
        EXPECT_EQ(pages[1][3].font.size, std::string(kind) == "L" ? 8 : 9) << kind;
    }
}

TEST_F(Report, LabelNumbersRunOnAcrossADroppedSelectionAndAMergedResidue) {
    // 4 items a bag (40 g / 10 g), 3 a bundle, so 2 bundles a bag; a
    // selection needs 3 items; bag and bundle labels printed.
    setParm({{"Selection", "3"}, {"Weight", "10"}, {"BagMax", "40"}, {"BundleMax", "3"}, {"BagLab", "Y"},
             {"BundleLab", "Y"}});
    addLabels({{"10101", "FIRST DIRECT"}, {"10301", "THIRD DIRECT"}, {"101", "FIRST RESIDUE"}});
    // 10102 is too small and joins the address matched by its town in
    // residue 101; 10201 has no label row.
    makeMmwork(join({group("1", 6), group("10301", 4), group("10102", 2), group("10201", 5), group("101", 1, "101"),
                     group("10101", 9)}));
    const RunResult r = sort();
    ASSERT_EQ(r.status, RunStatus::Completed);
    // 10101: 9 items in 3 bags (4, 4, 1), 2 + 2 + 1 bundles. 10201 (5 items)
    // is left out but counted. 10301: 4 items, 1 bag, 2 bundles. 101: 3
    // items, 1 bag, 1 residue bundle. Letter post: 6 items in 2 bags.
    EXPECT_EQ(lines(), cat(header(), {line("10101", "FIRST DIRECT", "     9    " "     9  " "     3    " "     3"),
                                      line("10301", "THIRD DIRECT", "     4    " "    18  " "     1    " "     4"),
                                      line("101", "FIRST RESIDUE", "     3    " "    21  " "     1    " "     5"),
                                      "None       Letter Post" + blanks(45) + "     6    " "    27  " "     2    " "     7",
                                      kEnd}));
    // Label Number: items so far + bags so far + residue bundles so far.
    EXPECT_EQ(bags(), (std::vector<BagsRow>{{1, 1, 9 + 3 + 0, 0, 10101},
                                            {4, 12, 18 + 4 + 0, 0, 10301},
                                            {5, 22, 21 + 5 + 1, 1, 101000},
                                            {7, {}, 27 + 7 + 1, 1, 99000001}}));
    EXPECT_EQ(fileBytes("POFILE.DAT"), "10101,3\r\n10301,1\r\n101,1\r\n");
    EXPECT_EQ(fileBytes("POLINE.CSV"), "\"10101\",\"FIRST DIRECT\",\"9\",\"9\",\"3\",\"3\"\r\n"
                                       "\"10301\",\"THIRD DIRECT\",\"4\",\"18\",\"1\",\"4\"\r\n"
                                       "\"101\",\"FIRST RESIDUE\",\"3\",\"21\",\"1\",\"5\"\r\n"
                                       "\"None\",\"Letter Post\",\"6\",\"27\",\"2\",\"7\"\r\n");
    Statistics s;
    s.procrecs = 27;
    s.pcmatch = 20;
    s.townmatch = 1;
    s.nomatch = 6;
    s.fullpc = 21;
    s.dirsels = 2, s.diritems = 13, s.dirbags = 4, s.dirbund = 7;
    s.ressels = 1, s.resitems = 3, s.resbags = 1, s.resbund = 1;
    EXPECT_EQ(r.stats(), s);
    EXPECT_EQ(r.report.dropped, 1);
}

TEST_F(Report, ABreakAfterTheLastSelectionLineIsFollowedByTheLetterPostAndTheEnd) {
    setParm({{"Printer", "E"}, {"Selection", "1"}});
    std::vector<Address> job = group("1", 3);
    std::vector<std::pair<std::string, std::string>> labels;
    for (int i = 1; i <= 65; ++i) {
        const std::string code = std::to_string(20000 + i);
        labels.push_back({code, "PLACE " + code});
        const auto g = group(code, 1);
        job.insert(job.end(), g.begin(), g.end());
    }
    addLabels(labels);
    makeMmwork(job);
    sort();
    ASSERT_EQ(printer_.documents().size(), 1u);
    const auto& pages = printer_.documents()[0];
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].size(), std::size_t(8 + 65));
    std::vector<std::string> second;
    for (const auto& l : pages[1]) second.push_back(l.text.toStdString());
    EXPECT_EQ(second, (std::vector<std::string>{
                          "10/12/2026" + blanks(23) + "Mailsort Line Report" + blanks(25) + "Page: 2",
                          " Brackwith Mailing", " ", kHeading, " ",
                          "None       Letter Post" + blanks(45) + "     3    " "    68  " "     1    " "    66",
                          kEnd}));
}

TEST_F(Report, ASelectionWithoutALabelRowIsLeftOutButCounted) {
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"12401", "OLDTOWN DIRECT"}});
    makeMmwork(join({group("12345", 25), group("12377", 25), group("12401", 25)}));
    const RunResult r = sort();
    EXPECT_EQ(lines(), cat(header(), {line("12345", "NEWTOWN DIRECT", "    25    " "    25  " "     3    " "     3"),
                                      line("12401", "OLDTOWN DIRECT", "    25    " "    75  " "     3    " "     6"),
                                      kEnd}));
    EXPECT_EQ(bags(), (std::vector<BagsRow>{{1, 0, 25, {}, 12345}, {4, 25, 75, {}, 12401}}));
    EXPECT_EQ(fileBytes("POFILE.DAT"), "12345,3\r\n12401,3\r\n");
    EXPECT_EQ(r.report.dropped, 1);
    EXPECT_EQ(r.stats().dirsels, 2);
    EXPECT_EQ(r.stats().diritems, 50);
    EXPECT_EQ(r.stats().pcmatch, 75);
    // Every address is in the address file, the dropped ones too.
    EXPECT_EQ(records("POADDR.CSV"), 75u);
}

TEST_F(Report, GeographicMailsort1ShowsTheRegionPosition) {
    addRows("pcode", {{{"mpcode", "NT1 2"}, {"mdsel", "12345"}, {"rreg", 3}}});
    addRows("sequence", {{{"mdresc", "123"}, {"mdsorts", "0204030112" + std::string(22, '9')}}});
    addRegions({{"123", 3}, {"124", 5}});
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"12401", "OLDTOWN DIRECT"}});
    setParm({{"Geog", "Y"}, {"Postcode", "NT1 2AB"}, {"Format", "XX"}});
    makeMmwork(join({group("12401", 25), group("12345", 25), group("1", 2)}));
    sort();
    EXPECT_EQ(lines(), cat(header(""), {line("12345", "NEWTOWN DIRECT", "    25    " "    25  " "     3    " "     3", "   03"),
                                        line("12401", "OLDTOWN DIRECT", "    25    " "    50  " "     3    " "     6", "   12"),
                                        "None       Letter Post" + blanks(45) + "     2    " "    52  " "     1    " "     7" "   99",
                                        kEnd}));
    // Any other service leaves the column blank.
    setParm({{"Service", "M2"}});
    printer_.clear();
    sort();
    for (const std::string& l : lines())
        if (l.rfind("12", 0) == 0) {
            EXPECT_EQ(l.substr(101), blanks(5)) << l;
        }
}

TEST_F(Report, ACancelDuringTheReportAbandonsItsDocumentBagsAndFiles) {
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"12401", "OLDTOWN DIRECT"}});
    makeMmwork(join({group("12345", 25), group("12401", 25)}));
    // The run before this one.
    sort();
    const auto earlierBags = bags();
    const std::string earlierFiles[] = {fileBytes("POFILE.DAT"), fileBytes("POLINE.CSV"), fileBytes("POADDR.CSV")};
    ASSERT_EQ(earlierBags.size(), 2u);
    printer_.clear();
    int tests = 0;
    bool reporting = false;
    RunHooks hooks;
    // Step 2 is stopped before its 31st address.
    hooks.reportStarting = [&] { reporting = true; };
    hooks.stopRequested = [&] { return reporting && ++tests > 30; };
    bool followed = false;
    hooks.following = [&](const LineReportEnd&) { followed = true; };
    // The run's connection goes on: what the window saves next (the run
    // flags) must not store the cancelled rows.
    RunResult r;
    {
        auto db = open();
        hooks.lineReportAlone = true;
        r = runSortation(*db, printer_, hooks);
        db->save();
    }
    EXPECT_EQ(r.status, RunStatus::Cancelled);
    EXPECT_FALSE(followed);
    EXPECT_FALSE(printer_.documentOpen());
    EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::KillDoc), 1);
    EXPECT_TRUE(printer_.documents().empty());
    // Nothing of the cancelled report passes for the job's: the run before stays.
    EXPECT_EQ(bags(), earlierBags);
    EXPECT_EQ(fileBytes("POFILE.DAT"), earlierFiles[0]);
    EXPECT_EQ(fileBytes("POLINE.CSV"), earlierFiles[1]);
    EXPECT_EQ(fileBytes("POADDR.CSV"), earlierFiles[2]);
    EXPECT_EQ(records("POADDR.CSV"), 50u);
}

TEST_F(Report, TwoRunsOverTheSameJobGiveTheSameBagsAndFiles) {
    const std::pair<const char*, const char*> jobs[] = {{"N", ""}, {"Y", "NT1 2AB"}};
    addRows("pcode", {{{"mpcode", "NT1 2"}, {"mdsel", "12345"}, {"rreg", 3}}});
    addRows("sequence", {{{"mdresc", "123"}, {"mdsorts", "0204030112" + std::string(22, '9')}}});
    addRegions({{"123", 3}, {"124", 5}});
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"123", "NEWTOWN RESIDUE"}, {"124", "OLDTOWN RESIDUE"},
               {"12401", "OLDTOWN DIRECT"}});
    for (const auto& [geog, centre] : jobs) {
        setParm({{"Geog", geog}, {"Postcode", centre}});
        makeMmwork(join({group("12301", 15), group("12302", 15), group("12345", 25), group("12401", 30),
                         group("12402", 3), group("1", 2)}));
        sort();
        const auto firstBags = bags();
        const std::string files[] = {fileBytes("POFILE.DAT"), fileBytes("POLINE.CSV"), fileBytes("POADDR.CSV")};
        const auto firstLines = lines();
        printer_.clear();
        sort();
        EXPECT_EQ(bags(), firstBags) << geog;
        EXPECT_EQ(fileBytes("POFILE.DAT"), files[0]) << geog;
        EXPECT_EQ(fileBytes("POLINE.CSV"), files[1]) << geog;
        EXPECT_EQ(fileBytes("POADDR.CSV"), files[2]) << geog;
        EXPECT_EQ(lines(), firstLines) << geog;
        printer_.clear();
    }
}

TEST_F(Report, AFileThatIsALinkElsewhereIsReplacedNotWrittenThrough) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(group("12345", 25));
    const fs::path elsewhere = dir_ / "elsewhere";
    fs::create_directory(elsewhere);
    const char* names[] = {"POFILE.DAT", "POLINE.CSV", "POADDR.CSV", "POPLAN.CSV"};
    for (const char* name : names) {
        writeFile("elsewhere/" + std::string(name), "kept\r\n");
        fs::create_symlink(elsewhere / name, dir_ / name);
    }
    auto db = open();
    ASSERT_EQ(runSortation(*db, printer_, {}).status, RunStatus::Completed);
    for (const char* name : names) {
        EXPECT_FALSE(fs::is_symlink(dir_ / name)) << name;
        EXPECT_NE(fileBytes(name), "kept\r\n") << name;
        EXPECT_EQ(fileBytes("elsewhere/" + std::string(name)), "kept\r\n") << name;
    }
    EXPECT_EQ(fileBytes("POFILE.DAT"), "12345,3\r\n");
}

TEST_F(Report, ThePlanningReportFollowsInTheSameDocument) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(group("12345", 25));
    auto db = open();
    runSortation(*db, printer_, {});
    const auto all = lines();
    const auto end = std::find(all.begin(), all.end(), kEnd);
    ASSERT_NE(end, all.end());
    ASSERT_NE(end + 1, all.end());
    EXPECT_EQ(*(end + 1), "10/12/2026                     Mailsort Planning Report");
    // One document, ended once, with the planning report on a page of its own.
    EXPECT_EQ(printer_.count(qv::platform::RecordingPrinter::EventKind::EndDoc), 1);
    EXPECT_EQ(printer_.count(qv::platform::RecordingPrinter::EventKind::NewPage), 1);
    EXPECT_TRUE(std::find(all.begin(), all.end(),
                          std::string("Suitable for Mailsort") + blanks(28) + "    25") != all.end());
    EXPECT_NE(fileBytes("POPLAN.CSV").find("\"DB2007R1\""), std::string::npos);
}

}  // namespace
}  // namespace qv::sortation
