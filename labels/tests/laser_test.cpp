// Label runs on the laser printer: columns and rows in millimetres, pages of
// LabelsPage rows, and each label's text inside its label of the sheet.
#include "fixture.h"
#include "labels/writers.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/recordingprinter.h"
#include "platform/testing/test_services.h"

#include <cmath>

namespace qv::labels {
namespace {

using fixture::DatabaseFolder;
namespace key = parm::key;
using Status = RunResult::Status;
using platform::PrintedLine;

class LaserRun : public DatabaseFolder {
protected:
    // One direct selection of n addresses, no bag or bundle labels, on the
    // first laser preset (L7160 sheets: 63.5 x 38.1 mm, 3 across, 7 down).
    void writeDirectJob(int n) {
        std::vector<fixture::Address> a;
        for (int i = 1; i <= n; ++i) {
            const QString id = QString::asprintf("%02d", i);
            a.push_back({("Name " + id).toStdString(), (id + " Long Lane").toStdString(), "", "TOWN",
                         ("AB1 2" + id).toStdString(), "", "12345", "", "N", 5, 12345});
        }
        writeJob(a, {{1, 0, n, db::Value(), 12345}});
        standardKeys();
        setParm({{key::Printer, "L"},
                 {key::LabelHeight, "38.1"},
                 {key::LabelWidth, "63.5"},
                 {key::VertGap, "0"},
                 {key::HorGap, "2.5"},
                 {key::TopMarg, "19"},
                 {key::LeftMarg, "8"},
                 {key::AddOffset, "2"},
                 {key::LabAcross, "3"},
                 {key::LabelsPage, "7"},
                 {key::FontSize, 12},
                 {key::BagLab, "N"},
                 {key::BundleLab, "N"},
                 {key::Mailsort, "Y"}});
    }
    RunResult runLaser(const RunRequest& req) {
        LaserWriter writer(printer());
        return run(req, writer);
    }
    platform::RecordingPrinter& printer() { return platform::testing::recordingPrinter(); }
    // The lines of the one document printed, page by page.
    std::vector<std::vector<PrintedLine>> pages() {
        EXPECT_EQ(printer().documents().size(), 1u);
        return printer().documents().empty() ? std::vector<std::vector<PrintedLine>>{} : printer().documents()[0];
    }
};

TEST_F(LaserRun, ColumnsRowsAndPagesOfTheFirstPreset) {
    writeDirectJob(24);
    const RunResult r = runLaser(request('A', 1, 1));
    ASSERT_EQ(r.status, Status::Completed);
    const auto doc = pages();
    ASSERT_EQ(doc.size(), 2u);
    ASSERT_EQ(doc[0].size(), 7u * 8);  // seven rows of eight lines
    ASSERT_EQ(doc[1].size(), 8u);      // the 8th row opens the second page
    // Eight lines of 12 points (4.80 mm) are taller than the label: they
    // close up so that the last ends on its bottom edge.
    const double lineMm = 12 * 2320.0 / 2048 * 25.4 / 72;
    const double pitch = (38.1 - lineMm) / 7;
    for (int p = 0; p < 2; ++p)
        for (std::size_t i = 0; i < doc[std::size_t(p)].size(); ++i) {
            const PrintedLine& l = doc[std::size_t(p)][i];
            const int row = int(i / 8), line = int(i % 8);
            EXPECT_NEAR(l.yMm, 17 + row * 38.1 + line * pitch, 1e-6) << "page " << p + 1 << " line " << i;
            EXPECT_EQ(l.xMm, 0);
            EXPECT_EQ(l.font.name, "Courier New");
            EXPECT_EQ(l.font.size, 12);
            EXPECT_LE(l.text.size(), 79);
        }
    // The name line of the first row: labels at columns 4, 30 and 56.
    const QString names = doc[0][1].text;
    EXPECT_EQ(names.indexOf("Name 01"), 3);
    EXPECT_EQ(names.indexOf("Name 02"), 29);
    EXPECT_EQ(names.indexOf("Name 03"), 55);
    EXPECT_EQ(doc[1][1].text.indexOf("Name 22"), 3);
    // Trailing blanks are not printed; a blank line is printed empty.
    EXPECT_FALSE(names.endsWith(' '));
    EXPECT_EQ(doc[0][7].text, "");
}

TEST_F(LaserRun, EachLabelsTextLiesInsideItsLabelOfTheSheet) {
    writeDirectJob(21);
    runLaser(request('A', 1, 1));
    const auto doc = pages();
    ASSERT_EQ(doc.size(), 1u);  // 21 labels fill one sheet and no empty page follows
    const double charMm = 2.54, lineMm = 12 * 2320.0 / 2048 * 25.4 / 72;
    // The sheet's labels, measured from the printable area 2 mm in from the
    // paper's top left edges: side margin 7.25 mm, pitch 66 mm across,
    // top margin 15.15 mm, pitch 38.1 mm down.
    int checked = 0;
    for (std::size_t i = 0; i < doc[0].size(); ++i) {
        const PrintedLine& l = doc[0][i];
        const int row = int(i / 8);
        const double top = 15.15 + row * 38.1 - 2, bottom = top + 38.1;
        for (int c = 0; c < l.text.size();) {
            if (l.text[c] == ' ') {
                ++c;
                continue;
            }
            int e = c;
            while (e < l.text.size() && !(l.text[e] == ' ' && (e + 1 >= l.text.size() || l.text[e + 1] == ' '))) ++e;
            const double x0 = c * charMm, x1 = e * charMm;
            const int col = int((x0 - 5.25) / 66.0);
            const double left = 7.25 + col * 66.0 - 2, right = left + 63.5;
            EXPECT_GE(x0, left) << l.text.toStdString();
            EXPECT_LE(x1, right) << l.text.toStdString();
            EXPECT_GE(l.yMm, top) << l.text.toStdString();
            EXPECT_LE(l.yMm + lineMm, bottom) << l.text.toStdString();
            ++checked;
            c = e;
        }
    }
    EXPECT_EQ(checked, 21 * 5);  // code, name, street, town and postcode of each label
}

TEST_F(LaserRun, RowsTallerThanTheirStepStillStartOneStepApart) {
    writeDirectJob(9);
    setParm({{key::LabelHeight, "10"}, {key::VertGap, "1.5"}});  // eight lines of 12 points are 38 mm
    runLaser(request('A', 1, 1));
    const auto doc = pages();
    ASSERT_EQ(doc.size(), 1u);
    ASSERT_EQ(doc[0].size(), 3u * 8);
    for (int row = 0; row < 3; ++row) EXPECT_NEAR(doc[0][std::size_t(row * 8)].yMm, 17 + row * 11.5, 1e-6) << row;
}

TEST_F(LaserRun, TopMarginBelowTwoMillimetres) {
    writeDirectJob(3);
    setParm({{key::TopMarg, "1"}});
    runLaser(request('A', 1, 1));
    const auto doc = pages();
    ASSERT_FALSE(doc.empty());
    EXPECT_NEAR(doc[0][0].yMm, 0.1, 1e-9);
}

TEST_F(LaserRun, EveryPageStartsAtTheTopPosition) {
    // Bag and bundle labels only, three across, one row a page: the last
    // row opens its page at the end of the run.
    writeStandardJob();
    setParm({{key::Printer, "L"}, {key::LabelHeight, "38.1"}, {key::LabelWidth, "63.5"}, {key::HorGap, "2.5"},
             {key::TopMarg, "19"}, {key::LeftMarg, "8"}, {key::AddOffset, "2"}, {key::LabAcross, "3"},
             {key::LabelsPage, "1"}, {key::FontSize, 8}, {key::AddressLab, "N"}, {key::VertGap, "0"}});
    runLaser(request('A', 1, 1));
    const auto doc = pages();
    ASSERT_EQ(doc.size(), 4u);  // 10 boxes: 3 + 3 + 3 + 1
    for (std::size_t p = 0; p < doc.size(); ++p) {
        ASSERT_EQ(doc[p].size(), 8u) << p;
        EXPECT_NEAR(doc[p][0].yMm, 17, 1e-9) << "page " << p + 1;
        EXPECT_TRUE(doc[p][0].text.startsWith("    ****")) << doc[p][0].text.toStdString();
    }
    // Address labels and boxes on pages of two rows.
    printer().clear();
    setParm({{key::AddressLab, "Y"}, {key::LabelsPage, "2"}});
    runLaser(request('A', 1, 1));
    const auto mixed = pages();
    ASSERT_GT(mixed.size(), 2u);
    for (std::size_t p = 0; p < mixed.size(); ++p) EXPECT_NEAR(mixed[p][0].yMm, 17, 1e-9) << "page " << p + 1;
}

TEST_F(LaserRun, ARangeThatPlacesNothingPrintsNothingAndStillWritesBack) {
    writeDirectJob(5);
    const RunResult r = runLaser(request('L', 40, 50));
    EXPECT_EQ(r.status, Status::Completed);
    EXPECT_TRUE(printer().lines().empty());
    EXPECT_EQ(parmText(key::Labfrom), "40");
    EXPECT_EQ(parmText(key::Labopt), "L");
}

TEST_F(LaserRun, NoPrinterIsAFailure) {
    writeDirectJob(5);
    setParm({{key::Labfrom, "3"}, {key::Labto, "9"}, {key::Labopt, "B"}});
    printer().setFailing(true);
    const RunResult r = runLaser(request('A', 1, 20));
    EXPECT_EQ(r.status, Status::Failed);
    EXPECT_TRUE(r.message.startsWith("The labels could not be printed: ")) << r.message.toStdString();
    EXPECT_EQ(parmText(key::RunLabels), "N");
    EXPECT_EQ(parmText(key::RunAlone), "N");
    EXPECT_EQ(parmText(key::Labfrom), "3");
    EXPECT_EQ(parmText(key::Labopt), "B");
}

}  // namespace
}  // namespace qv::labels
