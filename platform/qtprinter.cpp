#include "platform/app.h"
#include "platform/printer.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace qv::platform {

struct QtPrinter::Device {
    std::unique_ptr<QPrinter> printer;
};

namespace {

QFont qfont(const PrintFont& f) {
    QFont font(f.name);
    font.setPointSizeF(f.size);
    font.setBold(f.bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

QtPrinter::QtPrinter(Target target) : device_(std::make_unique<Device>()) {
    installFontSubstitutions();
    const QPrinterInfo info =
        target == Target::Automatic ? QPrinterInfo::defaultPrinter() : QPrinterInfo();
    if (!info.isNull()) {
        device_->printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        pdf_ = true;
        device_->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device_->printer->setOutputFormat(QPrinter::PdfFormat);
        // 2 mm margins: the label geometry takes 2 mm off the left and top
        // margins for the printer's unprintable edge, so a PDF page places
        // the labels where the sheet has them.
        device_->printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                                    QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter));
    }
    clock_ = [] { return QDateTime::currentDateTime(); };
}

QtPrinter::~QtPrinter() = default;

QSizeF QtPrinter::pageSizePt() const {
    return device_->printer->pageLayout().paintRect(QPageLayout::Point).size();
}

double QtPrinter::dotsPerInch() const { return device_->printer->resolution(); }

double QtPrinter::textWidthPt(const QString& line, const PrintFont& font) const {
    QFontMetricsF fm(qfont(font), device_->printer.get());
    return fm.horizontalAdvance(line) * 72.0 / dotsPerInch();
}

double QtPrinter::lineHeightPt(const PrintFont& font) const {
    QFontMetricsF fm(qfont(font), device_->printer.get());
    return fm.lineSpacing() * 72.0 / dotsPerInch();
}

QString QtPrinter::pdfFileName(const QString& folder, const QString& title, const QDateTime& when) {
    QString safe = title;
    for (QChar c : QStringLiteral("/\\:*?\"<>|")) safe.replace(c, u'-');
    const QString base = safe + u' ' + when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QDir dir(folder);
    QString name = dir.absoluteFilePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = dir.absoluteFilePath(base + QStringLiteral(" (%1).pdf").arg(n));
    return name;
}

bool QtPrinter::outputDocument(const std::vector<std::vector<PrintedLine>>& pages, QString* error) {
    QPrinter* p = device_->printer.get();
    p->setDocName(documentTitle());
    QString file;
    if (pdf_) {
        file = pdfFileName(pdfFolder_.isEmpty() ? QDir::currentPath() : pdfFolder_, documentTitle(),
                           clock_());
        p->setOutputFileName(file);
    }
    QPainter painter;
    if (!painter.begin(p)) {
        if (error)
            *error = pdf_ ? QStringLiteral("Could not write %1").arg(file)
                          : QStringLiteral("Could not print to %1").arg(p->printerName());
        return false;
    }
    const double pxPerMm = dotsPerInch() / 25.4;
    bool first = true;
    for (const auto& page : pages) {
        if (!first) p->newPage();
        first = false;
        for (const PrintedLine& line : page) {
            if (line.text.isEmpty()) continue;
            const QFont f = qfont(line.font);
            painter.setFont(f);
            const QFontMetricsF fm(f, p);
            painter.drawText(QPointF(line.xMm * pxPerMm, line.yMm * pxPerMm + fm.ascent()), line.text);
        }
    }
    const bool ok = painter.end();
    if (!ok && error) *error = QStringLiteral("The print job could not be finished");
    if (ok && pdf_) lastPdf_ = file;
    return ok;
}

}  // namespace qv::platform
