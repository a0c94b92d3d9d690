#include "platform/app.h"
#include "platform/pdfwriter.h"
#include "platform/printer.h"
#include "platform/tests/pdftools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFileInfo>
#include <QImage>
#include <QRawFont>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>

using namespace qv::platform;
using namespace qv::platform::testing;

namespace {
const QDateTime kWhen(QDate(2026, 12, 10), QTime(14, 5, 33));

std::unique_ptr<PdfPrinter> pdfPrinter(const QString& folder) {
    auto p = std::make_unique<PdfPrinter>();
    p->setPdfFolder(folder);
    p->setClock([] { return kWhen; });
    p->setScaleMode(ScaleMode::Millimeters);
    p->setFontName("Courier New");
    p->setFontSize(10);
    return p;
}

// Three hundred characters outside Windows-1252 that the face has, in
// lines that fit the page.
QStringList manyOthers() {
    QString s;
    for (char16_t c = 0x100; c < 0x180; ++c) s += QChar(c);   // Latin Extended-A
    for (char16_t c = 0x391; c < 0x3AA; ++c)
        if (c != 0x3A2) s += QChar(c);                         // Greek capitals
    for (char16_t c = 0x3B1; c < 0x3CA; ++c) s += QChar(c);   // Greek small letters
    for (char16_t c = 0x410; c < 0x450; ++c) s += QChar(c);   // Cyrillic
    for (char16_t c = 0x1E80; c < 0x1E86; ++c) s += QChar(c);
    for (char16_t c = 0x2010; c < 0x2016; ++c)
        if (c != 0x2013 && c != 0x2014) s += QChar(c);
    QStringList lines;
    for (qsizetype i = 0; i < s.size(); i += 60) lines.append(s.mid(i, 60));
    return lines;
}

QImage render(const QString& pdf, const QString& prefix) {
    const ToolRun r = runTool("pdftoppm", {"-r", "30", "-gray", "-png", "-singlefile", pdf, prefix});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    return QImage(prefix + ".png");
}

long inkPixels(const QImage& image) {
    long ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}
}  // namespace

// Whatever a line holds reads back from the file as it was printed: the
// Windows-1252 characters, those beyond it in the face (more than one
// companion font's worth), those the face lacks, and the characters PDF
// strings escape.
TEST(PdfPrinter, EveryCharacterReadsBack) {
    const QStringList lines = QStringList{
        "Plain (parens) ((nested)) back\\slash 1.5%",
        QString::fromUtf8("Latin-1: café naïve Zoë ß ÿ ½ © ¬ ¤"),
        QString::fromUtf8("Windows-1252: € “quoted” ‘single’ – — ™ Š œ Ÿ … †"),
        QString::fromUtf8("Central European: Łódź Kraków Grüße Ő ű č"),
        QString::fromUtf8("Greek and Cyrillic: Ωμέγα Жуков"),
        QString::fromUtf8("Not in the face: \u2603 \u4E2D"),
        QString::fromUtf8("Beyond the BMP: \U0001F600 end"),
    } + manyOthers();
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Characters");
    for (bool bold : {false, true}) {
        p->setFontBold(bold);
        for (const QString& line : lines) p->print(line);
        p->newPage();
    }
    ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();

    const QStringList pages = run("pdftotext", {"-raw", p->lastPdfFile(), "-"}).split(u'\f');
    ASSERT_EQ(pages.size(), 4);  // three pages, the last empty, and what follows the last page break
    for (int page = 0; page < 2; ++page) {
        const QStringList back = pages[page].split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(back.size(), lines.size()) << pages[page].toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i) EXPECT_EQ(back[i].toStdString(), lines[i].toStdString()) << page << " " << i;
    }
}

// Positions count from the printable area's corner, 2 mm in, to the
// hundredth of a millimetre: labels are placed by them.
TEST(PdfPrinter, TextStandsWhereItWasPut) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Positions");
    p->setCurrentX(10);
    p->setCurrentY(20);
    p->printText("Here");
    ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();
    const std::vector<Word> words = pdfWords(p->lastPdfFile());
    ASSERT_EQ(words.size(), 1u);
    constexpr double kMmPerPt = 25.4 / 72.0;
    EXPECT_NEAR(words[0].xMin * kMmPerPt, 12.0, 0.01);
}

// The faces go into the file with the glyphs the document used; every
// reader accepts the file, and the content is compressed.
TEST(PdfPrinter, FontsAreEmbeddedAndTheFileIsSound) {
    QTemporaryDir dir;
    auto p = pdfPrinter(dir.path());
    p->setDocumentTitle("Labels");
    for (int label = 0; label < 4000; ++label) {
        p->setFontBold(label % 7 == 0);
        for (const QString& line : {QStringLiteral("Mr A Customer %1").arg(label),
                                    QStringLiteral("%1 High Street").arg(label), QStringLiteral("Little Wickham"),
                                    QString::fromUtf8("Łódź"), QStringLiteral("AB12 3CD")})
            p->print(line);
        if (label % 7 == 6) p->newPage();
    }
    ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();
    const QString file = p->lastPdfFile();

    const ToolRun check = runTool("qpdf", {"--check", file});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.contains("No syntax or stream encoding errors")) << check.out.toStdString();

    const QStringList fonts = run("pdffonts", {file}).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(fonts.size(), 4) << fonts.join(u'\n').toStdString();  // each face and its companion
    int bold = 0;
    for (const QString& row : fonts) {
        EXPECT_TRUE(row.contains(QRegularExpression(R"(^[A-Z]{6}\+LiberationMono(-Bold)? +TrueType .* yes +yes )")))
            << row.toStdString();
        bold += row.contains("-Bold");
    }
    EXPECT_EQ(bold, 2);
    EXPECT_TRUE(run("pdfinfo", {file}).contains(QRegularExpression("Pages: +572\n")));
    EXPECT_EQ(render(file, dir.filePath("page")).isNull(), false);
}

// Each character prints its own glyph, not the missing-glyph box.
// Every document names the suite as its Creator and Producer and carries
// its title (the program's title when the document was given none), as
// readers show them in the document's properties.
TEST(PdfPrinter, TheDocumentSaysWhatItIsAndWhoMadeIt) {
    struct Case {
        QString title;  // given to the document; empty: none
        QString shown;
    };
    const Case cases[] = {
        {"Mailsort Line Report", "Mailsort Line Report"},
        {"Mailsort Labels", "Mailsort Labels"},
        {QString::fromUtf8("Łódź (Main) Labels"), QString::fromUtf8("Łódź (Main) Labels")},
        {"", "Zolbern"},
    };
    const QString before = programTitle();
    setProgramTitle("Zolbern");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        QTemporaryDir dir;
        auto p = pdfPrinter(dir.path());
        if (!c.title.isEmpty()) p->setDocumentTitle(c.title);
        p->print("A line");
        ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();
        const QMap<QString, QString> info = pdfInfo(p->lastPdfFile());
        EXPECT_EQ(info.value("Title").toStdString(), c.shown.toStdString());
        EXPECT_EQ(info.value("Creator").toStdString(), "Quorvel");
        EXPECT_EQ(info.value("Producer").toStdString(), "Quorvel");
        EXPECT_FALSE(info.value("CreationDate").isEmpty());
    }
    setProgramTitle(before);
}

TEST(PdfPrinter, GlyphsRenderAsThemselves) {
    QTemporaryDir dir;
    auto one = [&](const QString& text, bool bold) {
        auto p = pdfPrinter(dir.path());
        p->setDocumentTitle("Glyph");
        p->setFontSize(200);
        p->setFontBold(bold);
        p->print(text);
        EXPECT_TRUE(p->endDoc());
        return render(p->lastPdfFile(), dir.filePath("glyph"));
    };
    for (bool bold : {false, true}) {
        const QImage box = one(QString::fromUtf8("\u2603"), bold);  // not in the face
        ASSERT_FALSE(box.isNull());
        EXPECT_GT(inkPixels(box), 0);
        for (const QString& c : {QString("A"), QString::fromUtf8("é"), QString::fromUtf8("€"), QString::fromUtf8("Ł"),
                                 QString::fromUtf8("Ж")}) {
            const QImage glyph = one(c, bold);
            EXPECT_GT(inkPixels(glyph), 20) << c.toStdString();
            EXPECT_NE(glyph, box) << c.toStdString();
        }
    }
}

// A disk that fills up fails the document, whether it fills while pages go
// out or only as the document ends, and leaves no file behind.
TEST(PdfPrinter, AFullDiskFailsTheDocumentAndLeavesNothing) {
    struct Case {
        int pages;
        rlim_t room;  // bytes the disk takes
    };
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    for (const Case& c : {Case{1, 4 << 10}, Case{5000, 256 << 10}}) {
        QTemporaryDir dir;
        auto p = pdfPrinter(dir.path());
        p->setDocumentTitle("Full");
        rlimit small = old;
        small.rlim_cur = c.room;
        setrlimit(RLIMIT_FSIZE, &small);
        bool printed = true;
        for (int page = 0; page < c.pages; ++page) {
            for (int i = 0; i < 60; ++i)
                printed = p->print(QStringLiteral("%1 Some Street, Some Town  AB1 2CD").arg(page * 60 + i)) && printed;
            printed = p->newPage() && printed;
        }
        const bool ended = p->endDoc();
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(printed, c.pages == 1) << c.pages;
        EXPECT_FALSE(ended) << c.pages;
        // The cause, not "Unknown error"; and no hidden file's name.
        EXPECT_EQ(p->lastError(), "Could not write a PDF file in " + dir.path() + ": File too large") << c.pages;
        EXPECT_TRUE(p->lastPdfFile().isEmpty());
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    }
    std::signal(SIGXFSZ, oldHandler);
}

// A PDF appears under its name only when complete, and that name is one no
// file has: an earlier PDF stays, and a link left under the name (pointing
// anywhere, even nowhere) is replaced, not written through.
TEST(PdfPrinter, APdfIsPutInPlaceWholeAndNeverThroughALink) {
    QTemporaryDir dir, outside;
    const QString name = dir.filePath("Labels 2026-12-10 14.05.33.pdf");
    {
        QFile earlier(name);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    const QString target = outside.filePath("elsewhere.pdf");
    const QString linked = dir.filePath("Report 2026-12-10 14.05.33.pdf");
    ASSERT_TRUE(QFile::link(target, linked));
    for (const char* title : {"Labels", "Report"}) {
        auto p = pdfPrinter(dir.path());
        p->setDocumentTitle(title);
        ASSERT_TRUE(p->print("MR A SMITH"));
        ASSERT_TRUE(p->endDoc()) << p->lastError().toStdString();
    }
    QFile earlier(name);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Labels 2026-12-10 14.05.33 (2).pdf")));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo(linked).isSymLink());
    EXPECT_GT(QFileInfo(linked).size(), 100);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 3);
}

namespace {
// A device that takes so many bytes and then refuses, as a full disk does.
class FillingDevice : public QIODevice {
public:
    explicit FillingDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }
    qint64 taken = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        if (taken + len > room_) {
            setErrorString("No space left on device");
            return -1;
        }
        taken += len;
        return len;
    }

private:
    qint64 room_;
};
}  // namespace

// The writer itself reports a device that fills: at the page whose bytes do
// not fit, or at the end when everything was still waiting to go out.
TEST(PdfWriter, ADeviceThatFillsFailsTheDocument) {
    installFontSubstitutions();
    QFont font("Courier New");
    font.setPixelSize(100);
    const QRawFont raw = QRawFont::fromFont(font);
    auto face = std::make_shared<TrueTypeFont>([&](const char tag[4]) { return raw.fontTable(tag); });
    struct Case {
        int pages;
        qint64 room;
        bool pagesFit;
    };
    for (const Case& c : {Case{1, 0, true}, Case{3000, 200 << 10, false}, Case{3, 1 << 30, true}}) {
        FillingDevice device(c.room);
        PdfWriter w(&device, {595, 842});
        const int f = w.addFace(face, true);
        bool pagesOk = true;
        for (int page = 0; page < c.pages; ++page) {
            w.beginPage();
            w.setFont(f, 10);
            for (int i = 0; i < 60; ++i) w.text(10, 20 + i * 12, QStringLiteral("%1 Some Street, Some Town").arg(i * page));
            pagesOk = w.endPage() && pagesOk;
        }
        const bool finished = w.finish();
        EXPECT_EQ(pagesOk, c.pagesFit) << c.pages;
        const bool fits = c.room == (1 << 30);
        EXPECT_EQ(finished, fits) << c.pages;
        EXPECT_EQ(w.failed(), !fits) << c.pages;
        EXPECT_EQ(w.errorString(), fits ? "" : "No space left on device") << c.pages;
        if (fits) {
            EXPECT_GT(device.taken, 0);
        }
    }
}

// A face that cannot be embedded still prints: the viewer's own Courier or
// Helvetica stands in, and the text reads back.
TEST(PdfWriter, AFaceThatCannotBeEmbeddedFallsBackToAViewerFont) {
    const auto notAFont = std::make_shared<TrueTypeFont>(TrueTypeFont::fromFile("not a font"));
    QTemporaryDir dir;
    const QString file = dir.filePath("fallback.pdf");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        PdfWriter w(&out, {595, 842});
        const int fixed = w.addFace(notAFont, true);
        const int proportional = w.addFace(nullptr, false);
        w.beginPage();
        w.setFont(fixed, 12);
        w.text(20, 40, QString::fromUtf8("Fixed pitch: café Łódź"));
        w.setFont(proportional, 12);
        w.text(20, 60, QStringLiteral("Proportional"));
        ASSERT_TRUE(w.endPage());
        ASSERT_TRUE(w.finish());
    }
    EXPECT_EQ(runTool("qpdf", {"--check", file}).exitCode, 0);
    const QString fonts = run("pdffonts", {file});
    EXPECT_TRUE(fonts.contains(QRegularExpression(R"(\nCourier +Type 1 +WinAnsi +no )"))) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QRegularExpression(R"(\nHelvetica +Type 1 +WinAnsi +no )"))) << fonts.toStdString();
    const QStringList lines = run("pdftotext", {"-raw", file, "-"}).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0].toStdString(), "Fixed pitch: café Łódź");
    EXPECT_EQ(lines[1].toStdString(), "Proportional");
}
