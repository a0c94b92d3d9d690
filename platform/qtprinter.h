// The system's default printer, for the programs (library qv_platform, which
// links the print support); without one it prints to PDF as PdfPrinter does.
// initPlatform() makes it the default printer of printer().
#pragma once

#include "platform/printer.h"

namespace qv::platform {

class QtPrinter : public PdfPrinter {
public:
    enum class Target { Automatic, Pdf };
    explicit QtPrinter(Target target = Target::Automatic);
    ~QtPrinter() override;

    bool printsToPdf() const { return !system_; }

protected:
    QSizeF pageSizePt() const override;
    double textWidthPt(const QString& line, const PrintFont& font) const override;
    double lineHeightPt(const PrintFont& font) const override;
    double dotsPerInch() const override;
    bool beginOutput(QString* error) override;
    bool outputPage(const std::vector<PrintedLine>& lines, QString* error) override;
    bool endOutput(QString* error) override;
    void discardOutput() override;

private:
    struct System;
    std::unique_ptr<System> system_;
};

// Makes QtPrinter the printer that printer() gives when none was installed.
void installSystemPrinter();

}  // namespace qv::platform
