// The import and coding job as one call: what it leaves for each way a run
// ends, as the window and the benchmark rely on it.
#include "coding/codingjob.h"
#include "platform/testing/recordingprinter.h"
#include "tests/fixture.h"

#include <gtest/gtest.h>

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
        {"stopped", [&] { commaLayout(writeFile("cust.csv", three)); }, 1, JobOutcome::Stopped, 1, 1, 0},
        {"done", [&] { commaLayout(writeFile("cust.csv", three)); }, -1, JobOutcome::Done, 3, 1, 0},
        {"no file chosen", [&] { setParm({{qv::parm::key::MailFile, qv::db::Value("")}}); }, -1,
         JobOutcome::NoMailFile, 3, 0, 0},
        {"no layout", [&] { setParm({{qv::parm::key::MailFile, qv::db::Value("/elsewhere/other.csv")}}); }, -1,
         JobOutcome::NoLayout, 3, 0, 0},
        {"bad type", [&] { commaLayout(writeFile("cust.csv", three), "X"); }, -1, JobOutcome::IncorrectType, 0,
         0, 1},
        {"file missing", [&] { commaLayout((dir_ / "gone.csv").string()); }, -1, JobOutcome::ReaderFailed, 0, 0,
         1},
    };
    // The finished job's three rows are kept by the refusals that follow it.
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

}  // namespace
