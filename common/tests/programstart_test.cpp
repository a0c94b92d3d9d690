// The program start: the open's refusals, the next step from the run flags,
// and the hand-over with its close before the start.
#include "common/programstart.h"
#include "common/testing/parmkeys.h"
#include "common/testing/scratch.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/recordinglauncher.h"

#include <gtest/gtest.h>

namespace qv::start {
namespace {

using db::OpenMode;
using qv::testkit::DatabaseHolder;
using qv::testkit::ScratchTest;

class ProgramStart : public ScratchTest {
protected:
    void setFlags(const char* alone, const char* codes, const char* reports, const char* labels) {
        testkit::setParmKeys({{parm::key::RunAlone, alone},
                              {parm::key::RunCodes, codes},
                              {parm::key::RunReports, reports},
                              {parm::key::RunLabels, labels}});
    }
    std::string stored(const char* key) { return testkit::parmKeyText(key); }
    platform::InstalledRecordingLauncher launcher_;
};

TEST_F(ProgramStart, OpenTellsAnotherProgramsHoldFromOtherErrors) {
    const std::string held = "Another option is currently running, wait until it has finished then try again.";
    struct Case {
        OpenMode other, mine;
        bool opens;
        int error;
    } cases[] = {
        {OpenMode::Exclusive, OpenMode::Exclusive, false, 3356},
        {OpenMode::Exclusive, OpenMode::Shared, false, 3356},
        {OpenMode::Shared, OpenMode::Exclusive, false, 3045},
        {OpenMode::Shared, OpenMode::Shared, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "other " << int(c.other) << " mine " << int(c.mine));
        DatabaseHolder other(c.other);
        ASSERT_TRUE(other.holding());
        Opened o = openDatabase(c.mine);
        EXPECT_EQ(bool(o), c.opens);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.heldElsewhere(), !c.opens);
        if (!c.opens) {
            EXPECT_EQ(o.refusal(), held);
        }
        closeQuietly(o.db);
        EXPECT_EQ(o.db, nullptr);
    }
    // Nobody holds it any more: the sole use is granted.
    Opened o = openDatabase(OpenMode::Exclusive);
    EXPECT_TRUE(o);
    EXPECT_EQ(o.db->mode(), OpenMode::Exclusive);
}

TEST_F(ProgramStart, TheSoleUseTestLeavesTheFileFree) {
    const struct {
        std::optional<OpenMode> other;
        int error;
    } cases[] = {{std::nullopt, 0}, {OpenMode::Shared, 3045}, {OpenMode::Exclusive, 3356}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        std::optional<DatabaseHolder> other;
        if (c.other) other.emplace(*c.other);
        const Opened o = testSoleUse();
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.db, nullptr);
    }
    // Nothing is kept open by the test itself.
    EXPECT_TRUE(openDatabase(OpenMode::Exclusive));
}

TEST_F(ProgramStart, AMissingDatabaseIsAnUnexpectedError) {
    std::filesystem::remove(dir() / "mailsort.mdb");
    Opened o = openDatabase(OpenMode::Exclusive);
    EXPECT_FALSE(o);
    EXPECT_EQ(o.error, 3024);
    EXPECT_FALSE(o.heldElsewhere());
    EXPECT_EQ(o.refusal(),
              "An unexpected error has occurred.  Please make a note of the following error details and contact "
              "Brackwith Mailing Services.  Error number: 3024  Description: " +
                  o.description);
    EXPECT_FALSE(o.description.empty());
}

TEST(ProgramNames, TheCommandsOneProgramStartsAnotherBy) {
    const std::pair<Program, const char*> cases[] = {
        {Program::Console, "quorvel.exe"},  {Program::RefImport, "lurrow.exe"}, {Program::Designer, "dovanet.exe"},
        {Program::Coding, "kavrin.exe"},     {Program::Params, "pelgrin.exe"},   {Program::Sortation, "zolbern.exe"},
        {Program::Labels, "mistrel.exe"},    {Program::Duplicates, "fennick.exe"},
        {Program::MergeExport, "shoravel.exe"},
    };
    for (const auto& [p, cmd] : cases) EXPECT_STREQ(command(p), cmd);
    EXPECT_STREQ(command(programOf(Step::Parameters)), "pelgrin.exe");
}

TEST(NextProgram, FirstFlaggedStepAfterTheCurrentOne) {
    struct Case {
        RunFlags flags;
        Step current;
        std::optional<Program> next;
    } cases[] = {
        {{true, true, true, true}, Step::Parameters, Program::Coding},
        {{true, false, true, true}, Step::Parameters, Program::Sortation},
        {{true, false, false, true}, Step::Parameters, Program::Labels},
        {{true, false, false, false}, Step::Parameters, std::nullopt},
        {{true, true, true, true}, Step::Codes, Program::Sortation},  // its own flag is not looked at
        {{true, true, false, true}, Step::Codes, Program::Labels},
        {{true, true, false, false}, Step::Codes, std::nullopt},
        {{true, true, true, true}, Step::Reports, Program::Labels},
        {{true, true, true, false}, Step::Reports, std::nullopt},
        {{true, true, true, true}, Step::Labels, std::nullopt},  // the last link
        {{false, true, true, true}, Step::Parameters, Program::Coding},  // RunAlone is the caller's
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "step " << int(c.current) << " flags " << c.flags.codes << c.flags.reports
                                        << c.flags.labels);
        EXPECT_EQ(nextProgram(c.flags, c.current), c.next);
    }
}

TEST_F(ProgramStart, RunFlagsReadAndWrittenAsLetters) {
    setFlags("Y", "N", "Y", "n");  // a lower-case letter is not "Y"
    auto db = scratch().open();
    parm::ParmRecord p(*db);
    EXPECT_EQ(readRunFlags(p), (RunFlags{true, false, true, false}));
    writeRunFlags(p, RunFlags{false, true, false, true});
    p.recordset().moveFirst();
    EXPECT_EQ(p.text(parm::key::RunAlone), "N");
    EXPECT_EQ(p.text(parm::key::RunCodes), "Y");
    EXPECT_EQ(p.text(parm::key::RunReports), "N");
    EXPECT_EQ(p.text(parm::key::RunLabels), "Y");
    p.edit();  // an edit left open is given up, not stored
    p.set(parm::key::RunCodes, "N");
    writeFlag(p, parm::key::RunReports, true);
    p.recordset().moveFirst();
    EXPECT_EQ(p.text(parm::key::RunCodes), "Y");
    EXPECT_EQ(p.text(parm::key::RunReports), "Y");
    writeFlags(p, {{parm::key::RunAlone, true}, {parm::key::RunReports, false}});
    p.recordset().moveFirst();
    EXPECT_EQ(readRunFlags(p), (RunFlags{true, true, false, true}));
}

TEST_F(ProgramStart, HandOverStartsTheNextStepOrEndsTheSequence) {
    struct Case {
        const char *alone, *codes, *reports, *labels;
        Step current;
        bool stopped;
        HandedOver result;
        QStringList started;
        const char* aloneAfter;
    } cases[] = {
        {"Y", "Y", "Y", "Y", Step::Parameters, false, HandedOver::Started, {"kavrin.exe"}, "Y"},
        {"Y", "N", "N", "Y", Step::Parameters, false, HandedOver::Started, {"mistrel.exe"}, "Y"},
        {"Y", "N", "N", "N", Step::Parameters, false, HandedOver::SequenceEnded, {}, "N"},
        {"Y", "Y", "Y", "Y", Step::Codes, false, HandedOver::Started, {"zolbern.exe"}, "Y"},
        {"Y", "Y", "N", "Y", Step::Codes, false, HandedOver::Started, {"mistrel.exe"}, "Y"},
        {"Y", "Y", "Y", "Y", Step::Codes, true, HandedOver::SequenceEnded, {}, "N"},
        {"N", "Y", "Y", "Y", Step::Codes, false, HandedOver::NotInRun, {}, "N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.alone << c.codes << c.reports << c.labels << " step " << int(c.current)
                                        << (c.stopped ? " stopped" : ""));
        setFlags(c.alone, c.codes, c.reports, c.labels);
        launcher_->clear();
        Opened o = openDatabase(OpenMode::Exclusive);
        ASSERT_TRUE(o);
        auto parm = std::make_unique<parm::ParmRecord>(*o.db);
        EXPECT_EQ(handOver(o.db, parm, c.current, c.stopped), c.result);
        EXPECT_EQ(launcher_->commands(), c.started);
        // In a run the database is closed before anything starts; outside one it stays open.
        EXPECT_EQ(o.db == nullptr, c.result != HandedOver::NotInRun);
        parm.reset();
        closeQuietly(o.db);
        EXPECT_EQ(stored(parm::key::RunAlone), c.aloneAfter);
    }
}

// A run's end that cannot be stored is raised, never passed over: RunAlone
// left "Y" would run the rest of the job when a step is next started alone.
TEST_F(ProgramStart, AnEndOfTheSequenceThatCannotBeStoredIsRaised) {
    setFlags("Y", "Y", "N", "N");
    Opened o = openDatabase(OpenMode::Exclusive);
    ASSERT_TRUE(o);
    auto parm = std::make_unique<parm::ParmRecord>(*o.db);
    {
        testkit::FileSizeLimit full(1024);
        EXPECT_THROW(handOver(o.db, parm, Step::Codes, false), db::DbError);
    }
    EXPECT_TRUE(launcher_->commands().isEmpty());
    parm.reset();
    closeQuietly(o.db);
}

TEST_F(ProgramStart, AFailedStartGoesToTheCallersPolicyAfterTheClose) {
    setFlags("Y", "N", "Y", "Y");
    launcher_->setFailing(true, "no such program");
    Opened o = openDatabase(OpenMode::Exclusive);
    ASSERT_TRUE(o);
    auto parm = std::make_unique<parm::ParmRecord>(*o.db);
    std::vector<std::string> failures;
    bool freeAtFailure = false;
    const auto result = handOver(o.db, parm, Step::Codes, false,
                                 [&](const std::string& cmd, const std::string& error) {
                                     failures.push_back(cmd + ": " + error);
                                     freeAtFailure = bool(openDatabase(OpenMode::Exclusive));
                                 });
    EXPECT_EQ(result, HandedOver::StartFailed);
    EXPECT_EQ(failures, std::vector<std::string>{"zolbern.exe: no such program"});
    EXPECT_TRUE(freeAtFailure);
    // The flags are left for the started program that never came.
    EXPECT_EQ(stored(parm::key::RunAlone), "Y");

    // Without a policy the failure is not looked at.
    EXPECT_FALSE(startProgram(Program::Labels));
    EXPECT_EQ(launcher_->commands(), (QStringList{"zolbern.exe", "mistrel.exe"}));
}

}  // namespace
}  // namespace qv::start
