#include "platform/pdfwriter.h"

#include <QDateTime>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <unordered_map>

namespace qv::platform {

namespace {
// Objects with fixed numbers; pages and fonts follow.
constexpr int kCatalog = 1, kPages = 2, kResources = 3, kInfo = 4, kFirstFree = 5;
constexpr size_t kFlushAt = 1 << 20;
// zlib's default: label pages come out at a ninth of their size, a little
// smaller than at the fastest level, and still far faster than needed.
constexpr int kDeflateLevel = 6;

// Windows-1252 codes 0x80-0x9F and their characters (0: no character).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The Windows-1252 code of a character, or 0 when it has none. Control
// characters print as blanks.
unsigned winAnsi(char32_t c) {
    if (c >= 0x20 && c < 0x7f) return unsigned(c);
    if (c >= 0xa0 && c <= 0xff) return unsigned(c);
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) return 0x20;
    for (unsigned i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c) return 0x80 + i;
    return 0;
}

// The character whose glyph a viewer draws for a code (0 for the five unused
// codes): WinAnsiEncoding names 0xA0 "space" and 0xAD "hyphen".
char32_t winAnsiGlyph(unsigned code) {
    if (code >= 0x80 && code < 0xa0) return kHigh[code - 0x80];
    if (code == 0xa0) return U' ';
    if (code == 0xad) return U'-';
    return code;
}

void appendInt(std::string& s, long long v) {
    char buf[24];
    const int n = std::snprintf(buf, sizeof buf, "%lld", v);
    s.append(buf, size_t(n));
}

// A number given in thousandths, without trailing zeros.
void appendMilli(std::string& s, long long v) {
    if (v < 0) {
        s += '-';
        v = -v;
    }
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = end;
    long long whole = v / 1000;
    int frac = int(v % 1000);
    if (frac) {
        int digits = 3;
        while (frac % 10 == 0) frac /= 10, --digits;
        for (int i = 0; i < digits; ++i) *--p = char('0' + frac % 10), frac /= 10;
        *--p = '.';
    }
    do *--p = char('0' + whole % 10), whole /= 10;
    while (whole);
    s.append(p, size_t(end - p));
}

void appendNumber(std::string& s, double v) { appendMilli(s, std::llround(v * 1000)); }

void appendHex16(std::string& s, unsigned v) {
    static const char* digits = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) s += digits[(v >> shift) & 15];
}

// A text string for the document information: UTF-16 with its byte order mark.
std::string pdfTextString(const QString& t) {
    std::string s = "<FEFF";
    for (QChar c : t) appendHex16(s, c.unicode());
    return s + ">";
}

std::string objRef(int n) { return std::to_string(n) + " 0 R"; }
}  // namespace

// What a document printed with a face: its Windows-1252 codes, and the
// characters outside them, 255 to each companion font.
struct PdfWriter::Face {
    std::shared_ptr<const TrueTypeFont> font;
    bool fixedPitch = false;
    std::array<bool, 256> used{};
    std::unordered_map<char32_t, unsigned> extra;  // character -> (companion << 8) | code
    std::vector<std::vector<char32_t>> companions;
    bool usedAny = false;
    bool embedded() const { return font && font->valid(); }
};

// One zlib stream for the whole document, reset for each PDF stream.
struct PdfWriter::Deflater {
    z_stream z{};
    bool ready = false;
    std::string out;
    Deflater() { ready = deflateInit(&z, kDeflateLevel) == Z_OK; }
    ~Deflater() {
        if (ready) deflateEnd(&z);
    }
    bool run(const std::string& in) {
        if (!ready || deflateReset(&z) != Z_OK) return false;
        out.resize(deflateBound(&z, uLong(in.size())));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        const int rc = deflate(&z, Z_FINISH);
        out.resize(out.size() - z.avail_out);
        return rc == Z_STREAM_END;
    }
};

PdfWriter::PdfWriter(QIODevice* out, QSizeF pageSizePt) : out_(out), pageSize_(pageSizePt) {
    offsets_.assign(kFirstFree, 0);
    buffer_.reserve(kFlushAt + (64 << 10));
    page_.reserve(64 << 10);
    buffer_ += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
}

PdfWriter::~PdfWriter() = default;

int PdfWriter::addFace(std::shared_ptr<const TrueTypeFont> face, bool fixedPitch) {
    auto f = std::make_unique<Face>();
    f->font = std::move(face);
    f->fixedPitch = fixedPitch;
    faces_.push_back(std::move(f));
    return int(faces_.size()) - 1;
}

int PdfWriter::newObject() {
    offsets_.push_back(0);
    return int(offsets_.size()) - 1;
}

void PdfWriter::beginObject(int number) {
    offsets_[size_t(number)] = written_ + buffer_.size();
    appendInt(buffer_, number);
    buffer_ += " 0 obj\n";
}

void PdfWriter::writeStream(int number, const std::string& data, const std::string& extraKeys) {
    if (!deflater_) deflater_ = std::make_unique<Deflater>();
    const bool deflated = deflater_->run(data);
    const std::string* body = deflated ? &deflater_->out : &data;
    beginObject(number);
    buffer_ += "<< /Length ";
    appendInt(buffer_, (long long)body->size());
    if (deflated) buffer_ += " /Filter /FlateDecode";
    buffer_ += extraKeys;
    buffer_ += " >>\nstream\n";
    buffer_ += *body;
    buffer_ += "\nendstream\nendobj\n";
    flush(false);
}

void PdfWriter::flush(bool force) {
    if (failed_) {
        buffer_.clear();
        return;
    }
    if (buffer_.empty() || (!force && buffer_.size() < kFlushAt)) return;
    const qint64 n = out_->write(buffer_.data(), qint64(buffer_.size()));
    if (n != qint64(buffer_.size())) {
        failed_ = true;
        error_ = out_->errorString();
    } else {
        written_ += buffer_.size();
    }
    buffer_.clear();
}

void PdfWriter::beginPage() {
    page_.clear();
    inPage_ = true;
    inText_ = inString_ = false;
    face_ = slot_ = -1;
    size_ = 0;
    x_ = y_ = 0;
}

void PdfWriter::setFont(int face, double sizePt) {
    wantFace_ = face;
    wantSize_ = sizePt;
}

void PdfWriter::openString() {
    if (!inString_) page_ += '(';
    inString_ = true;
}

void PdfWriter::closeString() {
    if (inString_) page_ += ") Tj\n";
    inString_ = false;
}

void PdfWriter::text(double x, double y, QStringView line) {
    if (!inPage_ || wantFace_ < 0 || wantFace_ >= int(faces_.size()) || line.isEmpty()) return;
    Face& face = *faces_[size_t(wantFace_)];
    face.usedAny = true;
    if (!inText_) {
        page_ += "BT\n";
        inText_ = true;
    }
    if (wantFace_ != face_ || wantSize_ != size_) slot_ = -1;  // a new Tf is due
    face_ = wantFace_;
    size_ = wantSize_;

    const long long nx = std::llround(x * 1000), ny = std::llround((pageSize_.height() - y) * 1000);
    appendMilli(page_, nx - x_);
    page_ += ' ';
    appendMilli(page_, ny - y_);
    page_ += " Td\n";
    x_ = nx;
    y_ = ny;

    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = line[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && line[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), line[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xfffd;
        unsigned code = winAnsi(c);
        int slot = 0;
        if (code) {
            face.used[code] = true;
        } else {
            auto it = face.extra.find(c);
            if (it == face.extra.end()) {
                if (face.companions.empty() || face.companions.back().size() >= 255) face.companions.emplace_back();
                face.companions.back().push_back(c);
                const unsigned v = unsigned(face.companions.size()) << 8 | unsigned(face.companions.back().size());
                it = face.extra.emplace(c, v).first;
            }
            slot = int(it->second >> 8);
            code = it->second & 0xff;
        }
        if (slot != slot_) {
            closeString();
            page_ += "/F";
            appendInt(page_, face_);
            if (slot) {
                page_ += 'c';
                appendInt(page_, slot);
            }
            page_ += ' ';
            appendNumber(page_, size_);
            page_ += " Tf\n";
            slot_ = slot;
        }
        openString();
        if (code == '(' || code == ')' || code == '\\') page_ += '\\';
        if (code < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", code);
            page_ += buf;
        } else {
            page_ += char(code);
        }
    }
    closeString();
}

bool PdfWriter::endPage() {
    if (!inPage_) return !failed_;
    closeString();
    if (inText_) page_ += "ET\n";
    inPage_ = false;
    const int content = newObject();
    writeStream(content, page_, {});
    const int page = newObject();
    beginObject(page);
    buffer_ += "<< /Type /Page /Parent 2 0 R /Resources 3 0 R /Contents ";
    appendInt(buffer_, content);
    buffer_ += " 0 R >>\nendobj\n";
    pages_.push_back(page);
    flush(false);
    return !failed_;
}

// The face's font file, descriptor, Windows-1252 font and companions; adds
// their resource names to resources.
void PdfWriter::writeFace(int index, std::string& resources) {
    const Face& face = *faces_[size_t(index)];
    std::string baseFont;
    int descriptor = 0;
    auto width = [&](char32_t c) {
        if (!face.embedded()) return 0.0;
        const TrueTypeFont& f = *face.font;
        return f.advance(f.glyph(c)) * 1000.0 / f.unitsPerEm();
    };

    if (face.embedded()) {
        const TrueTypeFont& f = *face.font;
        std::set<uint16_t> glyphs;
        for (unsigned code = 0x20; code < 256; ++code)
            if (face.used[code]) glyphs.insert(f.glyph(winAnsiGlyph(code)));
        for (const auto& [c, v] : face.extra) glyphs.insert(f.glyph(c));
        // The subset's tag follows from the glyphs it holds.
        uint32_t hash = 2166136261u;
        for (uint16_t g : glyphs) hash = (hash ^ g) * 16777619u;
        std::string tag;
        for (int i = 0; i < 6; ++i) tag += char('A' + hash % 26), hash /= 26;
        baseFont = tag + '+' + f.postScriptName().toStdString();

        const QByteArray file = f.subset(glyphs);
        const int fontFile = newObject();
        writeStream(fontFile, std::string(file.constData(), size_t(file.size())),
                    " /Length1 " + std::to_string(file.size()));

        const double scale = 1000.0 / f.unitsPerEm();
        int flags = 32;  // nonsymbolic
        if (f.fixedPitch()) flags |= 1;
        if (f.italicAngle() != 0) flags |= 64;
        descriptor = newObject();
        beginObject(descriptor);
        std::string& b = buffer_;
        b += "<< /Type /FontDescriptor /FontName /" + baseFont + " /Flags " + std::to_string(flags) + " /FontBBox [";
        for (int i = 0; i < 4; ++i) {
            if (i) b += ' ';
            appendNumber(b, f.bbox()[i] * scale);
        }
        b += "] /ItalicAngle ";
        appendNumber(b, f.italicAngle());
        b += " /Ascent ";
        appendNumber(b, f.ascender() * scale);
        b += " /Descent ";
        appendNumber(b, f.descender() * scale);
        b += " /CapHeight ";
        appendNumber(b, f.capHeight() * scale);
        b += " /StemV ";
        appendInt(b, f.weight() >= 600 ? 120 : 80);
        b += " /FontFile2 " + objRef(fontFile) + " >>\nendobj\n";
    } else {
        baseFont = face.fixedPitch ? "Courier" : "Helvetica";
    }

    auto fontDict = [&](int number, unsigned first, const std::vector<double>& widths, const std::string& encoding,
                        int toUnicode) {
        beginObject(number);
        std::string& b = buffer_;
        b += "<< /Type /Font /Subtype " + std::string(face.embedded() ? "/TrueType" : "/Type1") + " /BaseFont /" +
             baseFont + " /Encoding " + encoding;
        if (face.embedded()) {
            b += " /FirstChar " + std::to_string(first) + " /LastChar " + std::to_string(first + widths.size() - 1) +
                 " /Widths [";
            for (size_t i = 0; i < widths.size(); ++i) {
                if (i) b += ' ';
                appendNumber(b, widths[i]);
            }
            b += "] /FontDescriptor " + objRef(descriptor);
        }
        if (toUnicode) b += " /ToUnicode " + objRef(toUnicode);
        b += " >>\nendobj\n";
    };

    const std::string name = "/F" + std::to_string(index);
    std::vector<double> widths;
    for (unsigned code = 0x20; code < 256; ++code)
        widths.push_back(width(winAnsiGlyph(code)));
    const int base = newObject();
    fontDict(base, 0x20, widths, "/WinAnsiEncoding", 0);
    resources += name + ' ' + objRef(base) + ' ';

    for (size_t k = 0; k < face.companions.size(); ++k) {
        const std::vector<char32_t>& chars = face.companions[k];
        std::string cmap =
            "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
            "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
            "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
            "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
        for (size_t from = 0; from < chars.size(); from += 100) {
            const size_t to = std::min(chars.size(), from + 100);
            cmap += std::to_string(to - from) + " beginbfchar\n";
            for (size_t i = from; i < to; ++i) {
                char code[8];
                std::snprintf(code, sizeof code, "<%02X> <", unsigned(i + 1));
                cmap += code;
                const char32_t c = chars[i];
                if (c > 0xffff) {
                    appendHex16(cmap, QChar::highSurrogate(c));
                    appendHex16(cmap, QChar::lowSurrogate(c));
                } else {
                    appendHex16(cmap, unsigned(c));
                }
                cmap += ">\n";
            }
            cmap += "endbfchar\n";
        }
        cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        const int toUnicode = newObject();
        writeStream(toUnicode, cmap, {});

        std::string encoding = "<< /Type /Encoding /Differences [1";
        std::vector<double> w;
        for (char32_t c : chars) {
            char glyphName[16];
            if (c > 0xffff)
                std::snprintf(glyphName, sizeof glyphName, " /u%05X", unsigned(c));
            else
                std::snprintf(glyphName, sizeof glyphName, " /uni%04X", unsigned(c));
            encoding += glyphName;
            w.push_back(width(c));
        }
        encoding += "] >>";
        const int companion = newObject();
        fontDict(companion, 1, w, encoding, toUnicode);
        resources += name + 'c' + std::to_string(k + 1) + ' ' + objRef(companion) + ' ';
    }
    flush(false);
}

bool PdfWriter::finish() {
    if (inPage_) endPage();
    std::string fonts;
    for (size_t i = 0; i < faces_.size(); ++i)
        if (faces_[i]->usedAny) writeFace(int(i), fonts);

    beginObject(kResources);
    buffer_ += "<< /ProcSet [/PDF /Text] /Font << " + fonts + ">> >>\nendobj\n";

    beginObject(kPages);
    buffer_ += "<< /Type /Pages /MediaBox [0 0 ";
    appendNumber(buffer_, pageSize_.width());
    buffer_ += ' ';
    appendNumber(buffer_, pageSize_.height());
    buffer_ += "] /Count ";
    appendInt(buffer_, (long long)pages_.size());
    buffer_ += " /Kids [";
    for (size_t i = 0; i < pages_.size(); ++i) {
        buffer_ += (i % 8 == 0) ? '\n' : ' ';
        appendInt(buffer_, pages_[i]);
        buffer_ += " 0 R";
        flush(false);
    }
    buffer_ += "\n] >>\nendobj\n";

    beginObject(kCatalog);
    buffer_ += "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";

    beginObject(kInfo);
    buffer_ += "<< /Title " + pdfTextString(title_);
    if (!creator_.isEmpty()) buffer_ += " /Creator " + pdfTextString(creator_);
    if (!producer_.isEmpty()) buffer_ += " /Producer " + pdfTextString(producer_);
    buffer_ += " /CreationDate (D:" +
               QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toStdString() +
               "Z) >>\nendobj\n";

    const unsigned long long xref = written_ + buffer_.size();
    buffer_ += "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
    for (size_t i = 1; i < offsets_.size(); ++i) {
        char entry[48];
        if (offsets_[i])
            std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", offsets_[i]);
        else
            std::snprintf(entry, sizeof entry, "0000000000 65535 f \n");
        buffer_ += entry;
        flush(false);
    }
    buffer_ += "trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" +
               std::to_string(xref) + "\n%%EOF\n";
    flush(true);
    return !failed_;
}

}  // namespace qv::platform
