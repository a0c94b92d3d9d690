#include "platform/testing/recordingprinter.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

using namespace qv::platform;
using Kind = RecordingPrinter::EventKind;

namespace {
constexpr double kMmPerPt = 25.4 / 72.0;
double lineMm(double size) { return size * 2320.0 / 2048.0 * kMmPerPt; }
}  // namespace

TEST(ScaleConversions, Table) {
    RecordingPrinter p;
    struct Case {
        double value;
        ScaleMode from, to;
        double x, y;
    };
    const Case cases[] = {
        {8, ScaleMode::Millimeters, ScaleMode::Characters, 8 * 12 / 25.4, 8 * 6 / 25.4},
        {1, ScaleMode::Inches, ScaleMode::Twips, 1440, 1440},
        {72, ScaleMode::Points, ScaleMode::Inches, 1, 1},
        {1, ScaleMode::Centimeters, ScaleMode::Millimeters, 10, 10},
        {100, ScaleMode::Himetric, ScaleMode::Millimeters, 1, 1},
        {1, ScaleMode::Characters, ScaleMode::Points, 6, 12},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(p.scaleX(c.value, c.from, c.to), c.x, 1e-9);
        EXPECT_NEAR(p.scaleY(c.value, c.from, c.to), c.y, 1e-9);
    }
}

TEST(RecordingPrinter, MetricsAreFixedPerPointSize) {
    RecordingPrinter p;
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontName("Courier New");
    p.setFontSize(12);
    EXPECT_NEAR(p.textWidth("1"), 2.54, 1e-9);  // the width the label geometry expects
    EXPECT_NEAR(p.textWidth("12345"), 5 * 2.54, 1e-9);
    EXPECT_NEAR(p.textWidth("ab\nabcd"), 4 * 2.54, 1e-9);
    EXPECT_NEAR(p.textHeight(), lineMm(12), 1e-9);
    EXPECT_NEAR(p.textHeight("a\nb"), 2 * lineMm(12), 1e-9);
    p.setScaleMode(ScaleMode::Twips);  // the default unit
    EXPECT_NEAR(p.textHeight("x"), 12 * 2320.0 / 2048.0 * 20, 1e-9);
}

TEST(RecordingPrinter, PrintingALineMovesDownByItsHeight) {
    RecordingPrinter p;
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontName("Courier New");
    p.setFontSize(11);
    p.setCurrentX(5);
    EXPECT_TRUE(p.print("Line one"));
    p.setFontBold(true);
    p.print("Mailsort Parameters");
    p.setFontBold(false);
    p.print("");
    p.print("last");

    const auto lines = p.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_DOUBLE_EQ(lines[0].xMm, 5);
    EXPECT_DOUBLE_EQ(lines[1].xMm, 0);  // the next line starts at the left again
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(lines[i].yMm, i * lineMm(11), 1e-9) << i;
    EXPECT_TRUE(lines[1].font.bold);
    EXPECT_FALSE(lines[2].font.bold);
    EXPECT_EQ(lines[0].font.name, "Courier New");
    EXPECT_EQ(lines[0].font.size, 11);
    EXPECT_EQ(lines[2].text, "");  // an empty line still takes its height
    EXPECT_NEAR(p.currentY(), 4 * lineMm(11), 1e-9);
}

TEST(RecordingPrinter, PrintTextStaysOnTheLine) {
    RecordingPrinter p;
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontSize(10);
    p.printText("Page: ");
    EXPECT_NEAR(p.currentX(), 6 * 0.6 * 10 * kMmPerPt, 1e-9);
    EXPECT_DOUBLE_EQ(p.currentY(), 0);
    p.print("1");
    EXPECT_DOUBLE_EQ(p.currentX(), 0);
    EXPECT_NEAR(p.lines()[1].xMm, 6 * 0.6 * 10 * kMmPerPt, 1e-9);
}

TEST(RecordingPrinter, PagesEndAndPageNumbers) {
    RecordingPrinter p;
    p.setScaleMode(ScaleMode::Millimeters);
    EXPECT_EQ(p.page(), 1);
    p.print("first page");
    p.setCurrentY(100);
    EXPECT_TRUE(p.newPage());
    EXPECT_EQ(p.page(), 2);
    EXPECT_DOUBLE_EQ(p.currentY(), 0);  // back to the top left
    EXPECT_DOUBLE_EQ(p.currentX(), 0);
    p.print("second page");
    EXPECT_TRUE(p.endDoc());
    EXPECT_EQ(p.page(), 1);

    EXPECT_EQ(p.count(Kind::Line), 2);
    EXPECT_EQ(p.count(Kind::NewPage), 1);
    EXPECT_EQ(p.count(Kind::EndDoc), 1);
    EXPECT_EQ(p.lines()[1].page, 2);
    ASSERT_EQ(p.documents().size(), 1u);
    ASSERT_EQ(p.documents()[0].size(), 2u);
    EXPECT_EQ(p.documents()[0][1][0].text, "second page");
}

TEST(RecordingPrinter, EndingAnEmptyDocumentSendsNothing) {
    RecordingPrinter p;
    EXPECT_TRUE(p.endDoc());
    EXPECT_TRUE(p.events().empty());
    EXPECT_TRUE(p.documents().empty());
}

TEST(RecordingPrinter, KillDocDiscardsTheDocument) {
    RecordingPrinter p;
    p.print("a");
    p.newPage();
    EXPECT_TRUE(p.killDoc());
    EXPECT_EQ(p.page(), 1);
    EXPECT_FALSE(p.documentOpen());
    EXPECT_EQ(p.count(Kind::KillDoc), 1);
    EXPECT_TRUE(p.documents().empty());
    EXPECT_TRUE(p.endDoc());  // nothing left to send
    EXPECT_EQ(p.count(Kind::EndDoc), 0);
}

TEST(RecordingPrinter, LineThatWouldPassTheBottomStartsANewPage) {
    RecordingPrinter p;
    p.setPageSizeMm({206, 3 * lineMm(10) + 0.5});
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontSize(10);
    for (int i = 0; i < 4; ++i) p.print(QString::number(i));
    const auto lines = p.lines();
    EXPECT_EQ(lines[2].page, 1);
    EXPECT_EQ(lines[3].page, 2);
    EXPECT_DOUBLE_EQ(lines[3].yMm, 0);
    EXPECT_EQ(p.page(), 2);
    EXPECT_EQ(p.count(Kind::NewPage), 1);
}

TEST(RecordingPrinter, FailingPrinterRefusesAndRecordsNothing) {
    RecordingPrinter p;
    p.setFailing(true);
    EXPECT_FALSE(p.print("x"));
    EXPECT_FALSE(p.newPage());
    EXPECT_FALSE(p.lastError().isEmpty());
    EXPECT_TRUE(p.endDoc());  // nothing was opened
    EXPECT_TRUE(p.events().empty());
}

// One label row the way the laser label run prints it: eight lines, then the
// position moved on so the next row starts LabelHeight + VertGap lower.
TEST(RecordingPrinter, LabelRowGeometry) {
    RecordingPrinter p;
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontName("Courier New");
    p.setFontSize(8);
    const double labelHeight = 38.1, vertGap = 0, topMarg = 19;
    p.setCurrentY(topMarg - 2);
    for (int row = 0; row < 2; ++row) {
        double total = 0;
        for (int i = 1; i <= 8; ++i) {
            p.print(QStringLiteral("line %1").arg(i));
            total += p.textHeight("line");
        }
        p.setCurrentY(p.currentY() + (labelHeight + vertGap) - total);
    }
    const auto lines = p.lines();
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_NEAR(lines[0].yMm, 17, 1e-9);
    EXPECT_NEAR(lines[8].yMm, 17 + 38.1, 1e-9);
    EXPECT_NEAR(p.currentY(), 17 + 2 * 38.1, 1e-9);
}

TEST(PrinterAccessor, TestsInstallTheRecordingPrinter) {
    auto rec = std::make_shared<RecordingPrinter>();
    setPrinter(rec);
    printer().setFontName("Courier New");
    printer().print("x");
    EXPECT_EQ(rec->texts(), QStringList{"x"});
}

namespace {
// Watches the hand-over: which pages the back end has been given by the time
// each line is printed, and can refuse a page.
class WatchingPrinter : public RecordingPrinter {
public:
    int refusePage = 0;  // refuse this page when it goes out (0: never)
    int pagesOut = 0;
    int heldMost = 0;    // most pages held at once, the one being printed included
    int discards = 0;

protected:
    bool outputPage(const std::vector<PrintedLine>& lines, QString* error) override {
        ++pagesOut;
        if (pagesOut == refusePage) {
            *error = "the printer went away";
            return false;
        }
        return RecordingPrinter::outputPage(lines, error);
    }
    void discardOutput() override {
        ++discards;
        RecordingPrinter::discardOutput();
    }
    void lineAdded(const PrintedLine& line) override {
        heldMost = std::max(heldMost, line.page - pagesOut);
        RecordingPrinter::lineAdded(line);
    }
};
}  // namespace

TEST(PrinterStreaming, EachPageGoesOutWhenTheNextBegins) {
    WatchingPrinter p;
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontSize(10);
    // 2000 pages: by new page and by lines running past the bottom.
    for (int page = 0; page < 1000; ++page) {
        for (int i = 0; i < 100; ++i) p.print(QStringLiteral("page %1 line %2").arg(page).arg(i));
        p.newPage();
    }
    EXPECT_EQ(p.heldMost, 1);
    EXPECT_EQ(p.pagesOut, p.page() - 1);
    ASSERT_TRUE(p.endDoc());
    EXPECT_EQ(p.pagesOut, 2001);
    ASSERT_EQ(p.documents().size(), 1u);
    const auto& doc = p.documents()[0];
    ASSERT_EQ(doc.size(), 2001u);
    // Lines keep their pages and places as they were printed.
    const double lh = lineMm(10);
    const int perPage = int((293 + 1e-6) / lh);
    EXPECT_EQ(doc[0].size(), size_t(perPage));
    EXPECT_EQ(doc[1].size(), size_t(100 - perPage));
    EXPECT_EQ(doc[1][0].text, QStringLiteral("page 0 line %1").arg(perPage));
    EXPECT_DOUBLE_EQ(doc[1][0].yMm, 0);
    EXPECT_NEAR(doc[1][1].yMm, lh, 1e-9);
    EXPECT_EQ(doc[1][0].page, 2);
    EXPECT_TRUE(doc[2000].empty());  // the page begun last
}

TEST(PrinterStreaming, KillDocAfterPagesWentOutDiscardsThem) {
    WatchingPrinter p;
    for (int i = 0; i < 3; ++i) {
        p.print("cancelled");
        p.newPage();
    }
    EXPECT_EQ(p.pagesOut, 3);
    EXPECT_TRUE(p.killDoc());
    EXPECT_EQ(p.discards, 1);
    EXPECT_TRUE(p.documents().empty());
    EXPECT_EQ(p.count(Kind::KillDoc), 1);
    // The next document starts afresh.
    p.print("next");
    ASSERT_TRUE(p.endDoc());
    ASSERT_EQ(p.documents().size(), 1u);
    ASSERT_EQ(p.documents()[0].size(), 1u);
    EXPECT_EQ(p.documents()[0][0][0].text, "next");
    EXPECT_EQ(p.documents()[0][0][0].page, 1);
}

TEST(PrinterStreaming, ARefusedPageFailsTheDocument) {
    WatchingPrinter p;
    p.refusePage = 2;
    EXPECT_TRUE(p.print("one"));
    EXPECT_TRUE(p.newPage());
    EXPECT_TRUE(p.print("two"));
    EXPECT_FALSE(p.newPage());  // page 2 refused
    EXPECT_EQ(p.lastError(), "the printer went away");
    EXPECT_FALSE(p.print("three"));
    EXPECT_FALSE(p.endDoc());  // never reported as printed
    EXPECT_EQ(p.lastError(), "the printer went away");
    EXPECT_EQ(p.discards, 1);
    EXPECT_TRUE(p.documents().empty());
    EXPECT_FALSE(p.documentOpen());
}
