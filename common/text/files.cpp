#include "common/text/files.h"

#include "common/text/chars.h"
#include "platform/files.h"

#include <system_error>

namespace fs = std::filesystem;

namespace qv {

namespace {

std::string_view dropTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

struct Split {
    fs::path dir;      // folder to search
    std::string file;  // file name as given, trailing blanks removed
};

Split split(std::string_view name, const fs::path& folder) {
    fs::path full = folder / pathFromUtf8(dropTrailingBlanks(name));
    return {full.parent_path(), utf8FromPath(full.filename())};
}

std::optional<fs::path> findIn(const Split& s) {
    if (s.file.empty()) return std::nullopt;
    std::error_code ec;
    fs::path dir = s.dir.empty() ? fs::path(".") : s.dir;
    // Walk the folder (the only way to learn the real spelling on every
    // platform); a file of exactly the spelling given wins over others that
    // differ only in case (possible on a case-sensitive file system).
    std::optional<fs::path> found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec)) continue;
        std::string n = utf8FromPath(it->path().filename());
        if (n == s.file) return s.dir / it->path().filename();
        if (!found && equalsIgnoreCase(dropTrailingBlanks(n), s.file)) found = s.dir / it->path().filename();
    }
    return found;
}

fs::path mustFind(std::string_view name, const fs::path& folder) {
    auto p = findIn(split(name, folder));
    if (!p)
        throw fs::filesystem_error("file not found", folder / pathFromUtf8(name),
                                   std::make_error_code(std::errc::no_such_file_or_directory));
    return *p;
}

}  // namespace

std::optional<std::string> findFile(std::string_view name, const fs::path& folder) {
    auto p = findIn(split(name, folder));
    if (!p) return std::nullopt;
    return utf8FromPath(p->filename());
}

fs::path filePath(std::string_view name, const fs::path& folder) {
    Split s = split(name, folder);
    if (auto p = findIn(s)) return *p;
    return s.dir / pathFromUtf8(s.file);
}

bool fileExists(std::string_view name, const fs::path& folder) { return findIn(split(name, folder)).has_value(); }

std::ifstream openForReading(std::string_view name, const fs::path& folder) {
    fs::path p = mustFind(name, folder);
    std::ifstream in(p, std::ios::binary);
    if (!in)
        throw fs::filesystem_error("cannot open file", p, std::make_error_code(std::errc::permission_denied));
    return in;
}

NotRegularFile::NotRegularFile(const fs::path& p)
    : std::system_error(std::make_error_code(std::errc::invalid_argument)),
      path_(p),
      text_("File " + utf8FromPath(p) + " is not a regular file.") {}

void refuseNonRegular(const fs::path& path) {
    std::error_code ec;
    auto refuseIfThere = [](const fs::path& p) {
        std::error_code e;
        const auto st = fs::status(p, e);
        if (!e && fs::exists(st) && !fs::is_regular_file(st)) throw NotRegularFile(p);
    };
    refuseIfThere(path);
    if (fs::exists(fs::symlink_status(path, ec))) return;
    const std::string want(dropTrailingBlanks(utf8FromPath(path.filename())));
    if (want.empty()) return;
    const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = utf8FromPath(it->path().filename());
        if (equalsIgnoreCase(dropTrailingBlanks(n), want)) refuseIfThere(path.parent_path() / it->path().filename());
    }
}

bool deleteFile(std::string_view name, const fs::path& folder) {
    auto p = findIn(split(name, folder));
    if (!p) return false;
    return fs::remove(*p);
}

void renameFile(std::string_view from, std::string_view to, const fs::path& folder) {
    fs::path src = mustFind(from, folder);
    Split t = split(to, folder);
    auto existing = findIn(t);
    fs::path dst = t.dir / pathFromUtf8(t.file);
    if (existing) {
        std::error_code ec;
        bool same = fs::equivalent(*existing, src, ec);
        if (!same) dst = *existing;  // replace the other file, keep its spelling
    }
    fs::rename(src, dst);
}

void copyFile(std::string_view from, std::string_view to, const fs::path& folder) {
    fs::path src = mustFind(from, folder);
    fs::path dst = filePath(to, folder);
    fs::copy_file(src, dst, fs::copy_options::overwrite_existing);
}

}  // namespace qv
