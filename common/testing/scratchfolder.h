// A temporary folder holding the delivered databases (mailsort.mdb and
// DupWork.mdb, fresh from data/), made the current directory for the life of
// one test, as the programs expect to run in the folder of their files.
#pragma once

#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "common/text/lines.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qv::test {

namespace fs = std::filesystem;

class ScratchFolder {
public:
    ScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir_ = fs::temp_directory_path() / ("qvscratch-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        previous_ = fs::current_path();
        fs::current_path(dir_);
        std::ostringstream out, err;
        qv::dbbuild::MakeOptions o{QV_DATA_DIR, dir_, false};
        EXPECT_EQ(qv::dbbuild::makeDatabases(o, out, err), 0) << err.str();
    }
    ~ScratchFolder() {
        fs::current_path(previous_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& dir() const { return dir_; }

    // Writes lines with CRLF ends, as the customers' files come; the full path.
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

    std::unique_ptr<db::Database> open() const { return db::Database::open("mailsort.mdb"); }

private:
    fs::path dir_;
    fs::path previous_;
};

}  // namespace qv::test
