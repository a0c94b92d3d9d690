// Label runs on the dot-matrix printer: what reaches LPT1, line for line, for
// the whole job and for ranges of it; rows of two and three; the write-back.
#include "fixture.h"
#include "labels/writers.h"
#include "platform/lptport.h"
#include "platform/printer.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/recordingport.h"
#include "recordingoutput.h"

#include <fstream>

namespace qv::labels {
namespace {

using fixture::DatabaseFolder;
namespace key = parm::key;
using Status = RunResult::Status;
namespace fs = std::filesystem;

const QString Top = "************************************";
const QString Rule = "*----------------------------------*";
const QString Letter = "* Mail Format: Letter              *";
const QString NoText = "*                                  *";

// A line of the row, `width` wide, with text from the 1-based column on.
QString at(int width, std::initializer_list<std::pair<int, QString>> pieces) {
    QString l(width, u' ');
    for (const auto& [col, text] : pieces)
        for (int i = 0; i < text.size() && col - 1 + i < width; ++i) l[col - 1 + i] = text[i];
    return l;
}

// The eight lines of an address label of the standard job at column 2 of a
// 40-character row.
QStringList addressRow(const QString& id) {
    return {at(40, {}), at(40, {{2, "Name " + id}}), at(40, {{2, id + " High Street"}}), at(40, {{2, "Town " + id}}),
            at(40, {{2, "AB1 2" + id}}), at(40, {}), at(40, {}), at(40, {})};
}

QStringList boxRow(const QString& title, const QString& service, const QString& d1, const QString& d2) {
    QStringList l;
    for (const QString& t : {Top, title, Rule, service, d1, d2, Letter}) l << at(40, {{1, t}});
    l << at(40, {});
    return l;
}

const QString Direct1 = "* NEWTOWN DIRECT                   *";
const QString Residue1 = "* NEWTOWN RESIDUE AREA WITH        *";
const QString Residue2 = "*  A LONG NAME TO SPLIT            *";
const QString Old1 = "* OLDTOWN                          *";

// The 22 labels of the standard job, as rows of one label.
std::vector<QStringList> standardRows() {
    return {
        addressRow("A1"),
        addressRow("A2"),
        addressRow("A3"),
        boxRow("* Direct Selection Bag  No:      1 *", "*   (M1) 12345       Items:      3 *", Direct1, NoText),
        addressRow("A4"),
        boxRow("* Direct Selection Bag  No:      2 *", "*   (M1) 12345       Items:      1 *", Direct1, NoText),
        addressRow("B1"),
        addressRow("B2"),
        boxRow("* Residue Bundle        No:      1 *", "*   (M1)   123       Items:      2 *", Residue1, Residue2),
        addressRow("B3"),
        boxRow("* Residue Bundle        No:      2 *", "*   (M1)   123       Items:      1 *", Residue1, Residue2),
        boxRow("* Residue Selection Bag No:      3 *", "*   (M1)   123       Items:      3 *", Residue1, Residue2),
        addressRow("B4"),
        addressRow("B5"),
        boxRow("* Residue Bundle        No:      3 *", "*   (M1)   123       Items:      2 *", Residue1, Residue2),
        boxRow("* Residue Selection Bag No:      4 *", "*   (M1)   123       Items:      2 *", Residue1, Residue2),
        addressRow("C1"),
        boxRow("* Residue Bundle        No:      4 *", "*   (M1)   456       Items:      1 *", Old1, NoText),
        boxRow("* Residue Selection Bag No:      5 *", "*   (M1)   456       Items:      1 *", Old1, NoText),
        addressRow("D1"),
        addressRow("D2"),
        boxRow("* Letter Post           No:      6 *", "*   (M1) None        Items:      2 *",
               "* Letter Post                      *", NoText),
    };
}

// What LPT1 receives for rows of one label: 8 lines and one filler each.
QStringList portLines(const std::vector<QStringList>& rows, int first, int last, int topMargin = 2) {
    QStringList out;
    for (int i = 0; i < topMargin; ++i) out << " ";
    for (int r = first; r <= last; ++r) out << rows[std::size_t(r - 1)] << " ";
    return out;
}

class DotRun : public DatabaseFolder {
protected:
    void SetUp() override {
        DatabaseFolder::SetUp();
        writeStandardJob();
    }
    RunResult runDot(const RunRequest& req, const RunCallbacks& cb = {}) {
        DotWriter writer(port_);
        return run(req, writer, cb);
    }
    platform::RecordingPort port_;
};

TEST_F(DotRun, WholeJobReachesLpt1ByteForByte) {
    platform::FilePort file;  // LPT1 in the test's folder
    DotWriter writer(file);
    const RunResult r = run(request('A', 1, 20), writer);
    EXPECT_EQ(r.status, Status::Completed);
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(r.labelNumber, 22);

    QByteArray expected;
    for (const QString& l : portLines(standardRows(), 1, 22)) expected += l.toLatin1() + "\r\n";
    const QByteArray got = QByteArray::fromStdString(scratch().readBytes("LPT1"));
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << got.toStdString();
}

TEST_F(DotRun, LabelRangesPrintExactlyTheirLabelsOfTheWholeJob) {
    const auto rows = standardRows();
    struct Case {
        double from, to;
    };
    // Edges and insides of selections, bags and bundles.
    const Case cases[] = {{1, 22}, {1, 5},  {2, 3},   {4, 4},   {5, 8},   {6, 9},   {7, 7},  {9, 12},
                          {10, 16}, {12, 13}, {13, 20}, {16, 17}, {17, 19}, {18, 18}, {20, 22}, {21, 30}};
    for (const Case& c : cases) {
        port_ = platform::RecordingPort();
        const RunResult r = runDot(request('L', c.from, c.to));
        EXPECT_EQ(r.status, Status::Completed);
        const int last = int(std::min(c.to, 22.0));
        EXPECT_EQ(port_.lines(), portLines(rows, int(c.from), last)) << "labels " << c.from << " to " << c.to;
        EXPECT_EQ(r.lastLabelPrinted, last) << "labels " << c.from << " to " << c.to;
    }
}

// The sortation's numbering of the standard job with bag and bundle labels
// on or off; a label range must print its slice of what the whole job prints.
TEST_F(DotRun, LabelRangesAgreeWithTheWholeJobWhateverLabelsArePrinted) {
    struct Config {
        const char *bagLab, *bundleLab;
        std::vector<fixture::BagsRow> bags;
        int total;
    };
    const db::Value none;
    const Config configs[] = {
        {"Y", "Y", {{1, 1, 6, 0, 12345}, {3, 6, 16, 1, 123000}, {5, 16, 19, 4, 456000}, {6, none, 22, 4, 99000001}}, 22},
        {"Y", "N", {{1, 1, 6, none, 12345}, {3, 6, 13, none, 123000}, {5, 13, 15, none, 456000}, {6, none, 18, none, 99000001}}, 18},
        {"N", "Y", {{1, 1, 4, 0, 12345}, {3, 4, 12, 1, 123000}, {5, 12, 14, 4, 456000}, {6, none, 16, 4, 99000001}}, 16},
        {"N", "N", {{1, 0, 4, none, 12345}, {3, 4, 9, none, 123000}, {5, 9, 10, none, 456000}, {6, none, 12, none, 99000001}}, 12},
    };
    std::vector<fixture::Address> job;
    {
        auto db = open();
        auto w = db->openTable("mmwork");
        for (w->moveFirst(); !w->eof(); w->moveNext())
            job.push_back({w->get("name").toString(), w->get("address1").toString(), "", w->get("town").toString(),
                           w->get("postcode").toString(), "", w->get("mscode"), w->get("rscode"), w->get("sflag"),
                           int(w->get("rgcode").toInt()), w->get("seq").toDouble()});
    }
    for (const Config& c : configs) {
        writeJob(job, c.bags);
        setParm({{key::BagLab, c.bagLab}, {key::BundleLab, c.bundleLab}});
        port_ = platform::RecordingPort();
        const RunResult whole = runDot(request('A', 1, 1));
        ASSERT_EQ(whole.labelNumber, c.total) << c.bagLab << c.bundleLab;
        const QStringList all = port_.lines();
        ASSERT_EQ(all.size(), 2 + 9 * c.total);
        for (int from = 1; from <= c.total + 1; ++from)
            for (int to : {from, from + 2, from + 7, c.total}) {
                if (to < from) continue;
                port_ = platform::RecordingPort();
                const RunResult r = runDot(request('L', from, to));
                const int last = std::min(to, c.total);
                QStringList want;
                if (from <= last) want = QStringList{" ", " "} + all.mid(2 + 9 * (from - 1), 9 * (last - from + 1));
                EXPECT_EQ(port_.lines(), want)
                    << "bag labels " << c.bagLab << ", bundle labels " << c.bundleLab << ": " << from << " to " << to;
                if (from <= last) {
                    EXPECT_EQ(r.lastLabelPrinted, last);
                }
            }
    }
}

TEST_F(DotRun, ALabelRangePastTheJobPrintsNothing) {
    const RunResult r = runDot(request('L', 23, 40));
    EXPECT_EQ(r.status, Status::Completed);
    EXPECT_TRUE(port_.lines().isEmpty()) << port_.lines().join("|").toStdString();
}

TEST_F(DotRun, BagRangesPrintTheirBagsWithTheirBagAndBundleLabels) {
    const auto rows = standardRows();
    struct Case {
        double from, to;
        int first, last;  // labels of the whole job
    };
    const Case cases[] = {{1, 1, 1, 4},   {1, 2, 1, 6},    {2, 2, 5, 6},   {2, 4, 5, 16},  {3, 3, 7, 12},
                          {3, 4, 7, 16},  {4, 4, 13, 16},  {5, 5, 17, 19}, {5, 6, 17, 22}, {6, 6, 20, 22},
                          {6, 9, 20, 22}, {2, 99, 5, 22}};
    for (const Case& c : cases) {
        port_ = platform::RecordingPort();
        const RunResult r = runDot(request('B', c.from, c.to));
        EXPECT_EQ(r.status, Status::Completed);
        EXPECT_EQ(port_.lines(), portLines(rows, c.first, c.last)) << "bags " << c.from << " to " << c.to;
    }
}

// Line 2 of each row, trimmed: the name or the box title of each label in it.
std::vector<QString> secondLines(const QStringList& lines, int linesPerRow, int skip) {
    std::vector<QString> out;
    for (int i = skip; i + 1 < lines.size(); i += linesPerRow) out.push_back(lines[i + 1]);
    return out;
}

TEST_F(DotRun, WithoutBagLabelsBagsAreStillCountedForABagRange) {
    {
        auto db = open();
        jobtables::dropIfThere(*db, "bags");
        db->createTable(jobtables::bagsDef());
    }
    // The sortation's rows with neither bag nor bundle labels.
    {
        auto db = open();
        auto b = db->openTable("bags");
        const double rows[][5] = {{1, 0, 4, 0, 12345}, {3, 4, 9, 0, 123000}, {5, 9, 10, 0, 456000}, {6, 0, 12, 0, 99000001}};
        for (const auto& r : rows) {
            b->addNew();
            b->set("Bag Number", r[0]);
            b->set("Label Start", r[1]);
            b->set("Label Number", r[2]);
            b->set("Seq", r[4]);
            b->update();
        }
    }
    setParm({{key::BagLab, "N"}, {key::BundleLab, "N"}, {key::TopMarg, "0"}});
    struct Case {
        double from, to;
        QStringList names;
    };
    const Case cases[] = {
        {1, 1, {"Name A1", "Name A2", "Name A3"}},
        {2, 2, {"Name A4"}},
        {3, 4, {"Name B1", "Name B2", "Name B3", "Name B4", "Name B5"}},
        {4, 5, {"Name B4", "Name B5", "Name C1"}},
        {6, 6, {"Name D1", "Name D2"}},
    };
    for (const Case& c : cases) {
        port_ = platform::RecordingPort();
        const RunResult r = runDot(request('B', c.from, c.to));
        EXPECT_EQ(r.status, Status::Completed);
        QStringList names;
        for (const QString& l : port_.lines())
            if (l.trimmed().startsWith("Name ")) names << l.trimmed();
        EXPECT_EQ(names, c.names) << "bags " << c.from << " to " << c.to;
        EXPECT_EQ(port_.lines().size(), 9 * c.names.size());
    }
}

TEST_F(DotRun, TwoAndThreeAcross) {
    auto title = [](int n, const char* kind) {
        return QString("* %1 No: %2 *").arg(kind).arg(n, 6);
    };
    const QString bag1 = title(1, "Direct Selection Bag ");
    const QString bag2 = title(2, "Direct Selection Bag ");
    const QString bun1 = title(1, "Residue Bundle       ");
    const QString bun2 = title(2, "Residue Bundle       ");
    const QString bag3 = title(3, "Residue Selection Bag");
    const QString bun3 = title(3, "Residue Bundle       ");
    const QString bag4 = title(4, "Residue Selection Bag");
    const QString bun4 = title(4, "Residue Bundle       ");
    const QString bag5 = title(5, "Residue Selection Bag");
    const QString bag6 = title(6, "Letter Post          ");
    // Two across: a row of 78; labels at 2 and 40, boxes at 1.
    {
        setParm({{key::LabAcross, "2"}});
        const RunResult r = runDot(request('A', 1, 1));
        EXPECT_EQ(r.status, Status::Completed);
        auto two = [](const QString& a, const QString& b) {
            return at(78, {{2, "Name " + a}, {40, "Name " + b}});
        };
        auto one = [](const QString& a) { return at(78, {{2, "Name " + a}}); };
        auto box = [](const QString& t) { return at(78, {{1, t}}); };
        const std::vector<QString> want = {two("A1", "A2"), one("A3"), box(bag1), one("A4"), box(bag2),
                                           two("B1", "B2"), box(bun1), one("B3"),  box(bun2), box(bag3),
                                           two("B4", "B5"), box(bun3), box(bag4),  one("C1"), box(bun4),
                                           box(bag5),       two("D1", "D2"), box(bag6)};
        EXPECT_EQ(secondLines(port_.lines(), 9, 2), want);
    }
    // Three across: a row of 116; labels at 2, 40 and 78.
    {
        port_ = platform::RecordingPort();
        setParm({{key::LabAcross, "3"}});
        runDot(request('A', 1, 1));
        auto row = [](std::initializer_list<const char*> ids) {
            QString l(116, u' ');
            int col = 2;
            for (const char* id : ids) {
                const QString t = QString("Name ") + id;
                for (int i = 0; i < t.size(); ++i) l[col - 1 + i] = t[i];
                col += 38;
            }
            return l;
        };
        auto box = [](const QString& t) { return at(116, {{1, t}}); };
        const std::vector<QString> want = {row({"A1", "A2", "A3"}), box(bag1), row({"A4"}), box(bag2),
                                           row({"B1", "B2"}),       box(bun1), row({"B3"}), box(bun2),
                                           box(bag3),               row({"B4", "B5"}), box(bun3), box(bag4),
                                           row({"C1"}),             box(bun4), box(bag5),   row({"D1", "D2"}),
                                           box(bag6)};
        EXPECT_EQ(secondLines(port_.lines(), 9, 2), want);
    }
    // Without address labels the boxes fill the columns, the first one with the offset.
    {
        port_ = platform::RecordingPort();
        setParm({{key::AddressLab, "N"}});
        runDot(request('A', 1, 1));
        auto boxes = [](std::initializer_list<QString> titles) {
            QString l(116, u' ');
            int col = 2;
            for (const QString& t : titles) {
                for (int i = 0; i < t.size(); ++i) l[col - 1 + i] = t[i];
                col += 38;
            }
            return l;
        };
        const QStringList lines = port_.lines();
        // The top margin once, before the first row only.
        ASSERT_EQ(lines.size(), 2 + 4 * 9);
        EXPECT_EQ(lines[0], " ");
        EXPECT_EQ(lines[1], " ");
        EXPECT_NE(lines[2], " ");
        const std::vector<QString> want = {boxes({bag1, bag2, bun1}), boxes({bun2, bag3, bun3}),
                                           boxes({bag4, bun4, bag5}), boxes({bag6})};
        EXPECT_EQ(secondLines(lines, 9, 2), want);
    }
}

TEST_F(DotRun, RowLinesAndFillerFollowTheLabelLines) {
    struct Case {
        const char* vertGap;
        const char* height;
        int printed, filler;
    };
    const Case cases[] = {{"5", "9", 5, 4}, {"8", "8", 8, 0}, {"10", "9", 8, 1}, {"8", "6", 8, 0}};
    for (const Case& c : cases) {
        port_ = platform::RecordingPort();
        setParm({{key::VertGap, c.vertGap}, {key::LabelHeight, c.height}, {key::TopMarg, "0"}});
        runDot(request('L', 1, 1));
        const QStringList lines = port_.lines();
        ASSERT_EQ(lines.size(), c.printed + c.filler) << c.vertGap << "/" << c.height;
        const auto row = addressRow("A1");
        for (int i = 0; i < c.printed; ++i) EXPECT_EQ(lines[i], row[i]) << c.vertGap << "/" << c.height << " " << i;
        for (int i = c.printed; i < lines.size(); ++i) EXPECT_EQ(lines[i], " ");
    }
}

TEST_F(DotRun, LabelsFarFromTheLeftEdgeArePrinted) {
    // Column 22: the first 15 characters of every line stay blank.
    setParm({{key::LeftMarg, "20"}, {key::BagLab, "N"}, {key::BundleLab, "N"}, {key::TopMarg, "0"}});
    runDot(request('A', 1, 1));
    QStringList names;
    for (const QString& l : port_.lines())
        if (l.trimmed().startsWith("Name ")) names << l.trimmed();
    EXPECT_EQ(names, QStringList({"Name A1", "Name A2", "Name A3", "Name A4", "Name B1", "Name B2", "Name B3",
                                  "Name B4", "Name B5", "Name C1", "Name D1", "Name D2"}));
    EXPECT_EQ(port_.lines()[1], QString(21, u' ') + "Name A1" + QString(60 - 28, u' '));
}

TEST_F(DotRun, BundleLabelsWithoutBagLabelsCountEachSelectionAfresh) {
    // Numbered by the sortation with bag labels off: 12 after the first residue, 14 after the second.
    writeJob({}, {});
    {
        std::vector<fixture::Address> a;
        auto add = [&](const std::string& id, const char* ms, const char* rs, const char* sf, double seq) {
            a.push_back({"Name " + id, id + " High Street", "", "Town " + id, "AB1 2" + id, "", ms, rs, sf, 5, seq});
        };
        for (const char* id : {"A1", "A2", "A3", "A4"}) add(id, "12345", "", "N", 12345);
        for (const char* id : {"B1", "B2", "B3", "B4", "B5"}) add(id, "123", "123", "Y", 123000);
        add("C1", "456", "456", "N", 456000);
        add("D1", "1", "", "N", 99000001);
        add("D2", "1", "", "N", 99000001);
        writeJob(a, {{1, 1, 4, 0, 12345}, {3, 4, 12, 1, 123000}, {5, 12, 14, 4, 456000}, {6, {}, 16, 4, 99000001}});
    }
    setParm({{key::BagLab, "N"}, {key::TopMarg, "0"}});
    auto titles = [&](const RunRequest& req) {
        port_ = platform::RecordingPort();
        const RunResult r = runDot(req);
        QStringList got;
        const QStringList lines = port_.lines();
        for (int i = 0; i + 3 < lines.size(); i += 9)
            got << (lines[i].startsWith('*') ? lines[i + 1].trimmed() + " / " + lines[i + 3].trimmed()
                                             : lines[i + 1].trimmed());
        return std::make_pair(r, got);
    };
    const auto [whole, all] = titles(request('A', 1, 1));
    EXPECT_EQ(whole.labelNumber, 16);
    EXPECT_EQ(all, QStringList({"Name A1", "Name A2", "Name A3", "Name A4", "Name B1", "Name B2",
                                "* Residue Bundle        No:      1 * / *   (M1)   123       Items:      2 *",
                                "Name B3",
                                "* Residue Bundle        No:      2 * / *   (M1)   123       Items:      1 *",
                                "Name B4", "Name B5",
                                "* Residue Bundle        No:      3 * / *   (M1)   123       Items:      2 *",
                                "Name C1",
                                "* Residue Bundle        No:      4 * / *   (M1)   456       Items:      1 *",
                                "Name D1", "Name D2"}));
    // A label range inside the second residue is numbered as the whole job.
    const auto [part, some] = titles(request('L', 13, 16));
    EXPECT_EQ(some, all.mid(12));
}

TEST_F(DotRun, WithoutAddressLabelsTheBoxesFillEachRowAcross) {
    // The ten boxes of the standard job, at column 2 (the address offset)
    // and every 38 characters after it. The row in hand is written when the
    // last address has been read, so the closing bag label of the job takes
    // the next column of a row of its own.
    setParm({{key::AddressLab, "N"}, {key::TopMarg, "0"}});
    struct Case {
        const char* across;
        int width, rows;
    };
    for (const Case c : {Case{"1", 40, 10}, Case{"2", 78, 6}, Case{"4", 152, 4}, Case{"7", 152, 4}}) {
        port_ = platform::RecordingPort();
        setParm({{key::LabAcross, c.across}});
        runDot(request('A', 1, 1));
        const QStringList lines = port_.lines();
        ASSERT_EQ(lines.size(), c.rows * 9) << c.across;
        int boxes = 0;
        for (int row = 0; row < c.rows; ++row) {
            const QString& top = lines[row * 9];
            EXPECT_EQ(top.size(), c.width) << c.across;
            for (int col = 1; col <= top.size(); ++col)
                if (top[col - 1] == u'*' && (col == 1 || top[col - 2] == u' ')) {
                    EXPECT_EQ((col - 2) % 38, 0) << c.across << " row " << row << " column " << col;
                    ++boxes;
                }
        }
        EXPECT_EQ(boxes, 10) << c.across;
        const int lastAt = c.rows == 10 ? 2 : 40;
        EXPECT_EQ(lines[(c.rows - 1) * 9].indexOf('*') + 1, lastAt) << c.across;
        EXPECT_EQ(lines[(c.rows - 1) * 9 + 1].trimmed(), "* Letter Post           No:      6 *") << c.across;
    }
}

TEST_F(DotRun, LetterPostIsNeverSplitIntoBagsByWeight) {
    // Bags of 3 items; the four addresses without a code still go in one bag.
    std::vector<fixture::Address> a;
    auto add = [&](const std::string& id, const char* ms, const char* rs, double seq, int rg) {
        a.push_back({"Name " + id, id + " High Street", "", "Town " + id, "AB1 2" + id, "", ms, rs, "N", rg, seq});
    };
    for (const char* id : {"A1", "A2", "A3", "A4"}) add(id, "12345", "", 12345, 5);
    for (const char* id : {"D1", "D2", "D3", "D4"}) add(id, "1", "", 99000001, 99);
    writeJob(a, {{1, 1, 6, 0, 12345}, {3, {}, 11, 0, 99000001}});
    setParm({{key::TopMarg, "0"}});
    const RunResult r = runDot(request('A', 1, 1));
    EXPECT_EQ(r.labelNumber, 11);
    QStringList got;
    for (const QString& l : secondLines(port_.lines(), 9, 0)) got << l.trimmed();
    EXPECT_EQ(got, QStringList({"Name A1", "Name A2", "Name A3", "* Direct Selection Bag  No:      1 *", "Name A4",
                                "* Direct Selection Bag  No:      2 *", "Name D1", "Name D2", "Name D3", "Name D4",
                                "* Letter Post           No:      3 *"}));
    EXPECT_EQ(port_.lines().mid(10 * 9 + 3, 1), QStringList({at(40, {{1, "*   (M1) None        Items:      4 *"}})}));
}

// The standard job with seven Letter Post addresses, numbered as the
// sortation numbers them: 3 items a bag make the Letter Post bags 6, 7 and 8,
// and its bags row holds bag 8 and label 10 + 7 + 8 bags + 4 bundles = 29.
// The walk gives the selection one bag label, bag 6, so the whole job ends
// at label 27: D1-D7 are 20-26 and the Letter Post bag label 27.
TEST_F(DotRun, BagRangesAmongTheLetterPostBagsPrintItAsTheWholeJobDoes) {
    std::vector<fixture::Address> a;
    auto add = [&](const std::string& id, const char* ms, const char* rs, const char* sf, double seq, int rg = 5) {
        a.push_back({"Name " + id, id + " High Street", "", "Town " + id, "AB1 2" + id, "", ms, rs, sf, rg, seq});
    };
    for (const char* id : {"A1", "A2", "A3", "A4"}) add(id, "12345", "", "N", 12345);
    for (const char* id : {"B1", "B2", "B3", "B4", "B5"}) add(id, "123", "123", "Y", 123000);
    add("C1", "456", "456", "N", 456000);
    for (const char* id : {"D1", "D2", "D3", "D4", "D5", "D6", "D7"}) add(id, "1", "", "N", 99000001, 99);
    writeJob(a, {{1, 1, 6, 0, 12345}, {3, 6, 16, 1, 123000}, {5, 16, 19, 4, 456000}, {8, {}, 29, 4, 99000001}});
    // Each address label shows its bag on its first line.
    setParm({{key::TopMarg, "0"}, {key::BagNum2, "Y"}});

    const RunResult whole = runDot(request('A', 1, 1));
    ASSERT_EQ(whole.labelNumber, 27);
    const QStringList all = port_.lines();
    ASSERT_EQ(all.size(), 27 * 9);
    EXPECT_EQ(all[26 * 9 + 1].trimmed(), "* Letter Post           No:      6 *");
    EXPECT_EQ(all[26 * 9 + 3].trimmed(), "*   (M1) None        Items:      7 *");
    EXPECT_EQ(all[25 * 9].trimmed(), "6");

    struct Case {
        char type;
        double from, to;
        int first, last;  // labels of the whole job; none when first > last
    };
    const Case cases[] = {
        {'B', 5, 5, 17, 19},  {'B', 4, 7, 13, 27}, {'B', 5, 6, 17, 27},  {'B', 2, 6, 5, 27},
        {'B', 6, 6, 20, 27},  {'B', 6, 8, 20, 27}, {'B', 7, 7, 20, 27},  {'B', 7, 8, 20, 27},
        {'B', 8, 8, 20, 27},  {'B', 8, 12, 20, 27}, {'B', 9, 9, 1, 0},   {'L', 19, 40, 19, 27},
        {'L', 26, 29, 26, 27}, {'L', 28, 29, 1, 0}, {'L', 30, 40, 1, 0},
    };
    for (const Case& c : cases) {
        port_ = platform::RecordingPort();
        const RunResult r = runDot(request(c.type, c.from, c.to));
        EXPECT_EQ(r.status, Status::Completed);
        QStringList want;
        if (c.first <= c.last) want = all.mid(9 * (c.first - 1), 9 * (c.last - c.first + 1));
        EXPECT_EQ(port_.lines(), want) << c.type << " " << c.from << " to " << c.to;
        if (c.first <= c.last) {
            EXPECT_EQ(r.lastLabelPrinted, c.last) << c.type << " " << c.from << " to " << c.to;
        }
        EXPECT_LE(r.labelNumber, whole.labelNumber) << c.type << " " << c.from << " to " << c.to;
    }

    // A job of Letter Post alone: its one row holds bag 3; the walk's bag is 1.
    a.erase(a.begin(), a.begin() + 10);
    writeJob(a, {{3, {}, 10, {}, 99000001}});
    port_ = platform::RecordingPort();
    ASSERT_EQ(runDot(request('A', 1, 1)).labelNumber, 8);
    const QStringList alone = port_.lines();
    ASSERT_EQ(alone.size(), 8 * 9);
    EXPECT_EQ(alone[7 * 9 + 1].trimmed(), "* Letter Post           No:      1 *");
    for (const double from : {1, 2, 3}) {
        port_ = platform::RecordingPort();
        const RunResult r = runDot(request('B', from, 3));
        EXPECT_EQ(port_.lines(), alone) << "bags " << from << " to 3";
        EXPECT_EQ(r.lastLabelPrinted, 8) << "bags " << from << " to 3";
    }
}

TEST_F(DotRun, AnEmptyExtraTextLeavesADeferredBagItsMailFormat) {
    // The job parameters store an empty text for an empty box.
    setParm({{key::ExtraText, ""}, {key::DeferDel, "Y"}, {key::DeferDate, "24/12/26"}, {key::TopMarg, "0"}});
    runDot(request('L', 4, 4));
    const QStringList lines = port_.lines();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[2].trimmed(), "* Defer Until: 24/12/26            *");
    EXPECT_EQ(lines[7].trimmed(), "* Mail Format: Letter              *");
}

TEST_F(DotRun, WritesBackTheRangeAndClearsTheRunFlags) {
    RunRequest req = request('L', 5, 8);
    req.fromText = "05";
    req.toText = "8";
    const RunResult r = runDot(req);
    EXPECT_EQ(r.status, Status::Completed);
    EXPECT_EQ(parmText(key::RunAlone), "N");
    EXPECT_EQ(parmText(key::RunLabels), "N");
    EXPECT_EQ(parmText(key::Labfrom), "05");
    EXPECT_EQ(parmText(key::Labto), "8");
    EXPECT_EQ(parmText(key::Labopt), "L");
}

TEST_F(DotRun, CancelStopsAfterTheRecordAndReportsTheLastLabelPrinted) {
    setParm({{key::LabAcross, "2"}, {key::TopMarg, "0"}});
    RunCallbacks cb;
    // Cancel confirmed once the third row (bag 1) is out.
    cb.stopRequested = [&] { return port_.lines().size() >= 3 * 9; };
    const RunResult r = runDot(request('A', 1, 1), cb);
    EXPECT_EQ(r.status, Status::Cancelled);
    EXPECT_EQ(r.message, "Last label number printed: 4");
    EXPECT_EQ(port_.lines().size(), 3 * 9);  // A4, waiting in the row, is not printed
    EXPECT_EQ(parmText(key::Labopt), "A");
    EXPECT_EQ(parmText(key::RunLabels), "N");
}

class Unprintable : public DatabaseFolder {};

TEST_F(Unprintable, MissingOrEmptyWorkTablesGiveAMessageAndNoWalk) {
    struct Case {
        const char* what;
        std::function<void(db::Database&)> damage;
        QString message;
    };
    const QString noWork =
        "There are no addresses to print: the job's work table is missing or empty. Run Apply Mailsort Codes and "
        "Print PO Reports first.";
    const QString noBags =
        "There are no bag details to print: the job's bag table is missing or empty. Run Print PO Reports first.";
    const Case cases[] = {
        {"no mmwork", [](db::Database& db) { jobtables::dropIfThere(db, "mmwork"); }, noWork},
        {"no bags", [](db::Database& db) { jobtables::dropIfThere(db, "bags"); }, noBags},
        {"neither", [](db::Database& db) {
             jobtables::dropIfThere(db, "mmwork");
             jobtables::dropIfThere(db, "bags");
         }, noWork},
        {"empty mmwork", [](db::Database& db) {
             jobtables::dropIfThere(db, "mmwork");
             db.createTable(jobtables::mmworkDef());
         }, noWork},
        {"empty bags", [](db::Database& db) {
             jobtables::dropIfThere(db, "bags");
             db.createTable(jobtables::bagsDef());
         }, noBags},
        {"sorted before its keys were kept", [](db::Database& db) { jobtables::dropIfThere(db, "sortkeys"); },
         noBags},
    };
    for (const Case& c : cases) {
        writeStandardJob();
        setParm({{key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}});
        {
            auto db = open();
            c.damage(*db);
        }
        RecordingOutput out;
        const RunResult r = run(request('A', 1, 20), out);
        EXPECT_EQ(r.status, Status::Refused) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
        EXPECT_EQ(out.begins(), 0) << c.what;
        EXPECT_EQ(parmText(key::RunAlone), "N") << c.what;
        EXPECT_EQ(parmText(key::RunLabels), "N") << c.what;
        EXPECT_EQ(parmText(key::Labfrom), "3") << c.what;
        EXPECT_EQ(parmText(key::Labto), "9") << c.what;
        EXPECT_EQ(parmText(key::Labopt), "B") << c.what;
    }
}

// The bags and the reports hold the sort's keys: a key that decides the bags
// changed since is refused on both printers, for the whole job and a range,
// before any output. Keys that change no bag print at once.
TEST_F(Unprintable, KeysChangedSinceTheSortAreRefusedBeforeAnyOutput) {
    const QString again = ". Run Print PO Reports again, then print the labels.";
    const QString lead = "The job's keys have changed since it was sorted: ";
    struct Case {
        const char* what;
        std::map<std::string, db::Value> changed;  // after sorting
        QString message;                           // empty: the labels print
    };
    const Case cases[] = {
        {"bag limit", {{key::BagMax, "2000"}},
         lead + "the bag limit was \"300\" when the job was sorted and is now \"2000\"" + again},
        {"weight", {{key::Weight, "200"}},
         lead + "the item weight was \"100\" when the job was sorted and is now \"200\"" + again},
        {"service and bundles",
         {{key::Service, "M2"}, {key::BundleMax, "3"}},
         lead + "the service was \"M1\" when the job was sorted and is now \"M2\"; the bundle size was \"2\" when "
                "the job was sorted and is now \"3\"" + again},
        {"bag labels", {{key::BagLab, "N"}},
         lead + "bag labels was \"Y\" when the job was sorted and is now \"N\"" + again},
        {"selection", {{key::Selection, "2"}},
         lead + "the minimum selection was \"\" when the job was sorted and is now \"2\"" + again},
        {"label geometry, options, company and reference",
         {{key::LabelHeight, "10"}, {key::AddressLab, "Y"}, {key::ItemCnt, "N"}, {key::BagNum, "N"},
          {key::CompanyName, "Another House"}, {key::JobRef, "JOB 8"}, {key::ExtraText, "Deliver by Friday"}},
         {}},
    };
    for (const bool laser : {false, true}) {
        for (const char type : {'A', 'L'}) {
            for (const Case& c : cases) {
                const std::string what = std::string(laser ? "laser " : "dot ") + type + " " + c.what;
                writeStandardJob();
                setParm({{key::Selection, ""}, {key::Printer, laser ? "L" : "E"}, {key::LabelHeight, "40"},
                         {key::LabelWidth, "60"}, {key::TopMarg, "10"}, {key::LeftMarg, "10"},
                         {key::LabelsPage, "6"}, {key::FontSize, 8}, {key::Labfrom, "3"}});
                // Changed after sorting, as the job parameters would.
                testkit::setParmKeys(c.changed);
                platform::RecordingPort port;
                DotWriter dot(port);
                RecordingOutput printer(true, 2.1);
                auto db = open();
                const OutputFor output = [&](bool l) -> LabelOutput& {
                    return l ? static_cast<LabelOutput&>(printer) : dot;
                };
                const RunResult r = runLabels(*db, request(type, type == 'A' ? 1 : 5, 12), output, {}, session_);
                db.reset();
                if (c.message.isEmpty()) {
                    EXPECT_EQ(r.status, Status::Completed) << what << ": " << r.message.toStdString();
                    EXPECT_EQ(laser ? printer.begins() : port.opens(), 1) << what;
                    continue;
                }
                EXPECT_EQ(r.status, Status::Refused) << what;
                EXPECT_EQ(r.message, c.message) << what;
                EXPECT_EQ(port.opens(), 0) << what;
                EXPECT_EQ(printer.begins(), 0) << what;
                EXPECT_EQ(parmText(key::RunAlone), "N") << what;
                EXPECT_EQ(parmText(key::RunLabels), "N") << what;
                EXPECT_EQ(parmText(key::Labfrom), "3") << what;
            }
        }
    }
}

// Switched to dot matrix after sorting on the laser printer, as the README
// shows: the printer decides no bag, so the labels print at once.
TEST_F(Unprintable, AnotherPrinterAfterSortingPrintsAtOnce) {
    writeStandardJob();
    setParm({{key::Printer, "L"}, {key::LabelHeight, "40"}, {key::LabelWidth, "60"}, {key::TopMarg, "10"},
             {key::LeftMarg, "10"}, {key::LabelsPage, "6"}, {key::FontSize, 8}});
    testkit::setParmKeys({{key::Printer, "E"}, {key::LabelHeight, "9"}, {key::LabelWidth, "36"}, {key::TopMarg, "2"},
                          {key::LeftMarg, "0"}});
    RecordingOutput out;
    const RunResult r = run(request('A', 1, 20), out);
    EXPECT_EQ(r.status, Status::Completed) << r.message.toStdString();
    EXPECT_FALSE(out.rows().empty());
}

TEST_F(Unprintable, Lpt1ThatFailsIsAFailureAndKeepsThePresets) {
    writeStandardJob();
    // Labels written before the failure count as printed only where they went
    // straight to the printer's device; a plain LPT1 file of the run is
    // thrown away, and a number would have the user go on after them.
    struct Case {
        const char* what;
        bool failOpen;
        int failAfter;
        bool device;
        const char* ending;  // after the cause; "" for none
    };
    const Case cases[] = {
        {"cannot open", true, -1, false, ""},
        {"fails in the first row", false, 5, false, ""},
        {"fails later, a plain file", false, 30, false, "  None of this run's labels has been printed."},
        {"fails later, the printer's device", false, 30, true, "  Last label number printed: 3"},
    };
    for (const Case& c : cases) {
        setParm({{key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}, {key::RunAlone, "Y"},
                 {key::RunLabels, "Y"}});
        platform::RecordingPort port;
        port.setFailOpen(c.failOpen);
        port.setFailAfter(c.failAfter);
        port.setWritesThrough(c.device);
        DotWriter writer(port);
        const RunResult r = run(request('A', 1, 20), writer);
        EXPECT_EQ(r.status, Status::Failed) << c.what;
        EXPECT_TRUE(r.message.startsWith("The labels could not be printed on LPT1: ")) << c.what;
        if (*c.ending) {
            EXPECT_TRUE(r.message.endsWith(c.ending)) << c.what << ": " << r.message.toStdString();
        } else {
            EXPECT_FALSE(r.message.contains("printed:") || r.message.contains("None of")) << c.what;
        }
        EXPECT_EQ(parmText(key::RunAlone), "N") << c.what;
        EXPECT_EQ(parmText(key::RunLabels), "N") << c.what;
        EXPECT_EQ(parmText(key::Labfrom), "3") << c.what;
        EXPECT_EQ(parmText(key::Labopt), "B") << c.what;
    }
}

// The sortation refuses these keys before it bags the job; labels placed
// by them would not match its bags.
TEST_F(Unprintable, BagValuesTheSortationRefusesAreRefusedBeforeTheRun) {
    writeStandardJob();
    const QString correct = " Correct it in the job parameters (\"Update Parameters\"), then run this option again.";
    struct Case {
        const char *weight, *bagMax, *bundleMax;
        QString message;
    };
    const Case cases[] = {
        {"100", "0", "2",
         "The bag maximum of this job is \"0\", not a number of grams above 0, so its items cannot be put into bags." +
             correct},
        {"100", "-5", "2",
         "The bag maximum of this job is \"-5\", not a number of grams above 0, so its items cannot be put into "
         "bags." + correct},
        {"100", "abc", "2",
         "The bag maximum of this job is \"abc\", not a number of grams above 0, so its items cannot be put into "
         "bags." + correct},
        {"100", "", "2",
         "The bag maximum of this job is nothing, not a number of grams above 0, so its items cannot be put into "
         "bags." + correct},
        {"0", "300", "2",
         "The item weight of this job is \"0\", not a number of grams above 0, so its items cannot be put into bags." +
             correct},
        {"abc", "300", "2",
         "The item weight of this job is \"abc\", not a number of grams above 0, so its items cannot be put into "
         "bags." + correct},
        {"100", "300", "-5",
         "The bundle maximum of this job is \"-5\", not a number of items above 0, so its items cannot be bundled." +
             correct},
        {"100", "300", "",
         "The bundle maximum of this job is nothing, not a number of items above 0, so its items cannot be bundled." +
             correct},
        {"400", "300", "2",
         "The bag maximum of this job (300 grams) is below the weight of one item (400 grams), so no item fits into "
         "a bag." + correct},
    };
    for (const bool laser : {false, true}) {
        for (const Case& c : cases) {
            const std::string what =
                std::string(laser ? "laser " : "dot ") + c.weight + "/" + c.bagMax + "/" + c.bundleMax;
            setParm({{key::Weight, c.weight}, {key::BagMax, c.bagMax}, {key::BundleMax, c.bundleMax},
                     {key::Printer, laser ? "L" : "E"}, {key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"},
                     {key::RunAlone, "Y"}, {key::RunLabels, "Y"}});
            platform::RecordingPort port;
            DotWriter dot(port);
            RecordingOutput printer(true, 2.1);
            auto db = open();
            const OutputFor output = [&](bool l) -> LabelOutput& {
                return l ? static_cast<LabelOutput&>(printer) : dot;
            };
            const RunResult r = runLabels(*db, request('A', 1, 20), output, {}, session_);
            db.reset();
            EXPECT_EQ(r.status, Status::Refused) << what;
            EXPECT_EQ(r.message, c.message) << what;
            EXPECT_EQ(port.opens(), 0) << what;
            EXPECT_EQ(printer.begins(), 0) << what;
            EXPECT_TRUE(printer.rows().empty()) << what;
            EXPECT_EQ(parmText(key::RunAlone), "N") << what;
            EXPECT_EQ(parmText(key::RunLabels), "N") << what;
            EXPECT_EQ(parmText(key::Labfrom), "3") << what;
            EXPECT_EQ(parmText(key::Labto), "9") << what;
            EXPECT_EQ(parmText(key::Labopt), "B") << what;
        }
    }
}

// A disk that fills: LPT1 (a plain file here) cannot be written, and then
// neither can the run flags; left "Y" they would start a later step as a run
// in hand, so the message says so.
TEST_F(Unprintable, AFullDiskThatKeepsTheRunFlagsIsReported) {
    writeStandardJob();
    setParm({{key::RunAlone, "Y"}, {key::RunLabels, "Y"}, {key::Labfrom, "3"}});
    RunResult r;
    {
        auto db = open();
        platform::FilePort lpt1;
        DotWriter writer(lpt1);
        // Less than one page of the database's log, and of LPT1.
        const testkit::FileSizeLimit full(2048);
        r = runLabels(*db, request('A', 1, 20), [&](bool) -> LabelOutput& { return writer; }, {}, session_);
    }
    EXPECT_EQ(r.status, Status::Failed);
    const QString flags = "  The run flags could not be saved: ";
    EXPECT_TRUE(r.message.startsWith("The labels could not be printed on LPT1: ")) << r.message.toStdString();
    EXPECT_TRUE(r.message.contains("File too large")) << r.message.toStdString();
    // The cause follows, in the database's words.
    ASSERT_TRUE(r.message.contains(flags)) << r.message.toStdString();
    EXPECT_TRUE(r.message.endsWith(flags + "disk I/O error.")) << r.message.toStdString();
    // Nothing was stored: the message is the only word of it.
    EXPECT_EQ(parmText(key::RunAlone), "Y");
    EXPECT_EQ(parmText(key::RunLabels), "Y");
}

TEST_F(Unprintable, LabelSettingsARowCannotHoldAreRefusedBeforeTheRun) {
    writeStandardJob();
    struct Case {
        const char* across;
        const char* width;
    };
    for (const Case c : {Case{"-1", "36"}, Case{"0", "36"}, Case{"4", "70"}, Case{"1", "0.0"}}) {
        setParm({{key::LabAcross, c.across}, {key::LabelWidth, c.width}});
        platform::RecordingPort port;
        DotWriter writer(port);
        const RunResult r = run(request('A', 1, 20), writer);
        EXPECT_EQ(r.status, Status::Refused) << c.across;
        EXPECT_EQ(port.opens(), 0) << c.across;
        EXPECT_EQ(parmText(key::RunLabels), "N");
    }
}

TEST_F(Unprintable, AnUnexpectedErrorEndsTheOutputAndKeepsThePresets) {
    writeStandardJob();
    setParm({{key::Labfrom, "3"}, {key::Labopt, "B"}});
    {
        // A work table some other program made without the county.
        auto db = open();
        jobtables::dropIfThere(*db, "mmwork");
        db::TableDef def = jobtables::mmworkDef();
        std::erase_if(def.fields, [](const db::FieldDef& f) { return f.name == "county"; });
        db->createTable(def);
        auto w = db->openTable("mmwork");
        w->addNew();
        w->set("name", "Name X");
        w->set("mscode", "12345");
        w->set("seq", 12345);
        w->update();
    }
    RecordingOutput out;
    const RunResult r = run(request('A', 1, 20), out);
    EXPECT_EQ(r.status, Status::Failed);
    EXPECT_TRUE(r.unexpected);
    EXPECT_TRUE(r.message.startsWith("An unexpected error has occurred.  Please make a note of the following error "
                                     "details and contact Brackwith Mailing Services.  Error number: 3265"))
        << r.message.toStdString();
    EXPECT_EQ(out.begins(), 1);
    EXPECT_EQ(out.finishes(), 0);
    EXPECT_EQ(out.abandons(), 1);
    EXPECT_EQ(parmText(key::RunLabels), "N");
    EXPECT_EQ(parmText(key::RunAlone), "N");
    EXPECT_EQ(parmText(key::Labfrom), "3");
    EXPECT_EQ(parmText(key::Labopt), "B");
}

// mmwork with zeroed pages: the walk fails part way through the job. The
// program's own printers put nothing of it in place: an earlier LPT1 stays
// byte for byte and no labels PDF appears; the run flags end the sequence.
TEST_F(Unprintable, ADamagedWorkTableKeepsTheEarlierOutputOnBothPrinters) {
    const std::uint64_t fresh = pages();
    writeLongJob(3000);
    setParm({{key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}});
    const fs::path whole = dir() / "whole.copy";
    fs::copy_file(dir() / "mailsort.mdb", whole);
    const std::string earlier = "last run's labels\r\n";
    struct Restore {
        ~Restore() {
            platform::setLptPort(nullptr);
            platform::setPrinter(nullptr);
        }
    } restore;
    for (const bool laser : {false, true}) {
        SCOPED_TRACE(laser ? "laser" : "dot matrix");
        fs::copy_file(whole, dir() / "mailsort.mdb", fs::copy_options::overwrite_existing);
        setParm({{key::Printer, laser ? "L" : "E"}, {key::RunAlone, "Y"}, {key::RunLabels, "Y"}});
        zeroPagesAfter(fresh);
        scratch().writeBytes("LPT1", earlier);
        platform::setLptPort(nullptr);  // LPT1, a plain file in the folder
        platform::setPrinter(std::make_shared<platform::PdfPrinter>());
        const std::vector<std::string> before = scratch().names();

        int records = 0;  // the walk reached the job's rows before it failed
        RunCallbacks cb;
        cb.progress = [&](double) { ++records; };
        RunResult r;
        {
            auto db = open();
            r = printLabels(*db, request('A', 1, 20), cb, session_);
        }
        EXPECT_GT(records, 0);
        EXPECT_EQ(r.status, Status::Failed);
        EXPECT_TRUE(r.unexpected);
        EXPECT_TRUE(r.message.startsWith("An unexpected error has occurred.  Please make a note of the following "
                                         "error details and contact Brackwith Mailing Services.  Error number: "))
            << r.message.toStdString();
        const std::string lpt1 = scratch().readBytes("LPT1");
        EXPECT_TRUE(lpt1 == earlier) << "LPT1 holds " << lpt1.size() << " bytes";
        EXPECT_EQ(scratch().names(), before);  // no labels PDF, no unfinished copy
        EXPECT_EQ(parmText(key::RunAlone), "N");
        EXPECT_EQ(parmText(key::RunLabels), "N");
        EXPECT_EQ(parmText(key::Labfrom), "3");
        EXPECT_EQ(parmText(key::Labto), "9");
        EXPECT_EQ(parmText(key::Labopt), "B");
    }
}

// Each geometry key the printer uses must be a number it can print by;
// anything else is refused before any output, writing only the run flags.
TEST_F(Unprintable, GeometryKeysOutsideTheirPrintersRangeAreRefusedBeforeAnyOutput) {
    writeStandardJob();
    const QString again = " Change it in the label configuration, then print the labels again.";
    struct Case {
        bool laser;
        const char* key;
        db::Value value;
        QString message;  // empty: printed
    };
    const Case cases[] = {
        {false, key::LabelHeight, db::Value(), "The label height is nothing, not a whole number of lines from 1 to 255."},
        {false, key::LabelHeight, "", "The label height is nothing, not a whole number of lines from 1 to 255."},
        {false, key::LabelHeight, "abc", "The label height is \"abc\", not a whole number of lines from 1 to 255."},
        {false, key::LabelHeight, "0", "The label height is \"0\", not a whole number of lines from 1 to 255."},
        {false, key::LabelHeight, "1e12", "The label height is \"1e12\", not a whole number of lines from 1 to 255."},
        {false, key::LabelHeight, "9abc", "The label height is \"9abc\", not a whole number of lines from 1 to 255."},
        {false, key::LabelHeight, "256", "The label height is \"256\", not a whole number of lines from 1 to 255."},
        {false, key::LabelWidth, "-3", "The label width is \"-3\", not a whole number of characters from 1 to 255."},
        {false, key::LabelWidth, db::Value(), "The label width is nothing, not a whole number of characters from 1 to 255."},
        {false, key::VertGap, "0", "The vertical gap is \"0\", not a whole number of lines from 1 to 255."},
        {false, key::HorGap, "x", "The horizontal gap is \"x\", not a whole number of characters from 0 to 255."},
        {false, key::TopMarg, "300", "The top margin is \"300\", not a whole number of lines from 0 to 255."},
        {false, key::LeftMarg, db::Value(), "The left margin is nothing, not a whole number of characters from 0 to 255."},
        {false, key::AddOffset, "1.2.3", "The address offset is \"1.2.3\", not a whole number of characters from 0 to 255."},
        {false, key::LabelHeight, "8.5", "The label height is \"8.5\", not a whole number of lines from 1 to 255."},
        {false, key::LeftMarg, "2.5", "The left margin is \"2.5\", not a whole number of characters from 0 to 255."},
        {false, key::LabelHeight, "255", ""},
        {false, key::TopMarg, "0", ""},
        // Keys the dot matrix does not use are not looked at.
        {false, key::FontSize, db::Value(), ""},
        {false, key::LabelsPage, "abc", ""},
        {true, key::LabelHeight, db::Value(), "The label height is nothing, not a number of millimetres from 1 to 297."},
        {true, key::LabelHeight, "abc", "The label height is \"abc\", not a number of millimetres from 1 to 297."},
        {true, key::LabelHeight, "0", "The label height is \"0\", not a number of millimetres from 1 to 297."},
        {true, key::LabelHeight, "1e12", "The label height is \"1e12\", not a number of millimetres from 1 to 297."},
        {true, key::LabelWidth, "211", "The label width is \"211\", not a number of millimetres from 1 to 210."},
        {true, key::VertGap, "-1", "The vertical gap is \"-1\", not a number of millimetres from 0 to 297."},
        {true, key::HorGap, "", "The horizontal gap is nothing, not a number of millimetres from 0 to 210."},
        {true, key::TopMarg, "298", "The top margin is \"298\", not a number of millimetres from 0 to 297."},
        {true, key::LeftMarg, "abc", "The left margin is \"abc\", not a number of millimetres from 0 to 210."},
        {true, key::AddOffset, "1e12", "The address offset is \"1e12\", not a number of millimetres from 0 to 210."},
        {true, key::LabelsPage, "7.5", "The number of rows per page is \"7.5\", not a whole number from 1 to 999."},
        {true, key::LabelsPage, "0", "The number of rows per page is \"0\", not a whole number from 1 to 999."},
        {true, key::LabelsPage, db::Value(), "The number of rows per page is nothing, not a whole number from 1 to 999."},
        {true, key::FontSize, db::Value(), "The font size is nothing, not 8, 10 or 12."},
        {true, key::FontSize, 9, "The font size is \"9\", not 8, 10 or 12."},
        {true, key::FontSize, 0, "The font size is \"0\", not 8, 10 or 12."},
        {true, key::LabelHeight, "38.1", ""},
        {true, key::FontSize, 10, ""},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.laser ? "laser " : "dot ") + c.key + " " +
                                 (c.value.isNull() ? "Null" : c.value.toString());
        standardKeys();
        // A sheet the laser prints, and the keys of the case.
        if (c.laser)
            setParm({{key::Printer, "L"}, {key::LabelHeight, "38.1"}, {key::LabelWidth, "63.5"}, {key::VertGap, "0"},
                     {key::HorGap, "2.5"}, {key::TopMarg, "19"}, {key::LeftMarg, "8"}, {key::AddOffset, "2"},
                     {key::LabAcross, "3"}, {key::LabelsPage, "7"}, {key::FontSize, 8}});
        setParm({{c.key, c.value}, {key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}});
        platform::RecordingPort port;
        DotWriter dot(port);
        RecordingOutput printer(true, 2.1);
        const RunResult r = [&] {
            auto db = open();
            return runLabels(*db, request('A', 1, 20),
                             [&](bool l) -> LabelOutput& { return l ? static_cast<LabelOutput&>(printer) : dot; }, {},
                             session_);
        }();
        if (c.message.isEmpty()) {
            EXPECT_EQ(r.status, Status::Completed) << what << ": " << r.message.toStdString();
            EXPECT_EQ(c.laser ? printer.rows().empty() : port.lines().empty(), false) << what;
            continue;
        }
        EXPECT_EQ(r.status, Status::Refused) << what;
        EXPECT_EQ(r.message, c.message + again) << what;
        EXPECT_EQ(port.opens(), 0) << what;
        EXPECT_EQ(printer.begins(), 0) << what;
        EXPECT_EQ(parmText(key::RunAlone), "N") << what;
        EXPECT_EQ(parmText(key::RunLabels), "N") << what;
        EXPECT_EQ(parmText(key::Labfrom), "3") << what;
        EXPECT_EQ(parmText(key::Labto), "9") << what;
        EXPECT_EQ(parmText(key::Labopt), "B") << what;
    }
}

// The program's own printers, LPT1 as a plain file in the test's folder and
// PDFs into it, for the runs of the tests below.
struct ProgramPrinters {
    ProgramPrinters() {
        platform::setLptPort(nullptr);
        platform::setPrinter(std::make_shared<platform::PdfPrinter>());
    }
    ~ProgramPrinters() {
        platform::setLptPort(nullptr);
        platform::setPrinter(nullptr);
    }
};

// The first laser preset: 63.5 x 38.1 mm labels, 3 across, 7 rows a page,
// from 8 mm left and 19 mm down; on the sheet by 6.5 and 11.3 mm.
const std::map<std::string, db::Value> kFirstLaserPreset{
    {key::Printer, "L"},   {key::LabelHeight, "38.1"}, {key::LabelWidth, "63.5"}, {key::VertGap, "0"},
    {key::HorGap, "2.5"},  {key::TopMarg, "19"},       {key::LeftMarg, "8"},      {key::AddOffset, "2"},
    {key::LabAcross, "3"}, {key::LabelsPage, "7"},     {key::FontSize, 8}};

// Laser labels past the A4 sheet's right or bottom edge would be lost: such
// a sheet is refused before anything is printed, saying which way and by
// how much; one that reaches the edge exactly prints.
TEST_F(Unprintable, LaserLabelsOffTheA4SheetAreRefusedBeforeAnyOutput) {
    writeStandardJob();
    const QString again = "Change the label configuration, then print the labels again.";
    struct Case {
        const char* what;
        std::map<std::string, db::Value> keys;  // over the first laser preset
        QString message;                        // empty: printed
    };
    const Case cases[] = {
        {"the preset itself", {}, ""},
        {"a left margin of 200 mm",
         {{key::LeftMarg, "200"}},
         "The labels across run 185.5 mm past the right edge of the A4 sheet: a row's 3 labels end 395.5 mm from "
         "its left edge, and the sheet is 210 mm wide. " + again},
        {"4 across of the second preset",
         {{key::LabelWidth, "99.1"}, {key::LeftMarg, "4"}, {key::FontSize, 10}, {key::LabAcross, "4"}},
         "The labels across run 197.9 mm past the right edge of the A4 sheet: a row's 4 labels end 407.9 mm from "
         "its left edge, and the sheet is 210 mm wide. " + again},
        {"9 across, printed 4 across",
         {{key::LabelWidth, "99.1"}, {key::LeftMarg, "4"}, {key::FontSize, 10}, {key::LabAcross, "9"}},
         "The labels across run 197.9 mm past the right edge of the A4 sheet: a row's 4 labels end 407.9 mm from "
         "its left edge, and the sheet is 210 mm wide. " + again},
        // 9.9 + 3 x 66.7 is a hair above 210 in binary.
        {"across to the right edge exactly", {{key::LabelWidth, "66.7"}, {key::HorGap, "0"}, {key::LeftMarg, "9.9"}},
         ""},
        {"across a hundredth past it",
         {{key::LabelWidth, "66.7"}, {key::HorGap, "0"}, {key::LeftMarg, "9.91"}},
         "The labels across run 0.01 mm past the right edge of the A4 sheet: a row's 3 labels end 210.01 mm from "
         "its left edge, and the sheet is 210 mm wide. " + again},
        {"one label across",
         {{key::LeftMarg, "150"}, {key::LabAcross, "1"}},
         "The labels across run 3.5 mm past the right edge of the A4 sheet: a row's one label ends 213.5 mm from "
         "its left edge, and the sheet is 210 mm wide. " + again},
        // 10.1 + 7 x 40.9 + 6 x 0.1 is a hair above 297 in binary.
        {"down to the bottom edge exactly", {{key::LabelHeight, "40.9"}, {key::VertGap, "0.1"}, {key::TopMarg, "10.1"}},
         ""},
        {"down five hundredths past it",
         {{key::LabelHeight, "40.9"}, {key::VertGap, "0.1"}, {key::TopMarg, "10.15"}},
         "The labels down run 0.05 mm past the bottom edge of the A4 sheet: a page's 7 rows end 297.05 mm from "
         "its top edge, and the sheet is 297 mm long. " + again},
        {"8 rows a page",
         {{key::LabelsPage, "8"}},
         "The labels down run 26.8 mm past the bottom edge of the A4 sheet: a page's 8 rows end 323.8 mm from its "
         "top edge, and the sheet is 297 mm long. " + again},
        {"999 rows a page",
         {{key::LabelsPage, "999"}},
         "The labels down run 37783.9 mm past the bottom edge of the A4 sheet: a page's 999 rows end 38080.9 mm "
         "from its top edge, and the sheet is 297 mm long. " + again},
        {"one row a page",
         {{key::LabelsPage, "1"}, {key::TopMarg, "260"}},
         "The labels down run 1.1 mm past the bottom edge of the A4 sheet: a page's one row ends 298.1 mm from its "
         "top edge, and the sheet is 297 mm long. " + again},
        // Above the printable area, 2 mm in, a page's first row starts 2.1 mm down.
        {"no top margin", {{key::LabelHeight, "42.1"}, {key::TopMarg, "0"}}, ""},
        {"a top margin above the printable area",
         {{key::LabelHeight, "42.2"}, {key::TopMarg, "1"}},
         "The labels down run 0.5 mm past the bottom edge of the A4 sheet: a page's 7 rows end 297.5 mm from its "
         "top edge, and the sheet is 297 mm long. " + again},
        {"both ways",
         {{key::LeftMarg, "200"}, {key::LabelsPage, "8"}},
         "The labels across run 185.5 mm past the right edge of the A4 sheet: a row's 3 labels end 395.5 mm from "
         "its left edge, and the sheet is 210 mm wide. The labels down run 26.8 mm past the bottom edge of the A4 "
         "sheet: a page's 8 rows end 323.8 mm from its top edge, and the sheet is 297 mm long. " + again},
    };
    ProgramPrinters printers;
    for (const Case& c : cases) {
        standardKeys();
        setParm(kFirstLaserPreset);
        setParm(c.keys);
        setParm({{key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}});
        const std::vector<std::string> before = scratch().names();
        const RunResult r = [&] {
            auto db = open();
            return printLabels(*db, request('A', 1, 20), {}, session_);
        }();
        std::vector<std::string> added;
        for (const std::string& name : scratch().names())
            if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
        if (c.message.isEmpty()) {
            EXPECT_EQ(r.status, Status::Completed) << c.what << ": " << r.message.toStdString();
            ASSERT_EQ(added.size(), 1u) << c.what;  // the labels PDF
            EXPECT_TRUE(added[0].ends_with(".pdf")) << c.what << ": " << added[0];
            fs::remove(dir() / added[0]);
            continue;
        }
        EXPECT_EQ(r.status, Status::Refused) << c.what;
        EXPECT_EQ(r.message, c.message) << c.what;
        EXPECT_TRUE(added.empty()) << c.what << ": " << (added.empty() ? "" : added[0]);
        EXPECT_EQ(parmText(key::RunAlone), "N") << c.what;
        EXPECT_EQ(parmText(key::RunLabels), "N") << c.what;
        EXPECT_EQ(parmText(key::Labfrom), "3") << c.what;
        EXPECT_EQ(parmText(key::Labto), "9") << c.what;
        EXPECT_EQ(parmText(key::Labopt), "B") << c.what;
    }
}

// Labels across is the whole stored text: "2abc" is no more 2 than "9abc" is
// 9, on either printer; the earlier LPT1 stays and no PDF appears.
TEST_F(Unprintable, LabelsAcrossWithMoreThanANumberIsRefusedOnBothPrinters) {
    writeStandardJob();
    struct Case {
        bool laser;
        const char* across;
        bool printed;
    };
    const Case cases[] = {
        {false, "2abc", false}, {false, "9abc", false}, {false, "2 3", false}, {false, "2", true},
        {false, "9", true},     {true, "2abc", false},  {true, "9abc", false}, {true, "2", true},
    };
    const std::string earlier = "last run's labels\r\n";
    ProgramPrinters printers;
    for (const Case& c : cases) {
        const std::string what = std::string(c.laser ? "laser " : "dot ") + c.across;
        standardKeys();
        if (c.laser) setParm(kFirstLaserPreset);
        setParm({{key::LabAcross, c.across}, {key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}});
        scratch().writeBytes("LPT1", earlier);
        const std::vector<std::string> before = scratch().names();
        const RunResult r = [&] {
            auto db = open();
            return printLabels(*db, request('A', 1, 20), {}, session_);
        }();
        if (c.printed) {
            EXPECT_EQ(r.status, Status::Completed) << what << ": " << r.message.toStdString();
            EXPECT_NE(scratch().readBytes("LPT1") == earlier, !c.laser) << what;
            for (const std::string& name : scratch().names())
                if (name.ends_with(".pdf")) fs::remove(dir() / name);
            continue;
        }
        EXPECT_EQ(r.status, Status::Refused) << what;
        EXPECT_EQ(r.message, QString("Labels across is \"%1\": it must be 1, 2, 3 or 4 (a larger number prints 4 "
                                     "across). Change it in the label configuration, then print the labels again.")
                                 .arg(c.across))
            << what;
        EXPECT_EQ(scratch().readBytes("LPT1"), earlier) << what;
        EXPECT_EQ(scratch().names(), before) << what;
        EXPECT_EQ(parmText(key::RunLabels), "N") << what;
        EXPECT_EQ(parmText(key::Labfrom), "3") << what;
    }
}

TEST_F(Unprintable, NullCodesAndBundleNumbersReadAsEmpty) {
    std::vector<fixture::Address> a = {
        {"Name N1", "1 Road", "", "Town", "", "", db::Value(), db::Value(), db::Value(), 5, 1},
        {"Name N2", "2 Road", "", "Town", "", "", db::Value(), db::Value(), db::Value(), 5, 1},
    };
    writeJob(a, {{1, 1, 3, db::Value(), 1}});
    standardKeys();
    setParm({{key::Mailsort, "Y"}, {key::TopMarg, "0"}});
    platform::RecordingPort port;
    DotWriter writer(port);
    const RunResult r = run(request('A', 1, 20), writer);
    EXPECT_EQ(r.status, Status::Completed);
    QStringList names;
    for (const QString& l : port.lines())
        if (l.trimmed().startsWith("Name")) names << l.trimmed();
    EXPECT_EQ(names, QStringList({"Name N1", "Name N2"}));
    EXPECT_EQ(r.labelNumber, 3);
}

}  // namespace
}  // namespace qv::labels
