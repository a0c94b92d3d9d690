// The compaction through the backup: what the folder holds afterwards, after
// a failure at each step, after a crash at each step, and on a full disk.
#include "common/db/compaction.h"
#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using qv::db::CompactionOptions;
using qv::db::CompactionStep;
using qv::db::compactThroughBackup;
using qv::db::Database;
using qv::db::DbError;
using qv::db::OpenMode;

namespace {

class Compaction : public ::testing::Test {
protected:
    void SetUp() override {
        std::ostringstream out, err;
        ASSERT_EQ(qv::dbbuild::makeDatabases({QV_DATA_DIR, dir_, false}, out, err), 0) << err.str();
        // A finished job's work table, dropped again: space to win back.
        auto db = Database::open("mailsort.mdb");
        db->createTable({"scratch", {{"name", qv::db::FieldType::Text, 200}}, {}});
        auto rs = db->openTable("scratch");
        for (int i = 0; i < 4000; ++i) {
            rs->addNew();
            rs->set("name", std::string(150, char('a' + i % 26)));
            rs->update();
        }
        rs.reset();
        db->dropTable("scratch");
        db->close();
        before_ = snapshot();
    }
    // Every table of the database and its rows as text.
    static std::map<std::string, std::string> snapshot(const std::string& file = "mailsort.mdb") {
        std::map<std::string, std::string> out;
        auto db = Database::open(file);
        for (const auto& t : db->tableNames()) {
            std::string rows;
            auto rs = db->openTable(t);
            if (rs->recordCount() > 0)
                for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
                    for (int i = 0; i < rs->fieldCount(); ++i) rows += rs->get(i).toString() + '\t';
                    rows += '\n';
                }
            out[t] = rows;
        }
        return out;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    using Names = std::vector<std::string>;
    const Names clean{"DupWork.mdb", "mailsort.mdb"};

    // Runs f in a child process that ends abruptly where f calls _exit.
    static void inChild(const std::function<void()>& f) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            f();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }

    qv::testkit::TempFolder folder_{qv::testkit::TempFolder::Current::Enter};
    const fs::path dir_ = folder_.dir();
    std::map<std::string, std::string> before_;
};

TEST_F(Compaction, ReplacesTheDatabaseWhileItStaysInPlace) {
    std::ofstream("MAILSORT.BAK") << "left from an earlier run";
    const auto bigger = fs::file_size("mailsort.mdb");
    std::vector<std::pair<std::string, std::string>> calls;
    CompactionOptions o;
    o.compact = [&](const std::string& src, const std::string& dst) {
        calls.emplace_back(fs::path(src).filename().string(), fs::path(dst).filename().string());
        // The database keeps its name all along; the backup is the same file.
        EXPECT_TRUE(fs::exists("mailsort.mdb"));
        EXPECT_TRUE(fs::exists("mailsort.bak"));
        EXPECT_FALSE(fs::exists("MAILSORT.BAK"));
        EXPECT_EQ(fs::file_size("mailsort.bak"), bigger);
        qv::db::defaultCompactor()(src, dst);
    };
    const auto r = compactThroughBackup(o);
    EXPECT_TRUE(r.compacted) << r.failure;
    EXPECT_EQ(r.failure, "");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, "mailsort.mdb");
    EXPECT_NE(calls[0].second, "mailsort.mdb");
    EXPECT_EQ(names(), clean);
    EXPECT_EQ(snapshot(), before_);
    EXPECT_LT(fs::file_size("mailsort.mdb") * 2, bigger);
}

TEST_F(Compaction, TheCleanUpKeepsTheFileBeforeAsTheBackup) {
    const auto bigger = fs::file_size("mailsort.mdb");
    CompactionOptions o;
    o.keepBackup = true;
    EXPECT_TRUE(compactThroughBackup(o).compacted);
    EXPECT_EQ(names(), (Names{"DupWork.mdb", "mailsort.bak", "mailsort.mdb"}));
    EXPECT_EQ(fs::file_size("mailsort.bak"), bigger);
    EXPECT_EQ(snapshot("mailsort.bak"), before_);
    EXPECT_EQ(snapshot(), before_);
}

TEST_F(Compaction, KeepsTheSpellingOfTheDatabase) {
    fs::rename("mailsort.mdb", "MailSort.MDB");
    EXPECT_TRUE(compactThroughBackup().compacted);
    EXPECT_EQ(names(), (Names{"DupWork.mdb", "MailSort.MDB"}));
}

TEST_F(Compaction, AFailureAtAnyStepLeavesTheDatabaseWholeAndNothingElse) {
    struct Case {
        const char* what;
        qv::db::Compactor compact;
        std::optional<CompactionStep> failAfter;
    };
    auto fine = qv::db::defaultCompactor();
    const Case cases[] = {
        {"compaction refused", [](const std::string&, const std::string& dst) {
             std::ofstream(dst, std::ios::binary) << "half a file";
             throw DbError(qv::db::err::WriteFailed, "disk full");
         }, {}},
        {"result unreadable",
         [](const std::string&, const std::string& dst) { std::ofstream(dst, std::ios::binary) << "not a database"; },
         {}},
        {"result lacks a table",
         [&](const std::string& src, const std::string& dst) {
             fine(src, dst);
             auto db = Database::open(dst);
             db->dropTable("parmcode");
         },
         {}},
        {"after the hold", fine, CompactionStep::Held},
        {"after the log is folded back", fine, CompactionStep::Settled},
        {"after the backup", fine, CompactionStep::BackedUp},
        {"after the new file is written", fine, CompactionStep::Written},
        {"after it is flushed", fine, CompactionStep::Flushed},
    };
    for (const auto& c : cases) {
        CompactionOptions o;
        o.compact = c.compact;
        if (c.failAfter)
            o.afterStep = [&](CompactionStep s) {
                if (s == *c.failAfter) throw std::runtime_error("stopped");
            };
        const auto r = compactThroughBackup(o);
        EXPECT_FALSE(r.compacted) << c.what;
        EXPECT_NE(r.failure, "") << c.what;
        EXPECT_EQ(names(), clean) << c.what;
        EXPECT_TRUE(Database::selfContained("mailsort.mdb")) << c.what;
        EXPECT_EQ(snapshot(), before_) << c.what;
    }
}

TEST_F(Compaction, ACrashAtAnyStepLeavesACompleteDatabaseUnderItsName) {
    struct Case {
        const char* what;
        std::optional<CompactionStep> crashAfter;
        bool crashInsideTheCompaction = false;
    };
    const Case cases[] = {
        {"after the hold", CompactionStep::Held},
        {"after the log is folded back", CompactionStep::Settled},
        {"after the backup", CompactionStep::BackedUp},
        {"while the new file is written", {}, true},
        {"after it is written", CompactionStep::Written},
        {"after it is flushed", CompactionStep::Flushed},
        {"after it took the name", CompactionStep::Replaced},
    };
    for (const auto& c : cases) {
        inChild([&] {
            CompactionOptions o;
            if (c.crashInsideTheCompaction)
                o.compact = [](const std::string&, const std::string& dst) {
                    std::ofstream(dst, std::ios::binary) << std::string(8192, 'x');
                    _exit(9);
                };
            o.afterStep = [&](CompactionStep s) {
                if (c.crashAfter && s == *c.crashAfter) _exit(9);
            };
            compactThroughBackup(o);
        });
        ASSERT_TRUE(fs::is_regular_file("mailsort.mdb")) << c.what;
        EXPECT_TRUE(Database::selfContained("mailsort.mdb")) << c.what;
        EXPECT_EQ(snapshot(), before_) << c.what;
        // The next compaction clears what the crashed one left.
        EXPECT_TRUE(compactThroughBackup().compacted) << c.what;
        EXPECT_EQ(names(), clean) << c.what;
        EXPECT_EQ(snapshot(), before_) << c.what;
    }
}

TEST_F(Compaction, ALogLeftByACrashedWriterIsFoldedBackFirst) {
    inChild([] {
        auto db = Database::open("mailsort.mdb");
        qv::db::Database::setCommitInterval(0);
        auto rs = db->openTable("parmcode");
        rs->moveFirst();
        rs->edit();
        rs->set(0, rs->get(0));
        rs->update();
        db->commit();
        db->createTable({"kept", {{"name", qv::db::FieldType::Text, 20}}, {}});
        db->commit();
        _exit(9);  // no close: the change is only in the log
    });
    ASSERT_FALSE(Database::selfContained("mailsort.mdb"));
    EXPECT_TRUE(compactThroughBackup().compacted);
    EXPECT_EQ(names(), clean);
    EXPECT_TRUE(Database::open("mailsort.mdb")->hasTable("kept"));
}

TEST_F(Compaction, AFullDiskLeavesTheDatabaseSelfContainedAndNoStrayLogs) {
    ASSERT_GT(fs::file_size("mailsort.mdb"), 64u * 1024);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 32 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    CompactionOptions o;
    o.keepBackup = true;
    // Linking the backup takes no room; copying it would fail the same way.
    const auto r = compactThroughBackup(o);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(r.compacted);
    EXPECT_NE(r.failure, "");
    EXPECT_EQ(names(), clean);
    EXPECT_TRUE(Database::selfContained("mailsort.mdb"));
    EXPECT_EQ(snapshot(), before_);
}

TEST_F(Compaction, LeavesADatabaseHeldByAnotherProgramAlone) {
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        auto db = Database::open("mailsort.mdb", OpenMode::Shared);
        char c = 1;
        (void)!write(ready[1], &c, 1);
        (void)!read(done[0], &c, 1);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    bool called = false;
    CompactionOptions o;
    o.compact = [&](const std::string&, const std::string&) { called = true; };
    const auto r = compactThroughBackup(o);
    (void)!write(done[1], &c, 1);
    waitpid(pid, nullptr, 0);
    EXPECT_FALSE(r.compacted);
    EXPECT_FALSE(called);
    EXPECT_EQ(r.failure, "The database 'mailsort.mdb' is in use by another program.");
    EXPECT_EQ(snapshot(), before_);
}

TEST_F(Compaction, NoDatabaseIsNoCompaction) {
    fs::remove("mailsort.mdb");
    EXPECT_FALSE(compactThroughBackup().compacted);
    EXPECT_EQ(names(), (Names{"DupWork.mdb"}));
}

}  // namespace
