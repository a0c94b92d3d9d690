#include "platform/printer.h"

#include "platform/app.h"

#include <algorithm>

namespace qv::platform {

namespace {
constexpr double kMmPerPt = 25.4 / 72.0;

QStringList splitLines(const QString& text) {
    if (!text.contains(u'\n') && !text.contains(u'\r')) return {text};
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
        outputStarted_ = false;
        failed_ = false;
        lines_.clear();
        page_ = 1;
    }
    return true;
}

// Hands the finished page to the back end and forgets it. After a refusal
// the document goes nowhere; the error stands until endDoc() reports it.
bool Printer::sendPage() {
    if (failed_) return false;
    QString err;
    bool ok = outputStarted_ || beginOutput(&err);
    if (ok) {
        outputStarted_ = true;
        ok = outputPage(lines_, &err);
    }
    lines_.clear();
    if (!ok) {
        failed_ = true;
        error_ = err;
    }
    return ok;
}

bool Printer::startPage() {
    const bool ok = sendPage();
    ++page_;
    xPt_ = 0;
    yPt_ = 0;
    pageAdded();
    return ok;
}

bool Printer::printLine(const QString& line, bool endLine) {
    if (!ensureOpen()) return false;
    const double h = lineHeightPt(font_);
    bool ok = true;
    // The runtime starts a new page by itself when a line would pass the bottom.
    if (yPt_ > 0 && yPt_ + h > pageSizePt().height() + 1e-6) ok = startPage();
    PrintedLine pl{page_, line, xPt_ * kMmPerPt, yPt_ * kMmPerPt, font_};
    if (!failed_) lines_.push_back(pl);
    lineAdded(pl);
    if (endLine) {
        xPt_ = 0;
        yPt_ += h;
    } else {
        xPt_ += textWidthPt(line, font_);
    }
    return ok && !failed_;
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
    return startPage();
}

void Printer::reset() {
    open_ = false;
    outputStarted_ = false;
    failed_ = false;
    lines_.clear();
    lines_.shrink_to_fit();
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
    bool ok = !failed_ && available(&err);
    if (ok) ok = sendPage();
    if (ok) {
        ok = endOutput(&err);
        if (!ok) error_ = err;
    } else {
        if (!failed_) error_ = err;
        if (outputStarted_) discardOutput();
    }
    reset();
    return ok;
}

bool Printer::killDoc() {
    if (open_) {
        if (outputStarted_) discardOutput();
        documentKilled();
    }
    reset();
    return true;
}

// ---- Process-wide printer ----------------------------------------------------------

namespace {
std::shared_ptr<Printer>& installed() {
    static std::shared_ptr<Printer> p;
    return p;
}

std::function<std::shared_ptr<Printer>()>& maker() {
    static std::function<std::shared_ptr<Printer>()> make = [] { return std::make_shared<PdfPrinter>(); };
    return make;
}
}  // namespace

Printer& printer() {
    if (!installed()) installed() = maker()();
    return *installed();
}

void setPrinter(std::shared_ptr<Printer> p) { installed() = std::move(p); }

void setDefaultPrinterMaker(std::function<std::shared_ptr<Printer>()> make) { maker() = std::move(make); }

}  // namespace qv::platform
