#include "common/text/textfile.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(CheckTextFile, Problems) {
    qv::testkit::TempFolder folder;
    const fs::path& dir = folder.dir();
    fs::create_directories(dir / "folder");
    const std::string fifo = (dir / "pipe.csv").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    };
    struct Case {
        std::string path;
        qv::FileProblem problem;
    };
    const Case cases[] = {
        {(dir / "missing.csv").string(), qv::FileProblem::NotFound},
        {(dir / "folder").string(), qv::FileProblem::NotRegular},
        {fifo, qv::FileProblem::NotRegular},  // refused at once, never opened
        {write("empty.csv", ""), qv::FileProblem::Empty},
        {write("ctrlz.csv", "\x1a" "a,b\r\n"), qv::FileProblem::Empty},  // nothing before the end-of-file byte
        {write("binary.doc", std::string("PK\x03\x04\0\0", 6)), qv::FileProblem::NotText},
        {write("one.csv", "a,b"), qv::FileProblem::None},
        {write("blankline.csv", "\r\n"), qv::FileProblem::None},  // one empty record is a record
    };
    for (const auto& c : cases) EXPECT_EQ(qv::checkTextFile(c.path), c.problem) << c.path;
}

}  // namespace
