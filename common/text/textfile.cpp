#include "common/text/textfile.h"

#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

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
    if (!holdsNoRecord(buf, n)) return FileProblem::None;
    // A Ctrl-Z before any record: records after it, in this block or later,
    // are a stray mark's, not an empty file.
    try {
        LineReader in(p);
        return in.readRestForStrayCtrlZ() != 0 ? FileProblem::TextAfterEnd : FileProblem::Empty;
    } catch (const std::system_error&) {
        return FileProblem::CannotOpen;
    }
}

}  // namespace qv
