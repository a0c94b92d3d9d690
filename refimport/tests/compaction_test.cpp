#include "refimport/compaction.h"
#include "reffixture.h"

#include "common/text/files.h"

using namespace qv::refimport;
using namespace qv::refimport::testing;
using qv::db::Database;
using qv::db::DbError;

namespace {

class RefCompact : public RefFolder {
protected:
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(dir_))
            if (e.is_regular_file() && e.path().extension() != ".lock") out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(RefCompact, GoesThroughTheBackupAndRemovesIt) {
    seedOldData();
    const auto before = allTables();
    writeRaw("MAILSORT.BAK", "left from an earlier run", ".");
    std::vector<std::pair<std::string, std::string>> calls;
    auto recording = [&](const std::string& src, const std::string& dst) {
        calls.emplace_back(src, dst);
        EXPECT_FALSE(qv::fileExists("mailsort.mdb"));
        EXPECT_TRUE(qv::fileExists("mailsort.bak"));
        defaultCompactor()(src, dst);
    };
    EXPECT_TRUE(compactThroughBackup(recording));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].second, "mailsort.mdb");
    EXPECT_EQ(names(), (std::vector<std::string>{"DupWork.mdb", "mailsort.mdb"}));
    EXPECT_EQ(allTables(), before);
}

TEST_F(RefCompact, KeepsTheSpellingOfTheDatabase) {
    fs::rename("mailsort.mdb", "MailSort.MDB");
    EXPECT_TRUE(compactThroughBackup());
    EXPECT_EQ(names(), (std::vector<std::string>{"DupWork.mdb", "MailSort.MDB"}));
}

TEST_F(RefCompact, AFailureRestoresTheUncompactedDatabase) {
    const std::pair<const char*, Compactor> cases[] = {
        {"compaction refused",
         [](const std::string&, const std::string&) { throw DbError(qv::db::err::WriteFailed, "disk full"); }},
        {"result unreadable",
         [](const std::string&, const std::string& dst) { std::ofstream(dst, std::ios::binary) << "not a database"; }},
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& [what, compactor] : cases) {
        EXPECT_FALSE(compactThroughBackup(compactor)) << what;
        EXPECT_EQ(names(), (std::vector<std::string>{"DupWork.mdb", "mailsort.mdb"})) << what;
        EXPECT_EQ(allTables(), before) << what;
    }
}

TEST_F(RefCompact, LeavesADatabaseHeldByAnotherProgramAlone) {
    auto other = Database::open("mailsort.mdb");
    bool called = false;
    EXPECT_FALSE(compactThroughBackup([&](const std::string&, const std::string&) { called = true; }));
    EXPECT_FALSE(called);
    other.reset();
    EXPECT_EQ(names(), (std::vector<std::string>{"DupWork.mdb", "mailsort.mdb"}));
}

TEST_F(RefCompact, NoDatabaseIsNoCompaction) {
    fs::remove("mailsort.mdb");
    EXPECT_FALSE(compactThroughBackup());
    EXPECT_EQ(names(), (std::vector<std::string>{"DupWork.mdb"}));
}

}  // namespace
