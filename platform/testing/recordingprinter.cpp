#include "platform/testing/recordingprinter.h"

#include <algorithm>

namespace qv::platform {

namespace {
constexpr double kMmPerPt = 25.4 / 72.0;
}  // namespace

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

bool RecordingPrinter::beginOutput(QString*) {
    pages_.clear();
    return true;
}

bool RecordingPrinter::outputPage(const std::vector<PrintedLine>& lines, QString*) {
    pages_.push_back(lines);
    return true;
}

bool RecordingPrinter::endOutput(QString*) {
    docs_.push_back(std::move(pages_));
    pages_.clear();
    events_.push_back({EventKind::EndDoc, {}});
    return true;
}

void RecordingPrinter::discardOutput() { pages_.clear(); }

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

}  // namespace qv::platform
