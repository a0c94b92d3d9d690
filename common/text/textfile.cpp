#include "common/text/textfile.h"

#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace qv {

namespace {

// Text files of addresses hold no NUL bytes and few control characters; a
// word-processor document, a spreadsheet, a program or a UTF-16 file holds
// plenty. A NUL or a UTF-16 byte-order mark refuses the file wherever a
// Ctrl-Z stands, since bytes that are not text may hold one early by chance,
// unless all after the Ctrl-Z is padding: then the bytes before it are the
// file, judged as if the padding were not there. The other controls are
// counted up to the Ctrl-Z only, for old editors padded a file out with them.
bool looksLikeText(const unsigned char* p, std::size_t n) {
    if (const void* z = std::memchr(p, 0x1A, n)) {
        const auto at = std::size_t(static_cast<const unsigned char*>(z) - p);
        if (isPaddingAfterEnd(std::string_view(reinterpret_cast<const char*>(p) + at + 1, n - at - 1))) n = at;
    }
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) return false;
    if (std::memchr(p, 0, n)) return false;
    std::size_t controls = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c == 0x1A) break;  // end of file for the line reader
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ++controls;
    }
    return controls * 20 <= n;  // up to 5 per cent
}

// The line reader finds a record in every file that holds a byte before its
// first Ctrl-Z, a UTF-8 byte-order mark aside. Told from the first block, so
// that a large file of one line is not read whole for it.
bool holdsNoRecord(const unsigned char* p, std::size_t n) {
    const std::size_t bom = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
    return n == bom || p[bom] == 0x1A;
}

}  // namespace

FileProblem checkTextFile(const std::string& path) {
    const std::filesystem::path p = pathFromUtf8(path);
    std::error_code ec;
    try {
        refuseNonRegular(p);
    } catch (const NotRegularFile&) {
        return FileProblem::NotRegular;
    }
    if (!std::filesystem::exists(p, ec)) return FileProblem::NotFound;
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return FileProblem::CannotOpen;
    unsigned char buf[4096];
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    const bool readFailed = std::ferror(f) != 0;
    std::fclose(f);
    if (readFailed) return FileProblem::CannotOpen;
    if (!looksLikeText(buf, n)) return FileProblem::NotText;
    if (holdsNoRecord(buf, n)) return FileProblem::Empty;
    return FileProblem::None;
}

std::uint64_t strayEndOfFile(const std::string& path) {
    const std::filesystem::path p = pathFromUtf8(path);
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(p.c_str(), "rb"), &std::fclose);
        if (!f) throw std::system_error(errno, std::generic_category(), path);
        std::vector<char> buf(64 * 1024);
        bool mark = false;
        std::size_t n;
        while (!mark && (n = std::fread(buf.data(), 1, buf.size(), f.get())) > 0) mark = std::memchr(buf.data(), 0x1A, n);
        if (std::ferror(f.get())) throw std::system_error(EIO, std::generic_category(), path);
        if (!mark) return 0;
    }
    LineReader in(p);
    std::string line;
    while (in.readLine(line)) {
    }
    const std::uint64_t at = in.ctrlZLine();
    return at != 0 && in.textAfterCtrlZ() ? at : 0;
}

}  // namespace qv
