#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <set>

namespace fs = std::filesystem;
using namespace qv;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void put(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / pathFromUtf8(name), std::ios::binary) << text;
    }
    std::string get(const std::string& name) {
        std::ifstream in(dir_ / pathFromUtf8(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::set<std::string> names() {
        std::set<std::string> r;
        for (auto& e : fs::directory_iterator(dir_)) r.insert(utf8FromPath(e.path().filename()));
        return r;
    }
    qv::testkit::TempFolder folder_;
    const fs::path dir_ = folder_.dir();
};

TEST_F(FilesTest, FindIgnoresCaseAndTrailingBlanks) {
    put("DOVODEDOD.DAT", "x");
    put("Zoë.txt", "y");
    EXPECT_EQ(findFile("dovodedod.dat", dir_), "DOVODEDOD.DAT");
    EXPECT_EQ(findFile("DOVODEDOD.DAT", dir_), "DOVODEDOD.DAT");
    EXPECT_EQ(findFile("dovodedod.dat   ", dir_), "DOVODEDOD.DAT");
    EXPECT_EQ(findFile("ZOË.TXT", dir_), "Zoë.txt");
    EXPECT_FALSE(findFile("dovodedod.da", dir_));
    EXPECT_FALSE(findFile("", dir_));
    EXPECT_TRUE(fileExists("dovodedod.DAT", dir_));
    EXPECT_FALSE(fileExists("missing.dat", dir_));
}

TEST_F(FilesTest, FolderPartAndDirectories) {
    fs::create_directories(dir_ / "sub");
    put("sub/POFILE.DAT", "p");
    fs::create_directories(dir_ / "folder.dat");
    EXPECT_EQ(findFile("sub/pofile.dat", dir_), "POFILE.DAT");
    EXPECT_EQ(filePath("sub/pofile.dat", dir_), dir_ / "sub" / "POFILE.DAT");
    EXPECT_FALSE(findFile("FOLDER.DAT", dir_));  // folders are not files
    EXPECT_EQ(findFile((dir_ / "sub" / "pofile.dat").string()), "POFILE.DAT");  // absolute name
}

TEST_F(FilesTest, ExactSpellingWins) {
    put("a.txt", "lower");
    put("A.TXT", "upper");
    if (names().size() < 2) GTEST_SKIP() << "case-insensitive file system";
    EXPECT_EQ(findFile("A.TXT", dir_), "A.TXT");
    EXPECT_EQ(findFile("a.txt", dir_), "a.txt");
}

TEST_F(FilesTest, NewFileTakesSpellingGiven) {
    EXPECT_EQ(filePath("New.CSV  ", dir_), dir_ / "New.CSV");
    put("OUTPUT.CSV", "old");
    EXPECT_EQ(filePath("output.csv", dir_), dir_ / "OUTPUT.CSV");
}

TEST_F(FilesTest, OpenForReading) {
    put("MSORTA.DAT", "line1\r\n");
    std::ifstream in = openForReading("msorta.dat", dir_);
    std::string s;
    std::getline(in, s);
    EXPECT_EQ(s, "line1\r");
    EXPECT_THROW(openForReading("msortb.dat", dir_), fs::filesystem_error);
}

TEST_F(FilesTest, Delete) {
    put("POLINE.CSV", "x");
    EXPECT_TRUE(deleteFile("poline.csv", dir_));
    EXPECT_FALSE(fileExists("POLINE.CSV", dir_));
    EXPECT_FALSE(deleteFile("poline.csv", dir_));
}

TEST_F(FilesTest, Rename) {
    put("MAILSORT.MDB", "db");
    renameFile("mailsort.mdb", "Mailsort.bak", dir_);
    EXPECT_EQ(names(), (std::set<std::string>{"Mailsort.bak"}));
    EXPECT_EQ(get("Mailsort.bak"), "db");
    EXPECT_THROW(renameFile("missing", "x", dir_), fs::filesystem_error);
}

TEST_F(FilesTest, RenameReplacesTargetInOtherCase) {
    put("new.mdb", "new");
    put("MAILSORT.MDB", "old");
    renameFile("NEW.MDB", "mailsort.mdb", dir_);
    EXPECT_EQ(names(), (std::set<std::string>{"MAILSORT.MDB"}));
    EXPECT_EQ(get("MAILSORT.MDB"), "new");
}

TEST_F(FilesTest, RenameChangesOwnCase) {
    put("pofile.dat", "p");
    renameFile("POFILE.DAT", "POFILE.DAT", dir_);
    EXPECT_EQ(names(), (std::set<std::string>{"POFILE.DAT"}));
    EXPECT_EQ(get("POFILE.DAT"), "p");
}

TEST_F(FilesTest, Copy) {
    put("POFILE.DAT", "data");
    copyFile("pofile.dat", "Copy.dat", dir_);
    EXPECT_EQ(get("Copy.dat"), "data");
    put("TARGET.DAT", "old");
    copyFile("pofile.dat", "target.dat", dir_);
    EXPECT_EQ(names(), (std::set<std::string>{"POFILE.DAT", "Copy.dat", "TARGET.DAT"}));
    EXPECT_EQ(get("TARGET.DAT"), "data");
    EXPECT_THROW(copyFile("missing", "x", dir_), fs::filesystem_error);
}

TEST_F(FilesTest, DefaultFolderIsCurrentDirectory) {
    put("CWD.TXT", "c");
    fs::path old = fs::current_path();
    fs::current_path(dir_);
    EXPECT_EQ(findFile("cwd.txt"), "CWD.TXT");
    EXPECT_TRUE(fileExists("Cwd.Txt"));
    fs::current_path(old);
}

}  // namespace

namespace {

// Fails the test instead of hanging when an open waits for ever.
struct Watchdog {
    Watchdog() { alarm(10); }
    ~Watchdog() { alarm(0); }
};

}  // namespace

TEST(InputFiles, OnlyRegularFilesAreReadAndOthersAreRefusedByName) {
    qv::testkit::TempFolder folder;
    const fs::path& dir = folder.dir();
    ASSERT_EQ(mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
    fs::create_directory(dir / "Folder.TXT");
    std::ofstream(dir / "plain.txt") << "a\n";
    fs::create_symlink(dir / "plain.txt", dir / "link.txt");
    fs::create_symlink("/dev/null", dir / "device.txt");
    Watchdog dog;
    struct Case {
        fs::path path;
        std::optional<fs::path> refused;  // the path the message names
    };
    const Case cases[] = {
        {dir / "pipe.txt", dir / "pipe.txt"},
        {dir / "PIPE.TXT", dir / "pipe.txt"},
        {dir / "folder.txt", dir / "Folder.TXT"},
        {dir / "device.txt", dir / "device.txt"},
        {dir / "plain.txt", std::nullopt},
        {dir / "link.txt", std::nullopt},
        {dir / "missing.txt", std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.refused) {
            try {
                qv::refuseNonRegular(c.path);
                ADD_FAILURE() << c.path << " was not refused";
            } catch (const qv::NotRegularFile& e) {
                EXPECT_EQ(std::string(e.what()), "File " + c.refused->string() + " is not a regular file.");
            }
            EXPECT_THROW(qv::LineReader r(c.path), qv::NotRegularFile) << c.path;
        } else {
            EXPECT_NO_THROW(qv::refuseNonRegular(c.path)) << c.path;
        }
    }
    qv::LineReader r(dir / "link.txt");
    std::string line;
    EXPECT_TRUE(r.readLine(line));
    EXPECT_EQ(line, "a");
}
