#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

namespace qv::testkit {

namespace {

std::string folderName() {
    std::string name = "qvtest-" + std::to_string(getpid());
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
        name += std::string("-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
        if (c == '/' || c == ' ') c = '_';
    return name;
}

// The folders of this process's live TempFolders: a second one in the same
// test gets a name of its own instead of removing the first.
std::set<fs::path>& liveFolders() {
    static std::set<fs::path> live;
    return live;
}

}  // namespace

TempFolder::TempFolder(Current current) {
    const fs::path base = fs::temp_directory_path() / folderName();
    dir_ = base;
    for (int n = 2; liveFolders().count(dir_); ++n) dir_ = base.string() + "-" + std::to_string(n);
    liveFolders().insert(dir_);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    if (current == Current::Enter) {
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
}

TempFolder::~TempFolder() {
    std::error_code ec;
    if (!previous_.empty()) fs::current_path(previous_, ec);
    fs::remove_all(dir_, ec);
    liveFolders().erase(dir_);
}

std::string TempFolder::writeLines(const std::string& name, const std::vector<std::string>& lines) const {
    std::string bytes;
    for (const auto& l : lines) bytes += l + "\r\n";
    return writeBytes(name, bytes);
}

std::string TempFolder::writeBytes(const std::string& name, const std::string& bytes) const {
    const fs::path p = dir_ / name;
    std::ofstream f(p, std::ios::binary);
    f << bytes;
    return p.string();
}

std::string TempFolder::readBytes(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> TempFolder::names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace qv::testkit
