#include "labels/writers.h"

#include "common/parm/labelsheet.h"
#include "common/text/numtext.h"

#include <algorithm>

namespace qv::labels {

namespace {

// A count of lines held as the old byte: a whole number, nothing outside 1-255.
int lineCount(double d) {
    const int n = wholeColumns(d);
    return n >= 1 && n <= 255 ? n : 0;
}

QString rtrimmed(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] == u' ') --e;
    return e == s.size() ? s : s.left(e);
}

}  // namespace

// ---- Dot matrix -------------------------------------------------------------

bool DotWriter::begin(const LabelKeys& keys) {
    keys_ = keys;
    topDone_ = false;
    error_.clear();
    open_ = port_.open();
    if (!open_) error_ = port_.lastError();
    return open_;
}

bool DotWriter::put(const QString& line) {
    if (port_.writeLine(line)) return true;
    error_ = port_.lastError();
    return false;
}

bool DotWriter::writeRow(const RowBuffer& row, bool) {
    static const QString oneBlank(QStringLiteral(" "));
    if (!topDone_) {
        topDone_ = true;
        if (keys_.topMarg > 0)
            for (int i = 0, n = std::min(wholeColumns(keys_.topMarg), 255); i < n; ++i)
                if (!put(oneBlank)) return false;
    }
    int i = 1;
    for (; i <= RowBuffer::Lines && i <= keys_.vertGap; ++i)
        if (!put(row.line(i))) return false;
    const int filler = lineCount(keys_.labelHeight - (i - 1));
    for (int f = 0; f < filler; ++f)
        if (!put(oneBlank)) return false;
    return true;
}

bool DotWriter::finish() {
    if (!open_) return error_.isEmpty();
    open_ = false;
    if (port_.close()) return error_.isEmpty();
    if (error_.isEmpty()) error_ = port_.lastError();
    return false;
}

void DotWriter::abandon() {
    if (open_) port_.abandon();
    open_ = false;
}

// ---- Laser ------------------------------------------------------------------

bool LaserWriter::begin(const LabelKeys& keys) {
    keys_ = keys;
    error_.clear();
    pageDue_ = false;
    pageFresh_ = true;
    printer_.setDocumentTitle(QStringLiteral("Mailsort Labels"));
    printer_.setScaleMode(platform::ScaleMode::Millimeters);
    printer_.setFontName(QStringLiteral("Courier New"));
    printer_.setFontBold(false);
    printer_.setFontSize(keys.fontSize);
    charWidth_ = printer_.textWidth(QStringLiteral("1"));
    return true;
}

bool LaserWriter::fail() {
    error_ = printer_.lastError();
    if (error_.isEmpty()) error_ = QStringLiteral("the printer refused the page.");
    return false;
}

bool LaserWriter::writeRow(const RowBuffer& row, bool last) {
    if (pageDue_) {
        pageDue_ = false;
        pageFresh_ = true;
        if (!printer_.newPage()) return fail();
    }
    // Whatever led to the page, its first row stands at the page's top position.
    if (pageFresh_) {
        printer_.setCurrentY(parm::laserPageTop(keys_.topMarg));
        pageFresh_ = false;
    }
    // Eight lines a line height apart, or closer where eight would pass the
    // label's bottom edge (12 points on a label 38.1 mm high).
    const double top = printer_.currentY();
    const double lineHeight = printer_.textHeight(row.line(1));
    double pitch = lineHeight;
    if (RowBuffer::Lines * lineHeight > keys_.labelHeight)
        pitch = std::max(0.0, (keys_.labelHeight - lineHeight) / (RowBuffer::Lines - 1));
    for (int i = 1; i <= RowBuffer::Lines; ++i) {
        printer_.setCurrentY(top + (i - 1) * pitch);
        if (!printer_.print(rtrimmed(row.line(i)))) return fail();
    }
    // The next row starts LabelHeight + VertGap below this one, however tall its lines.
    if (!last) printer_.setCurrentY(top + keys_.labelHeight + keys_.vertGap);
    return true;
}

bool LaserWriter::finish() {
    if (!error_.isEmpty()) {
        // A page was refused: what was printed is not the whole run.
        printer_.killDoc();
        return false;
    }
    if (!printer_.endDoc()) return fail();
    return true;
}

// ---- The program's run ------------------------------------------------------

RunResult printLabels(db::Database& db, const RunRequest& request, const RunCallbacks& callbacks, Session& session) {
    DotWriter dot(platform::lptPort());
    LaserWriter laser(platform::printer());
    return runLabels(
        db, request, [&](bool isLaser) -> LabelOutput& { return isLaser ? static_cast<LabelOutput&>(laser) : dot; },
        callbacks, session);
}

}  // namespace qv::labels
