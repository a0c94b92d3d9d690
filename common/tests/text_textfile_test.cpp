#include "common/text/textfile.h"
#include "common/text/lines.h"
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
        // Nothing before the end-of-file byte, a record after it.
        {write("ctrlz.csv", "\x1a" "a,b\r\n"), qv::FileProblem::TextAfterEnd},
        {write("binary.doc", std::string("PK\x03\x04\0\0", 6)), qv::FileProblem::NotText},
        {write("one.csv", "a,b"), qv::FileProblem::None},
        {write("blankline.csv", "\r\n"), qv::FileProblem::None},  // one empty record is a record
        {write("bom.csv", "\xEF\xBB\xBF"), qv::FileProblem::Empty},
        {write("bomctrlz.csv", "\xEF\xBB\xBF\x1A"), qv::FileProblem::Empty},
        {write("bomrecord.csv", "\xEF\xBB\xBF" "a,b\r\n"), qv::FileProblem::None},
        {write("utf16le.csv", std::string("\xFF\xFE" "a\0,\0b\0\r\0\n\0", 12)), qv::FileProblem::NotText},
        {write("utf16be.csv", std::string("\xFE\xFF\0a\0,\0b\0\r\0\n", 12)), qv::FileProblem::NotText},
        // No NUL and no control: a UTF-16 file of two CJK letters.
        {write("utf16cjk.csv", "\xFF\xFE\x2D\x4E\x87\x65"), qv::FileProblem::NotText},
        // Old editors padded the last block with Ctrl-Z: still text.
        {write("padded.csv", "a,b\r\n" + std::string(122, '\x1A')), qv::FileProblem::None},
        {write("crlines.csv", std::string(5000, 'x') + "\r" + std::string(5000, 'y') + "\r"), qv::FileProblem::None},
    };
    for (const auto& c : cases) EXPECT_EQ(qv::checkTextFile(c.path), c.problem) << c.path;
}

// Padding after a Ctrl-Z (NULs, DELs, other control bytes, as a disk pads a
// last sector) is no part of the text: a short file padded so is judged by
// what stands before the mark, as a long one is by its first block. Text
// after the mark leaves the whole block to be judged.
TEST(CheckTextFile, PaddingAfterTheEndOfFileMark) {
    qv::testkit::TempFolder folder;
    std::string records;
    for (int i = 1; i <= 8; ++i) records += "\"Name " + std::to_string(i) + "\",\"1 High St\",\"LEEDS\",\"LS1 4AB\"\r\n";
    std::string many;
    for (int i = 1; i <= 3003; ++i) many += "\"Name " + std::to_string(i) + "\",\"1 High St\",\"LEEDS\",\"LS1 4AB\"\r\n";
    const std::string nuls(100, '\0');
    const struct {
        const char* what;
        std::string bytes;
        qv::FileProblem problem;
    } cases[] = {
        {"8 records, a Ctrl-Z, 100 NULs", records + "\x1A" + nuls, qv::FileProblem::None},
        {"3,003 records, a Ctrl-Z, 100 NULs", many + "\x1A" + nuls, qv::FileProblem::None},
        {"a Ctrl-Z, then DELs, line ends and NULs", records + "\x1A\x7F\x7F\r\n" + nuls + "\x7F", qv::FileProblem::None},
        {"a Ctrl-Z and NULs alone", "\x1A" + nuls, qv::FileProblem::Empty},
        {"a NUL before the mark", "a,b\0\r\n\x1A" + nuls, qv::FileProblem::NotText},
        {"a letter among the NULs", records + "\x1A" + nuls + "x" + nuls, qv::FileProblem::NotText},
        // Judged without its padding, 2 controls in 10 bytes are too many.
        {"controls before the mark", "a,b\x01\r\nc\x02\r\n" + std::string(122, '\x1A'), qv::FileProblem::NotText},
    };
    for (const auto& c : cases) {
        const std::string path = folder.path("f.csv").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        EXPECT_EQ(qv::checkTextFile(path), c.problem) << c.what;
    }
}

// Random bytes are refused as no text, also when a Ctrl-Z comes before the
// first NUL and before more than a few control characters.
TEST(CheckTextFile, RandomBytesWithAnEarlyCtrlZ) {
    qv::testkit::TempFolder folder;
    const fs::path& dir = folder.dir();
    std::string bytes(1024 * 1024, '\0');
    std::ifstream("/dev/urandom", std::ios::binary).read(bytes.data(), std::streamsize(bytes.size()));
    for (std::size_t i = 0; i < 600; ++i)
        if (bytes[i] == '\0' || bytes[i] == '\x1A') bytes[i] = 'x';
    bytes[56] = '\x1A';
    bytes[573] = '\0';
    std::ofstream(dir / "random.csv", std::ios::binary) << bytes;
    EXPECT_EQ(qv::checkTextFile((dir / "random.csv").string()), qv::FileProblem::NotText);
}

// The first look finds no record exactly where the line reader finds none:
// empty when only padding follows the mark, a stray mark on line 1 when a
// record does, in the first block or past it.
TEST(CheckTextFile, EmptyAsTheLineReaderReadsIt) {
    qv::testkit::TempFolder folder;
    const fs::path& dir = folder.dir();
    const std::string files[] = {"", "\x1A", "\xEF\xBB\xBF", "\xEF\xBB\xBF\x1A" "a", "\xEF\xBB", "\r", "\n",
                                 "\x1A\r\n", " ", "\xEF\xBB\xBF\r", std::string(5000, '\x1A'),
                                 "\xEF\xBB\xBF" + std::string(5000, 'a'), "\x1A" + std::string(5000, '\0'),
                                 "\x1A" + std::string(5000, '\0') + "a,b\r\n"};
    for (const auto& bytes : files) {
        std::ofstream(dir / "f.csv", std::ios::binary | std::ios::trunc) << bytes;
        qv::LineReader r(dir / "f.csv");
        std::string line;
        const bool none = !r.readLine(line);
        const bool stray = r.readRestForStrayCtrlZ() != 0;
        const qv::FileProblem problem = qv::checkTextFile((dir / "f.csv").string());
        EXPECT_EQ(problem == qv::FileProblem::Empty, none && !stray) << bytes;
        EXPECT_EQ(problem == qv::FileProblem::TextAfterEnd, none && stray) << bytes;
    }
}

}  // namespace
