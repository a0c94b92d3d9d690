#include "platform/app.h"
#include "platform/qtprinter.h"
#include "platform/testing/sanitizers.h"
#include "platform/tests/pdftools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qv::platform;
using namespace qv::platform::testing;

namespace {

const QDateTime kWhen(QDate(2026, 12, 10), QTime(14, 5, 33));

std::unique_ptr<QtPrinter> pdfPrinter(const QString& folder) {
    auto p = std::make_unique<QtPrinter>(QtPrinter::Target::Pdf);
    p->setPdfFolder(folder);
    p->setClock([] { return kWhen; });
    return p;
}

}  // namespace

TEST(CourierNew, ResolvesToAMetricCompatibleMonospace) {
    installFontSubstitutions();
    const QFontInfo info{QFont("Courier New")};
    EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
    EXPECT_TRUE(info.family() == "Liberation Mono" || info.family() == "Cousine" || info.family() == "Courier New")
        << info.family().toStdString();

    // Courier New's advance is 1229/2048 em and its line 2320/2048 em.
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setScaleMode(ScaleMode::Millimeters);
    p->setFontName("Courier New");
    p->setFontSize(12);
    EXPECT_NEAR(p->textWidth("1"), 12 * 1229.0 / 2048 * 25.4 / 72, 0.01);
    EXPECT_NEAR(p->textWidth("MMMMMiiiii"), 10 * p->textWidth("1"), 0.01);
    p->setFontSize(11);
    EXPECT_NEAR(p->textHeight(), 11 * 2320.0 / 2048 * 25.4 / 72, 0.05);
}

TEST(QtPrinter, WithoutADefaultPrinterItPrintsToPdf) {
    EXPECT_EQ(QtPrinter().printsToPdf(), QPrinterInfo::defaultPrinter().isNull());
}

TEST(QtPrinter, PdfFileNameNeverOverwrites) {
    QTemporaryDir dir;
    const QString first = QtPrinter::pdfFileName(dir.path(), "Mailsort Line Report", kWhen);
    EXPECT_EQ(QFileInfo(first).fileName(), "Mailsort Line Report 2026-12-10 14.05.33.pdf");
    QFile(first).open(QIODevice::WriteOnly);
    const QString second = QtPrinter::pdfFileName(dir.path(), "Mailsort Line Report", kWhen);
    EXPECT_EQ(QFileInfo(second).fileName(), "Mailsort Line Report 2026-12-10 14.05.33 (2).pdf");
    QFile(second).open(QIODevice::WriteOnly);
    EXPECT_EQ(QFileInfo(QtPrinter::pdfFileName(dir.path(), "Mailsort Line Report", kWhen)).fileName(),
              "Mailsort Line Report 2026-12-10 14.05.33 (3).pdf");
    EXPECT_EQ(QFileInfo(QtPrinter::pdfFileName(dir.path(), "a/b:c", kWhen)).fileName(),
              "a-b-c 2026-12-10 14.05.33.pdf");
}

TEST(QtPrinter, DocumentGoesToANamedPdfWithExtractableText) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Mailsort Line Report");
    p->setFontName("Courier New");
    p->setFontSize(11);
    p->print("10/12/26                       Mailsort Line Report                         Page: " +
             QString::number(p->page()));
    p->setFontBold(true);
    p->print("Mailsort Parameters");
    p->setFontBold(false);
    p->newPage();
    p->print("Page two " + QString::number(p->page()));
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.pdf"}).isEmpty());  // nothing before the end
    ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();

    const QString file = dir.filePath("Mailsort Line Report 2026-12-10 14.05.33.pdf");
    EXPECT_EQ(p->lastPdfFile(), file);
    ASSERT_TRUE(QFileInfo::exists(file));
    const QString text = pdfText(file);
    EXPECT_TRUE(text.contains(QRegularExpression("10/12/26 +Mailsort Line Report +Page: 1\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains("Mailsort Parameters"));
    EXPECT_TRUE(text.contains("Page two 2"));
    EXPECT_EQ(text.count(u'\f'), 2);  // two pages

    const QMap<QString, QString> info = pdfInfo(file);
    EXPECT_EQ(info.value("Title").toStdString(), "Mailsort Line Report");
    EXPECT_EQ(info.value("Creator").toStdString(), "Quorvel");
    EXPECT_EQ(info.value("Producer").toStdString(), "Quorvel");

    const QString fonts = run("pdffonts", {file});
    EXPECT_TRUE(fonts.contains("LiberationMono") || fonts.contains("Cousine")) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains("Bold")) << fonts.toStdString();

    // A second document printed in the same second does not overwrite it.
    p->print("second document");
    ASSERT_TRUE(p->endDoc());
    EXPECT_EQ(p->lastPdfFile(), dir.filePath("Mailsort Line Report 2026-12-10 14.05.33 (2).pdf"));
    EXPECT_TRUE(pdfText(file).contains("Mailsort Parameters"));
    EXPECT_TRUE(pdfText(p->lastPdfFile()).contains("second document"));
}

TEST(QtPrinter, LinesStandWhereThePositionPutsThem) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Labels");
    p->setScaleMode(ScaleMode::Millimeters);
    p->setFontName("Courier New");
    p->setFontSize(10);
    p->setCurrentY(100);
    p->print("LOW");
    p->setCurrentY(10);
    p->print("HIGH");
    ASSERT_TRUE(p->endDoc());
    const QStringList lines = pdfText(p->lastPdfFile()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains("HIGH"));  // printed second, stands higher on the page
    EXPECT_TRUE(lines[1].contains("LOW"));
}

TEST(QtPrinter, KilledDocumentLeavesNoFile) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->print("cancelled report");
    ASSERT_TRUE(p->killDoc());
    EXPECT_TRUE(p->endDoc());
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.pdf"}).isEmpty());
}

TEST(QtPrinter, PdfGoesToTheCurrentDirectoryByDefault) {
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QtPrinter p(QtPrinter::Target::Pdf);
    p.setDocumentTitle("Coding Report");
    p.print("x");
    const bool ok = p.endDoc();
    QDir::setCurrent(old);
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(p.lastPdfFile()).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(p.lastPdfFile()).fileName().startsWith("Coding Report "));
}

namespace {
long residentKb() {
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLong() * 4 : 0;
}
}  // namespace

// A short document in several fonts, with positions set and a page that runs
// past its bottom: every word lands where the printer put it before pages
// were streamed (figures taken from that version's output).
TEST(QtPrinter, ShortDocumentKeepsItsPagesAndPlaces) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Places");
    p->setScaleMode(ScaleMode::Millimeters);
    p->setFontName("Courier New");
    p->setFontSize(11);
    p->print("Alpha one");
    p->print("Beta two");
    p->setFontBold(true);
    p->setCurrentX(50);
    p->print("Gamma");
    p->setFontBold(false);
    p->setFontName("Arial");
    p->setFontSize(9);
    p->setCurrentX(120.5);
    p->setCurrentY(200.25);
    p->printText("Delta ");
    p->print("Epsilon");
    p->newPage();
    p->setFontName("Courier New");
    p->setFontSize(10);
    for (int i = 0; i < 80; ++i) p->print(QString("Line%1").arg(i));
    ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();

    EXPECT_TRUE(run("pdfinfo", {p->lastPdfFile()}).contains(QRegularExpression("Pages: +3\n")));
    const std::vector<Word> words = pdfWords(p->lastPdfFile());
    ASSERT_EQ(words.size(), 87u);
    // From the printable area's corner, 2 mm (5.669 pt) in.
    const Word expected[] = {
        {"Alpha", 1, 5.669291, 5.668852},     {"one", 1, 45.201791, 5.668852},
        {"Beta", 1, 5.669291, 18.106664},     {"two", 1, 38.613041, 18.106664},
        {"Gamma", 1, 147.401478, 30.544477},  {"Delta", 1, 347.243666, 573.307142},
        {"Epsilon", 1, 370.752416, 573.307142}, {"Line0", 2, 5.669291, 5.669320},
        {"Line1", 2, 5.669291, 17.020570},    {"Line72", 2, 5.669291, 822.959317},
        {"Line73", 3, 5.669291, 5.669320},    {"Line79", 3, 5.669291, 73.776820},
    };
    for (const Word& e : expected) {
        const auto it = std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.text == e.text; });
        ASSERT_NE(it, words.end()) << e.text.toStdString();
        EXPECT_EQ(it->page, e.page) << e.text.toStdString();
        EXPECT_NEAR(it->xMin, e.xMin, 0.01) << e.text.toStdString();
        EXPECT_NEAR(it->yMin, e.yMin, 0.01) << e.text.toStdString();
    }
}

TEST(QtPrinter, KilledDocumentWhosePagesWentOutLeavesNoFile) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Cancelled");
    for (int i = 0; i < 5; ++i) {
        p->print("page " + QString::number(i + 1));
        p->newPage();
    }
    p->print("last");
    const auto all = QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.pdf"}).isEmpty());  // no finished document yet
    ASSERT_TRUE(p->killDoc());
    EXPECT_TRUE(QDir(dir.path()).entryList(all).isEmpty());
    EXPECT_TRUE(p->lastPdfFile().isEmpty());

    // The printer prints the next document as usual.
    p->print("after");
    ASSERT_TRUE(p->endDoc());
    EXPECT_EQ(QDir(dir.path()).entryList(all), QStringList{"Cancelled 2026-12-10 14.05.33.pdf"});
    EXPECT_TRUE(pdfText(p->lastPdfFile()).contains("after"));
}

TEST(QtPrinter, AFolderThatCannotBeWrittenIsAnError) {
    auto p = pdfPrinter("/proc/no-such-folder");
    p->print("x");
    EXPECT_FALSE(p->endDoc());
    EXPECT_FALSE(p->lastError().isEmpty());
    EXPECT_TRUE(p->lastPdfFile().isEmpty());
}

// Memory stays flat in the document's length: the second, longer stretch of
// a long document adds no more than a little to what the first one took.
TEST(QtPrinter, LongDocumentKeepsMemoryFlat) {
    QV_SKIP_UNDER_ASAN("AddressSanitizer's shadow memory and quarantine swamp the resident size");
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Long");
    p->setScaleMode(ScaleMode::Millimeters);
    p->setFontName("Courier New");
    p->setFontSize(10);
    auto printPages = [&](int pages) {
        for (int page = 0; page < pages; ++page) {
            for (int i = 0; i < 70; ++i)
                p->print(QStringLiteral("%1 Some Street, Some Town, Some County  AB1 2CD  page line %2")
                             .arg(page * 70 + i)
                             .arg(i));
            p->newPage();
        }
    };
    printPages(300);
    const long before = residentKb();
    printPages(3000);  // 210,000 lines: about 60 MB if they were all held
    const long growth = residentKb() - before;
    ASSERT_TRUE(p->endDoc());
    EXPECT_LT(growth, 12 * 1024) << growth << " KiB";
    EXPECT_TRUE(run("pdfinfo", {p->lastPdfFile()}).contains(QRegularExpression("Pages: +3301\n")));
}
