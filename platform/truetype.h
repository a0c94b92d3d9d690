// A TrueType face read from its tables, for embedding in a PDF: the metrics
// a PDF font needs, the glyph of a character, and a copy of the font that
// keeps only the glyphs a document used (glyph numbers unchanged, so the
// character map stays as it is).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace qv::platform {

class TrueTypeFont {
public:
    // The font's tables by tag ("head", "glyf", ...); an empty array for a
    // table the font does not have.
    using TableSource = std::function<QByteArray(const char tag[4])>;

    explicit TrueTypeFont(const TableSource& tables);
    // From a whole font file (tests, and fonts read from disk).
    static TrueTypeFont fromFile(const QByteArray& file);

    // False when a table a PDF needs is missing or damaged (a font with
    // PostScript outlines has no glyf table): such a face cannot be embedded.
    bool valid() const { return valid_; }

    int unitsPerEm() const { return unitsPerEm_; }
    int glyphCount() const { return glyphCount_; }
    // 0 (the missing-glyph box) for a character the font does not have.
    uint16_t glyph(char32_t c) const;
    // Advance width in font units.
    int advance(uint16_t glyph) const;
    int ascender() const { return ascender_; }
    int descender() const { return descender_; }
    int capHeight() const { return capHeight_; }
    int weight() const { return weight_; }
    double italicAngle() const { return italicAngle_; }
    bool fixedPitch() const { return fixedPitch_; }
    // xMin, yMin, xMax, yMax in font units.
    const int* bbox() const { return bbox_; }
    // PostScript name from the name table, else made from family and style.
    QString postScriptName() const { return psName_; }

    // A font file with the given glyphs (and the glyphs they are built from)
    // and glyph 0; every other glyph is left empty.
    QByteArray subset(const std::set<uint16_t>& glyphs) const;

private:
    TrueTypeFont() = default;
    void read(const TableSource& tables);
    void addComponents(uint16_t glyph, std::set<uint16_t>& keep) const;
    QByteArray glyphData(uint16_t glyph) const;

    bool valid_ = false;
    int unitsPerEm_ = 1000;
    int glyphCount_ = 0;
    bool longLoca_ = false;
    int ascender_ = 0, descender_ = 0, capHeight_ = 0, weight_ = 400;
    double italicAngle_ = 0;
    bool fixedPitch_ = false;
    int bbox_[4] = {0, 0, 0, 0};
    QString psName_;
    std::vector<uint16_t> advances_;  // one per long metric; the last repeats
    // Character map: ranges of the (3,1) or (3,10) subtable.
    struct Range {
        char32_t first, last;
        int32_t delta;                 // glyph = c + delta, when glyphs is empty
        std::vector<uint16_t> glyphs;  // else the glyph of first + i (0: none)
    };
    std::vector<Range> cmap_;
    QByteArray head_, hhea_, maxp_, hmtx_, cmapTable_, cvt_, fpgm_, prep_, os2_, name_, post_;
    QByteArray loca_, glyf_;
};

}  // namespace qv::platform
