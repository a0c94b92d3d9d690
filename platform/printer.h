// The printer object the reports and laser labels print through: a font,
// a scale, a current position and line-by-line printing, page by page.
//
// Positions are measured from the top left of the page's printable area in
// the current scale unit. Printing a line puts its top at CurrentY, then
// moves CurrentY down by the line's height and CurrentX back to 0; a line
// that would pass the bottom of the page starts a new page first. A new page
// returns the position to the top left. The document begins with the first
// line or new page. Each page goes to the back end as soon as the next one
// begins, so only the page being printed is held; endDoc() sends the last
// page and completes the document, killDoc() throws it away so that nothing
// reaches the printer. Library qv_print: no widgets.
#pragma once

#include <QDateTime>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace qv::platform {

// Scale units of the old runtime, with its numbers.
enum class ScaleMode {
    Twips = 1,        // 1/1440 inch (the default)
    Points = 2,       // 1/72 inch
    Pixels = 3,       // the printer's own dots
    Characters = 4,   // 1/12 inch across, 1/6 inch down
    Inches = 5,
    Millimeters = 6,
    Centimeters = 7,
    Himetric = 8,     // 1/100 mm
};

struct PrintFont {
    QString name;
    double size = 10;  // points
    bool bold = false;
    bool operator==(const PrintFont&) const = default;
};

// One printed line, as it lies on its page (millimetres from the top left of
// the printable area).
struct PrintedLine {
    int page = 1;
    QString text;
    double xMm = 0;
    double yMm = 0;
    PrintFont font;
};

class Printer {
public:
    Printer();
    virtual ~Printer() = default;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    void setFontName(const QString& name) { font_.name = name; }
    void setFontSize(double points) { font_.size = points > 0 ? points : font_.size; }
    void setFontBold(bool on) { font_.bold = on; }
    const PrintFont& font() const { return font_; }

    void setScaleMode(ScaleMode mode) { scale_ = mode; }
    // Converts a width or a height between two scale units.
    double scaleX(double value, ScaleMode from, ScaleMode to) const;
    double scaleY(double value, ScaleMode from, ScaleMode to) const;

    double currentX() const;
    void setCurrentX(double x);
    double currentY() const;
    void setCurrentY(double y);

    // Width of the text's longest line, and height of its lines (one line's
    // height for an empty text), in the current font and unit.
    double textWidth(const QString& text) const;
    double textHeight(const QString& text = {}) const;

    // Prints the text at the current position and moves to the next line.
    // Returns false when the printer failed (see lastError()).
    bool print(const QString& text = {});
    // Prints without ending the line: CurrentX moves past the text.
    bool printText(const QString& text);

    // Page number of the page being printed; 1 before the first line and
    // again after endDoc() or killDoc().
    int page() const { return page_; }
    bool newPage();
    // Sends the document to its destination. Nothing is sent when nothing
    // was printed.
    bool endDoc();
    // Discards the document being printed.
    bool killDoc();
    bool documentOpen() const { return open_; }

    // Name of the print job (and of the PDF file when there is no printer).
    void setDocumentTitle(const QString& title) { title_ = title; }
    QString documentTitle() const;

    QString lastError() const { return error_; }

protected:
    // The back end: metrics in points and the printable area in points.
    virtual QSizeF pageSizePt() const = 0;
    virtual double textWidthPt(const QString& line, const PrintFont& font) const = 0;
    virtual double lineHeightPt(const PrintFont& font) const = 0;
    virtual double dotsPerInch() const { return 600; }
    // The output, one page at a time: beginOutput() before the first page,
    // outputPage() for each finished page, endOutput() at endDoc(), and
    // discardOutput() at killDoc() (after beginOutput() only), which must
    // leave nothing at the destination.
    virtual bool beginOutput(QString* error) = 0;
    virtual bool outputPage(const std::vector<PrintedLine>& lines, QString* error) = 0;
    virtual bool endOutput(QString* error) = 0;
    virtual void discardOutput() = 0;
    // Notifications for recording; the default does nothing.
    virtual void lineAdded(const PrintedLine&) {}
    virtual void pageAdded() {}
    virtual void documentKilled() {}
    // A back end that cannot print at all refuses here.
    virtual bool available(QString* error) const {
        (void)error;
        return true;
    }

    void setError(const QString& e) { error_ = e; }

private:
    double toPt(double v, ScaleMode from, bool horizontal) const;
    double fromPt(double pt, ScaleMode to, bool horizontal) const;
    bool ensureOpen();
    bool printLine(const QString& line, bool endLine);
    bool startPage();
    bool sendPage();
    void reset();

    PrintFont font_;
    ScaleMode scale_ = ScaleMode::Twips;
    double xPt_ = 0;
    double yPt_ = 0;
    int page_ = 1;
    bool open_ = false;
    bool outputStarted_ = false;  // beginOutput() succeeded for this document
    bool failed_ = false;         // the back end refused a page: the rest goes nowhere
    std::vector<PrintedLine> lines_;  // the page being printed
    QString title_;
    QString error_;
};

// Who made the suite's documents: the Creator and Producer that every PDF
// it writes gives, as readers show them in the document's properties.
inline constexpr const char* DocumentCreator = "Quorvel";

// A PDF file in the current folder named after the document title and the
// time it was printed ("Mailsort Line Report 2026-12-10 14.05.33.pdf"), never
// overwriting an earlier file (" (2)" and so on is added). A4 with 2 mm
// margins. Pages are written as they are printed (by PdfWriter, with the
// faces embedded) to a temporary file in that folder (unnamed where the
// system allows, else hidden); endDoc() gives it its name, killDoc()
// removes it. A write that fails (a full disk) fails the document.
class PdfPrinter : public Printer {
public:
    PdfPrinter();
    ~PdfPrinter() override;

    // Folder for PDF output; empty (the default) is the current directory
    // at the time the document begins.
    void setPdfFolder(const QString& folder) { pdfFolder_ = folder; }
    // The clock that names PDF files (tests fix it).
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    // The PDF file the last document went to (empty for a real printer).
    QString lastPdfFile() const { return lastPdf_; }

    // The PDF file name for a title at a time in a folder, with " (n)" added
    // until no file of that name exists.
    static QString pdfFileName(const QString& folder, const QString& title, const QDateTime& when);

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
    struct Pdf;
    std::unique_ptr<Pdf> pdf_;
    QString pdfFolder_;
    QString lastPdf_;
    std::function<QDateTime()> clock_;
};

// "The" printer of the program: the one installed, else one made by the
// default maker, which is a PdfPrinter until the program start installs
// the system printer's (see qtprinter.h).
Printer& printer();
void setPrinter(std::shared_ptr<Printer> p);
void setDefaultPrinterMaker(std::function<std::shared_ptr<Printer>()> make);

}  // namespace qv::platform
