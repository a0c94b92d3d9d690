// The start of a run sequence without the window: flags, refusal, start.
#include "common/testing/scratch.h"
#include "console/runplan.h"
#include "platform/testing/recordinglauncher.h"

#include <gtest/gtest.h>

namespace qv::console {
namespace {

class RunStartTest : public testkit::ScratchTest {
protected:
    std::string flags() {
        auto db = scratch().open();
        parm::ParmRecord p(*db);
        std::string out;
        for (const char* k : {parm::key::RunAlone, parm::key::RunCodes, parm::key::RunReports, parm::key::RunLabels})
            out += p.text(k);
        return out;
    }
    platform::InstalledRecordingLauncher launcher_;
};

TEST_F(RunStartTest, WritesTheFlagsThenStartsTheFirstStep) {
    const RunPlan plan = planRun({false, true, true, false});
    EXPECT_EQ(startRun(plan), RunStart::Started);
    EXPECT_EQ(flags(), "YYYN");
    EXPECT_EQ(launcher_->commands(), QStringList{"kavrin.exe"});
}

TEST_F(RunStartTest, AStepProgramHoldingTheDatabaseRefusesTheRun) {
    const std::string before = flags();
    {
        testkit::DatabaseHolder step(db::OpenMode::Exclusive);
        ASSERT_TRUE(step.holding());
        EXPECT_EQ(startRun(planRun({true, true, false, false})), RunStart::HeldElsewhere);
    }
    EXPECT_EQ(flags(), before);
    EXPECT_TRUE(launcher_->commands().isEmpty());
}

TEST_F(RunStartTest, AFailedStartLeavesTheFlagsWritten) {
    launcher_->setFailing(true);
    EXPECT_EQ(startRun(planRun({false, false, false, true})), RunStart::StartFailed);
    EXPECT_EQ(flags(), "YNNY");
    EXPECT_EQ(launcher_->commands(), QStringList{"mistrel.exe"});
}

}  // namespace
}  // namespace qv::console
