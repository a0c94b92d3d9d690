// Text metrics and page painting on a Qt paint device, for the printer back
// ends (PDF and the system printer). Fonts and their metrics are kept per
// printer font, so that a long document does not build them line by line.
#pragma once

#include "platform/printer.h"

#include <QFont>
#include <QFontMetricsF>

#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;

namespace qv::platform {

class PagePainter {
public:
    explicit PagePainter(QPaintDevice* device = nullptr) : device_(device) {}
    void setDevice(QPaintDevice* device);

    double textWidthPt(const QString& line, const PrintFont& font) const;
    double lineHeightPt(const PrintFont& font) const;
    // From the top of a line to its baseline.
    double ascentPt(const PrintFont& font) const;
    // Paints a page's lines; empty lines are skipped.
    void paint(QPainter& painter, const std::vector<PrintedLine>& lines) const;

    static QFont qfont(const PrintFont& f);

private:
    struct Face {
        PrintFont font;
        QFont qfont;
        std::optional<QFontMetricsF> metrics;
    };
    const Face& face(const PrintFont& f) const;
    double dpi() const;

    QPaintDevice* device_;
    mutable std::vector<Face> faces_;
};

}  // namespace qv::platform
