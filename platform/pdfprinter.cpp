#include "platform/app.h"
#include "platform/files.h"
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

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include <unistd.h>

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

// The PDF writer's device: straight onto the file's descriptor, so that a
// failed write keeps its cause ("No space left on device").
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : fd_(fd) { QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override {
        qint64 done = 0;
        while (done < len) {
            const ssize_t n = ::write(fd_, data + done, size_t(len - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                setErrorString(QString::fromStdString(qv::errorText(n < 0 ? errno : EIO)));
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int fd_;
};

QString causeOf(const std::system_error& e) { return QString::fromStdString(e.code().message()); }

QString writeFailure(const QString& folder, const QString& cause) {
    return QStringLiteral("Could not write a PDF file in %1: %2").arg(folder, cause);
}
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
    std::optional<qv::ReplacingFile> file;  // hidden beside the PDF until it is complete
    std::unique_ptr<DescriptorDevice> device;
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
        device.reset();
        file.reset();  // removes the temporary file
    }

    QString failure() const {
        return writeFailure(folder, device->errorString());
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
    // document never looks like a finished one, and is never put in place.
    try {
        d.file.emplace(qv::pathFromUtf8(QDir(d.folder).filePath(QStringLiteral("printing.pdf")).toStdString()));
    } catch (const std::system_error& e) {
        if (error) *error = writeFailure(d.folder, causeOf(e));
        d.drop();
        return false;
    }
    d.device = std::make_unique<DescriptorDevice>(::fileno(d.file->stream()));
    d.writer = std::make_unique<PdfWriter>(d.device.get(), pdfLayout().fullRectPoints().size());
    d.writer->setTitle(documentTitle());
    d.writer->setCreator(QString::fromLatin1(DocumentCreator));
    d.writer->setProducer(QString::fromLatin1(DocumentCreator));
    return true;
}

bool PdfPrinter::outputPage(const std::vector<PrintedLine>& lines, QString* error) {
    Pdf& d = *pdf_;
    // Positions are from the top left of the printable area.
    constexpr double kPtPerMm = 72.0 / 25.4;
    // The printable area's corner as it is: in points Qt rounds it (2 mm,
    // 5.67 pt, would become 6 pt and every label would stand 0.12 mm off).
    const QPointF origin = pdfLayout().paintRect(QPageLayout::Millimeter).topLeft() * kPtPerMm;
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
    if (!d.writer->endPage()) {
        if (error) *error = d.failure();
        return false;
    }
    return true;
}

bool PdfPrinter::endOutput(QString* error) {
    Pdf& d = *pdf_;
    if (!d.writer->finish()) {
        if (error) *error = d.failure();
        d.drop();
        return false;
    }
    // Named only now, after a name no file has: an earlier PDF is never
    // replaced, and a link of that name is replaced, not followed.
    const QString name = pdfFileName(d.folder, documentTitle(), clock_());
    try {
        d.file->commit(qv::pathFromUtf8(name.toStdString()));
    } catch (const std::system_error& e) {
        if (error) *error = QStringLiteral("Could not write %1: %2").arg(name, causeOf(e));
        d.drop();
        return false;
    }
    lastPdf_ = name;
    d.drop();
    return true;
}

void PdfPrinter::discardOutput() { pdf_->drop(); }

}  // namespace qv::platform
