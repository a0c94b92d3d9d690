// The sqlite3 shell with the suite's collation loaded reads, checks and
// recovers a job's database as the suite itself does.
#include "common/db/collation.h"
#include "common/db/database.h"
#include "common/jobtables.h"
#include "common/testing/scratch.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace qv;
using db::Value;
namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

// Runs the real shell on a database of the current folder with the extension
// loaded, as the README tells a user to; stdin from a file when given.
// Returns what it wrote, and whether it ran through without a failure.
std::string shell(const std::string& database, const std::string& command, const std::string& input, bool& ok) {
    std::string cmd = std::string(QV_SQLITE3_SHELL) + " -bail -cmd " + quoted(std::string(".load ") + QV_KEYTEXT_EXTENSION) +
                      " " + quoted(database);
    if (!command.empty()) cmd += " " + quoted(command);
    if (!input.empty()) cmd += " < " + quoted(input);
    cmd += " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    EXPECT_NE(p, nullptr);
    if (!p) return {};
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int status = pclose(p);
    ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return out;
}

// The same, failing the test on a failed run.
std::string shell(const std::string& database, const std::string& command, const std::string& input = {}) {
    bool ok = false;
    const std::string out = shell(database, command, input, ok);
    EXPECT_TRUE(ok) << database << " " << command << "\n" << out;
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

struct Row {
    std::string name, mscode;
};

// Every row of mmwork, all fields, walked by the layer in the given index.
std::vector<std::vector<std::string>> readAll(db::Database& database, const std::string& index) {
    auto rs = database.openTable(jobtables::Mmwork);
    rs->setIndex(index);
    std::vector<std::vector<std::string>> out;
    while (!rs->eof()) {
        std::vector<std::string> row;
        for (int f = 0; f < rs->fieldCount(); ++f) {
            const Value v = rs->get(f);
            row.push_back(v.isNull() ? "<null>" : v.toString());
        }
        out.push_back(std::move(row));
        rs->moveNext();
    }
    return out;
}

class KeyTextShellTest : public testkit::ScratchTest {
protected:
    // A job's mmwork whose names and codes differ in case, accents and
    // trailing blanks only, in no order.
    std::vector<Row> fillMmwork() {
        const std::vector<std::string> names = {"smith", "Smith", "SMITH  ", "smith ", "Éclair", "éclair  ", "ÉCLAIR",
                                                "Zoë", "ZOË ", "zoe", "adams", "Adams   ", "O'Neil", "o'neil ",
                                                "brown", "Brown", "  lead", "Ñandú", "ñandú ", "Ørsted", "ørsted"};
        const std::vector<std::string> codes = {"ab12", "AB12 ", "Ab1", "ab1  ", "1", "XY", "xy ", "Zz9", "zZ9"};
        std::vector<Row> rows;
        for (int i = 0; i < 600; ++i)
            rows.push_back({names[size_t(i) % names.size()] + (i % 7 == 0 ? "" : std::string(size_t(i % 3), ' ')),
                            codes[size_t(i * 7) % codes.size()]});
        std::shuffle(rows.begin(), rows.end(), std::mt19937(26));
        auto database = scratch().open();
        database->createTable(jobtables::mmworkDef());
        auto rs = database->openTable(jobtables::Mmwork);
        int n = 0;
        for (const Row& r : rows) {
            rs->addNew();
            rs->set("name", Value(r.name));
            rs->set("address1", Value(std::to_string(n) + " High Street"));
            rs->set("town", Value(n % 2 ? "Cardiff" : "CARDIFF "));
            rs->set("postcode", Value("CF1 " + std::to_string(n % 10) + "AB"));
            rs->set("mscode", Value(r.mscode));
            rs->set("rgcode", Value(int64_t(n % 5)));
            rs->set("seq", Value(double(n * 3 % 17)));
            rs->update();
            ++n;
        }
        rs->setIndex("Key1");  // built now, so the shell checks it too
        rs.reset();
        database->close();
        return rows;
    }
};

TEST_F(KeyTextShellTest, TheShellChecksAJobsDatabaseAndOrdersItsTextsAsTheSuiteDoes) {
    const std::vector<Row> rows = fillMmwork();
    EXPECT_EQ(shell("mailsort.mdb", "PRAGMA integrity_check;"), "ok\n");
    EXPECT_EQ(shell("mailsort.mdb", "PRAGMA quick_check;"), "ok\n");
    EXPECT_EQ(shell("DupWork.mdb", "PRAGMA integrity_check;"), "ok\n");

    // Ordered by name: the layer's comparison, equal names in storage order.
    std::vector<std::string> byName;
    for (const Row& r : rows) byName.push_back(r.name);
    std::stable_sort(byName.begin(), byName.end(),
                     [](const std::string& a, const std::string& b) { return db::compareKeyText(a, b) < 0; });
    EXPECT_EQ(lines(shell("mailsort.mdb", "SELECT name FROM mmwork ORDER BY name, rowid;")), byName);

    // Ordered by mscode: the walk of the layer's index over it.
    std::vector<std::string> byCode;
    for (const auto& r : readAll(*scratch().open(), "Key1")) byCode.push_back(r[9]);
    EXPECT_EQ(lines(shell("mailsort.mdb", "SELECT mscode FROM mmwork ORDER BY mscode, rowid;")), byCode);

    // A comparison finds a name in every spelling the suite takes as one.
    const auto smiths = std::count_if(rows.begin(), rows.end(), [](const Row& r) { return db::compareKeyText(r.name, "SMITH") == 0; });
    EXPECT_GT(smiths, 4);
    EXPECT_EQ(shell("mailsort.mdb", "SELECT count(*) FROM mmwork WHERE name = 'smith';"), std::to_string(smiths) + "\n");
}

// The file the shell writes from what it read (a dump, a recovery) opens
// in the suite with the same tables and rows in every order.
void expectSameDatabase(const std::string& copy) {
    EXPECT_EQ(shell(copy, "PRAGMA integrity_check;"), "ok\n");
    auto original = db::Database::open("mailsort.mdb");
    auto other = db::Database::open(copy);
    EXPECT_EQ(other->tableNames(), original->tableNames());
    for (const char* index : {"", "Key1", "Key2"}) {
        SCOPED_TRACE(index);
        const auto rows = readAll(*other, index);
        EXPECT_EQ(rows.size(), 600u);
        EXPECT_EQ(rows, readAll(*original, index));
    }
}

TEST_F(KeyTextShellTest, ADatabaseDumpedAndRestoredOrCompactedByTheShellOpensInTheSuite) {
    fillMmwork();
    const std::string script = scratch().path("dump.sql").string();
    std::ofstream(script) << shell("mailsort.mdb", ".dump");
    shell("restored.mdb", "", script);
    expectSameDatabase("restored.mdb");

    fs::copy_file("mailsort.mdb", "compacted.mdb");
    EXPECT_EQ(shell("compacted.mdb", "VACUUM;"), "");
    expectSameDatabase("compacted.mdb");
}

TEST_F(KeyTextShellTest, ADatabaseRecoveredByTheShellOpensInTheSuiteWithTheSameRows) {
    fillMmwork();
    // .recover reads the file's pages through sqlite_dbpage, which the
    // extension gives a shell whose library lacks it.
    const std::string script = scratch().path("recover.sql").string();
    std::ofstream(script) << shell("mailsort.mdb", ".recover");
    shell("recovered.mdb", "", script);
    expectSameDatabase("recovered.mdb");

    // A copy with zeroed pages in the middle: what the other pages hold is
    // recovered into a database the suite opens.
    fs::copy_file("mailsort.mdb", "damaged.mdb");
    const auto pages = fs::file_size("damaged.mdb") / 4096;
    {
        std::fstream f("damaged.mdb", std::ios::in | std::ios::out | std::ios::binary);
        const std::string zeros(4096, '\0');
        for (auto p = pages / 2; p < pages / 2 + 3; ++p) {
            f.seekp(std::streamoff(p * 4096));
            f.write(zeros.data(), std::streamsize(zeros.size()));
        }
    }
    std::ofstream(script, std::ios::trunc) << shell("damaged.mdb", ".recover");
    shell("rescued.mdb", "", script);
    EXPECT_EQ(shell("rescued.mdb", "PRAGMA integrity_check;"), "ok\n");
    auto rescued = db::Database::open("rescued.mdb");
    const auto rows = readAll(*rescued, "");
    EXPECT_GT(rows.size(), 0u);
    EXPECT_LE(rows.size(), 600u);
    EXPECT_EQ(rescued->openTable("pcode")->recordCount(), scratch().open()->openTable("pcode")->recordCount());
}

// A program killed before closing leaves committed changes in the log
// beside the file: a recovery from the file's pages alone would lose them
// unnoticed, so the shell is refused with what to do; once the database has
// been opened in the suite, the recovery has every row.
TEST_F(KeyTextShellTest, ARecoveryIsRefusedWhileTheLogBesideTheFileHoldsChanges) {
    fillMmwork();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto database = db::Database::open("mailsort.mdb");
        auto rs = database->openTable(jobtables::Mmwork);
        for (int i = 0; i < 50; ++i) {
            rs->addNew();
            rs->set("name", Value("late " + std::to_string(i)));
            rs->update();
        }
        database->commit();
        kill(getpid(), SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    fs::copy_file("mailsort.mdb", "crashed.mdb");
    fs::copy_file("mailsort.mdb-wal", "crashed.mdb-wal");
    ASSERT_GT(fs::file_size("crashed.mdb-wal"), 0u);

    bool ok = true;
    const std::string out = shell("crashed.mdb", ".recover", {}, ok);
    EXPECT_FALSE(ok) << out;
    EXPECT_NE(out.find("crashed.mdb-wal holds changes not yet in the database file: open the database once in the "
                       "suite, or run PRAGMA wal_checkpoint(TRUNCATE), then recover"),
              std::string::npos)
        << out;

    db::Database::open("crashed.mdb")->close();
    const std::string script = scratch().path("recover.sql").string();
    std::ofstream(script) << shell("crashed.mdb", ".recover");
    shell("recovered.mdb", "", script);
    auto recovered = db::Database::open("recovered.mdb");
    EXPECT_EQ(readAll(*recovered, "").size(), 650u);
}

}  // namespace
