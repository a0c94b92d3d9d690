#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using qv::testkit::TempFolder;

// Entered, the folder is the current one while it lives; two in one test are
// two folders, and each goes with everything in it, the current folder back.
TEST(TempFolder, OwnFolderForItsLifeOnly) {
    const fs::path before = fs::current_path();
    fs::path outer, inner;
    {
        TempFolder a(TempFolder::Current::Enter);
        outer = a.dir();
        EXPECT_EQ(fs::current_path(), outer);
        a.writeLines("IN.TXT", {"one", "two"});
        {
            TempFolder b;
            inner = b.dir();
            EXPECT_NE(inner, outer);
            EXPECT_EQ(fs::current_path(), outer);  // Keep leaves the current folder
            b.writeBytes("x", "y");
            EXPECT_EQ(b.names(), (std::vector<std::string>{"x"}));
        }
        EXPECT_FALSE(fs::exists(inner));
        EXPECT_EQ(a.readBytes("IN.TXT"), "one\r\ntwo\r\n");
        EXPECT_EQ(a.names(), (std::vector<std::string>{"IN.TXT"}));
    }
    EXPECT_FALSE(fs::exists(outer));
    EXPECT_EQ(fs::current_path(), before);
}
