// The printer object the reports and laser labels print through: a font,
// a scale, a current position and line-by-line printing, page by page.
//
// Positions are measured from the top left of the page's printable area in
// the current scale unit. Printing a line puts its top at CurrentY, then
// moves CurrentY down by the line's height and CurrentX back to 0; a line
// that would pass the bottom of the page starts a new page first. A new page
// returns the position to the top left. The document begins with the first
// line or new page and goes to its destination only at endDoc(); killDoc()
// throws it away.
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
    QString fontName() const { return font_.name; }
    void setFontSize(double points) { font_.size = points > 0 ? points : font_.size; }
    double fontSize() const { return font_.size; }
    void setFontBold(bool on) { font_.bold = on; }
    bool fontBold() const { return font_.bold; }
    const PrintFont& font() const { return font_; }

    void setScaleMode(ScaleMode mode) { scale_ = mode; }
    ScaleMode scaleMode() const { return scale_; }
    // Converts a width or a height between two scale units.
    double scaleX(double value, ScaleMode from, ScaleMode to) const;
    double scaleY(double value, ScaleMode from, ScaleMode to) const;
    // The printable area in the current unit.
    double scaleWidth() const;
    double scaleHeight() const;

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
    // The back end: metrics in points, the printable area in points, and the
    // output of a finished document (pages of lines).
    virtual QSizeF pageSizePt() const = 0;
    virtual double textWidthPt(const QString& line, const PrintFont& font) const = 0;
    virtual double lineHeightPt(const PrintFont& font) const = 0;
    virtual double dotsPerInch() const { return 600; }
    virtual bool outputDocument(const std::vector<std::vector<PrintedLine>>& pages, QString* error) = 0;
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
    void startPage();
    void reset();

    PrintFont font_;
    ScaleMode scale_ = ScaleMode::Twips;
    double xPt_ = 0;
    double yPt_ = 0;
    int page_ = 1;
    bool open_ = false;
    std::vector<std::vector<PrintedLine>> pages_;
    QString title_;
    QString error_;
};

// The system's default printer; when there is none, a PDF file in the current
// directory named after the document title and the time it was printed
// ("Mailsort Line Report 2026-12-10 14.05.33.pdf"), never overwriting an
// earlier file (" (2)" and so on is added).
class QtPrinter : public Printer {
public:
    enum class Target { Automatic, Pdf };
    explicit QtPrinter(Target target = Target::Automatic);
    ~QtPrinter() override;

    // Folder for PDF output; empty (the default) is the current directory
    // at the time the document ends.
    void setPdfFolder(const QString& folder) { pdfFolder_ = folder; }
    // The clock that names PDF files (tests fix it).
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
    bool printsToPdf() const { return pdf_; }
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
    bool outputDocument(const std::vector<std::vector<PrintedLine>>& pages, QString* error) override;

private:
    struct Device;
    std::unique_ptr<Device> device_;
    bool pdf_ = false;
    QString pdfFolder_;
    QString lastPdf_;
    std::function<QDateTime()> clock_;
};

// For tests: keeps every line, page break, end and kill, with fixed metrics
// (a character is 0.6 of the point size wide, a line 2320/2048 of it high,
// the advance and height of "Courier New") on an A4 page with 2 mm margins.
class RecordingPrinter : public Printer {
public:
    enum class EventKind { Line, NewPage, EndDoc, KillDoc };
    struct Event {
        EventKind kind;
        PrintedLine line;  // EventKind::Line only
    };

    RecordingPrinter();

    void setCharWidthEm(double em) { charEm_ = em; }
    void setLineHeightEm(double em) { lineEm_ = em; }
    void setPageSizeMm(QSizeF size) { pageMm_ = size; }
    // A failing printer refuses every line, page and end (no printer).
    void setFailing(bool on) { failing_ = on; }

    const std::vector<Event>& events() const { return events_; }
    // Every line printed, in order, across documents (killed ones included).
    std::vector<PrintedLine> lines() const;
    QStringList texts() const;
    // The pages of each ended document.
    const std::vector<std::vector<std::vector<PrintedLine>>>& documents() const { return docs_; }
    int count(EventKind kind) const;
    void clear();

protected:
    QSizeF pageSizePt() const override;
    double textWidthPt(const QString& line, const PrintFont& font) const override;
    double lineHeightPt(const PrintFont& font) const override;
    bool outputDocument(const std::vector<std::vector<PrintedLine>>& pages, QString* error) override;
    void lineAdded(const PrintedLine& line) override;
    void pageAdded() override;
    void documentKilled() override;
    bool available(QString* error) const override;

private:
    double charEm_ = 0.6;
    double lineEm_ = 2320.0 / 2048.0;
    QSizeF pageMm_{206, 293};
    bool failing_ = false;
    std::vector<Event> events_;
    std::vector<std::vector<std::vector<PrintedLine>>> docs_;
};

// "The" printer of the program: a QtPrinter unless a test installed another.
Printer& printer();
void setPrinter(std::shared_ptr<Printer> p);

}  // namespace qv::platform
