#include "common/text/textfile.h"

#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace qv {

namespace {

// Text files of addresses hold no NUL bytes and few control characters; a
// word-processor document, a spreadsheet or a program holds plenty.
bool looksLikeText(const unsigned char* p, std::size_t n) {
    std::size_t controls = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c == 0) return false;
        if (c == 0x1A) break;  // end of file for the line reader
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ++controls;
    }
    return controls * 20 <= n;  // up to 5 per cent
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
    try {
        LineReader r(p);
        std::string line;
        if (!r.readLine(line)) return FileProblem::Empty;
    } catch (const std::system_error&) {
        return FileProblem::CannotOpen;
    }
    return FileProblem::None;
}

}  // namespace qv
