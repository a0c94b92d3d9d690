// What the fuzz targets share: a scratch folder of their own, the input
// written out as a file there, its first line apart from the rest, numbers read
// from a line, and a check that stops the run with the input kept.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

// A broken expectation is a finding like a crash: abort, so that libFuzzer
// saves the input that showed it.
#define QV_FUZZ_CHECK(cond)                                                                  \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

namespace qv::fuzz {

namespace fs = std::filesystem;

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

namespace detail {
inline std::string& scratchPath() {
    static std::string p;
    return p;
}
inline void removeScratch() {
    std::error_code ec;
    if (!scratchPath().empty()) fs::remove_all(scratchPath(), ec);
}
}  // namespace detail

// A fresh folder under $TMPDIR (else /tmp), made on first use and removed
// when the process ends normally. It is never made the current folder:
// libFuzzer reads the corpus by the paths it was given.
inline const fs::path& scratch() {
    static const fs::path dir = [] {
        const char* t = std::getenv("TMPDIR");
        std::string tmpl = std::string(t && *t ? t : "/tmp") + "/qvfuzz.XXXXXX";
        if (!::mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        detail::scratchPath() = tmpl;
        std::atexit(detail::removeScratch);
        return fs::path(tmpl);
    }();
    return dir;
}

// The bytes as file `name` in the scratch folder (replacing it); its path.
inline std::string writeFile(const std::string& name, std::string_view content) {
    const fs::path p = scratch() / name;
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (!f || std::fwrite(content.data(), 1, content.size(), f) != content.size() || std::fclose(f) != 0) {
        std::perror(p.c_str());
        std::abort();
    }
    return p.string();
}

// The input's first line (without its LF) and everything after it.
inline std::pair<std::string_view, std::string_view> headLine(std::string_view in) {
    const std::size_t lf = in.find('\n');
    if (lf == std::string_view::npos) return {in, {}};
    return {in.substr(0, lf), in.substr(lf + 1)};
}

// The whole numbers written in a line ("3 0 -12,7"), at most `most` of
// them, each held to -999999999..999999999.
inline std::vector<long> numbers(std::string_view line, std::size_t most) {
    std::vector<long> out;
    for (std::size_t i = 0; i < line.size() && out.size() < most;) {
        const bool minus = line[i] == '-' && i + 1 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '9';
        if (!minus && (line[i] < '0' || line[i] > '9')) {
            ++i;
            continue;
        }
        if (minus) ++i;
        long v = 0;
        for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
            if (v < 999999999) v = v * 10 + (line[i] - '0');
        out.push_back(minus ? -std::min(v, 999999999L) : std::min(v, 999999999L));
    }
    return out;
}

// Characters of a UTF-8 text.
inline std::size_t chars(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace qv::fuzz
