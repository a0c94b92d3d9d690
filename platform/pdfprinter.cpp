#include "platform/app.h"
#include "platform/pagepainter.h"
#include "platform/printer.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

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
    // Metrics come from a writer that never paints, so they are there
    // before and between documents.
    QBuffer nowhere;
    QPdfWriter metricsWriter{&nowhere};
    PagePainter metrics;
    // The document being printed.
    QString folder;
    std::unique_ptr<QTemporaryFile> file;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    PagePainter pages;
    bool firstPage = true;

    Pdf() {
        metricsWriter.setResolution(kPdfDpi);
        metricsWriter.setPageLayout(pdfLayout());
        metrics.setDevice(&metricsWriter);
    }

    void drop() {
        if (painter.isActive()) painter.end();
        pages.setDevice(nullptr);
        writer.reset();
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
    d.writer = std::make_unique<QPdfWriter>(d.file.get());
    d.writer->setResolution(kPdfDpi);
    d.writer->setPageLayout(pdfLayout());
    d.writer->setTitle(documentTitle());
    d.writer->setCreator(QString());
    if (!d.painter.begin(d.writer.get())) {
        if (error) *error = QStringLiteral("Could not write a PDF file in %1").arg(d.folder);
        d.drop();
        return false;
    }
    d.pages.setDevice(d.writer.get());
    d.firstPage = true;
    return true;
}

bool PdfPrinter::outputPage(const std::vector<PrintedLine>& lines, QString* error) {
    Pdf& d = *pdf_;
    if (!d.firstPage) d.writer->newPage();
    d.firstPage = false;
    d.pages.paint(d.painter, lines);
    if (d.file->error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("Could not write %1: %2").arg(d.file->fileName(), d.file->errorString());
        return false;
    }
    return true;
}

bool PdfPrinter::endOutput(QString* error) {
    Pdf& d = *pdf_;
    bool ok = d.painter.end();
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
