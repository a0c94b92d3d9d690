// A folder of its own for the running test, named after the test and the
// process and removed with everything in it when the object goes. Plain C++
// (library qv_tempfolder): no Qt, no database.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv::testkit {

namespace fs = std::filesystem;

class TempFolder {
public:
    // Enter makes the folder the current folder while the object lives, as
    // the programs expect to run; the earlier current folder comes back.
    enum class Current { Keep, Enter };
    explicit TempFolder(Current current = Current::Keep);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& dir() const { return dir_; }
    fs::path path(const std::string& name) const { return dir_ / name; }

    // Writes lines with CRLF ends, as the customers' and the Post Office's files
    // come; returns the full path.
    std::string writeLines(const std::string& name, const std::vector<std::string>& lines) const;
    std::string writeBytes(const std::string& name, const std::string& bytes) const;
    std::string readBytes(const std::string& name) const;
    // The names in the folder, sorted.
    std::vector<std::string> names() const;

private:
    fs::path dir_;
    fs::path previous_;
};

}  // namespace qv::testkit
