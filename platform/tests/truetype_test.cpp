#include "platform/app.h"
#include "platform/truetype.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QPainterPath>
#include <QRawFont>

using namespace qv::platform;

namespace {
// The face "Courier New" resolves to, as the PDF printer reads it.
QRawFont courier(bool bold) {
    installFontSubstitutions();
    QFont f("Courier New");
    f.setPixelSize(2048);
    f.setBold(bold);
    return QRawFont::fromFont(f);
}

TrueTypeFont read(const QRawFont& raw) {
    return TrueTypeFont([&](const char tag[4]) { return raw.fontTable(tag); });
}

uint32_t be32(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | uint8_t(b[at + i]);
    return v;
}

// Sum of a file's big-endian words; a font's checkSumAdjustment makes it this.
uint32_t fileChecksum(const QByteArray& b) {
    uint32_t sum = 0;
    for (qsizetype i = 0; i + 4 <= b.size(); i += 4) sum += be32(b, i);
    return sum;
}

const QString kSample = QString::fromUtf8("Aa0 ~éÉçñßÿ€“”–™ŠŁźőΩЖ");
}  // namespace

TEST(TrueTypeFont, ReadsTheMonospaceFacesMetrics) {
    struct Case {
        bool bold;
        const char* psName;
    };
    for (const Case& c : {Case{false, "LiberationMono"}, Case{true, "LiberationMono-Bold"}}) {
        const QRawFont raw = courier(c.bold);
        ASSERT_TRUE(raw.isValid());
        const TrueTypeFont f = read(raw);
        ASSERT_TRUE(f.valid());
        EXPECT_EQ(f.postScriptName().toStdString(), c.psName);
        EXPECT_EQ(f.unitsPerEm(), 2048);
        EXPECT_TRUE(f.fixedPitch());
        EXPECT_EQ(f.ascender(), 1705);  // the line's 2320 units: 1705 above the baseline, 615 below
        EXPECT_EQ(f.descender(), -615);
        EXPECT_EQ(f.weight() >= 600, c.bold);
        for (QChar ch : QStringLiteral("1iMW ")) EXPECT_EQ(f.advance(f.glyph(ch.unicode())), 1229) << int(ch.unicode());
    }
}

// The character map agrees with the font engine's for every kind of
// character the reports may hold, and has nothing for what the face lacks.
TEST(TrueTypeFont, GlyphsOfCharactersAgreeWithTheFontEngine) {
    const QRawFont raw = courier(false);
    const TrueTypeFont f = read(raw);
    const QList<quint32> expected = raw.glyphIndexesForString(kSample);
    ASSERT_EQ(expected.size(), kSample.size());
    for (qsizetype i = 0; i < kSample.size(); ++i) {
        EXPECT_EQ(f.glyph(kSample[i].unicode()), expected[i]) << int(kSample[i].unicode());
        EXPECT_NE(expected[i], 0u) << int(kSample[i].unicode());
    }
    for (char32_t missing : {U'\u2603', U'\u4E2D', U'\U0001F600', char32_t(0x10FFFF)}) EXPECT_EQ(f.glyph(missing), 0);
}

// A copy with some glyphs holds those glyphs whole (accented letters are
// built from other glyphs), has empty ones elsewhere, keeps glyph numbers
// and metrics, and is a font the font engine itself loads.
TEST(TrueTypeFont, SubsetKeepsTheGlyphsUsedAndTheirNumbers) {
    const QRawFont raw = courier(true);
    const TrueTypeFont f = read(raw);
    const QString kept = QString::fromUtf8("AéŁ€");
    std::set<uint16_t> glyphs;
    for (QChar c : kept) glyphs.insert(f.glyph(c.unicode()));
    const QByteArray file = f.subset(glyphs);
    EXPECT_LT(file.size(), raw.fontTable("glyf").size() / 4);
    EXPECT_EQ(fileChecksum(file), 0xB1B0AFBAu);

    const TrueTypeFont back = TrueTypeFont::fromFile(file);
    ASSERT_TRUE(back.valid());
    EXPECT_EQ(back.glyphCount(), f.glyphCount());
    EXPECT_EQ(back.postScriptName(), f.postScriptName());

    const QRawFont loaded(file, 2048);
    ASSERT_TRUE(loaded.isValid());
    for (QChar c : kept + QStringLiteral("Bz") + QString::fromUtf8("Ж")) {
        const uint16_t g = f.glyph(c.unicode());
        EXPECT_EQ(back.glyph(c.unicode()), g);
        EXPECT_EQ(back.advance(g), 1229);
        const QRectF was = raw.pathForGlyph(g).boundingRect();
        const QRectF now = loaded.pathForGlyph(g).boundingRect();
        if (kept.contains(c))
            EXPECT_EQ(now, was) << int(c.unicode());
        else
            EXPECT_TRUE(now.isEmpty()) << int(c.unicode());
    }
}

TEST(TrueTypeFont, ATableMissingMakesItInvalid) {
    const QRawFont raw = courier(false);
    for (const char* lacking : {"glyf", "cmap", "head", "loca", "hmtx"}) {
        const TrueTypeFont f([&](const char tag[4]) {
            return QByteArray(tag, 4) == QByteArray(lacking, 4) ? QByteArray() : raw.fontTable(tag);
        });
        EXPECT_FALSE(f.valid()) << lacking;
        EXPECT_TRUE(f.subset({}).isEmpty()) << lacking;
    }
    EXPECT_FALSE(TrueTypeFont::fromFile("not a font").valid());
}
