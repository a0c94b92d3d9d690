#include "platform/truetype.h"

#include <algorithm>
#include <cstring>

namespace qv::platform {

namespace {
uint16_t u16(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 2 > b.size()) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
    return uint16_t(p[0] << 8 | p[1]);
}
int16_t s16(const QByteArray& b, qsizetype at) { return int16_t(u16(b, at)); }
uint32_t u32(const QByteArray& b, qsizetype at) { return uint32_t(u16(b, at)) << 16 | u16(b, at + 2); }

void put16(QByteArray& b, uint16_t v) {
    b.append(char(v >> 8));
    b.append(char(v & 0xff));
}
void put32(QByteArray& b, uint32_t v) {
    put16(b, uint16_t(v >> 16));
    put16(b, uint16_t(v & 0xffff));
}
void set32(QByteArray& b, qsizetype at, uint32_t v) {
    b[at] = char(v >> 24);
    b[at + 1] = char(v >> 16);
    b[at + 2] = char(v >> 8);
    b[at + 3] = char(v);
}

uint32_t checksum(const QByteArray& b) {
    uint32_t sum = 0;
    for (qsizetype i = 0; i < b.size(); i += 4) {
        uint32_t word = 0;
        for (int k = 0; k < 4; ++k) word = word << 8 | (i + k < b.size() ? uint8_t(b[i + k]) : 0);
        sum += word;
    }
    return sum;
}

// A name from the name table: Windows Unicode first, then Macintosh Roman.
QString nameRecord(const QByteArray& name, int id) {
    const int count = u16(name, 2);
    const int strings = u16(name, 4);
    QString mac;
    for (int i = 0; i < count; ++i) {
        const qsizetype r = 6 + qsizetype(i) * 12;
        const int platform = u16(name, r), encoding = u16(name, r + 2), nameId = u16(name, r + 6);
        const int length = u16(name, r + 8), offset = u16(name, r + 10);
        if (nameId != id) continue;
        const QByteArray bytes = name.mid(strings + offset, length);
        if (platform == 3 && (encoding == 1 || encoding == 0)) {
            QString s;
            for (qsizetype k = 0; k + 1 < bytes.size(); k += 2) s.append(QChar(u16(bytes, k)));
            return s;
        }
        if (platform == 1 && encoding == 0 && mac.isEmpty()) mac = QString::fromLatin1(bytes);
    }
    return mac;
}

// A PostScript name is printable ASCII without delimiters or blanks.
QString cleanPsName(const QString& s) {
    QString out;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (u > 32 && u < 127 && !QStringLiteral("[](){}<>/%#").contains(c)) out.append(c);
    }
    return out;
}

constexpr uint16_t kArgsAreWords = 0x0001, kHaveScale = 0x0008, kMoreComponents = 0x0020,
                   kHaveXYScale = 0x0040, kHaveTwoByTwo = 0x0080;
}  // namespace

TrueTypeFont::TrueTypeFont(const TableSource& tables) { read(tables); }

TrueTypeFont TrueTypeFont::fromFile(const QByteArray& file) {
    TrueTypeFont f;
    const int tables = u16(file, 4);
    f.read([&](const char tag[4]) {
        for (int i = 0; i < tables; ++i) {
            const qsizetype r = 12 + qsizetype(i) * 16;
            if (r + 16 > file.size()) break;
            if (std::memcmp(file.constData() + r, tag, 4) == 0) return file.mid(u32(file, r + 8), u32(file, r + 12));
        }
        return QByteArray();
    });
    return f;
}

void TrueTypeFont::read(const TableSource& tables) {
    head_ = tables("head");
    hhea_ = tables("hhea");
    maxp_ = tables("maxp");
    hmtx_ = tables("hmtx");
    cmapTable_ = tables("cmap");
    loca_ = tables("loca");
    glyf_ = tables("glyf");
    cvt_ = tables("cvt ");
    fpgm_ = tables("fpgm");
    prep_ = tables("prep");
    os2_ = tables("OS/2");
    name_ = tables("name");
    post_ = tables("post");
    if (head_.size() < 54 || hhea_.size() < 36 || maxp_.size() < 6 || cmapTable_.size() < 4 || glyf_.isEmpty() ||
        loca_.isEmpty() || hmtx_.isEmpty())
        return;

    unitsPerEm_ = u16(head_, 18);
    if (unitsPerEm_ <= 0) return;
    for (int i = 0; i < 4; ++i) bbox_[i] = s16(head_, 36 + 2 * i);
    longLoca_ = s16(head_, 50) != 0;
    glyphCount_ = u16(maxp_, 4);
    if (loca_.size() < (glyphCount_ + 1) * (longLoca_ ? 4 : 2)) return;
    ascender_ = s16(hhea_, 4);
    descender_ = s16(hhea_, 6);
    const int longMetrics = u16(hhea_, 34);
    if (longMetrics <= 0 || hmtx_.size() < longMetrics * 4) return;
    advances_.resize(size_t(longMetrics));
    for (int i = 0; i < longMetrics; ++i) advances_[size_t(i)] = u16(hmtx_, i * 4);

    capHeight_ = ascender_;
    if (os2_.size() >= 6) weight_ = u16(os2_, 4);
    if (os2_.size() >= 90 && u16(os2_, 0) >= 2) capHeight_ = s16(os2_, 88);
    if (post_.size() >= 16) {
        italicAngle_ = double(int32_t(u32(post_, 4))) / 65536.0;
        fixedPitch_ = u32(post_, 12) != 0;
    }
    psName_ = cleanPsName(nameRecord(name_, 6));
    if (psName_.isEmpty()) {
        const QString style = cleanPsName(nameRecord(name_, 2));
        psName_ = cleanPsName(nameRecord(name_, 1));
        if (!style.isEmpty() && style != QLatin1String("Regular")) psName_ += u'-' + style;
    }
    if (psName_.isEmpty()) psName_ = QStringLiteral("Embedded");

    // The Unicode subtable: full range (3,10) format 12 before the BMP one (3,1) format 4.
    const int subtables = u16(cmapTable_, 2);
    qsizetype bmp = -1, full = -1;
    for (int i = 0; i < subtables; ++i) {
        const qsizetype r = 4 + qsizetype(i) * 8;
        const int platform = u16(cmapTable_, r), encoding = u16(cmapTable_, r + 2);
        const qsizetype at = u32(cmapTable_, r + 4);
        const int format = u16(cmapTable_, at);
        if (platform == 3 && encoding == 10 && format == 12) full = at;
        if ((platform == 3 && encoding == 1) || platform == 0) {
            if (format == 12 && full < 0) full = at;
            if (format == 4 && bmp < 0) bmp = at;
        }
    }
    if (full >= 0) {
        const uint32_t groups = u32(cmapTable_, full + 12);
        for (uint32_t g = 0; g < groups; ++g) {
            const qsizetype r = full + 16 + qsizetype(g) * 12;
            if (r + 12 > cmapTable_.size()) break;
            const char32_t first = u32(cmapTable_, r), last = u32(cmapTable_, r + 4);
            if (last < first) continue;
            cmap_.push_back({first, last, int32_t(u32(cmapTable_, r + 8)) - int32_t(first), {}});
        }
    } else if (bmp >= 0) {
        const int segments = u16(cmapTable_, bmp + 6) / 2;
        const qsizetype ends = bmp + 14, starts = ends + 2 * segments + 2, deltas = starts + 2 * segments,
                        offsets = deltas + 2 * segments;
        for (int s = 0; s < segments; ++s) {
            const char32_t last = u16(cmapTable_, ends + 2 * s), first = u16(cmapTable_, starts + 2 * s);
            const int delta = s16(cmapTable_, deltas + 2 * s);
            const int rangeOffset = u16(cmapTable_, offsets + 2 * s);
            if (last < first || first == 0xffff) continue;
            Range range{first, last, delta, {}};
            if (rangeOffset != 0) {
                for (char32_t c = first; c <= last; ++c) {
                    const qsizetype at = offsets + 2 * s + rangeOffset + 2 * qsizetype(c - first);
                    const uint16_t g = u16(cmapTable_, at);
                    range.glyphs.push_back(g == 0 ? 0 : uint16_t((g + delta) & 0xffff));
                }
            }
            cmap_.push_back(std::move(range));
        }
    } else {
        return;
    }
    std::sort(cmap_.begin(), cmap_.end(), [](const Range& a, const Range& b) { return a.first < b.first; });
    valid_ = true;
}

uint16_t TrueTypeFont::glyph(char32_t c) const {
    auto it = std::upper_bound(cmap_.begin(), cmap_.end(), c, [](char32_t v, const Range& r) { return v < r.first; });
    if (it == cmap_.begin()) return 0;
    --it;
    if (c > it->last) return 0;
    uint32_t g = 0;
    if (!it->glyphs.empty())
        g = it->glyphs[c - it->first];
    else if (it->first > 0xffff || it->last > 0xffff)
        g = uint32_t(int64_t(c) + it->delta);
    else
        g = uint32_t(int64_t(c) + it->delta) & 0xffff;
    return g < uint32_t(glyphCount_) ? uint16_t(g) : 0;
}

int TrueTypeFont::advance(uint16_t glyph) const {
    if (advances_.empty()) return 0;
    return advances_[std::min<size_t>(glyph, advances_.size() - 1)];
}

QByteArray TrueTypeFont::glyphData(uint16_t glyph) const {
    if (glyph >= glyphCount_) return {};
    const qsizetype from = longLoca_ ? u32(loca_, glyph * 4) : qsizetype(u16(loca_, glyph * 2)) * 2;
    const qsizetype to = longLoca_ ? u32(loca_, (glyph + 1) * 4) : qsizetype(u16(loca_, (glyph + 1) * 2)) * 2;
    if (to <= from || to > glyf_.size()) return {};
    return glyf_.mid(from, to - from);
}

void TrueTypeFont::addComponents(uint16_t glyph, std::set<uint16_t>& keep) const {
    if (!keep.insert(glyph).second) return;
    const QByteArray g = glyphData(glyph);
    if (g.size() < 10 || s16(g, 0) >= 0) return;
    qsizetype at = 10;
    for (;;) {
        if (at + 4 > g.size()) return;
        const uint16_t flags = u16(g, at);
        addComponents(u16(g, at + 2), keep);
        at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
        if (flags & kHaveScale) at += 2;
        else if (flags & kHaveXYScale) at += 4;
        else if (flags & kHaveTwoByTwo) at += 8;
        if (!(flags & kMoreComponents)) return;
    }
}

QByteArray TrueTypeFont::subset(const std::set<uint16_t>& glyphs) const {
    if (!valid_) return {};
    std::set<uint16_t> keep;
    addComponents(0, keep);
    for (uint16_t g : glyphs)
        if (g < glyphCount_) addComponents(g, keep);

    QByteArray glyf, loca;
    loca.reserve((glyphCount_ + 1) * 4);
    for (int g = 0; g < glyphCount_; ++g) {
        put32(loca, uint32_t(glyf.size()));
        if (!keep.count(uint16_t(g))) continue;
        glyf += glyphData(uint16_t(g));
        while (glyf.size() % 4) glyf.append('\0');
    }
    put32(loca, uint32_t(glyf.size()));

    QByteArray head = head_;
    set32(head, 8, 0);      // checkSumAdjustment, set below
    head[50] = 0;           // long offsets in loca
    head[51] = 1;
    QByteArray post;
    if (post_.size() >= 32) {
        post = post_.left(32);  // version 3: no glyph names
        set32(post, 0, 0x00030000);
    }

    struct Table {
        const char* tag;
        QByteArray data;
    };
    std::vector<Table> out = {
        {"OS/2", os2_}, {"cmap", cmapTable_}, {"cvt ", cvt_}, {"fpgm", fpgm_}, {"glyf", glyf},
        {"head", head}, {"hhea", hhea_},      {"hmtx", hmtx_}, {"loca", loca}, {"maxp", maxp_},
        {"name", name_}, {"post", post},      {"prep", prep_},
    };
    std::erase_if(out, [](const Table& t) { return t.data.isEmpty(); });
    std::sort(out.begin(), out.end(), [](const Table& a, const Table& b) { return std::memcmp(a.tag, b.tag, 4) < 0; });

    const auto count = uint16_t(out.size());
    uint16_t power = 1, log2 = 0;
    while (power * 2 <= count) power *= 2, ++log2;
    QByteArray file;
    put32(file, 0x00010000);
    put16(file, count);
    put16(file, uint16_t(power * 16));
    put16(file, log2);
    put16(file, uint16_t(count * 16 - power * 16));
    qsizetype offset = 12 + qsizetype(count) * 16;
    qsizetype headAt = 0;
    for (const Table& t : out) {
        file.append(t.tag, 4);
        put32(file, checksum(t.data));
        put32(file, uint32_t(offset));
        put32(file, uint32_t(t.data.size()));
        if (std::memcmp(t.tag, "head", 4) == 0) headAt = offset;
        offset += (t.data.size() + 3) / 4 * 4;
    }
    for (const Table& t : out) {
        file += t.data;
        while (file.size() % 4) file.append('\0');
    }
    set32(file, headAt + 8, 0xB1B0AFBAu - checksum(file));
    return file;
}

}  // namespace qv::platform
