// The import and coding job as one call: what it leaves for each way a run
// ends, as the window and the benchmark rely on it.
#include "coding/codingjob.h"
#include "common/jobtables.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/recordingprinter.h"
#include "tests/fixture.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

using namespace qv::coding;
using qv::platform::RecordingPrinter;

namespace {

class CodingJob : public fixture::DatabaseFolder {
protected:
    void SetUp() override {
        DatabaseFolder::SetUp();
        addPcode({{"LS1 4", "12345", 3}});
    }
    void commaLayout(const std::string& file, const std::string& type = "C") {
        setLayout(file, type, "N", {{Name1, {1, 1}}, {Address11, {2, 2}}, {Town, {3, 3}}, {Postcode1, {4, 4}}});
    }
    JobResult run(const JobOptions& options = {}) {
        auto db = open();
        return runCodingJob(*db, report_, counters_, options);
    }
    std::size_t workRows() {
        auto db = open();
        return db->hasTable("mmwork") ? std::size_t(db->openTable("mmwork")->recordCount()) : 0;
    }

    // The names in mmwork in storage order, their trailing blanks cut;
    // nullopt when there is no table.
    std::optional<std::vector<std::string>> workNames() {
        auto db = open();
        if (!db->hasTable("mmwork")) return std::nullopt;
        std::vector<std::string> names;
        auto rs = db->openTable("mmwork");
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) names.push_back(qv::rtrim(rs->get("name").toString()));
        // Both indexes read every row.
        for (const char* index : {"Key1", "Key2"}) {
            rs->setIndex(index);
            std::size_t n = 0;
            for (rs->moveFirst(); !rs->eof(); rs->moveNext()) ++n;
            EXPECT_EQ(n, names.size()) << index;
        }
        return names;
    }
    // A customer's file of n addresses; every third has a postcode the
    // reference data does not know, so the report has lines for them.
    std::string customers(const std::string& file, int n) {
        std::vector<std::string> lines;
        for (int i = 1; i <= n; ++i)
            lines.push_back("\"" + file + " " + std::to_string(i) + "\",\"1 Street\",\"LEEDS\",\"" +
                            (i % 3 ? "LS1 4AB" : "ZZ9 9ZZ") + "\"");
        return writeFile(file, lines);
    }
    // An earlier job of the names it returns, left by a finished run.
    std::vector<std::string> earlierJob() {
        commaLayout(customers("earlier.csv", 3));
        EXPECT_EQ(run().outcome, JobOutcome::Done);
        printer_.clear();
        counters_ = Counters{};
        return {"earlier.csv 1", "earlier.csv 2", "earlier.csv 3"};
    }

    RecordingPrinter printer_;
    CodingReport report_{printer_};
    Counters counters_;
};

TEST_F(CodingJob, EachWayARunEnds) {
    const std::vector<std::string> three = {"\"A One\",\"1 Street\",\"LEEDS\",\"LS1 4AB\"",
                                            "\"B Two\",\"2 Street\",\"LEEDS\",\"LS1 4CD\"",
                                            "\"C Three\",\"3 Street\",\"LEEDS\",\"LS1 4EF\""};
    struct Case {
        const char* name;
        std::function<void()> arrange;
        int stopAfter;  // stop requested once this many records were counted; -1 never
        JobOutcome outcome;
        std::size_t rows;  // mmwork afterwards
        int ended, killed;  // report documents
    };
    const Case cases[] = {
        {"stopped, no earlier job", [&] { commaLayout(writeFile("cust.csv", three)); }, 1, JobOutcome::Stopped, 0,
         0, 1},
        {"done", [&] { commaLayout(writeFile("cust.csv", three)); }, -1, JobOutcome::Done, 3, 1, 0},
        {"stopped", [&] { commaLayout(writeFile("new.csv", three)); }, 2, JobOutcome::Stopped, 3, 0, 1},
        {"no file chosen", [&] { setParm({{qv::parm::key::MailFile, qv::db::Value("")}}); }, -1,
         JobOutcome::NoMailFile, 3, 0, 0},
        {"no layout", [&] { setParm({{qv::parm::key::MailFile, qv::db::Value("/elsewhere/other.csv")}}); }, -1,
         JobOutcome::NoLayout, 3, 0, 0},
        {"file missing", [&] { commaLayout((dir_ / "gone.csv").string()); }, -1, JobOutcome::ReaderFailed, 3, 0,
         1},
        {"bad type", [&] { commaLayout(writeFile("cust.csv", three), "X"); }, -1, JobOutcome::IncorrectType, 0,
         0, 1},
    };
    // The finished job's three rows are kept by the stop, the refusals and
    // the failure that follow it.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        printer_.clear();
        counters_ = Counters{};
        JobOptions options;
        options.stop = [&] { return c.stopAfter >= 0 && counters_.processed >= c.stopAfter; };
        const JobResult r = run(options);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(workRows(), c.rows);
        EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::EndDoc), c.ended);
        EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::KillDoc), c.killed);
        if (c.outcome == JobOutcome::ReaderFailed) {
            ASSERT_TRUE(r.failure);
            EXPECT_EQ(r.failure->kind, ReaderFailure::Kind::FileNotFound);
        }
    }
}

// A file that gives no address is refused before the earlier job is touched:
// blank lines count as records only among records that hold something.
TEST_F(CodingJob, AFileWithNoAddressesIsRefusedAndTheEarlierJobKept) {
    struct Case {
        const char* name;
        std::string type, skipFirst;
        std::vector<std::string> lines;
        std::optional<ReaderFailure::Kind> refused;  // nullopt: imported
        std::size_t rows;
    };
    const Case cases[] = {
        {"the heading line alone", "C", "Y", {"\"Name\",\"Street\",\"Town\",\"Postcode\""},
         ReaderFailure::Kind::Empty, 0},
        {"the heading and empty lines", "N", "Y", {"Name,Street,Town,Postcode", "", ""}, ReaderFailure::Kind::Empty, 0},
        {"empty lines", "C", "N", {"", "", ""}, ReaderFailure::Kind::Empty, 0},
        {"blanks and tabs", "N", "N", {"   ", "\t", " \t "}, ReaderFailure::Kind::Empty, 0},
        {"fixed columns, lines of blanks", "A", "N", {"          ", "   "}, ReaderFailure::Kind::Empty, 0},
        {"empty fields", "N", "N", {",,,", " , , , "}, ReaderFailure::Kind::NoAddresses, 0},
        {"empty quoted fields", "C", "N", {"\"\",\"\",\"\",\"\""}, ReaderFailure::Kind::NoAddresses, 0},
        {"blank lines among records", "N", "N", {"", "A One,1 Street,LEEDS,LS1 4AB", "", ""}, std::nullopt, 4},
        {"a postcode alone", "N", "N", {",,,LS1 4AB"}, std::nullopt, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = earlierJob();
        const std::string file = writeFile("new.txt", c.lines);
        if (c.type == "A")
            setLayout(file, "A", c.skipFirst, {{Name1, {1, 5}}, {Town, {6, 5}}});
        else
            setLayout(file, c.type, c.skipFirst,
                      {{Name1, {1, 1}}, {Address11, {2, 2}}, {Town, {3, 3}}, {Postcode1, {4, 4}}});
        const JobResult r = run();
        if (c.refused) {
            EXPECT_EQ(r.outcome, JobOutcome::ReaderFailed);
            ASSERT_TRUE(r.failure);
            EXPECT_EQ(r.failure->kind, *c.refused) << r.failure->description;
            EXPECT_EQ(r.failure->path, file);
            EXPECT_EQ(workNames(), before);
            EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::EndDoc), 0);
        } else {
            EXPECT_EQ(r.outcome, JobOutcome::Done);
            EXPECT_EQ(workRows(), c.rows);
        }
    }
}

// A Ctrl-Z ends a customer's file: one with records after it would leave
// them out of a job that passes for the whole file, so it is refused with
// its line. At the end of the file it is no fault.
TEST_F(CodingJob, ACtrlZWithRecordsAfterItIsRefused) {
    const std::string a = "\"A One\",\"1 Street\",\"LEEDS\",\"LS1 4AB\"\r\n";
    const std::string b = "\"B Two\",\"2 Street\",\"LEEDS\",\"LS1 4CD\"\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        std::uint64_t refusedAt;  // 0: imported
        std::size_t rows;
    };
    const Case cases[] = {
        {"amid the records", a + "\x1A" + b + b, 2, 0},
        {"inside a record", a + "\"B T\x1Awo\",\"2 Street\"\r\n" + b, 2, 0},
        {"at the end", a + b + "\x1A", 0, 2},
        {"before blank lines at the end", a + b + "\x1A\r\n  \r\n\x1A", 0, 2},
        {"first in the file", "\x1A" + a + b, 1, 0},
        // A short file whose last sector a disk padded out.
        {"at the end, before NULs", a + b + "\x1A" + std::string(100, '\0'), 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = earlierJob();
        const std::string file = (dir_ / "new.csv").string();
        std::ofstream(file, std::ios::binary) << c.bytes;
        commaLayout(file);
        const JobResult r = run();
        if (c.refusedAt) {
            EXPECT_EQ(r.outcome, JobOutcome::ReaderFailed);
            ASSERT_TRUE(r.failure);
            EXPECT_EQ(r.failure->kind, ReaderFailure::Kind::TextAfterEnd);
            EXPECT_EQ(r.failure->line, c.refusedAt);
            EXPECT_EQ(workNames(), before);
        } else {
            EXPECT_EQ(r.outcome, JobOutcome::Done);
            EXPECT_EQ(workRows(), c.rows);
        }
    }
}

// The bags of the last job's sortation go with its mmwork, so that the labels
// and the merge file see the new job as not sorted; a refused or stopped
// import keeps both.
TEST_F(CodingJob, ANewJobDropsTheLastJobsBags) {
    const auto bagsThere = [&] {
        auto db = open();
        return db->hasTable(qv::jobtables::Bags);
    };
    const auto sortedEarlierJob = [&] {
        earlierJob();
        auto db = open();
        db->createTable(qv::jobtables::bagsDef());
    };
    sortedEarlierJob();
    commaLayout(writeFile("empty.csv", {""}));
    EXPECT_EQ(run().outcome, JobOutcome::ReaderFailed);
    EXPECT_TRUE(bagsThere());

    commaLayout(customers("new.csv", 3));
    JobOptions stop;
    stop.stop = [&] { return counters_.processed >= 1; };
    EXPECT_EQ(run(stop).outcome, JobOutcome::Stopped);
    EXPECT_TRUE(bagsThere());

    EXPECT_EQ(run().outcome, JobOutcome::Done);
    EXPECT_FALSE(bagsThere());
}

TEST_F(CodingJob, ReportsProgressAndPrintsTheChosenReport) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 25; ++i) lines.push_back("\"A One " + std::to_string(i) + "\",\"1 Street\",\"LEEDS\",\"LS1 4AB\"");
    commaLayout(writeFile("cust.csv", lines));
    std::vector<std::string> statuses;
    JobOptions options;
    options.printAll = false;
    options.status = [&](const std::string& s) { statuses.push_back(s); };
    EXPECT_EQ(run(options).outcome, JobOutcome::Done);
    EXPECT_FALSE(statuses.empty());
    EXPECT_EQ(counters_.processed, 25);
    // The summary report alone: no line names the address.
    for (const QString& t : printer_.texts()) EXPECT_FALSE(t.contains(QStringLiteral("A One"))) << t.toStdString();
}

// A run killed (kill -9) anywhere in a child process leaves the earlier
// job, or no table when there was none, or the whole file: never a part. The
// child commits as often as the layer lets it, as on a long run.
TEST_F(CodingJob, AKilledRunLeavesTheEarlierJobOrTheWholeFile) {
    constexpr int kRows = 3000;
    struct Case {
        const char* name;
        bool earlier;  // an earlier job in mmwork
        int killAt;    // records counted when the child is killed; -1: run to the end
    };
    const Case cases[] = {
        {"no earlier job, killed at the first progress", false, 10},
        {"no earlier job, killed half-way", false, kRows / 2},
        {"killed at the first progress", true, 10},
        {"killed half-way", true, kRows / 2},
        {"killed at the last record", true, kRows},
        {"not killed", true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scratch_.reset();
        scratch_ = std::make_unique<qv::testkit::ScratchFolder>();
        dir_ = scratch_->dir();
        addPcode({{"LS1 4", "12345", 3}});
        std::optional<std::vector<std::string>> before;
        if (c.earlier) before = earlierJob();
        commaLayout(customers("new.csv", kRows));

        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            qv::db::Database::setCommitInterval(0);
            auto db = qv::db::Database::open("Mailsort.mdb ", qv::db::OpenMode::Exclusive);
            JobOptions options;
            options.status = [&](const std::string&) {
                if (c.killAt < 0 || counters_.processed < c.killAt) return;
                char x = 'k';
                if (::write(ready[1], &x, 1) != 1) _exit(2);
                for (;;) pause();
            };
            const JobResult r = runCodingJob(*db, report_, counters_, options);
            db->close();
            _exit(r.outcome == JobOutcome::Done ? 0 : 1);
        }
        ::close(ready[1]);
        char x;
        if (c.killAt >= 0) {
            ASSERT_EQ(::read(ready[0], &x, 1), 1);
            kill(pid, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ::close(ready[0]);
        if (c.killAt >= 0) {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(workNames(), before);
        } else {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0);
            const auto names = workNames();
            ASSERT_TRUE(names);
            EXPECT_EQ(names->size(), std::size_t(kRows));
        }
    }
}

// Kills at random moments of a run, the closing commit and the index building
// included: each leaves the earlier job or the whole file.
TEST_F(CodingJob, KillsAtRandomMomentsNeverLeaveAPart) {
    constexpr int kRows = 20000;
    const auto before = earlierJob();
    const std::string file = customers("new.csv", kRows);
    // A child that runs the import; it reports once the database is open.
    const auto startChild = [&](int ready[2]) {
        const pid_t pid = fork();
        if (pid == 0) {
            qv::db::Database::setCommitInterval(0);
            auto db = qv::db::Database::open("Mailsort.mdb ", qv::db::OpenMode::Exclusive);
            char x = 'r';
            if (::write(ready[1], &x, 1) != 1) _exit(2);
            const JobResult r = runCodingJob(*db, report_, counters_);
            db->close();
            _exit(r.outcome == JobOutcome::Done ? 0 : 1);
        }
        return pid;
    };
    // How long a whole run takes, so that the kills fall inside it.
    commaLayout(file);
    auto t = std::chrono::steady_clock::now();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = startChild(ready);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const int runMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count());

    // The seed is printed with a failure, so that its kills can be replayed.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int whole = 0, earlier = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Each attempt starts from the earlier job.
        commaLayout(customers("earlier.csv", 3));
        ASSERT_EQ(run().outcome, JobOutcome::Done);
        ASSERT_EQ(workNames(), before);
        commaLayout(file);
        ASSERT_EQ(pipe(ready), 0);
        pid = startChild(ready);
        ASSERT_GT(pid, 0);
        ::close(ready[1]);
        char x;
        ASSERT_EQ(::read(ready[0], &x, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, runMs)(random)));
        kill(pid, SIGKILL);
        ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
        const auto names = workNames();
        ASSERT_TRUE(names);
        if (*names == before) ++earlier;
        else if (names->size() == std::size_t(kRows) && names->front() == "new.csv 1") ++whole;
        else ADD_FAILURE() << "a part of the file was left: " << names->size() << " rows";
    }
    std::cout << "a run of " << runMs << " ms killed 8 times: " << earlier << " left the earlier job, " << whole
              << " the whole file\n";
}

// The disk fills while the rows are stored, part-way through the file (a
// file-size limit): the run fails, mmwork is the earlier job, and the report
// of rows that were not stored is thrown away. An interval of 0 commits
// nothing early: the run's one transaction keeps interval commits off, so
// both intervals are a store that fails part-way through.
TEST_F(CodingJob, AStoreThatFailsLeavesTheEarlierJobAndNoReport) {
    for (const int interval : {600000, 0}) {
        SCOPED_TRACE(interval);
        const auto before = earlierJob();
        commaLayout(customers("new.csv", 4000));
        qv::db::Database::setCommitInterval(interval);
        JobResult r;
        {
            const auto size = std::filesystem::file_size("mailsort.mdb");
            qv::testkit::FileSizeLimit limit(size + 64 * 1024);
            r = run();
        }
        qv::db::Database::setCommitInterval(500);
        EXPECT_TRUE(r.outcome == JobOutcome::NotStored || r.outcome == JobOutcome::ReaderFailed)
            << int(r.outcome);
        EXPECT_EQ(workNames(), before);
        EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::EndDoc), 0);
        EXPECT_EQ(printer_.count(RecordingPrinter::EventKind::KillDoc), 1);
    }
}

}  // namespace
