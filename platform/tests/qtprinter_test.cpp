#include "platform/app.h"
#include "platform/printer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qv::platform;

namespace {

const QDateTime kWhen(QDate(2026, 12, 10), QTime(14, 5, 33));

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& file) { return run("pdftotext", {"-layout", file, "-"}); }

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
