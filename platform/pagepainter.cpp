#include "platform/pagepainter.h"

#include <QPaintDevice>
#include <QPainter>

namespace qv::platform {

QFont PagePainter::qfont(const PrintFont& f) {
    QFont font(f.name);
    font.setPointSizeF(f.size);
    font.setBold(f.bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void PagePainter::setDevice(QPaintDevice* device) {
    device_ = device;
    faces_.clear();
}

double PagePainter::dpi() const { return device_->logicalDpiY(); }

const PagePainter::Face& PagePainter::face(const PrintFont& f) const {
    for (const Face& k : faces_)
        if (k.font == f) return k;
    // A report uses a handful of fonts; a runaway caller must not grow this.
    if (faces_.size() >= 32) faces_.clear();
    Face k{f, qfont(f), std::nullopt};
    k.metrics.emplace(k.qfont, device_);
    faces_.push_back(std::move(k));
    return faces_.back();
}

double PagePainter::textWidthPt(const QString& line, const PrintFont& font) const {
    return face(font).metrics->horizontalAdvance(line) * 72.0 / dpi();
}

double PagePainter::lineHeightPt(const PrintFont& font) const {
    return face(font).metrics->lineSpacing() * 72.0 / dpi();
}

double PagePainter::ascentPt(const PrintFont& font) const { return face(font).metrics->ascent() * 72.0 / dpi(); }

void PagePainter::paint(QPainter& painter, const std::vector<PrintedLine>& lines) const {
    const double pxPerMm = dpi() / 25.4;
    const PrintFont* current = nullptr;
    double ascent = 0;
    for (const PrintedLine& line : lines) {
        if (line.text.isEmpty()) continue;
        if (!current || !(*current == line.font)) {
            const Face& k = face(line.font);
            painter.setFont(k.qfont);
            ascent = k.metrics->ascent();
            current = &line.font;
        }
        painter.drawText(QPointF(line.xMm * pxPerMm, line.yMm * pxPerMm + ascent), line.text);
    }
}

}  // namespace qv::platform
