#include "platform/qtprinter.h"

#include "platform/pagepainter.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace qv::platform {

// The system printer's spooler takes the job only when the painter ends, so
// an aborted job reaches no printer.
struct QtPrinter::System {
    QPrinter printer;
    QPainter painter;
    PagePainter pages;
    bool firstPage = true;
    explicit System(const QPrinterInfo& info) : printer(info, QPrinter::HighResolution), pages(&printer) {}
};

QtPrinter::QtPrinter(Target target) {
    const QPrinterInfo info = target == Target::Automatic ? QPrinterInfo::defaultPrinter() : QPrinterInfo();
    if (!info.isNull()) system_ = std::make_unique<System>(info);
}

QtPrinter::~QtPrinter() {
    if (system_ && system_->painter.isActive()) {
        system_->printer.abort();
        system_->painter.end();
    }
}

QSizeF QtPrinter::pageSizePt() const {
    if (!system_) return PdfPrinter::pageSizePt();
    return system_->printer.pageLayout().paintRect(QPageLayout::Point).size();
}

double QtPrinter::dotsPerInch() const {
    return system_ ? system_->printer.resolution() : PdfPrinter::dotsPerInch();
}

double QtPrinter::textWidthPt(const QString& line, const PrintFont& font) const {
    return system_ ? system_->pages.textWidthPt(line, font) : PdfPrinter::textWidthPt(line, font);
}

double QtPrinter::lineHeightPt(const PrintFont& font) const {
    return system_ ? system_->pages.lineHeightPt(font) : PdfPrinter::lineHeightPt(font);
}

bool QtPrinter::beginOutput(QString* error) {
    if (!system_) return PdfPrinter::beginOutput(error);
    System& s = *system_;
    s.printer.setDocName(documentTitle());
    // Qt's own writer names itself as the Producer of what it sends.
    s.printer.setCreator(QString::fromLatin1(DocumentCreator));
    if (!s.painter.begin(&s.printer)) {
        if (error) *error = QStringLiteral("Could not print to %1").arg(s.printer.printerName());
        return false;
    }
    s.firstPage = true;
    return true;
}

bool QtPrinter::outputPage(const std::vector<PrintedLine>& lines, QString* error) {
    if (!system_) return PdfPrinter::outputPage(lines, error);
    System& s = *system_;
    if (!s.firstPage && !s.printer.newPage()) {
        if (error) *error = QStringLiteral("Could not print to %1").arg(s.printer.printerName());
        return false;
    }
    s.firstPage = false;
    s.pages.paint(s.painter, lines);
    return true;
}

bool QtPrinter::endOutput(QString* error) {
    if (!system_) return PdfPrinter::endOutput(error);
    const bool ok = system_->painter.end();
    if (!ok && error) *error = QStringLiteral("The print job could not be finished");
    return ok;
}

void QtPrinter::discardOutput() {
    if (!system_) return PdfPrinter::discardOutput();
    system_->printer.abort();
    if (system_->painter.isActive()) system_->painter.end();
}

void installSystemPrinter() {
    setDefaultPrinterMaker([] { return std::make_shared<QtPrinter>(); });
}

}  // namespace qv::platform
