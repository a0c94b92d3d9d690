#include "console_fixture.h"

#include "common/parm/parmrecord.h"
#include "console/cleanup.h"
#include "console/configlabs.h"
#include "console/housekeeping.h"
#include "console/mainwindow.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

using namespace qv::console;
using namespace qv::console::testing;
using qv::db::Database;
using qv::db::OpenMode;
using qv::platform::Answer;
using qv::platform::child;
using qv::platform::testing::scriptedMessages;
namespace key = qv::parm::key;

namespace {

class CleanupTest : public ConsoleTest {
protected:
    // What a finished job leaves: both work tables, with enough rows that
    // dropping them leaves space to win back, and the work files.
    void leaveAJobBehind() {
        auto db = Database::open("mailsort.mdb");
        for (const char* table : {"bags", "mmwork"}) {
            qv::db::TableDef def{table, {{"name", qv::db::FieldType::Text, 200}}, {}};
            db->createTable(def);
            auto rs = db->openTable(table);
            for (int i = 0; i < 3000; ++i) {
                rs->addNew();
                rs->set("name", std::string(150, char('a' + i % 26)));
                rs->update();
            }
        }
        db->close();
        writeFile(dir() / "DOVODEDOD.DAT", "\"merge\"\r\n");
        writeFile(dir() / "quorvel.dat", "x");
        writeFile(dir() / "POFILE.DAT", "line listing");
        writeFile(dir() / "pofile.dat", "an older listing");
        writeFile(dir() / "MAILSORT.BAK", "the previous backup");
    }

    static bool hasTable(const char* file, const char* table) {
        auto db = Database::open(file);
        return db->hasTable(table);
    }

    std::vector<std::string> parmRow(const char* file) {
        auto db = Database::open(file);
        qv::parm::ParmRecord p(*db);
        std::vector<std::string> row;
        for (int i = 0; i < p.recordset().fieldCount(); ++i) row.push_back(p.recordset().get(i).toString());
        return row;
    }

    // Opens the clean-up from the File menu and presses OK.
    void pressOk(MainWindow& w, const char* expectedMessage = "Cleanup Complete") {
        if (!w.cleanup()) child<QAction>(&w, "MnuFileClean")->trigger();
        ASSERT_NE(w.cleanup(), nullptr);
        w.cleanup()->activateWindow();
        ASSERT_TRUE(waitActive(w.cleanup()));
        scriptedMessages().answer(Answer::Ok, QString::fromLatin1(expectedMessage));
        QTest::mouseClick(child<QPushButton>(w.cleanup(), "cmdOK"), Qt::LeftButton);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    }
};

}  // namespace

TEST_F(CleanupTest, AfterAJobLeavesOnlyTheCompactedDatabaseAndItsBackup) {
    leaveAJobBehind();
    const auto parmBefore = parmRow("mailsort.mdb");
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    pressOk(w);

    EXPECT_EQ(folderNames().filter(".dat", Qt::CaseInsensitive), QStringList{});
    ASSERT_TRUE(fs::exists(dir() / "mailsort.mdb"));
    ASSERT_TRUE(fs::exists(dir() / "mailsort.bak"));
    EXPECT_FALSE(fs::exists(dir() / "MAILSORT.BAK"));
    for (const char* file : {"mailsort.mdb", "mailsort.bak"}) {
        EXPECT_FALSE(hasTable(file, "bags")) << file;
        EXPECT_FALSE(hasTable(file, "mmwork")) << file;
        EXPECT_TRUE(hasTable(file, "Price")) << file;
        EXPECT_EQ(parmRow(file), parmBefore) << file;
    }
    // The backup keeps the space the work tables took; the database has it back.
    EXPECT_LT(fs::file_size(dir() / "mailsort.mdb") * 2, fs::file_size(dir() / "mailsort.bak"));
    EXPECT_TRUE(w.cleanup()->isVisible());  // stays open until Cancel
}

TEST_F(CleanupTest, TwiceInARowReplacesTheBackupWithTheFirstResult) {
    leaveAJobBehind();
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    pressOk(w);
    const auto firstBackup = fs::file_size(dir() / "mailsort.bak");
    const auto firstResult = fs::file_size(dir() / "mailsort.mdb");
    pressOk(w);
    // The new backup is the compacted database, not the one with the work tables' space.
    EXPECT_EQ(fs::file_size(dir() / "mailsort.bak"), firstResult);
    EXPECT_LT(fs::file_size(dir() / "mailsort.bak") * 2, firstBackup);
    EXPECT_TRUE(hasTable("mailsort.mdb", "parmcode"));
}

TEST_F(CleanupTest, CancelChangesNothing) {
    leaveAJobBehind();
    const QStringList before = folderNames();
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    child<QAction>(&w, "MnuFileClean")->trigger();
    ASSERT_NE(w.cleanup(), nullptr);
    ASSERT_TRUE(waitActive(w.cleanup()));
    QTest::keyClick(w.cleanup(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.cleanup() == nullptr; }, 2000));
    EXPECT_EQ(folderNames(), before);
    EXPECT_TRUE(hasTable("mailsort.mdb", "bags"));
    EXPECT_TRUE(scriptedMessages().messages().empty());
}

TEST_F(CleanupTest, AnotherHolderKeepsTheDatabaseInPlace) {
    leaveAJobBehind();
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    child<QAction>(&w, "MnuFileClean")->trigger();
    ASSERT_NE(w.cleanup(), nullptr);
    {
        // A program started after the dialog opened still has the database open.
        OtherProgram merge(OpenMode::Shared);
        ASSERT_TRUE(merge.holding());
        pressOk(w, "Database not compressed");
    }
    EXPECT_TRUE(fs::exists(dir() / "mailsort.mdb"));
    EXPECT_FALSE(fs::exists(dir() / "mailsort.bak"));
    EXPECT_FALSE(hasTable("mailsort.mdb", "mmwork"));
    EXPECT_EQ(folderNames().filter(".dat", Qt::CaseInsensitive), QStringList{});
}

TEST_F(CleanupTest, OwnLabelConfigurationOpenMeanwhileKeepsItsConnection) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    child<QAction>(&w, "MnuFileClean")->trigger();
    child<QAction>(&w, "MnuUtilitiesConfigure")->trigger();
    ASSERT_NE(w.configLabs(), nullptr);
    // Its own open connection keeps the file from being replaced.
    pressOk(w, "Database not compressed");
    EXPECT_FALSE(fs::exists(dir() / "mailsort.bak"));
    // Its save still reaches the database in use.
    child<QLineEdit>(w.configLabs(), "txtCompName")->setText("Still Here Ltd");
    QTest::mouseClick(child<QPushButton>(w.configLabs(), "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(parmText(key::CompanyName), "Still Here Ltd");
}

TEST_F(CleanupTest, StepProgramHoldingTheDatabaseStopsTheCleanupBeforeItStarts) {
    leaveAJobBehind();
    const QStringList before = folderNames();
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    child<QAction>(&w, "MnuFileClean")->trigger();
    {
        OtherProgram labels(OpenMode::Exclusive);
        ASSERT_TRUE(labels.holding());
        pressOk(w, "Another option is currently running, wait until it has finished then try again.");
    }
    EXPECT_EQ(folderNames(), before);
    EXPECT_TRUE(hasTable("mailsort.mdb", "bags"));
}

TEST_F(CleanupTest, FailedCompactionPutsTheDatabaseBack) {
    leaveAJobBehind();
    const auto parmBefore = parmRow("mailsort.mdb");
    const CleanupResult r = cleanUpWorkFiles([](const std::string&, const std::string& target) {
        writeFile(target, "half a file");
        throw qv::db::DbError(qv::db::err::WriteFailed, "disk full");
    });
    EXPECT_FALSE(r.compacted);
    EXPECT_EQ(r.compactionFailure, "disk full");
    EXPECT_FALSE(fs::exists(dir() / "mailsort.bak"));
    EXPECT_TRUE(qv::db::Database::selfContained("mailsort.mdb"));
    EXPECT_EQ(parmRow("mailsort.mdb"), parmBefore);
    EXPECT_FALSE(hasTable("mailsort.mdb", "bags"));
}

TEST_F(CleanupTest, MissingWorkTablesAndFilesArePassedOver) {
    const CleanupResult r = cleanUpWorkFiles();
    EXPECT_TRUE(r.opened);
    EXPECT_TRUE(r.compacted);
    EXPECT_TRUE(hasTable("mailsort.mdb", "parmcode"));
    EXPECT_TRUE(hasTable("mailsort.bak", "parmcode"));
}

TEST_F(CleanupTest, DatabaseGoneBeforeOkIsReportedNotCompleted) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    child<QAction>(&w, "MnuFileClean")->trigger();
    fs::remove(dir() / "mailsort.mdb");
    pressOk(w, "Could not find the database file 'mailsort.mdb'.");
    EXPECT_FALSE(fs::exists(dir() / "mailsort.mdb"));
}

TEST_F(CleanupTest, ACompactionThatFailsOnAFullDiskIsReportedNotCompleted) {
    leaveAJobBehind();
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    child<QAction>(&w, "MnuFileClean")->trigger();
    ASSERT_NE(w.cleanup(), nullptr);
    w.cleanup()->activateWindow();
    ASSERT_TRUE(waitActive(w.cleanup()));
    // A full disk: no file may grow beyond a few pages.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 36 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    scriptedMessages().answer(Answer::Ok, "Database not compressed");
    QTest::mouseClick(child<QPushButton>(w.cleanup(), "cmdOK"), Qt::LeftButton);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(scriptedMessages().texts(), QStringList{"Database not compressed"});
    EXPECT_FALSE(hasTable("mailsort.mdb", "bags"));
    EXPECT_TRUE(qv::db::Database::selfContained("mailsort.mdb"));
    EXPECT_EQ(folderNames().filter("mailsort", Qt::CaseInsensitive), QStringList{"mailsort.mdb"});
}

TEST_F(CleanupTest, WorkTablesThatCannotBeDroppedAreReportedNotCompleted) {
    leaveAJobBehind();
    // Another program is in the middle of writing and keeps the file busy.
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        auto db = Database::open("mailsort.mdb");
        db->beginTransaction();
        qv::parm::ParmRecord p(*db);
        p.edit();
        p.set(key::CompanyName, "Busy Ltd");
        p.update();
        char c = 1;
        (void)!write(ready[1], &c, 1);
        (void)!read(done[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    const CleanupResult r = cleanUpWorkFiles();
    (void)!write(done[1], &c, 1);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(r.opened);
    EXPECT_NE(r.dropFailure, "");
    EXPECT_FALSE(r.compacted);
    EXPECT_TRUE(hasTable("mailsort.mdb", "bags"));
    EXPECT_FALSE(fs::exists(dir() / "mailsort.bak"));
}
