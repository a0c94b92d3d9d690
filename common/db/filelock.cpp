#include "common/db/filelock.h"

#include "common/db/internal.h"
#include "common/db/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace qv::db {

LockHandle::~LockHandle() {
    if (!held) return;
    auto& r = registry();
    std::lock_guard g(r.m);
    auto it = r.locks.find(key);
    if (it == r.locks.end()) return;
    LockState& st = it->second;
    if (exclusive) {
        --st.exclusive;
        if (st.shared > 0 && fd >= 0) {
            // Handles opened under the exclusive hold keep a shared lock.
            flock(fd, LOCK_SH);
            st.heirFd = fd;
            fd = -1;
        }
    } else {
        --st.shared;
    }
    if (st.shared == 0 && st.exclusive == 0) {
        // The last hold of this process: remove the lock file when no other
        // program holds it either. Openers check that the file they locked
        // is still the one under the name, so removing it is safe.
        int last = fd >= 0 ? fd : st.heirFd;
        if (last >= 0 && flock(last, LOCK_EX | LOCK_NB) == 0) ::unlink(key.c_str());
        if (st.heirFd >= 0 && st.heirFd != fd) ::close(st.heirFd);
        r.locks.erase(it);
    }
    if (fd >= 0) ::close(fd);
}

namespace {
// True when fd is still the file that the name stands for.
bool stillNamed(int fd, const std::string& path) {
    struct stat a, b;
    return fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
}  // namespace

std::unique_ptr<LockHandle> acquireLock(const std::string& dbPath, OpenMode mode) {
    auto h = std::make_unique<LockHandle>();
    h->key = absolutePath(dbPath) + ".lock";
    h->exclusive = mode == OpenMode::Exclusive;
    auto& r = registry();
    std::lock_guard g(r.m);
    LockState& st = r.locks[h->key];
    auto dropIfUnused = [&] {
        if (st.shared == 0 && st.exclusive == 0 && st.heirFd < 0) r.locks.erase(h->key);
    };
    auto openFd = [&] {
        int fd = ::open(h->key.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // The first failure is the cause: the read-only retry of a lock file
        // that could not be made only finds it missing.
        const int cause = errno;
        if (fd < 0) fd = ::open(h->key.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            dropIfUnused();
            fail(err::CannotOpen, "Cannot create the lock file '" + h->key + "': " + std::strerror(cause) + ".");
        }
        return fd;
    };
    std::string file = fs::path(dbPath).filename().string();
    // Locks a freshly opened lock file; the file may have been removed by its
    // last holder between our open and our lock, so check and try again.
    auto lockFd = [&](int how) {
        for (int attempt = 0;; ++attempt) {
            int fd = openFd();
            if (flock(fd, how | LOCK_NB) != 0) return std::pair{fd, false};
            if (stillNamed(fd, h->key) || attempt == 20) return std::pair{fd, true};
            ::close(fd);
        }
    };
    if (h->exclusive) {
        if (st.exclusive > 0)
            fail(err::ExclusivelyHeld, "The database '" + file + "' is already opened exclusively.");
        if (st.shared > 0) fail(err::FileInUse, "The database '" + file + "' is already in use.");
        auto [fd, ok] = lockFd(LOCK_EX);
        if (!ok) {
            bool othersShared = flock(fd, LOCK_SH | LOCK_NB) == 0;
            ::close(fd);
            dropIfUnused();
            if (othersShared) fail(err::FileInUse, "The database '" + file + "' is in use by another program.");
            fail(err::ExclusivelyHeld, "The database '" + file + "' is opened exclusively by another program.");
        }
        h->fd = fd;
        ++st.exclusive;
        h->held = true;
    } else {
        if (st.exclusive > 0 || st.heirFd >= 0) {
            ++st.shared;  // this process already holds the file
        } else {
            auto [fd, ok] = lockFd(LOCK_SH);
            if (!ok) {
                ::close(fd);
                dropIfUnused();
                fail(err::ExclusivelyHeld, "The database '" + file + "' is opened exclusively by another program.");
            }
            h->fd = fd;
            ++st.shared;
        }
        h->held = true;
    }
    return h;
}

}  // namespace qv::db
