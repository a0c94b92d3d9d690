// A real "disk full" for one test: a file-size limit on this process, with
// SIGXFSZ ignored so that a write past it fails (EFBIG, "File too large")
// instead of killing the test. Every file the process writes meanwhile,
// the database's included, is held to the limit; the old limit and signal
// handling come back on destruction.
#pragma once

#include <csignal>
#include <cstdint>

#include <sys/resource.h>

namespace qv::testkit {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace qv::testkit
