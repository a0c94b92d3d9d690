#include "platform/app.h"
#include "platform/pagepainter.h"
#include "platform/pdfwriter.h"
#include "platform/printer.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRawFont>
#include <QTemporaryFile>

#include <algorithm>

namespace qv::platform {

namespace {
// 2 mm margins: the label geometry takes 2 mm off the left and top margins
// for the printer's unprintable edge, so a PDF page places the labels where
// the sheet has them.
QPageLayout pdfLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(2, 2, 2, 2),
                       QPageLayout::Millimeter);
}

constexpr int kPdfDpi = 1200;
}  // namespace

struct PdfPrinter::Pdf {
    // Metrics (widths, line heights, ascents) come from Qt's PDF device at
    // our resolution, on a writer that never paints, so they are there
    // before and between documents; PdfWriter writes the pages.
    QBuffer nowhere;
    QPdfWriter metricsWriter{&nowhere};
    PagePainter metrics;
    // The faces met so far, read once for all documents.
    struct Face {
        QString key;
        std::shared_ptr<const TrueTypeFont> font;
        bool fixedPitch = false;
    };
    std::vector<Face> faces;
    // A printer font: its face, the size its glyphs are drawn at (the font
    // engine's whole pixels at the metrics' resolution) and its ascent.
    struct Font {
        PrintFont font;
        size_t face = 0;
        double sizePt = 0;
        double ascentPt = 0;
    };
    std::vector<Font> fonts;
    // The document being printed.
    QString folder;
    std::unique_ptr<QTemporaryFile> file;
    std::unique_ptr<PdfWriter> writer;
    std::vector<int> writerFaces;  // by face: its number in the writer, -1 before its first use

    Pdf() {
        metricsWriter.setResolution(kPdfDpi);
        metricsWriter.setPageLayout(pdfLayout());
        metrics.setDevice(&metricsWriter);
    }

    Font font(const PrintFont& f) {
        for (const Font& k : fonts)
            if (k.font == f) return k;
        // A report uses a handful of fonts; a runaway caller must not grow this.
        if (fonts.size() >= 32) fonts.clear();
        const QFont qf(PagePainter::qfont(f), &metricsWriter);
        const QRawFont raw = QRawFont::fromFont(qf);
        const QString key =
            raw.isValid() ? raw.familyName() + u'\n' + raw.styleName() + u'\n' + QString::number(raw.weight()) : QString();
        auto face = std::find_if(faces.begin(), faces.end(), [&](const Face& x) { return x.key == key; });
        if (face == faces.end()) {
            Face x{key, nullptr, QFontInfo(qf).fixedPitch()};
            if (raw.isValid()) x.font = std::make_shared<TrueTypeFont>([&](const char tag[4]) { return raw.fontTable(tag); });
            faces.push_back(std::move(x));
            face = faces.end() - 1;
        }
        Font k{f, size_t(face - faces.begin()), f.size, metrics.ascentPt(f)};
        if (raw.isValid() && raw.pixelSize() > 0) k.sizePt = raw.pixelSize() * 72.0 / kPdfDpi;
        fonts.push_back(k);
        return k;
    }

    int writerFace(size_t face) {
        if (writerFaces.size() <= face) writerFaces.resize(face + 1, -1);
        int& n = writerFaces[face];
        if (n < 0) n = writer->addFace(faces[face].font, faces[face].fixedPitch);
        return n;
    }

    void drop() {
        writer.reset();
        writerFaces.clear();
        file.reset();  // removes the file
    }
};

PdfPrinter::PdfPrinter() : pdf_(std::make_unique<Pdf>()) {
    installFontSubstitutions();
    clock_ = [] { return QDateTime::currentDateTime(); };
}

PdfPrinter::~PdfPrinter() { pdf_->drop(); }

QSizeF PdfPrinter::pageSizePt() const {
    static const QSizeF size = pdfLayout().paintRect(QPageLayout::Point).size();
    return size;
}

double PdfPrinter::dotsPerInch() const { return kPdfDpi; }

double PdfPrinter::textWidthPt(const QString& line, const PrintFont& font) const {
    return pdf_->metrics.textWidthPt(line, font);
}

double PdfPrinter::lineHeightPt(const PrintFont& font) const { return pdf_->metrics.lineHeightPt(font); }

QString PdfPrinter::pdfFileName(const QString& folder, const QString& title, const QDateTime& when) {
    QString safe = title;
    for (QChar c : QStringLiteral("/\\:*?\"<>|")) safe.replace(c, u'-');
    const QString base = safe + u' ' + when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QDir dir(folder);
    QString name = dir.absoluteFilePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = dir.absoluteFilePath(base + QStringLiteral(" (%1).pdf").arg(n));
    return name;
}

bool PdfPrinter::beginOutput(QString* error) {
    Pdf& d = *pdf_;
    d.drop();
    d.folder = pdfFolder_.isEmpty() ? QDir::currentPath() : pdfFolder_;
    // A hidden file until the document is complete: a cancelled or failed
    // document never looks like a finished one.
    d.file = std::make_unique<QTemporaryFile>(QDir(d.folder).filePath(QStringLiteral(".printing-XXXXXX.pdf")));
    if (!d.file->open()) {
        if (error) *error = QStringLiteral("Could not write a PDF file in %1").arg(d.folder);
        d.drop();
        return false;
    }
    d.writer = std::make_unique<PdfWriter>(d.file.get(), pdfLayout().fullRectPoints().size());
    d.writer->setTitle(documentTitle());
    return true;
}

bool PdfPrinter::outputPage(const std::vector<PrintedLine>& lines, QString* error) {
    Pdf& d = *pdf_;
    // Positions are from the top left of the printable area.
    const QPointF origin = pdfLayout().paintRectPoints().topLeft();
    constexpr double kPtPerMm = 72.0 / 25.4;
    d.writer->beginPage();
    const PrintFont* current = nullptr;
    Pdf::Font font;
    for (const PrintedLine& line : lines) {
        if (line.text.isEmpty()) continue;
        if (!current || !(*current == line.font)) {
            font = d.font(line.font);
            d.writer->setFont(d.writerFace(font.face), font.sizePt);
            current = &line.font;
        }
        d.writer->text(origin.x() + line.xMm * kPtPerMm, origin.y() + line.yMm * kPtPerMm + font.ascentPt, line.text);
    }
    if (!d.writer->endPage() || d.file->error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("Could not write %1: %2").arg(d.file->fileName(), d.file->errorString());
        return false;
    }
    return true;
}

bool PdfPrinter::endOutput(QString* error) {
    Pdf& d = *pdf_;
    bool ok = d.writer->finish();
    ok = ok && d.file->flush() && d.file->error() == QFileDevice::NoError;
    if (!ok) {
        if (error) *error = QStringLiteral("The print job could not be finished: %1").arg(d.file->errorString());
        d.drop();
        return false;
    }
    d.file->close();
    const QString name = pdfFileName(d.folder, documentTitle(), clock_());
    if (!d.file->rename(name)) {
        if (error) *error = QStringLiteral("Could not write %1").arg(name);
        d.drop();
        return false;
    }
    d.file->setAutoRemove(false);
    QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    lastPdf_ = name;
    d.drop();
    return true;
}

void PdfPrinter::discardOutput() { pdf_->drop(); }

}  // namespace qv::platform
