#include "platform/printer.h"

#include "platform/app.h"

#include <algorithm>

namespace qv::platform {

namespace {
constexpr double kMmPerPt = 25.4 / 72.0;

QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    return t.split(u'\n');
}
}  // namespace

Printer::Printer() { font_.name = QStringLiteral("Arial"); }

double Printer::toPt(double v, ScaleMode from, bool horizontal) const {
    switch (from) {
    case ScaleMode::Twips: return v / 20.0;
    case ScaleMode::Points: return v;
    case ScaleMode::Pixels: return v * 72.0 / dotsPerInch();
    case ScaleMode::Characters: return v * (horizontal ? 6.0 : 12.0);
    case ScaleMode::Inches: return v * 72.0;
    case ScaleMode::Millimeters: return v / kMmPerPt;
    case ScaleMode::Centimeters: return v * 10.0 / kMmPerPt;
    case ScaleMode::Himetric: return v / 100.0 / kMmPerPt;
    }
    return v;
}

double Printer::fromPt(double pt, ScaleMode to, bool horizontal) const {
    return pt / toPt(1.0, to, horizontal);
}

double Printer::scaleX(double value, ScaleMode from, ScaleMode to) const {
    return fromPt(toPt(value, from, true), to, true);
}

double Printer::scaleY(double value, ScaleMode from, ScaleMode to) const {
    return fromPt(toPt(value, from, false), to, false);
}

double Printer::scaleWidth() const { return fromPt(pageSizePt().width(), scale_, true); }
double Printer::scaleHeight() const { return fromPt(pageSizePt().height(), scale_, false); }

double Printer::currentX() const { return fromPt(xPt_, scale_, true); }
void Printer::setCurrentX(double x) { xPt_ = toPt(x, scale_, true); }
double Printer::currentY() const { return fromPt(yPt_, scale_, false); }
void Printer::setCurrentY(double y) { yPt_ = toPt(y, scale_, false); }

double Printer::textWidth(const QString& text) const {
    double widest = 0;
    for (const QString& line : splitLines(text)) widest = std::max(widest, textWidthPt(line, font_));
    return fromPt(widest, scale_, true);
}

double Printer::textHeight(const QString& text) const {
    const auto lines = splitLines(text).size();
    return fromPt(lineHeightPt(font_) * double(lines), scale_, false);
}

QString Printer::documentTitle() const {
    if (!title_.isEmpty()) return title_;
    const QString t = programTitle();
    return t.isEmpty() ? QStringLiteral("Document") : t;
}

bool Printer::ensureOpen() {
    QString err;
    if (!available(&err)) {
        error_ = err;
        return false;
    }
    if (!open_) {
        open_ = true;
        pages_.clear();
        pages_.emplace_back();
        page_ = 1;
    }
    return true;
}

void Printer::startPage() {
    pages_.emplace_back();
    ++page_;
    xPt_ = 0;
    yPt_ = 0;
    pageAdded();
}

bool Printer::printLine(const QString& line, bool endLine) {
    if (!ensureOpen()) return false;
    const double h = lineHeightPt(font_);
    // The runtime starts a new page by itself when a line would pass the bottom.
    if (yPt_ > 0 && yPt_ + h > pageSizePt().height() + 1e-6) startPage();
    PrintedLine pl{page_, line, xPt_ * kMmPerPt, yPt_ * kMmPerPt, font_};
    pages_.back().push_back(pl);
    lineAdded(pl);
    if (endLine) {
        xPt_ = 0;
        yPt_ += h;
    } else {
        xPt_ += textWidthPt(line, font_);
    }
    return true;
}

bool Printer::print(const QString& text) {
    bool ok = true;
    for (const QString& line : splitLines(text)) ok = printLine(line, true) && ok;
    return ok;
}

bool Printer::printText(const QString& text) {
    const QStringList lines = splitLines(text);
    bool ok = true;
    for (qsizetype i = 0; i < lines.size(); ++i)
        ok = printLine(lines.at(i), i + 1 < lines.size()) && ok;
    return ok;
}

bool Printer::newPage() {
    if (!ensureOpen()) return false;
    startPage();
    return true;
}

void Printer::reset() {
    open_ = false;
    pages_.clear();
    page_ = 1;
    xPt_ = 0;
    yPt_ = 0;
}

bool Printer::endDoc() {
    if (!open_) {
        reset();
        return true;
    }
    QString err;
    bool ok = available(&err);
    if (ok) ok = outputDocument(pages_, &err);
    if (!ok) error_ = err;
    reset();
    return ok;
}

bool Printer::killDoc() {
    if (open_) documentKilled();
    reset();
    return true;
}

// ---- RecordingPrinter ------------------------------------------------------------

RecordingPrinter::RecordingPrinter() = default;

QSizeF RecordingPrinter::pageSizePt() const { return pageMm_ / kMmPerPt; }

double RecordingPrinter::textWidthPt(const QString& line, const PrintFont& font) const {
    return double(line.size()) * charEm_ * font.size;
}

double RecordingPrinter::lineHeightPt(const PrintFont& font) const { return lineEm_ * font.size; }

bool RecordingPrinter::available(QString* error) const {
    if (failing_ && error) *error = QStringLiteral("No printer is available");
    return !failing_;
}

bool RecordingPrinter::outputDocument(const std::vector<std::vector<PrintedLine>>& pages, QString*) {
    docs_.push_back(pages);
    events_.push_back({EventKind::EndDoc, {}});
    return true;
}

void RecordingPrinter::lineAdded(const PrintedLine& line) { events_.push_back({EventKind::Line, line}); }
void RecordingPrinter::pageAdded() { events_.push_back({EventKind::NewPage, {}}); }
void RecordingPrinter::documentKilled() { events_.push_back({EventKind::KillDoc, {}}); }

std::vector<PrintedLine> RecordingPrinter::lines() const {
    std::vector<PrintedLine> out;
    for (const Event& e : events_)
        if (e.kind == EventKind::Line) out.push_back(e.line);
    return out;
}

QStringList RecordingPrinter::texts() const {
    QStringList out;
    for (const Event& e : events_)
        if (e.kind == EventKind::Line) out << e.line.text;
    return out;
}

int RecordingPrinter::count(EventKind kind) const {
    return int(std::count_if(events_.begin(), events_.end(), [kind](const Event& e) { return e.kind == kind; }));
}

void RecordingPrinter::clear() {
    events_.clear();
    docs_.clear();
}

// ---- Process-wide printer ----------------------------------------------------------

namespace {
std::shared_ptr<Printer>& installed() {
    static std::shared_ptr<Printer> p;
    return p;
}
}  // namespace

Printer& printer() {
    if (!installed()) installed() = std::make_shared<QtPrinter>();
    return *installed();
}

void setPrinter(std::shared_ptr<Printer> p) { installed() = std::move(p); }

}  // namespace qv::platform
