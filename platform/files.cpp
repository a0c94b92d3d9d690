#include "platform/files.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qv {

fs::path pathFromUtf8(std::string_view s) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

std::string utf8FromPath(const fs::path& p) {
    std::u8string u = p.u8string();
    return std::string(reinterpret_cast<const char*>(u.data()), u.size());
}

std::string errorText(int error) { return std::generic_category().message(error); }

// ---- ReplacingFile ---------------------------------------------------------

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
