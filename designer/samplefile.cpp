#include "designer/samplefile.h"

#include "common/text/files.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace qv::designer {

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

FileProblem checkSampleFile(const std::string& path) {
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

void SampleFile::open(const std::string& path) {
    close();
    path_ = path;
    reader_ = std::make_unique<LineReader>(pathFromUtf8(path));
    hasNext_ = reader_->readLine(next_);
}

void SampleFile::close() {
    reader_.reset();
    next_.clear();
    hasNext_ = false;
}

bool SampleFile::readLine(std::string& line) {
    if (!reader_ || !hasNext_) return false;
    line = std::move(next_);
    next_.clear();
    hasNext_ = reader_->readLine(next_);
    return true;
}

}  // namespace qv::designer
