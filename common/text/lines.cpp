#include "common/text/lines.h"

#include "common/text/chars.h"
#include "common/text/files.h"
#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <system_error>


namespace qv {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// Windows-1252 0x80..0x9F.
constexpr char16_t kSpecials[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::FILE* openFile(const std::filesystem::path& p, bool write, bool append) {
#ifdef _WIN32
    return _wfopen(p.c_str(), write ? (append ? L"ab" : L"wb") : L"rb");
#else
    return std::fopen(p.c_str(), write ? (append ? "ab" : "wb") : "rb");
#endif
}

std::string pathText(const std::filesystem::path& p) {
    std::u8string u = p.u8string();
    return std::string(reinterpret_cast<const char*>(u.data()), u.size());
}

}  // namespace

bool isValidUtf8(std::string_view s) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            // ASCII run, eight bytes at a time.
            while (i + 8 <= n) {
                std::uint64_t w;
                std::memcpy(&w, p + i, 8);
                if (w & 0x8080808080808080ULL) break;
                i += 8;
            }
            while (i < n && p[i] < 0x80) ++i;
            continue;
        }
        unsigned char c = p[i];
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) len = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;        // no overlong forms
            else if (c == 0xED) hi = 0x9F;   // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            else if (c == 0xF4) hi = 0x8F;   // nothing above U+10FFFF
        } else return false;
        if (i + len > n) return false;
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (std::size_t k = 2; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) out += ch;
        else if (c < 0xA0) appendUtf8(out, kSpecials[c - 0x80]);
        else appendUtf8(out, c);
    }
    return out;
}

std::string decodeLine(std::string_view s, bool* was1252) {
    bool ok = isValidUtf8(s);
    if (was1252) *was1252 = !ok;
    return ok ? std::string(s) : windows1252ToUtf8(s);
}

bool isPaddingAfterEnd(std::string_view bytes) {
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > ' ' && c != 0x7F) return false;
    }
    return true;
}

std::string strayCtrlZText(std::string_view file, std::uint64_t line) {
    return "Line " + std::to_string(line) + " of file " + std::string(file) +
           " holds an end-of-file mark (Ctrl-Z) with more records after it.";
}

// ---- LineReader ------------------------------------------------------------

LineReader::LineReader(const std::filesystem::path& file) : buf_(kBufferSize, '\0') {
    refuseNonRegular(file);
    file_ = openFile(file, false, false);
    if (!file_) throw std::system_error(errno, std::generic_category(), "cannot open " + pathText(file));
}

LineReader::LineReader(std::istream& in) : in_(&in), buf_(kBufferSize, '\0') {}

LineReader::~LineReader() {
    if (file_) std::fclose(file_);
}

std::size_t LineReader::readSource(char* data, std::size_t size) {
    if (file_) {
        const std::size_t got = std::fread(data, 1, size, file_);
        if (got < size && std::ferror(file_)) throw std::system_error(errno, std::generic_category(), "read error");
        return got;
    }
    in_->read(data, std::streamsize(size));
    const std::size_t got = std::size_t(in_->gcount());
    if (in_->bad()) throw std::ios_base::failure("read error");
    return got;
}

bool LineReader::fill() {
    pos_ = end_ = 0;
    if (done_) return false;
    const std::size_t got = readSource(buf_.data(), buf_.size());
    if (got < buf_.size()) done_ = true;
    end_ = got;
    if (!started_) {
        started_ = true;
        if (end_ >= 3 && std::memcmp(buf_.data(), "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
    }
    if (const void* z = std::memchr(buf_.data() + pos_, 0x1A, end_ - pos_)) {
        const char* at = static_cast<const char*>(z);
        ctrlZ_ = true;
        textAfterZ_ = !isPaddingAfterEnd(std::string_view(at + 1, std::size_t(buf_.data() + got - (at + 1))));
        moreAfterZ_ = !done_;
        end_ = std::size_t(at - buf_.data());
        done_ = true;
    }
    return pos_ < end_;
}

std::uint64_t LineReader::readRestForStrayCtrlZ() {
    std::string_view rec;
    while (nextRecord(rec)) {
    }
    if (!ctrlZ_) return 0;
    std::string chunk;
    while (!textAfterZ_ && moreAfterZ_) {
        chunk.resize(kBufferSize);
        const std::size_t got = readSource(chunk.data(), chunk.size());
        moreAfterZ_ = got == chunk.size();
        textAfterZ_ = !isPaddingAfterEnd(std::string_view(chunk.data(), got));
    }
    return textAfterZ_ ? lines_ + (lastEnded_ ? 1 : 0) : 0;
}

bool LineReader::readLine(std::string& line) {
    std::string_view rec;
    if (!nextRecord(rec)) return false;
    if (isValidUtf8(rec)) {
        line.assign(rec);
        last1252_ = false;
    } else {
        line = windows1252ToUtf8(rec);
        last1252_ = true;
    }
    return true;
}

bool LineReader::nextRecord(std::string_view& rec) {
    bool ended = false;
    for (;;) {
        raw_.clear();
        bool any = false;
        ended = false;
        for (;;) {
            if (pos_ == end_ && !fill()) break;
            const char* b = buf_.data() + pos_;
            std::size_t n = end_ - pos_;
            const char* nl = static_cast<const char*>(std::memchr(b, eol_, n));
            std::size_t take = nl ? std::size_t(nl - b) : n;
            any = true;
            if (nl && raw_.empty()) {  // the whole line lies in the buffer: no copy
                rec = std::string_view(b, take);
                pos_ += take + 1;
                ended = true;
                break;
            }
            raw_.append(b, take);
            pos_ += nl ? take + 1 : take;
            rec = raw_;
            if (nl) {
                ended = true;
                break;
            }
        }
        if (!any) return false;
        if (ended) {
            decided_ = true;
            break;
        }
        if (decided_) break;
        // The first line ran to the end of the file: no LF anywhere. With a CR
        // in it the file is one of CR line ends, and what was gathered is the
        // whole file: read its lines from memory.
        decided_ = true;
        if (raw_.find('\r') == std::string::npos) break;
        eol_ = '\r';
        buf_.swap(raw_);
        pos_ = 0;
        end_ = buf_.size();
    }
    if (!rec.empty() && rec.back() == '\r') rec.remove_suffix(1);
    ++lines_;
    lastEnded_ = ended;
    return true;
}

// ---- TextWriter ------------------------------------------------------------

TextWriter::TextWriter(const std::filesystem::path& file, LineEnd end, Mode mode)
    : path_(pathText(file)), eol_(end == LineEnd::CRLF ? "\r\n" : "\n"), eolLen_(end == LineEnd::CRLF ? 2 : 1) {
    if (mode == Mode::Append) {
        file_ = openFile(file, true, true);
        if (!file_) fail("cannot open");
    } else {
        replacing_ = std::make_unique<ReplacingFile>(file);
        file_ = replacing_->stream();
    }
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

TextWriter::~TextWriter() {
    if (replacing_) return;  // its destructor removes the unfinished file
    if (file_) std::fclose(file_);
}

void TextWriter::fail(const char* what) {
    int e = errno ? errno : EIO;
    throw std::system_error(e, std::generic_category(), std::string(what) + " " + path_);
}

void TextWriter::write(std::string_view text) {
    if (!file_) fail("write to closed file");
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail("cannot write");
}

void TextWriter::writeLine(std::string_view text) {
    write(text);
    write(std::string_view(eol_, eolLen_));
}

void TextWriter::flush() {
    if (!file_) return;
    errno = 0;
    if (std::fflush(file_) != 0) fail("cannot write");
}

void TextWriter::close() {
    if (!file_) return;
    if (replacing_) {
        file_ = nullptr;
        replacing_->commit();
        replacing_.reset();
        return;
    }
    errno = 0;
    bool bad = std::fflush(file_) != 0 || std::ferror(file_);
    int e = errno;
    bool closeBad = std::fclose(file_) != 0;
    file_ = nullptr;
    if (bad || closeBad) {
        errno = e ? e : errno;
        fail("cannot write");
    }
}

}  // namespace qv
