// A temporary folder with the delivered DupWork.mdb and mailsort.mdb, made
// the current directory for one test: the checker works in the folder it
// runs in.
#pragma once

#include "common/dbbuild/builder.h"
#include "common/text/lines.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace qv::duplicates::test {

namespace fs = std::filesystem;

class WorkFolder {
public:
    WorkFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir_ = fs::temp_directory_path() / ("qvfennick-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        previous_ = fs::current_path();
        fs::current_path(dir_);
        std::ostringstream out, err;
        EXPECT_EQ(qv::dbbuild::makeDatabases({QV_DATA_DIR, dir_, false}, out, err), 0) << err.str();
    }
    ~WorkFolder() {
        fs::current_path(previous_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const fs::path& dir() const { return dir_; }

    // A customer's file with CRLF line ends; its full path.
    std::string write(const std::string& name, const std::vector<std::string>& lines) const {
        qv::TextWriter w(dir_ / name, qv::LineEnd::CRLF);
        for (const auto& l : lines) w.writeLine(l);
        w.close();
        return (dir_ / name).string();
    }

    // A file's bytes; "<missing>" when there is no such file.
    std::string read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        if (!in) return "<missing>";
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    fs::path dir_;
    fs::path previous_;
};

}  // namespace qv::duplicates::test
