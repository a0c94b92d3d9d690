#include "sortation/planreport.h"

#include "common/parm/parmrecord.h"
#include "common/testing/scratch.h"
#include "common/text/csv.h"
#include "common/text/dates.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/recordingprinter.h"

#include <gtest/gtest.h>

using namespace qv::sortation;

namespace {

// A hand-checked letter job: 1050 processed, 50 not matched, 700 direct and
// 300 residue items; LeBase1 21.35 p, direct 12 %, residue 5 %, franking 1.5 %;
// 27 p second class for the items not matched.
PlanJob letterJob() {
    PlanJob j;
    j.companyName = "Brightwater Mailing";
    j.service = "M2";
    j.format = "LE";
    j.jobRef = "JOB42";
    j.mailsort120 = false;
    j.royalMail = true;
    j.selection = "25";
    j.bundleMax = "50";
    j.weightText = "40";
    j.weight = 40;
    return j;
}

Statistics letterStats() {
    Statistics s;
    s.procrecs = 1050;
    s.pcmatch = 980;
    s.townmatch = 20;
    s.nomatch = 50;
    s.fullpc = 600;
    s.outonly = 300;
    s.dirsels = 7;
    s.ressels = 3;
    s.diritems = 700;
    s.resitems = 300;
    s.dirbags = 8;
    s.resbags = 4;
    s.dirbund = 20;
    s.resbund = 9;
    return s;
}

Tariff letterTariff() {
    Tariff t;
    t.priceRow = t.priced = t.standardRow = t.standardStep = true;
    t.serviceKey = "M2    ";
    t.p = 21.35;
    t.d = 12;
    t.r = 5;
    t.franking = 1.5;
    t.s = 27;
    return t;
}

std::vector<std::string> texts(const std::vector<PlanLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(l.text);
    return out;
}

// The lines from the one with this start on, n of them.
std::vector<std::string> section(const std::vector<PlanLine>& lines, const std::string& start, std::size_t n) {
    auto all = texts(lines);
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].rfind(start, 0) == 0)
            return std::vector<std::string>(all.begin() + long(i), all.begin() + long(std::min(all.size(), i + n)));
    ADD_FAILURE() << "no line starts with " << start;
    return {};
}

}  // namespace

TEST(PlanningReport, ParameterStatisticsAndSortationTables) {
    const auto lines = planningLines(letterJob(), letterStats(), letterTariff(), "10/12/2026");
    const std::vector<std::string> expectedTop = {
        "10/12/2026                     Mailsort Planning Report",
        " Brightwater Mailing",
        " ",
        "Mailsort Parameters",
        "Mailsort Service                                     M2",
        "Minimum Selection Size                               25",
        "Mail Format                                      Letter",
        "Max Bundle Size                                      50",
        "Weight of item                                       40g",
        "Job Reference                                     JOB42",
        " ",
        "Presortation Statistics",
        "Address Records Processed                          1050",
        "Postcodes Matched                                   980",
        "Post Towns Matched                                   20",
        "Addresses not matched                                50",
        "Suitable for Mailsort                              1000",
        " ",
        "Postcode Statistics",
        "Full Postcode                                      57.1%",
        "Outward Only                                       28.6%",
        "Postcode Level                                     85.7%",
        "No Postcode                                        14.3%",
        " ",
        "Sortation Statistics",
        "                         Number      Items      % Match     Bags     Bundles",
        "Direct Selections            7        700         70.0        8          20",
        "Residue Selections           3        300         30.0        4           9",
        "Totals                      10       1000        100.0       12          29",
        " ",
        "Costs and Discounts",
    };
    auto all = texts(lines);
    ASSERT_GE(all.size(), expectedTop.size());
    for (std::size_t i = 0; i < expectedTop.size(); ++i) EXPECT_EQ(all[i], expectedTop[i]) << "line " << i;
    // Only the section headings carry the emphasis.
    for (const auto& l : lines)
        EXPECT_EQ(l.heading, l.text == "Mailsort Parameters" || l.text == "Presortation Statistics" ||
                                 l.text == "Postcode Statistics" || l.text == "Sortation Statistics" ||
                                 l.text == "Costs and Discounts")
            << l.text;
}

TEST(PlanningReport, CostsOfAHandCheckedLetterJob) {
    const auto lines = planningLines(letterJob(), letterStats(), letterTariff(), "10/12/2026");
    const std::vector<std::string> expected = {
        "Total Mailsort Items                               1000",
        "Straight Line Item Cost                            .214",
        "Straight Line Total Cost                         214.00",
        " ",
        "Direct Selection Discount                         17.98",
        "         700 items @  12.00%",
        "Residue Selection Discount                         3.21",
        "         300 items @   5.00%",
        "P.O. Franking Surcharge                            3.21",
        "        1000 items @   1.50%",
        "Items at standard postal rate                     13.50",
        "          50 items @   27 pence",
        " ",
        "Total Cost                                       209.52",
        " ",
        "Equivalent without Mailsort                      283.50",
        " ",
        "Mailsort saving                                   73.98",
    };
    EXPECT_EQ(section(lines, "Total Mailsort Items", 100), expected);
}

TEST(PlanningReport, ValuesEndInColumn55AndWideFiguresAreNotCut) {
    Statistics st = letterStats();
    st.procrecs = 12345678;
    st.nomatch = 0;
    st.diritems = 12345678;
    st.resitems = 0;
    const auto lines = planningLines(letterJob(), st, letterTariff(), "10/12/2026");
    for (const auto& l : lines) {
        if (l.text.rfind("Minimum Selection Size", 0) == 0 || l.text.rfind("Straight Line Total Cost", 0) == 0) {
            EXPECT_EQ(l.text.size(), 55u) << l.text;
        }
    }
    EXPECT_EQ(section(lines, "Address Records Processed", 1)[0],
              "Address Records Processed                        12345678");
    EXPECT_EQ(section(lines, "Direct Selections", 1)[0],
              "Direct Selections            7     12345678        100.0        8          20");
    // 0.214 x 12345678 = 2641975.092: the whole figure, wider than its 10.
    EXPECT_EQ(section(lines, "Straight Line Total Cost", 1)[0],
              "Straight Line Total Cost                     2641975.09");
}

TEST(PlanningReport, ASavingBelowZeroKeepsItsMinusSign) {
    Tariff tf = letterTariff();
    tf.s = 10;  // standard post cheaper than the Mailsort price
    const auto lines = planningLines(letterJob(), letterStats(), tf, "10/12/2026");
    // A = .10 x 50 = 5.00; X = 214 - 17.98 - 3.21 + 5.00 + 3.21 = 201.02;
    // E = .10 x 1050 = 105.00; V = -96.02.
    EXPECT_EQ(section(lines, "Items at standard postal rate", 100),
              (std::vector<std::string>{"Items at standard postal rate                      5.00",
                                        "          50 items @   10 pence",
                                        " ",
                                        "Total Cost                                       201.02",
                                        " ",
                                        "Equivalent without Mailsort                      105.00",
                                        " ",
                                        "Mailsort saving                                  -96.02"}));
    tf.s = 20.5;  // a fraction stays in the standard price: A = .205 x 50
    EXPECT_EQ(section(planningLines(letterJob(), letterStats(), tf, "10/12/2026"), "Items at standard postal rate", 2),
              (std::vector<std::string>{"Items at standard postal rate                     10.25",
                                        "          50 items @   20.5 pence"}));
}

TEST(PlanningReport, Mailsort120JobHasNoDirectRowAndItsDiscount) {
    PlanJob job = letterJob();
    job.service = "M2";
    job.mailsort120 = true;
    job.royalMail = false;
    Statistics st = letterStats();
    st.dirsels = st.diritems = st.dirbags = st.dirbund = 0;
    st.resitems = 1000;
    Tariff tf = letterTariff();
    tf.d = 0;
    tf.t = 2.5;
    const auto lines = planningLines(job, st, tf, "10/12/2026");
    auto all = texts(lines);
    EXPECT_EQ(section(lines, "Mailsort Service", 1)[0], "Mailsort Service                                 M2 120");
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto& t) { return t.rfind("Direct Selections", 0) == 0; }),
              0);
    EXPECT_EQ(section(lines, "Residue Selections", 1).size(), 1u);
    // T = .214 x 1000 x 2.5 / 100 = 5.35; no franking lines.
    EXPECT_EQ(section(lines, "Mailsort 120 Discount", 2),
              (std::vector<std::string>{"Mailsort 120 Discount                              5.35",
                                        "        1000 items @   2.50%"}));
    EXPECT_EQ(std::count_if(all.begin(), all.end(),
                            [](auto& t) { return t.rfind("P.O. Franking Surcharge", 0) == 0; }),
              0);
}

TEST(PlanningReport, EmptyJobPrintsZeroPercentagesAndCompletes) {
    Statistics none;
    const auto lines = planningLines(letterJob(), none, letterTariff(), "10/12/2026");
    EXPECT_EQ(section(lines, "Full Postcode", 4),
              (std::vector<std::string>{"Full Postcode                                       0.0%",
                                        "Outward Only                                        0.0%",
                                        "Postcode Level                                      0.0%",
                                        "No Postcode                                         0.0%"}));
    EXPECT_EQ(section(lines, "Totals", 1)[0],
              "Totals                       0          0           .0        0           0");
    EXPECT_EQ(section(lines, "Mailsort saving", 1)[0], "Mailsort saving                                     .00");
}

TEST(PlanningReport, AMissingTariffIsSaidInsteadOfFiguresFromZero) {
    struct Case {
        const char* name;
        void (*change)(Tariff&);
        const char* line;
    };
    const Case cases[] = {
        {"no Price row", [](Tariff& t) { t.priceRow = t.priced = false; },
         "The Mailsort tariff for M2 is missing: no costs are worked out."},
        {"format not priced", [](Tariff& t) { t.priced = false; },
         "The Mailsort tariff for M2 cannot price format LE at 40g: no costs are worked out."},
        {"no poprice row", [](Tariff& t) { t.standardRow = t.standardStep = false; },
         "The standard tariff is missing: no costs are worked out."},
        {"weight above the steps", [](Tariff& t) { t.standardStep = false; },
         "The standard tariff has no price for an item of 40g: no costs are worked out."},
        {"an empty Price field",
         [](Tariff& t) {
             t.priced = false;
             t.emptyField = "Franking Surcharge";
         },
         "The Mailsort tariff for M2 holds no value in Franking Surcharge: no costs are worked out."},
        {"an empty poprice field",
         [](Tariff& t) {
             t.standardStep = false;
             t.emptyField = "LeW1Snd";
         },
         "The standard tariff holds no value in LeW1Snd: no costs are worked out."},
    };
    for (const Case& c : cases) {
        Tariff tf = letterTariff();
        c.change(tf);
        const auto lines = planningLines(letterJob(), letterStats(), tf, "10/12/2026");
        EXPECT_EQ(section(lines, "Total Mailsort Items", 100),
                  (std::vector<std::string>{"Total Mailsort Items                               1000", c.line}))
            << c.name;
    }
}

TEST(PlanningReport, RecordOfThePlanningFile) {
    PlanJob job = letterJob();
    job.jobRef = "A \"long\" reference text";
    const auto rec = planningRecord(job, letterStats());
    const std::vector<std::string> expected = {
        "DB2007R1", "M2",     "    25", "Letter", "40",     "A \"long\" refere", "  1050", "   980", "    20",
        "    50",   "  1000", "600",    "  57.1", "300",    "  28.6",         "900",    "  85.7", "150",
        "  14.3",   "     7", "   700", "  70.0", "     8", "     3",         "   300", "  30.0", "     4"};
    EXPECT_EQ(rec, expected);

    PlanJob j120 = letterJob();
    j120.service = "M3";
    j120.mailsort120 = true;
    EXPECT_EQ(planningRecord(j120, letterStats())[1], "M3 120");
}

// ---- through the database, the printer and the file -------------------------

namespace {

void setPrice(qv::db::Database& db, const std::string& service,
              const std::vector<std::pair<std::string, double>>& values, const std::vector<std::string>& emptied = {}) {
    auto rs = db.openTable("Price");
    rs->setIndex("PrimaryKey");
    rs->seek("=", qv::db::Value(service));
    ASSERT_FALSE(rs->noMatch()) << service;
    rs->edit();
    for (const auto& [f, v] : values) rs->set(f, v);
    for (const auto& f : emptied) rs->set(f, qv::db::Value());
    rs->update();
}

// The hand-checked letter job in parmcode and its tariffs.
void fillJob(qv::db::Database& db) {
    qv::parm::ParmRecord parm(db);
    parm.edit();
    parm.set("Company Name", "Brightwater Mailing");
    parm.set("Service", "M2");
    parm.set("Mailsort120", "N");
    parm.set("Format", "LE");
    parm.set("Weight", 40);
    parm.set("Selection", 25);
    parm.set("BundleMax", 50);
    parm.set("JobRef", "JOB42");
    parm.set("RoyalMail", "Y");
    parm.update();
    setPrice(db, "M2", {{"LeBase1", 21.35}, {"LeDPtg1", 12}, {"LeRPtg1", 5}, {"Franking Surcharge", 1.5},
                         {"LeQty1", 500}, {"LeQ1VRD1", 0.5}, {"LeQty2", 1000}, {"LeQ2VRD1", 0}});
    auto po = db.openTable("poprice");
    po->moveFirst();
    po->edit();
    po->set("LeW1Snd", 27);
    po->set("LeW1Fst", 36);
    po->update();
}

class PlanRun : public qv::testkit::ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        qv::setTodayOverride(qv::Date{2026, 12, 10});
        fillJob(*scratch().open());
    }
    void TearDown() override {
        qv::setTodayOverride(std::nullopt);
        ScratchTest::TearDown();
    }
};

}  // namespace

TEST_F(PlanRun, PrintsTheReportEndsTheDocumentAndWritesThePlanningFile) {
    qv::platform::RecordingPrinter printer;
    auto db = scratch().open();
    // 700 direct items lie in band 2 (LeQty2 1000): 12 + 0 = 12 %.
    planrep(*db, letterStats(), printer);
    ASSERT_EQ(printer.count(qv::platform::RecordingPrinter::EventKind::EndDoc), 1);
    const QStringList printed = printer.texts();
    ASSERT_FALSE(printed.isEmpty());
    EXPECT_EQ(printed.first(), "10/12/2026                     Mailsort Planning Report");
    EXPECT_TRUE(printed.contains("Direct Selection Discount                         17.98"));
    EXPECT_TRUE(printed.contains("Mailsort saving                                   73.98"));
    for (const auto& l : printer.lines()) {
        EXPECT_EQ(l.font.name, "Courier New");
        EXPECT_EQ(l.font.size, 11);
        EXPECT_EQ(l.font.bold, l.text == "Costs and Discounts" || l.text == "Mailsort Parameters" ||
                                   l.text == "Presortation Statistics" || l.text == "Postcode Statistics" ||
                                   l.text == "Sortation Statistics");
    }
    const std::string file = scratch().readBytes("POPLAN.CSV");
    EXPECT_EQ(file,
              "\"DB2007R1\",\"M2\",\"    25\",\"Letter\",\"40\",\"JOB42\",\"  1050\",\"   980\",\"    20\","
              "\"    50\",\"  1000\",\"600\",\"  57.1\",\"300\",\"  28.6\",\"900\",\"  85.7\",\"150\",\"  14.3\","
              "\"     7\",\"   700\",\"  70.0\",\"     8\",\"     3\",\"   300\",\"  30.0\",\"     4\"\r\n");
}

TEST_F(PlanRun, TariffLookupByBandClassAndTier) {
    auto db = scratch().open();
    Statistics st = letterStats();
    st.diritems = 500;  // exactly band 1's quantity: band 1 adds 0.5
    Tariff tf = lookUpTariff(*db, readPlanJob(*db), st);
    EXPECT_TRUE(tf.priceRow && tf.priced && tf.standardRow && tf.standardStep);
    EXPECT_DOUBLE_EQ(tf.p, 21.35);
    EXPECT_DOUBLE_EQ(tf.d, 12.5);
    EXPECT_DOUBLE_EQ(tf.r, 5);
    EXPECT_DOUBLE_EQ(tf.franking, 1.5);
    EXPECT_DOUBLE_EQ(tf.s, 27);  // M2: second class
    st.diritems = 501;
    EXPECT_DOUBLE_EQ(lookUpTariff(*db, readPlanJob(*db), st).d, 12);

    // Mailsort 1 and its 120 variant go at first class.
    {
        qv::parm::ParmRecord parm(*db);
        parm.edit();
        parm.set("Service", "M1");
        parm.set("Mailsort120", "Y");
        parm.update();
    }
    setPrice(*db, "M1 120", {{"LeBase1", 20}, {"Qty1", 100}, {"LeQ1DPtg1", 1}, {"Qty2", 1000}, {"LeQ2DPtg1", 2},
                             {"LeQ3DPtg1", 3}});
    struct Tier {
        double residue, t;
    };
    for (Tier c : {Tier{100, 1}, Tier{101, 2}, Tier{1000, 2}, Tier{1001, 3}}) {
        st.resitems = c.residue;
        Tariff t120 = lookUpTariff(*db, readPlanJob(*db), st);
        EXPECT_EQ(t120.serviceKey, "M1 120");
        EXPECT_DOUBLE_EQ(t120.s, 36) << c.residue;
        EXPECT_DOUBLE_EQ(t120.t, c.t) << c.residue;
    }
    // Mailsort 2 120 goes at second class.
    {
        qv::parm::ParmRecord parm(*db);
        parm.edit();
        parm.set("Service", "M2");
        parm.update();
    }
    setPrice(*db, "M2 120", {{"LeBase1", 20}});
    Tariff m2 = lookUpTariff(*db, readPlanJob(*db), st);
    EXPECT_EQ(m2.serviceKey, "M2 120");
    EXPECT_TRUE(m2.priceRow && m2.priced);
    EXPECT_DOUBLE_EQ(m2.p, 20);
    EXPECT_DOUBLE_EQ(m2.s, 27);
}

TEST_F(PlanRun, KeysArePrintedAndFiledAsStoredWithQuotesDoubled) {
    {
        auto db = scratch().open();
        qv::parm::ParmRecord parm(*db);
        parm.edit();
        parm.set("Selection", "025");
        parm.set("BundleMax", "7");
        parm.set("Weight", "40");
        parm.set("JobRef", "Ref \"Q\" 7");
        parm.update();
    }
    qv::platform::RecordingPrinter printer;
    auto db = scratch().open();
    planrep(*db, letterStats(), printer);
    const QStringList printed = printer.texts();
    EXPECT_TRUE(printed.contains("Minimum Selection Size                              025"));
    EXPECT_TRUE(printed.contains("Max Bundle Size                                       7"));
    EXPECT_TRUE(printed.contains("Weight of item                                       40g"));
    EXPECT_TRUE(printed.contains("Job Reference                                 Ref \"Q\" 7"));
    EXPECT_EQ(scratch().readBytes("POPLAN.CSV"),
              "\"DB2007R1\",\"M2\",\"   025\",\"Letter\",\"40\",\"Ref \"\"Q\"\" 7\",\"  1050\",\"   980\",\"    20\","
              "\"    50\",\"  1000\",\"600\",\"  57.1\",\"300\",\"  28.6\",\"900\",\"  85.7\",\"150\",\"  14.3\","
              "\"     7\",\"   700\",\"  70.0\",\"     8\",\"     3\",\"   300\",\"  30.0\",\"     4\"\r\n");
}

TEST_F(PlanRun, ALetterIsPricedWhateverItsWeightReads) {
    {
        auto db = scratch().open();
        qv::parm::ParmRecord parm(*db);
        parm.edit();
        parm.set("Weight", "x");
        parm.update();
    }
    qv::platform::RecordingPrinter printer;
    auto db = scratch().open();
    planrep(*db, letterStats(), printer);
    const QStringList printed = printer.texts();
    EXPECT_TRUE(printed.contains("Weight of item                                        xg"));
    EXPECT_TRUE(printed.contains("Straight Line Item Cost                            .214"));
    EXPECT_TRUE(printed.contains("Mailsort saving                                   73.98"));
}

TEST(PlanRunTariff, AMissingTariffRowIsFoundOut) {
    struct Case {
        const char* name;
        void (*change)(qv::db::Database&);
        bool priceRow, priced, standardRow, standardStep;
        std::string emptyField = {};
    };
    const Case cases[] = {
        {"service without a Price row",
         [](qv::db::Database& db) {
             qv::parm::ParmRecord parm(db);
             parm.edit();
             parm.set("Service", "M9");
             parm.update();
         },
         false, false, true, true},
        {"format without prices",
         [](qv::db::Database& db) {
             qv::parm::ParmRecord parm(db);
             parm.edit();
             parm.set("Format", "XX");
             parm.update();
         },
         true, false, true, true},  // the standard tariff prices any other code as a packet
        {"empty poprice",
         [](qv::db::Database& db) {
             auto po = db.openTable("poprice");
             po->moveFirst();
             po->deleteCurrent();
         },
         true, true, false, false},
        {"empty franking surcharge",
         [](qv::db::Database& db) { setPrice(db, "M2", {}, {"Franking Surcharge"}); },
         true, false, true, true, "Franking Surcharge"},
    };
    for (const Case& c : cases) {
        qv::testkit::ScratchFolder folder;
        auto db = folder.open();
        fillJob(*db);
        c.change(*db);
        const Tariff tf = lookUpTariff(*db, readPlanJob(*db), letterStats());
        EXPECT_EQ(tf.priceRow, c.priceRow) << c.name;
        EXPECT_EQ(tf.priced, c.priced) << c.name;
        EXPECT_EQ(tf.standardRow, c.standardRow) << c.name;
        EXPECT_EQ(tf.standardStep, c.standardStep) << c.name;
        EXPECT_EQ(tf.emptyField, c.emptyField) << c.name;
    }
}

TEST_F(PlanRun, APlanningFileThatCannotBeWrittenStopsTheReportAndKeepsTheEarlierFile) {
    qv::platform::RecordingPrinter printer;
    auto db = scratch().open();
    readPlanJob(*db);  // the database is read before the disk is full
    scratch().writeBytes("POPLAN.CSV", "earlier\r\n");
    try {
        // Room for less than the record's 200 bytes.
        qv::testkit::FileSizeLimit full(100);
        planrep(*db, letterStats(), printer);
        FAIL() << "no failure";
    } catch (const RunFailure& e) {
        EXPECT_STREQ(e.what(), "POPLAN.CSV could not be written: File too large");
    }
    EXPECT_EQ(scratch().readBytes("POPLAN.CSV"), "earlier\r\n");
    for (const std::string& name : scratch().names()) EXPECT_NE(name.rfind(".POPLAN", 0), 0u) << name;
    // Nothing printed: the caller throws the document away.
    EXPECT_TRUE(printer.texts().isEmpty());
}

// Takes every line, then fails the document at its end as a full disk would.
class FailingAtEnd : public qv::platform::RecordingPrinter {
protected:
    bool endOutput(QString* error) override {
        *error = QStringLiteral("Could not write Mailsort Line Report.pdf: No space left on device");
        return false;
    }
};

TEST_F(PlanRun, ADocumentThatCannotBeEndedFailsTheReport) {
    FailingAtEnd printer;
    auto db = scratch().open();
    try {
        planrep(*db, letterStats(), printer);
        FAIL() << "no failure";
    } catch (const RunFailure& e) {
        EXPECT_STREQ(e.what(), "the Mailsort Planning Report could not be printed: Could not write Mailsort Line "
                               "Report.pdf: No space left on device");
    }
    EXPECT_TRUE(printer.documents().empty());
}
