#include "common/db/collation.h"
#include "common/db/database.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/tempfolder.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

using namespace qv::db;
namespace fs = std::filesystem;

namespace {

// Each test runs in a fresh folder of its own, as the programs do in theirs.
class DbTest : public ::testing::Test {
protected:
    static int code(const std::function<void()>& f) {
        try {
            f();
        } catch (const DbError& e) {
            return e.number();
        }
        return 0;
    }

    // A small keyed table: `code` text key (unique), `grp` non-unique, `n` number.
    static void makeCodes(Database& db) {
        TableDef t;
        t.name = "codes";
        t.fields = {{"code", FieldType::Text, 6}, {"grp", FieldType::Text, 5}, {"n", FieldType::Long, 0}};
        t.indexes = {{"PrimaryKey", {"code"}, true, true}, {"Key1", {"grp"}}};
        db.createTable(t);
    }
    static void add(Recordset& rs, Value code, Value grp, Value n) {
        rs.addNew();
        rs.set("code", code);
        rs.set("grp", grp);
        rs.set("n", n);
        rs.update();
    }
    static std::vector<std::string> walk(Recordset& rs, const char* field = "code") {
        std::vector<std::string> out;
        if (rs.eof()) return out;
        rs.moveFirst();
        while (!rs.eof()) {
            Value v = rs.get(field);
            out.push_back(v.isNull() ? "<null>" : v.toString());
            rs.moveNext();
        }
        return out;
    }

    qv::testkit::TempFolder folder_{qv::testkit::TempFolder::Current::Enter};
    const fs::path dir_ = folder_.dir();
};

TEST_F(DbTest, OpenFindsTheFileWithoutRegardToCaseAndTrailingBlanks) {
    EXPECT_EQ(code([] { Database::open("mailsort.mdb"); }), err::FileNotFound);
    EXPECT_FALSE(fs::exists("mailsort.mdb"));  // never created on open
    Database::create("mailsort.mdb")->close();
    for (const char* name : {"mailsort.mdb", "Mailsort.mdb ", "MAILSORT.MDB"}) {
        auto db = Database::open(name);
        EXPECT_EQ(fs::path(db->path()).filename(), "mailsort.mdb") << name;
    }
    std::ofstream("junk.mdb") << "this is no database";
    EXPECT_EQ(code([] { Database::open("junk.mdb"); }), err::NotADatabase);
}

TEST_F(DbTest, TwoFilesWhoseNamesDifferOnlyInCaseAreRefusedEverywhere) {
    Database::create("mailsort.mdb")->close();
    fs::copy_file("mailsort.mdb", "MAILSORT.MDB");
    fs::copy_file("mailsort.mdb", "Mailsort.mdb ");
    // The message names the file as the program asked for it.
    auto expected = [](const char* asked) {
        return "More than one file here is named " + std::string(asked) +
               " (MAILSORT.MDB, Mailsort.mdb , mailsort.mdb): keep one of them.";
    };
    struct Case {
        const char* what;
        const char* asked;
        std::function<void(const char*)> f;
    };
    const Case cases[] = {
        {"shared open", "mailsort.mdb", [](const char* n) { Database::open(n, OpenMode::Shared); }},
        {"exclusive open in another spelling", "MAILSORT.MDB",
         [](const char* n) { Database::open(n, OpenMode::Exclusive); }},
        {"a hold", "mailsort.mdb", [](const char* n) { DatabaseLock::exclusive(n); }},
        {"a new file", "mailsort.mdb", [](const char* n) { Database::create(n); }},
    };
    for (const auto& c : cases) {
        try {
            c.f(c.asked);
            ADD_FAILURE() << c.what << " was not refused";
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), err::AmbiguousName) << c.what;
            EXPECT_EQ(e.description(), expected(c.asked)) << c.what;
        }
    }
    fs::remove("MAILSORT.MDB");
    fs::remove("Mailsort.mdb ");
    EXPECT_NO_THROW(Database::open("MAILSORT.MDB")->close());
}

TEST_F(DbTest, AReadOnlyFileIsRefusedByName) {
    Database::create("MailSort.mdb")->close();
    fs::permissions("MailSort.mdb", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
        try {
            Database::open("mailsort.mdb", mode);
            ADD_FAILURE() << "opened";
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), err::ReadOnlyDatabase);
            EXPECT_EQ(e.description(), "The database MailSort.mdb is read-only.");
        }
    }
    fs::permissions("MailSort.mdb", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_NO_THROW(Database::open("mailsort.mdb")->close());
}

// An emptied file is no database: it is refused and left as it was, never
// made into a new empty database under the suite's name.
TEST_F(DbTest, AnEmptyFileIsRefusedAndLeftAsItIs) {
    std::ofstream("mailsort.mdb").close();
    for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive}) {
        try {
            Database::open("mailsort.mdb", mode);
            ADD_FAILURE() << "opened";
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), err::NotADatabase);
            EXPECT_EQ(e.description(), "The database mailsort.mdb is empty: it holds no tables.");
        }
    }
    EXPECT_EQ(fs::file_size("mailsort.mdb"), 0u);
}

TEST_F(DbTest, ALockFileThatCannotBeMadeGivesItsRealCause) {
    // A folder the program may read but not write: the lock file cannot be
    // made. Run as a user without the right to write there.
    Database::create("mailsort.mdb")->close();
    fs::create_directory("locked");
    fs::copy_file("mailsort.mdb", "locked/mailsort.mdb");
    fs::permissions("locked/mailsort.mdb", fs::perms::all);
    fs::permissions("locked", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::string said = "opened";
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) said = "cannot drop rights";
        else {
            try {
                Database::open("locked/mailsort.mdb");
            } catch (const DbError& e) {
                said = e.description();
            }
        }
        (void)!write(out[1], said.data(), said.size());
        _exit(0);
    }
    close(out[1]);
    std::string said;
    char buf[512];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) said.append(buf, std::size_t(n));
    waitpid(pid, nullptr, 0);
    EXPECT_NE(said.find("Permission denied"), std::string::npos) << said;
    EXPECT_EQ(said.find("No such file"), std::string::npos) << said;
}

TEST_F(DbTest, LocksWithinOneProcess) {
    Database::create("mailsort.mdb")->close();
    {
        auto shared = Database::open("mailsort.mdb", OpenMode::Shared);
        auto shared2 = Database::open("MAILSORT.MDB", OpenMode::Shared);
        EXPECT_EQ(code([] { Database::open("mailsort.mdb", OpenMode::Exclusive); }), err::FileInUse);
    }
    {
        auto ex = Database::open("mailsort.mdb", OpenMode::Exclusive);
        EXPECT_EQ(code([] { Database::open("mailsort.mdb", OpenMode::Exclusive); }), err::ExclusivelyHeld);
        // The program that holds it exclusively may open it shared again.
        auto again = Database::open("mailsort.mdb", OpenMode::Shared);
        ex.reset();
        // ... and that handle still keeps other programs' exclusive opens out.
        EXPECT_NE(code([] { Database::open("mailsort.mdb", OpenMode::Exclusive); }), 0);
    }
    EXPECT_EQ(code([] { Database::open("mailsort.mdb", OpenMode::Exclusive); }), 0);
    {
        // A bare hold, as the clean-up keeps across its rename and compaction.
        auto hold = DatabaseLock::exclusive("Mailsort.MDB");
        EXPECT_EQ(code([] { Database::open("mailsort.mdb", OpenMode::Exclusive); }), err::ExclusivelyHeld);
    }
}

// A second process holds the database in a mode until killed.
struct Holder {
    pid_t pid = -1;
    Holder(OpenMode mode) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            char ok = 'n';
            try {
                auto db = Database::open("mailsort.mdb", mode);
                ok = 'y';
                if (write(fds[1], &ok, 1) != 1) _exit(2);
                for (;;) pause();
            } catch (...) {
                if (write(fds[1], &ok, 1) != 1) _exit(2);
                _exit(1);
            }
        }
        close(fds[1]);
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c != 'y') throw std::runtime_error("holder could not open");
        close(fds[0]);
    }
    void kill9() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~Holder() { kill9(); }
};

TEST_F(DbTest, LocksBetweenProcesses) {
    Database::create("mailsort.mdb")->close();
    struct Case {
        OpenMode held, tried;
        int expected;
    } cases[] = {
        {OpenMode::Shared, OpenMode::Shared, 0},
        {OpenMode::Shared, OpenMode::Exclusive, err::FileInUse},
        {OpenMode::Exclusive, OpenMode::Shared, err::ExclusivelyHeld},
        {OpenMode::Exclusive, OpenMode::Exclusive, err::ExclusivelyHeld},
    };
    for (const Case& c : cases) {
        Holder h(c.held);
        EXPECT_EQ(code([&] { Database::open("mailsort.mdb", c.tried); }), c.expected)
            << int(c.held) << " then " << int(c.tried);
        // A killed holder never leaves the database locked.
        h.kill9();
        EXPECT_EQ(code([] { Database::open("mailsort.mdb", OpenMode::Exclusive); }), 0);
        // The last holder tidies its lock file away.
        EXPECT_FALSE(fs::exists("mailsort.mdb.lock"));
    }
}

TEST_F(DbTest, TextKeysIgnoreCaseAndTrailingBlanksButKeepTheStoredText) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    auto rs = db->openTable("CODES");
    add(*rs, "M1    ", "a", 1);
    add(*rs, "M1 120", "a", 2);
    add(*rs, "Étang", "a", 3);
    rs->setIndex("primarykey");
    struct {
        const char* key;
        int n;  // 0: no match
    } cases[] = {{"M1", 1}, {"m1", 1}, {"M1  ", 1}, {"M1 120", 2}, {"M1 12", 0}, {"étang", 3}, {" M1", 0}};
    for (auto& c : cases) {
        rs->seek("=", Value(c.key));
        EXPECT_EQ(rs->noMatch(), c.n == 0) << c.key;
        if (c.n) {
            EXPECT_EQ(rs->get("n").toInt(), c.n) << c.key;
        }
    }
    rs->seek("=", Value("m1"));
    EXPECT_EQ(rs->get("code").text(), "M1    ");
    // A unique index refuses a key that differs only in case or trailing blanks.
    EXPECT_EQ(code([&] { add(*rs, "m1", "a", 9); }), err::DuplicateKey);
    rs->cancelUpdate();
}

TEST_F(DbTest, ExactTextKeysCompareCaseAndBlanks) {
    auto db = Database::create("mailsort.mdb");
    TableDef t{"data", {{"file", FieldType::Text, 255, true, true}}, {{"File", {"file"}}}};
    db->createTable(t);
    auto rs = db->openTable("data");
    for (const char* f : {"/home/a/List.csv", "/home/a/list.csv"}) {
        rs->addNew();
        rs->set("file", f);
        rs->update();
    }
    rs->setIndex("File");
    rs->seek("=", Value("/home/a/list.csv"));
    ASSERT_FALSE(rs->noMatch());
    EXPECT_EQ(rs->get("file").text(), "/home/a/list.csv");
    rs->seek("=", Value("/home/a/LIST.csv"));
    EXPECT_TRUE(rs->noMatch());
}

TEST_F(DbTest, SeekOperatorsOnUniqueAndNonUniqueIndexes) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    auto rs = db->openTable("codes");
    // grp has repeats; storage order decides among equal keys.
    add(*rs, "A", "20", 1);
    add(*rs, "B", "10", 2);
    add(*rs, "C", "20", 3);
    add(*rs, "D", "30", 4);
    add(*rs, "E", "10", 5);
    add(*rs, "F", "20", 6);
    rs->setIndex("Key1");
    EXPECT_EQ(walk(*rs, "n"), (std::vector<std::string>{"2", "5", "1", "3", "6", "4"}));
    struct {
        const char* op;
        const char* key;
        int n;  // 0: no match
    } cases[] = {
        {"=", "20", 1},  {"=", "15", 0},  {">=", "20", 1}, {">=", "15", 1}, {">", "10", 1}, {">", "20", 4},
        {">", "30", 0},  {"<", "20", 5},  {"<", "10", 0},  {"<=", "20", 6}, {"<=", "25", 6}, {"<=", "05", 0},
        {">=", "31", 0}, {"<", "99", 4},
    };
    for (auto& c : cases) {
        rs->seek(c.op, Value(c.key));
        EXPECT_EQ(rs->noMatch(), c.n == 0) << c.op << c.key;
        if (c.n) {
            EXPECT_EQ(rs->get("n").toInt(), c.n) << c.op << c.key;
        }
    }
    // After a seek the walk goes on in index order.
    rs->seek("=", Value("20"));
    rs->moveNext();
    EXPECT_EQ(rs->get("n").toInt(), 3);
    rs->seek("<=", Value("20"));
    rs->moveNext();
    EXPECT_EQ(rs->get("n").toInt(), 4);
    rs->movePrevious();
    rs->movePrevious();
    EXPECT_EQ(rs->get("n").toInt(), 3);

    rs->setIndex("PrimaryKey");
    rs->seek("<", Value("C"));
    EXPECT_EQ(rs->get("code").text(), "B");
    rs->seek(">=", Value("c"));
    EXPECT_EQ(rs->get("code").text(), "C");
    // A failed seek leaves the position as it was.
    rs->seek("=", Value("Z"));
    EXPECT_TRUE(rs->noMatch());
    EXPECT_EQ(rs->get("code").text(), "C");
}

TEST_F(DbTest, SeekOnSeveralFieldsAndNumbers) {
    auto db = Database::create("mailsort.mdb");
    TableDef t{"work",
               {{"k1", FieldType::Text, 10}, {"k2", FieldType::Double, 0}, {"RecNum", FieldType::Long, 0}},
               {{"Key1", {"k1", "k2"}}}};
    db->createTable(t);
    auto rs = db->openTable("work");
    int rec = 0;
    for (auto [a, b] : std::vector<std::pair<const char*, double>>{{"x", 2}, {"x", 1}, {"y", 1}, {"x", 1}, {"w", 5}}) {
        rs->addNew();
        rs->set("k1", a);
        rs->set("k2", b);
        rs->set("RecNum", ++rec);
        rs->update();
    }
    rs->setIndex("Key1");
    rs->seek("=", {Value("X"), Value(1.0)});
    EXPECT_EQ(rs->get("RecNum").toInt(), 2);
    rs->moveNext();
    EXPECT_EQ(rs->get("RecNum").toInt(), 4);
    rs->seek("=", {Value("x"), Value("2")});  // a text key for a number field is converted
    EXPECT_EQ(rs->get("RecNum").toInt(), 1);
    rs->seek(">", {Value("x")});  // a prefix of the key
    EXPECT_EQ(rs->get("RecNum").toInt(), 3);
    rs->seek("<=", {Value("x"), Value(1.5)});
    EXPECT_EQ(rs->get("RecNum").toInt(), 4);
    EXPECT_EQ(code([&] { rs->seek("=", {Value("x"), Value(1), Value(3)}); }), err::InvalidArgument);
}

TEST_F(DbTest, NullValuesAndNullKeys) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    auto rs = db->openTable("codes");
    add(*rs, "A", "20", 1);
    add(*rs, "B", Value(), Value());
    add(*rs, "C", "10", 3);
    add(*rs, "D", Value(), 4);
    rs->setIndex("Key1");
    // Nulls sort first; equal (Null) keys in storage order.
    EXPECT_EQ(walk(*rs), (std::vector<std::string>{"B", "D", "C", "A"}));
    rs->moveLast();
    std::vector<std::string> back;
    while (!rs->bof()) {
        back.push_back(rs->get("code").text());
        rs->movePrevious();
    }
    EXPECT_EQ(back, (std::vector<std::string>{"A", "C", "D", "B"}));
    rs->seek("=", Value());
    EXPECT_EQ(rs->get("code").text(), "B");
    EXPECT_TRUE(rs->get("n").isNull());
    rs->seek("<", Value("10"));
    EXPECT_EQ(rs->get("code").text(), "D");
}

TEST_F(DbTest, FieldTypesAreChecked) {
    auto db = Database::create("mailsort.mdb");
    TableDef t{"t",
               {{"name", FieldType::Text, 5, false},
                {"note", FieldType::Text, 5},
                {"b", FieldType::Byte, 0},
                {"i", FieldType::Integer, 0},
                {"l", FieldType::Long, 0},
                {"d", FieldType::Double, 0},
                {"c", FieldType::Currency, 0}}};
    db->createTable(t);
    auto rs = db->openTable("t");
    rs->addNew();
    struct {
        const char* field;
        Value in;
        int err;
        Value stored;
    } cases[] = {
        {"name", "héllo", 0, "héllo"},  // five characters, six bytes
        {"name", "toolong", err::TooLong, {}},
        {"note", "ab  ", 0, "ab  "},    // trailing blanks kept
        {"note", 12.5, 0, "12.5"},
        {"b", 255, 0, int64_t(255)},
        {"b", 256, err::Conversion, {}},
        {"b", -1, err::Conversion, {}},
        {"i", " 42 ", 0, int64_t(42)},  // a text that reads as a number
        {"i", "2.5", 0, int64_t(2)},    // half to even
        {"i", 32768, err::Conversion, {}},
        {"i", "12abc", err::Conversion, {}},
        {"i", "", err::Conversion, {}},
        {"l", 2147483647.0, 0, int64_t(2147483647)},
        {"l", 2147483648.0, err::Conversion, {}},
        {"d", "1.25", 0, 1.25},
        {"c", 1.23456, 0, 1.2346},
        {"d", Value(), 0, Value()},
    };
    for (auto& c : cases) {
        int got = code([&] { rs->set(c.field, c.in); });
        EXPECT_EQ(got, c.err) << c.field << " " << c.in.toString();
        if (!c.err) {
            EXPECT_EQ(rs->get(c.field), c.stored) << c.field << " " << c.in.toString();
        }
    }
    EXPECT_EQ(code([&] { rs->set("nosuch", 1); }), err::ItemNotFound);
    rs->set("name", "");
    EXPECT_EQ(code([&] { rs->update(); }), err::ZeroLength);
    rs->set("name", "x");
    rs->update();
    rs->moveFirst();
    EXPECT_EQ(rs->get("note").text(), "12.5");
    EXPECT_EQ(rs->get("c").toDouble(), 1.2346);
}

TEST_F(DbTest, NoCurrentRecordAndMissingThings) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    EXPECT_EQ(code([&] { db->openTable("nosuch"); }), err::TableNotFound);
    auto rs = db->openTable("codes");
    EXPECT_TRUE(rs->bof() && rs->eof());
    EXPECT_EQ(code([&] { rs->moveFirst(); }), err::NoCurrentRecord);
    EXPECT_EQ(code([&] { rs->get("code"); }), err::NoCurrentRecord);
    EXPECT_EQ(code([&] { rs->edit(); }), err::NoCurrentRecord);
    EXPECT_EQ(code([&] { rs->update(); }), err::UpdateWithoutEdit);
    EXPECT_EQ(code([&] { rs->seek("=", Value("A")); }), err::NoCurrentIndex);
    EXPECT_EQ(code([&] { rs->setIndex("Key9"); }), err::IndexNotFound);
    add(*rs, "A", "1", 1);
    rs->moveFirst();
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(code([&] { rs->moveNext(); }), err::NoCurrentRecord);
    rs->movePrevious();  // from past the end to the last row
    EXPECT_EQ(rs->get("code").text(), "A");
    EXPECT_EQ(code([&] { db->dropTable("codes"); }), err::TableInUse);
    rs.reset();
    EXPECT_EQ(code([&] { db->dropTable("codes"); }), 0);
    EXPECT_EQ(code([&] { db->dropTable("codes"); }), err::DropMissingTable);
}

TEST_F(DbTest, AddNewEditDeleteKeepTheirPositions) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    auto rs = db->openTable("codes");
    for (const char* c : {"A", "B", "C", "D"}) add(*rs, c, "g", 0);
    rs->setIndex("PrimaryKey");
    rs->seek("=", Value("B"));
    // The row being added is readable before Update; after it the old row is current.
    rs->addNew();
    rs->set("code", "BB");
    EXPECT_EQ(rs->get("code").text(), "BB");
    EXPECT_EQ(rs->get("grp").isNull(), true);
    rs->update();
    EXPECT_EQ(rs->get("code").text(), "B");
    rs->moveNext();
    EXPECT_EQ(rs->get("code").text(), "BB");
    // Delete: no current row, then MoveNext reaches the row that followed.
    rs->deleteCurrent();
    EXPECT_EQ(code([&] { rs->get("code"); }), err::RecordDeleted);
    rs->moveNext();
    EXPECT_EQ(rs->get("code").text(), "C");
    // Emptying a table the way the reference import does.
    rs->moveFirst();
    while (!rs->eof()) {
        rs->deleteCurrent();
        rs->moveNext();
    }
    EXPECT_EQ(rs->recordCount(), 0);
}

TEST_F(DbTest, RecodingTheIndexedFieldWhileWalkingIt) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    auto rs = db->openTable("codes");
    // grp plays mscode: re-coding a group of "12345" to its residue "123".
    add(*rs, "a", "10000", 0);
    add(*rs, "b", "12345", 0);
    add(*rs, "c", "12345", 0);
    add(*rs, "d", "12345", 0);
    add(*rs, "e", "13000", 0);
    rs->setIndex("Key1");
    auto recodeGroup = [&] {
        std::vector<std::string> seen;
        rs->seek("=", Value("12345"));
        while (!rs->eof() && rs->get("grp").text() == "12345") {
            seen.push_back(rs->get("code").text());
            rs->edit();
            rs->set("grp", "123");
            rs->update();
            // The updated row stays current, at its new place in the index.
            EXPECT_EQ(rs->get("grp").text(), "123");
            rs->moveNext();
        }
        return seen;
    };
    EXPECT_EQ(recodeGroup(), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(rs->get("code").text(), "e");
    EXPECT_EQ(walk(*rs), (std::vector<std::string>{"a", "b", "c", "d", "e"}));

    // Rows that already hold the new key do not disturb the walk either.
    rs->setIndex("");
    rs->moveFirst();
    while (!rs->eof()) {
        std::string c = rs->get("code").text();
        rs->edit();
        rs->set("grp", c == "a" ? "10000" : c == "e" ? "13000" : "12345");
        rs->update();
        rs->moveNext();
    }
    add(*rs, "f", "123", 0);
    rs->setIndex("Key1");
    EXPECT_EQ(recodeGroup(), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(rs->get("code").text(), "e");

    // A row moved ahead of the walk is met again at its new place.
    rs->moveFirst();
    EXPECT_EQ(rs->get("code").text(), "a");
    rs->edit();
    rs->set("grp", "99999");
    rs->update();
    std::vector<std::string> rest;
    for (rs->moveNext(); !rs->eof(); rs->moveNext()) rest.push_back(rs->get("code").text());
    EXPECT_EQ(rest, (std::vector<std::string>{"b", "c", "d", "f", "e", "a"}));
}

TEST_F(DbTest, ChangesReachTheFileAndOtherHandles) {
    {
        auto db = Database::create("mailsort.mdb");
        makeCodes(*db);
        auto rs = db->openTable("codes");
        for (int i = 0; i < 100; ++i) add(*rs, std::to_string(i), "g", i);
    }
    // A closed database is one file: nothing beside it holds data.
    EXPECT_FALSE(fs::exists("mailsort.mdb-journal"));
    EXPECT_FALSE(fs::exists("mailsort.mdb-wal"));
    auto a = Database::open("mailsort.mdb");
    auto b = Database::open("mailsort.mdb");
    auto ra = a->openTable("codes");
    auto rb = b->openTable("codes");
    EXPECT_EQ(rb->recordCount(), 100);
    ra->edit();
    ra->set("grp", "chg");
    ra->update();
    a->commit();
    rb->moveFirst();
    EXPECT_EQ(rb->get("grp").text(), "chg");
    // Another handle's writes wait for ours; a commit makes them possible.
    Database::commitAll();
}

TEST_F(DbTest, CompactAndSettle) {
    {
        auto db = Database::create("mailsort.mdb");
        makeCodes(*db);
        auto rs = db->openTable("codes");
        add(*rs, "A", "g", 1);
    }
    {
        auto db = Database::open("mailsort.mdb");
        EXPECT_EQ(code([] { Database::compact("mailsort.mdb", "x.mdb"); }), err::FileInUse);
    }
    EXPECT_EQ(code([] { Database::compact("mailsort.mdb", "MAILSORT.MDB"); }), err::DatabaseExists);
    fs::rename("mailsort.mdb", "MAILSORT.bak");
    Database::compact("mailsort.bak", "mailsort.mdb");
    auto db = Database::open("mailsort.mdb");
    auto rs = db->openTable("codes");
    rs->setIndex("PrimaryKey");
    rs->seek("=", Value("a"));
    EXPECT_FALSE(rs->noMatch());
    auto def = db->tableDef("codes");
    ASSERT_EQ(def.indexes.size(), 2u);
    EXPECT_EQ(def.fields[0].size, 6);
}

TEST_F(DbTest, WhatACrashedProgramStoredSurvivesARename) {
    {
        auto db = Database::create("mailsort.mdb");
        makeCodes(*db);
    }
    pid_t pid = fork();
    if (pid == 0) {
        auto db = Database::open("mailsort.mdb", OpenMode::Exclusive);
        auto rs = db->openTable("codes");
        for (int i = 0; i < 50; ++i) add(*rs, std::to_string(i), "g", i);
        db->commit();
        ::kill(getpid(), SIGKILL);  // no close: the log stays beside the file
    }
    waitpid(pid, nullptr, 0);
    Database::settle("MAILSORT.MDB");
    EXPECT_FALSE(fs::exists("mailsort.mdb-wal"));
    fs::rename("mailsort.mdb", "mailsort.bak");
    auto db = Database::open("mailsort.bak");
    EXPECT_EQ(db->openTable("codes")->recordCount(), 50);
}

TEST_F(DbTest, TableDefinitionsReadBack) {
    auto db = Database::create("mailsort.mdb");
    TableDef t{"mmwork",
               {{"name", FieldType::Text, 45, false},
                {"file", FieldType::Text, 255, true, true},
                {"rgcode", FieldType::Integer, 0},
                {"seq", FieldType::Double, 0, true, false, Value(0.0)},
                {"type", FieldType::Text, 1, true, false, Value("A")}},
               {{"Key1", {"name"}}, {"PrimaryKey", {"rgcode", "seq"}, true, true}}};
    db->createTable(t);
    EXPECT_EQ(code([&] { db->createTable(t); }), err::TableExists);
    auto d = db->tableDef("MMWORK");
    ASSERT_EQ(d.fields.size(), 5u);
    EXPECT_FALSE(d.fields[0].allowZeroLength);
    EXPECT_TRUE(d.fields[1].exactCompare);
    EXPECT_EQ(d.fields[2].type, FieldType::Integer);
    EXPECT_EQ(d.fields[3].defaultValue, Value(0.0));
    EXPECT_EQ(d.fields[4].defaultValue, Value("A"));
    bool primary = false;
    for (auto& ix : d.indexes)
        if (ix.name == "PrimaryKey") primary = ix.primary && ix.unique && ix.fields.size() == 2;
    EXPECT_TRUE(primary);
}

}  // namespace

namespace {

TEST_F(DbTest, TransactionsStoreAllOrNothing) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    auto rs = db->openTable("codes");
    add(*rs, "keep", "g", 1);
    db->beginTransaction();
    for (int i = 0; i < 20; ++i) add(*rs, std::to_string(i), "g", i);
    EXPECT_EQ(rs->recordCount(), 21);
    db->rollback();
    EXPECT_EQ(rs->recordCount(), 1);
    rs->moveFirst();
    EXPECT_EQ(rs->get("code").text(), "keep");

    db->beginTransaction();
    add(*rs, "new", "g", 2);
    db->commitTransaction();
    db->beginTransaction();
    add(*rs, "lost", "g", 3);
    db->close();  // an unfinished transaction stores nothing
    auto again = Database::open("mailsort.mdb");
    EXPECT_EQ(again->openTable("codes")->recordCount(), 2);
}

// A commit that fails (here the disk is full) stores nothing, then or later:
// the caller that rolls back when a transaction is still open, and the one
// that does not, both find the file as it was before the transaction.
TEST_F(DbTest, AFailedCommitOfATransactionStoresNothingLater) {
    for (bool callerRollsBack : {true, false}) {
        SCOPED_TRACE(callerRollsBack ? "caller rolls back" : "caller goes on");
        fs::remove("mailsort.mdb");
        {
            auto db = Database::create("mailsort.mdb");
            makeCodes(*db);
            add(*db->openTable("codes"), "keep", "g", 1);
            db->close();
        }
        auto db = Database::open("mailsort.mdb");
        {
            auto rs = db->openTable("codes");
            db->beginTransaction();
            for (int i = 0; i < 5000; ++i) add(*rs, "R" + std::to_string(i), std::string(5, char('a' + i % 26)), i);
        }
        {
            qv::testkit::FileSizeLimit full(64 * 1024);
            EXPECT_EQ(code([&] { db->commitTransaction(); }), err::WriteFailed);
        }
        if (callerRollsBack && db->inTransaction()) db->rollback();
        EXPECT_FALSE(db->inTransaction());
        EXPECT_EQ(db->openTable("codes")->recordCount(), 1);
        // The handle goes on: later writes are stored as usual.
        add(*db->openTable("codes"), "after", "g", 2);
        Database::commitAll();
        db->close();
        auto again = Database::open("mailsort.mdb");
        EXPECT_EQ(walk(*again->openTable("codes")), (std::vector<std::string>{"keep", "after"}));
    }
}

// The engine refuses COMMIT (or ROLLBACK) while keeping the transaction
// open, as it does when busy beyond the retries: the connections this test
// opens are given an authorizer that refuses what the switches say.
struct RefuseEnd {
    static inline bool commit = false, rollback = false;
    static int authorize(void*, int action, const char* what, const char*, const char*, const char*) {
        if (action != SQLITE_TRANSACTION || !what) return SQLITE_OK;
        const std::string w = what;
        return (commit && w == "COMMIT") || (rollback && w == "ROLLBACK") ? SQLITE_DENY : SQLITE_OK;
    }
    static int install(sqlite3* db, char**, const void*) {
        sqlite3_set_authorizer(db, authorize, nullptr);
        return SQLITE_OK;
    }
    RefuseEnd() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(install)); }
    ~RefuseEnd() {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(install));
        commit = rollback = false;
    }
};

TEST_F(DbTest, ATransactionWhoseCommitTheEngineRefusesIsNeverStoredLater) {
    RefuseEnd refuse;
    {
        auto db = Database::create("mailsort.mdb");
        makeCodes(*db);
        add(*db->openTable("codes"), "keep", "g", 1);
    }
    auto stored = [] { return walk(*Database::open("mailsort.mdb")->openTable("codes")); };
    const std::vector<std::string> before{"keep"};

    // Refused commit: dropped at once, so neither the caller's check nor a
    // later commit finds anything of it.
    {
        auto db = Database::open("mailsort.mdb");
        db->beginTransaction();
        add(*db->openTable("codes"), "lost", "g", 2);
        RefuseEnd::commit = true;
        try {
            db->commitTransaction();
            ADD_FAILURE() << "the commit was refused";
        } catch (const DbError& e) {
            EXPECT_EQ(e.number(), err::WriteFailed);
            EXPECT_EQ(e.description(), "The changes could not be saved: not authorized.");  // dropped, not pending
        }
        RefuseEnd::commit = false;
        EXPECT_FALSE(db->inTransaction());
        EXPECT_EQ(db->openTable("codes")->recordCount(), 1);
        Database::commitAll();
        db->close();
    }
    EXPECT_EQ(stored(), before);

    // Commit and rollback refused: still open and marked, the rollback
    // raises its failure, and once it can, drops the changes.
    {
        auto db = Database::open("mailsort.mdb");
        db->beginTransaction();
        add(*db->openTable("codes"), "lost", "g", 2);
        RefuseEnd::commit = RefuseEnd::rollback = true;
        EXPECT_EQ(code([&] { db->commitTransaction(); }), err::WriteFailed);
        EXPECT_TRUE(db->inTransaction());
        EXPECT_EQ(code([&] { db->rollback(); }), err::WriteFailed);
        EXPECT_TRUE(db->inTransaction());
        RefuseEnd::commit = RefuseEnd::rollback = false;
        db->rollback();
        EXPECT_FALSE(db->inTransaction());
        EXPECT_EQ(code([&] { db->rollback(); }), 0);  // nothing left to roll back
        Database::commitAll();
        db->close();
    }
    EXPECT_EQ(stored(), before);
}

TEST_F(DbTest, IndexesOfANewTableAreThereWhenNeeded) {
    {
        auto db = Database::create("mailsort.mdb");
        makeCodes(*db);
        auto rs = db->openTable("codes");
        for (int i = 0; i < 300; ++i) add(*rs, std::to_string(i), std::to_string(i % 7), i);
        rs->setIndex("Key1");
        rs->seek("=", Value("3"));
        EXPECT_EQ(rs->get("n").toInt(), 3);
        rs->moveNext();
        EXPECT_EQ(rs->get("n").toInt(), 10);
    }
    {
        // Built on close at the latest: another program finds them in the file.
        auto db = Database::create("other.mdb");
        makeCodes(*db);
        add(*db->openTable("codes"), "A", "1", 1);
    }
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open("other.mdb", &h), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='codes.Key1'", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);
    sqlite3_finalize(st);
    sqlite3_close(h);
    auto db = Database::open("other.mdb");
    EXPECT_EQ(db->tableNames(), std::vector<std::string>{"codes"});
    EXPECT_EQ(db->tableDef("codes").indexes.size(), 2u);
}

}  // namespace

TEST_F(DbTest, TextsSetStraightIntoNewRowsAreCheckedAndNeverLeftOver) {
    auto db = Database::create("mailsort.mdb");
    TableDef t{"rows",
               {{"code", FieldType::Text, 3}, {"note", FieldType::Text, 10}, {"n", FieldType::Long, 0},
                {"named", FieldType::Text, 4, false, false, Value("none")}},
               {}};
    db->createTable(t);
    auto rs = db->openTable("rows");
    const int fCode = rs->fieldIndex("code"), note = rs->fieldIndex("note"), n = rs->fieldIndex("n"),
              named = rs->fieldIndex("named");
    rs->addNew();
    rs->setText(fCode, "ABC");
    rs->setText(note, "first row");
    rs->setText(n, "42");  // a number field takes the text's number
    rs->setText(named, "mine");
    rs->update();
    // The next row sets less: nothing of the first one may show through.
    rs->addNew();
    rs->setText(fCode, "\xC3\xA9\xC3\xA9\xC3\xA9");  // three characters in six bytes fit
    rs->update();
    rs->addNew();
    EXPECT_EQ(code([&] { rs->setText(fCode, "ABCD"); }), err::TooLong);
    EXPECT_EQ(code([&] { rs->setText(n, "many"); }), err::Conversion);
    rs->cancelUpdate();
    std::vector<std::vector<Value>> got;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        got.push_back({rs->get(fCode), rs->get(note), rs->get(n), rs->get(named)});
    EXPECT_EQ(got, (std::vector<std::vector<Value>>{{Value("ABC"), Value("first row"), Value(int64_t(42)), Value("mine")},
                                                    {Value("\xC3\xA9\xC3\xA9\xC3\xA9"), Value(), Value(), Value("none")}}));
}

// Values whose stored type is not the field's: SQLite keeps a text in a
// number field, a fraction in a whole-number field and a blob anywhere (a
// damaged or hand-edited table). A walk in any index meets every row once, in
// the order SQLite itself sorts the stored values.
class OddValuesTest : public DbTest {
protected:
    static constexpr int kRows = 3000;  // many windows, their ends on odd values

    void SetUp() override {
        DbTest::SetUp();
        db_ = Database::create("mailsort.mdb");
        TableDef t{"mixed",
                   {{"code", FieldType::Text, 10}, {"grp", FieldType::Text, 5}, {"seq", FieldType::Double},
                    {"n", FieldType::Long}},
                   {{"PrimaryKey", {"code"}, true, true},
                    {"Key1", {"grp"}},
                    {"Key2", {"seq"}},
                    {"Key3", {"n"}},
                    {"Key4", {"grp", "seq"}}}};
        db_->createTable(t);
        auto rs = db_->openTable("mixed");
        for (int i = 0; i < kRows; ++i) {
            rs->addNew();
            rs->set("code", "c" + std::to_string(i));
            if (i % 11) rs->set("grp", "g" + std::to_string(i % 7));
            if (i % 13) rs->set("seq", double(i * 37 % 50) / 2);
            if (i % 5) rs->set("n", i % 9);
            rs->update();
        }
        db_->commit();
        // Stored by another connection, as a hand edit would; the field
        // checks of the layer would refuse every one of these.
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open("mailsort.mdb", &h), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(h,
                               "UPDATE mixed SET seq = 'x' || (rowid % 4) WHERE rowid % 9 = 0;"
                               "UPDATE mixed SET seq = X'00FF' WHERE rowid % 31 = 0;"
                               "UPDATE mixed SET n = 2.5 WHERE rowid % 17 = 0;"
                               "UPDATE mixed SET n = 'abc' WHERE rowid % 19 = 0;"
                               "UPDATE mixed SET grp = X'67' WHERE rowid % 23 = 0;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(h);
    }

    // Codes as SQLite orders the stored values; equal keys in storage order.
    std::vector<std::string> ordered(const std::string& orderBy, const std::string& where = "") {
        std::string sql = "SELECT code FROM mixed" + (where.empty() ? "" : " WHERE " + where) + " ORDER BY " +
                          (orderBy.empty() ? "" : orderBy + ", ") + "rowid";
        // Read by a connection of its own, with the layer's collation.
        db_->commit();
        sqlite3* h = nullptr;
        EXPECT_EQ(sqlite3_open("mailsort.mdb", &h), SQLITE_OK);
        sqlite3_create_collation(h, kKeyTextCollation, SQLITE_UTF8, nullptr, keyTextCollation);
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        std::vector<std::string> out;
        while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        sqlite3_close(h);
        return out;
    }

    // The walk from the current row to one end; stops at twice the rows.
    static std::vector<std::string> walkOn(Recordset& rs, bool forward) {
        std::vector<std::string> out;
        while (!(forward ? rs.eof() : rs.bof()) && out.size() < 2 * size_t(kRows)) {
            out.push_back(rs.get("code").text());
            forward ? rs.moveNext() : rs.movePrevious();
        }
        return out;
    }

    std::unique_ptr<Database> db_;
};

TEST_F(OddValuesTest, EveryIndexIsWalkedOnceEachWayAndOnFromASeek) {
    struct Case {
        const char* index;
        const char* orderBy;
        Value seekKey;
    };
    const Case cases[] = {{"", "", Value()},
                          {"PrimaryKey", "code", Value("c2000")},
                          {"Key1", "grp", Value("g3")},
                          {"Key2", "seq", Value(12.5)},
                          {"Key3", "n", Value(4)},
                          {"Key4", "grp, seq", Value("g5")}};
    auto rs = db_->openTable("mixed");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("index '") + c.index + "'");
        const auto all = ordered(c.orderBy);
        ASSERT_EQ(all.size(), size_t(kRows));
        rs->setIndex(c.index);
        rs->moveFirst();
        EXPECT_EQ(walkOn(*rs, true), all);
        rs->moveLast();
        EXPECT_EQ(walkOn(*rs, false), std::vector<std::string>(all.rbegin(), all.rend()));
        if (c.seekKey.isNull()) continue;
        // From a seek the walk goes on to either end, meeting what lies between once.
        for (const char* op : {">=", ">", "<=", "<"}) {
            SCOPED_TRACE(op);
            rs->seek(op, c.seekKey);
            ASSERT_FALSE(rs->noMatch());
            auto at = std::find(all.begin(), all.end(), rs->get("code").text());
            ASSERT_NE(at, all.end());
            EXPECT_EQ(walkOn(*rs, true), std::vector<std::string>(at, all.end()));
            rs->seek(op, c.seekKey);
            EXPECT_EQ(walkOn(*rs, false), std::vector<std::string>(std::make_reverse_iterator(at + 1), all.rend()));
        }
    }
}

TEST_F(OddValuesTest, AWalkThatRewritesEachRowMeetsEveryRowOnce) {
    // A row written back holds its value as read (a text in seq becomes 0)
    // and so moves behind the walk; no row is met twice, none is missed.
    for (const char* index : {"Key2", "Key3", "Key1"}) {
        SCOPED_TRACE(index);
        auto rs = db_->openTable("mixed");
        rs->setIndex(index);
        std::map<std::string, int> met;
        for (int steps = 0; !rs->eof() && steps < 2 * kRows; ++steps) {
            ++met[rs->get("code").text()];
            rs->edit();
            rs->set("code", rs->get("code"));
            rs->update();
            rs->moveNext();
        }
        EXPECT_EQ(met.size(), size_t(kRows));
        EXPECT_TRUE(std::all_of(met.begin(), met.end(), [](const auto& m) { return m.second == 1; }));
    }
    EXPECT_TRUE(ordered("", "typeof(seq) = 'text' OR typeof(n) NOT IN ('integer', 'null')").empty());
}

// A record set whose first read fails (a damaged table) leaves nothing
// behind: the table is not counted as open and the database closes cleanly.
TEST_F(DbTest, ATableThatCannotBeReadLeavesNoRecordsetBehind) {
    {
        auto db = Database::create("fresh.mdb");
        // The job table after another, so that its pages lie in the middle of the file.
        for (const char* name : {"reference", "job"}) {
            db->createTable({name, {{"code", FieldType::Text, 10}, {"address", FieldType::Text, 200}}, {}});
            auto rs = db->openTable(name);
            for (int i = 0; i < 2000; ++i) {
                rs->addNew();
                rs->set("code", std::to_string(i));
                rs->set("address", std::string(150, char('a' + i % 26)));
                rs->update();
            }
        }
    }
    fs::copy_file("fresh.mdb", "mailsort.mdb");
    const auto pages = fs::file_size("mailsort.mdb") / 4096;
    {
        std::fstream f("mailsort.mdb", std::ios::in | std::ios::out | std::ios::binary);
        const std::string zeros(4096, '\0');
        for (auto p = pages / 2 - 10; p < pages / 2 + 10; ++p) {
            f.seekp(std::streamoff(p * 4096));
            f.write(zeros.data(), std::streamsize(zeros.size()));
        }
    }
    {
        auto db = Database::open("mailsort.mdb");
        EXPECT_EQ(code([&] { db->openTable("job"); }), err::InvalidStatement);
        EXPECT_EQ(db->openTable("reference")->get("code").text(), "0");  // its first rows are whole
        EXPECT_EQ(code([&] { db->close(); }), 0);
    }
    auto db = Database::open("mailsort.mdb");
    EXPECT_EQ(code([&] { db->openTable("job"); }), err::InvalidStatement);
    // Refused for the damage, not as a table still open.
    EXPECT_EQ(code([&] { db->dropTable("job"); }), err::InvalidStatement);
}

// A schema that is damaged or was edited by hand is reported as a damaged
// database, whichever part of it gives way: never as an error of no number.
TEST_F(DbTest, ADamagedSchemaIsReportedAsADamagedDatabase) {
    const char* job = "CREATE TABLE job (code TEXT(10), town TEXT(20));";
    const char* pending = "CREATE TABLE qv_pending_index (tbl TEXT, idx TEXT, unique_ INTEGER, cols TEXT, sql TEXT);";
    const char* dropTown = "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = 'CREATE TABLE job (code TEXT(10))' "
                           "WHERE name = 'job';";
    enum class Step { Open, OpenTable, Save };
    struct Case {
        const char* what;
        std::string sql;
        Step step;
    } cases[] = {
        {"an index whose field is gone from its table (the name in quotes then reads as a text)",
         std::string(job) + "CREATE INDEX \"job.Town\" ON job(\"town\");" + dropTown, Step::OpenTable},
        {"an index over an expression", std::string(job) + "CREATE INDEX \"job.Lower\" ON job(lower(code));",
         Step::OpenTable},
        {"an index waiting to be built on a missing field",
         std::string(job) + pending + "INSERT INTO qv_pending_index VALUES ('job', 'Key1', 0, 'county', 'CREATE INDEX x ON job(code)');",
         Step::OpenTable},
        {"an index waiting to be built without its statement",
         std::string(job) + pending + "INSERT INTO qv_pending_index VALUES ('job', 'Key1', 0, 'code', NULL);",
         Step::OpenTable},
        {"an index waiting to be built without its name",
         std::string(job) + pending + "INSERT INTO qv_pending_index VALUES ('job', NULL, 0, 'code', 'CREATE INDEX x ON job(code)');",
         Step::OpenTable},
        {"an index waiting to be built for no table",
         std::string(job) + pending + "INSERT INTO qv_pending_index VALUES (NULL, 'Key1', 0, 'code', 'CREATE INDEX x ON job(code)');",
         Step::Save},
        {"a schema that cannot be read (an index on a field that is gone)",
         std::string(job) + "CREATE INDEX \"job.Town\" ON job(town);" + dropTown, Step::Open},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove("mailsort.mdb");
        {
            sqlite3* h = nullptr;
            ASSERT_EQ(sqlite3_open("mailsort.mdb", &h), SQLITE_OK);
            char* msg = nullptr;
            EXPECT_EQ(sqlite3_exec(h, c.sql.c_str(), nullptr, nullptr, &msg), SQLITE_OK) << (msg ? msg : "");
            sqlite3_free(msg);
            sqlite3_close(h);
        }
        int number = -1;
        std::string description;
        try {
            auto db = Database::open("mailsort.mdb");
            if (c.step == Step::OpenTable) db->openTable("job");
            if (c.step == Step::Save) {
                EXPECT_TRUE(db->hasTable("job"));
                db->save();
            }
            number = 0;
        } catch (const DbError& e) {
            number = e.number();
            description = e.description();
        } catch (const std::exception& e) {
            description = e.what();
        }
        EXPECT_EQ(number, err::NotADatabase) << description;
        EXPECT_EQ(description.rfind("The database mailsort.mdb is damaged: ", 0), 0u) << description;
    }
}

// An index waiting to be built is made from its table, name and fields: the
// statement stored beside them in the file is never run, whatever it holds.
TEST_F(DbTest, AnIndexWaitingToBeBuiltIsMadeFromItsNamesNotFromTheStoredStatement) {
    fs::remove("mailsort.mdb");
    {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open("mailsort.mdb", &h), SQLITE_OK);
        const char* sql =
            "CREATE TABLE job (code TEXT(10), town TEXT(20));"
            "INSERT INTO job VALUES ('b', 'Leeds'), ('a', 'York');"
            "CREATE TABLE qv_pending_index (tbl TEXT, idx TEXT, unique_ INTEGER, cols TEXT, sql TEXT);"
            "INSERT INTO qv_pending_index VALUES ('job', 'Code', 0, 'code', "
            "'CREATE TABLE planted (x); ATTACH ''planted.db'' AS p; CREATE TABLE p.x (y)');";
        char* msg = nullptr;
        EXPECT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, &msg), SQLITE_OK) << (msg ? msg : "");
        sqlite3_free(msg);
        sqlite3_close(h);
    }
    {
        auto db = Database::open("mailsort.mdb");
        auto rs = db->openTable("job");
        rs->setIndex("Code");
        rs->moveFirst();
        EXPECT_EQ(rs->get("code").text(), "a");
        rs.reset();
        db->close();
    }
    EXPECT_FALSE(fs::exists("planted.db"));
    auto db = Database::open("mailsort.mdb");
    EXPECT_FALSE(db->hasTable("planted"));
    EXPECT_FALSE(db->hasTable("qv_pending_index") && db->openTable("qv_pending_index")->recordCount() > 0);
}

// Bulk rewrites by bookmark, with the indexes over the rewritten fields
// dropped and made again: stored with the transaction, or not at all.
// Outside a transaction an interval commit would store the table without
// the indexes a bulk update dropped: it is refused, before and after one.
TEST_F(DbTest, ABulkUpdateIsRefusedOutsideATransaction) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    int64_t mark;
    {
        auto rs = db->openTable("codes");
        add(*rs, "A1", "g", 1);
        mark = rs->lastModified();
        rs->setIndex("Key1");
    }
    db->commit();
    EXPECT_EQ(code([&] { db->bulkUpdate("codes"); }), err::InvalidArgument);

    db->beginTransaction();
    auto bulk = db->bulkUpdate("codes");
    const int list = bulk->fields({"grp"});
    db->commitTransaction();
    const Value v[] = {Value("h")};
    EXPECT_EQ(code([&] { bulk->suspendIndexesOver({"grp"}); }), err::InvalidArgument);
    EXPECT_EQ(code([&] { bulk->write(list, mark, v); }), err::InvalidArgument);
    bulk.reset();
    db->close();

    auto again = Database::open("mailsort.mdb");
    EXPECT_EQ(walk(*again->openTable("codes"), "grp"), std::vector<std::string>{"g"});
    again->close();
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open("mailsort.mdb", &h), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='codes.Key1'", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);  // the index is still in the file
    sqlite3_finalize(st);
    sqlite3_close(h);
}

TEST_F(DbTest, ABulkUpdateRewritesFieldsByBookmarkAndRemakesTheIndexesItSuspended) {
    auto db = Database::create("mailsort.mdb");
    makeCodes(*db);
    std::vector<int64_t> marks;
    {
        auto rs = db->openTable("codes");
        for (int i = 0; i < 40; ++i) {
            add(*rs, "C" + std::to_string(10 + i), "g" + std::to_string(i % 4), i);
            marks.push_back(rs->lastModified());
        }
        rs->setIndex("Key1");  // built now
    }
    db->commit();
    auto indexes = [] {
        sqlite3* h = nullptr;
        EXPECT_EQ(sqlite3_open("mailsort.mdb", &h), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT name FROM sqlite_master WHERE type='index' ORDER BY name", -1, &st, nullptr);
        std::vector<std::string> out;
        while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        sqlite3_close(h);
        return out;
    };
    const std::vector<std::string> both{"codes.Key1", "codes.PrimaryKey.primary"};
    ASSERT_EQ(indexes(), both);

    // Written, then dropped by a rollback: values and indexes as they were.
    db->beginTransaction();
    {
        auto bulk = db->bulkUpdate("CODES");
        bulk->suspendIndexesOver({"GRP"});
        const int list = bulk->fields({"grp"});
        const Value v[] = {Value("lost")};
        bulk->write(list, marks[0], v);
    }
    db->rollback();
    EXPECT_EQ(indexes(), both);
    EXPECT_EQ(walk(*db->openTable("codes"), "grp")[0], "g0");

    db->beginTransaction();
    {
        auto bulk = db->bulkUpdate("codes");
        bulk->suspendIndexesOver({"grp"});
        db->commit();  // no interval commit inside the transaction
        const int both = bulk->fields({"grp", "n"});
        const int one = bulk->fields({"n"});
        for (size_t i = 0; i < marks.size(); ++i) {
            const Value v[] = {Value("h" + std::to_string(39 - i)), Value(int64_t(100 + i))};
            if (i % 2) bulk->write(one, marks[i], std::span<const Value>(v + 1, 1));
            else bulk->write(both, marks[i], v);
        }
        EXPECT_EQ(code([&] { bulk->write(one, marks[0], std::span<const Value>()); }), err::InvalidArgument);
        EXPECT_EQ(code([&] { bulk->fields({"town"}); }), err::ItemNotFound);
        bulk->finish();
    }
    db->commitTransaction();
    EXPECT_EQ(indexes(), both);
    db->close();

    auto again = Database::open("mailsort.mdb");
    auto rs = again->openTable("codes");
    rs->setIndex("Key1");
    const auto grp = walk(*rs, "grp");
    std::vector<std::string> want;
    for (size_t i = 0; i < marks.size(); ++i) want.push_back(i % 2 ? "g" + std::to_string(i % 4) : "h" + std::to_string(39 - i));
    std::sort(want.begin(), want.end());
    EXPECT_EQ(grp, want);
    rs->setIndex("");
    const auto n = walk(*rs, "n");
    ASSERT_EQ(n.size(), marks.size());
    EXPECT_EQ(n.front(), "100");
    EXPECT_EQ(n.back(), "139");
}
