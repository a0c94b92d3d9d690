// A file or folder the test may read but not write, for one test. A file's
// write permissions are taken away, which the database layer refuses by
// name even to root. A folder's are too, so that no file can be made in it;
// a test run as root, whom permissions do not stop, meanwhile runs as the
// user "nobody" (the effective user only, so that it can come back). Both
// come back on destruction.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/types.h>
#include <unistd.h>

namespace qv::testkit {

class ReadOnly {
public:
    explicit ReadOnly(const std::filesystem::path& path) : path_(path) {
        namespace fs = std::filesystem;
        old_ = fs::status(path_).permissions();
        fs::permissions(path_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        if (fs::is_directory(path_) && geteuid() == 0) {
            asNobody_ = true;
            oldGroup_ = getegid();
            if (setegid(kNobody) != 0 || seteuid(kNobody) != 0)
                ADD_FAILURE() << "cannot run as a user without rights to " << path_;
        }
    }
    ~ReadOnly() {
        if (asNobody_) {
            (void)!seteuid(0);
            (void)!setegid(oldGroup_);
        }
        std::filesystem::permissions(path_, old_);
    }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    std::filesystem::path path_;
    std::filesystem::perms old_{};
    gid_t oldGroup_ = 0;
    bool asNobody_ = false;
};

}  // namespace qv::testkit
