#include "common/text/files.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text/chars.h"

namespace fs = std::filesystem;

namespace qv {

fs::path pathFromUtf8(std::string_view s) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

std::string utf8FromPath(const fs::path& p) {
    std::u8string u = p.u8string();
    return std::string(reinterpret_cast<const char*>(u.data()), u.size());
}

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

// ---- ReplacingFile ---------------------------------------------------------

std::string errorText(int error) { return std::generic_category().message(error); }

namespace {

// The temporary files of `name` that a killed run left in `dir`: same
// pattern, a regular file, and no writer holding it.
void removeLeftovers(const fs::path& dir, const std::string& name, const fs::path& own) {
    const std::string prefix = "." + name + ".";
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = utf8FromPath(it->path().filename());
        if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) continue;
        if (it->path() == own) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
        ::close(fd);
    }
}

}  // namespace

ReplacingFile::ReplacingFile(const fs::path& final) : final_(final) {
    const fs::path dir = final.has_parent_path() ? final.parent_path() : fs::path(".");
    // Hidden and unique beside the final file, so the rename stays in one
    // file system and is a single step.
    std::string pattern = utf8FromPath(dir / ("." + utf8FromPath(final.filename()) + ".XXXXXX"));
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) fail(errno, "cannot create " + utf8FromPath(final));
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // Held while the file is written: a temporary file nobody holds is what
    // a killed run left, and goes.
    ::flock(fd, LOCK_EX);
    temp_ = pathFromUtf8(pattern);
    removeLeftovers(dir, utf8FromPath(final.filename()), temp_);
    // mkstemp gives 0600; an output file gets what the user's umask allows.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        int e = errno;
        ::close(fd);
        ::unlink(temp_.c_str());
        fail(e, "cannot create " + utf8FromPath(final));
    }
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::fail(int error, const std::string& what) {
    throw std::system_error(error ? error : EIO, std::generic_category(), what);
}

void ReplacingFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void ReplacingFile::commit(const fs::path& final) {
    final_ = final;
    commit();
}

void ReplacingFile::commit() {
    if (!file_) fail(EBADF, "cannot write " + utf8FromPath(final_));
    errno = 0;
    int e = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) e = errno ? errno : EIO;
    if (!e && ::fsync(::fileno(file_)) != 0) e = errno;
    if (std::fclose(file_) != 0 && !e) e = errno ? errno : EIO;
    file_ = nullptr;
    if (!e && ::rename(temp_.c_str(), final_.c_str()) != 0) e = errno;
    if (e) {
        discard();
        fail(e, "cannot write " + utf8FromPath(final_));
    }
    temp_.clear();
}

}  // namespace qv
