// The run as a whole: refusals before the pass, a cancel in step 1, the
// progress of each step and a set-up that fails.
#include "platform/testing/recordingprinter.h"
#include "sortation/sortrun.h"
#include "sortation/tests/fixture.h"

#include <gtest/gtest.h>

namespace qv::sortation {
namespace {

using platform::RecordingPrinter;

class Run : public fixture::SortFolder {
protected:
    RunResult sort(const RunHooks& hooks = {}) {
        auto db = open();
        return runSortation(*db, printer_, hooks);
    }
    std::vector<std::string> codes() { return column("mmwork", "mscode"); }

    // Bags and files as an earlier run left them.
    void earlierRun() {
        auto db = open();
        jobtables::dropIfThere(*db, jobtables::Bags);
        db->createTable(jobtables::bagsDef());
        auto rs = db->openTable(jobtables::Bags);
        rs->addNew();
        rs->set("Bag Number", 7);
        rs->set("Label Number", 70);
        rs->update();
        writeFile("POFILE.DAT", "777,7\r\n");
        writeFile("POLINE.CSV", "old line\r\n");
        writeFile("POADDR.CSV", "old address\r\n");
    }
    void expectEarlierRunKept() {
        EXPECT_EQ(column("bags", "Bag Number"), std::vector<std::string>{"7"});
        EXPECT_EQ(fileBytes("POFILE.DAT"), "777,7\r\n");
        EXPECT_EQ(fileBytes("POLINE.CSV"), "old line\r\n");
        EXPECT_EQ(fileBytes("POADDR.CSV"), "old address\r\n");
    }

    RecordingPrinter printer_;
};

TEST_F(Run, KeysThatCannotBagTheJobChangeNothing) {
    const std::map<std::string, db::Value> faults[] = {
        {{"Weight", "0"}}, {{"BundleMax", "0"}}, {{"BagMax", "9"}}, {{"Weight", ""}}, {{"BagMax", "lots"}},
        {{"BundleMax", db::Value()}},
    };
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    for (const auto& fault : faults) {
        setParm({{"Weight", "10"}, {"BagMax", "100"}, {"BundleMax", "5"}});
        setParm(fault);
        makeMmwork(fixture::SortFolder::group("12345", 3));
        earlierRun();
        int progress = 0;
        RunHooks hooks;
        hooks.progress = [&](int, double, bool) { ++progress; };
        const RunResult r = sort(hooks);
        EXPECT_EQ(r.status, RunStatus::Refused) << fault.begin()->first;
        EXPECT_FALSE(r.refusal.empty());
        EXPECT_EQ(codes(), (std::vector<std::string>(3, "12345"))) << fault.begin()->first;
        EXPECT_EQ(progress, 0);
        EXPECT_TRUE(printer_.events().empty());
        expectEarlierRunKept();
    }
}

TEST_F(Run, ACancelInStep1KeepsTheBagsAndFilesOfTheRunBefore) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(join({group("11101", 3), group("12345", 30)}));
    earlierRun();
    int tests = 0;
    bool reportStarted = false;
    RunHooks hooks;
    hooks.stopRequested = [&] { return ++tests > 10; };
    hooks.reportStarting = [&] { reportStarted = true; };
    const RunResult r = sort(hooks);
    EXPECT_EQ(r.status, RunStatus::Cancelled);
    EXPECT_FALSE(reportStarted);
    EXPECT_TRUE(printer_.events().empty());
    expectEarlierRunKept();
    // The group re-coded before the cancel stays so.
    const auto after = codes();
    EXPECT_EQ(std::count(after.begin(), after.end(), "111"), 3);
}

TEST_F(Run, EachStepEndsAtAHundredPercent) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(join({group("12345", 30), group("1", 10)}));
    std::vector<std::tuple<int, double, bool>> shown;
    RunHooks hooks;
    hooks.progress = [&](int step, double p, bool last) { shown.emplace_back(step, p, last); };
    int starts = 0;
    hooks.reportStarting = [&] { ++starts; };
    sort(hooks);
    EXPECT_EQ(starts, 1);
    std::vector<std::tuple<int, double, bool>> lasts;
    for (const auto& s : shown)
        if (std::get<2>(s)) lasts.push_back(s);
    // Step 1 counts from 1 before the first record, so its last call is above
    // 100 (the window shows 100); step 2 ends at exactly 100.
    EXPECT_EQ(lasts, (std::vector<std::tuple<int, double, bool>>{{1, 41.0 / 40 * 100, true}, {2, 100, true}}));
    EXPECT_EQ(std::get<2>(shown.back()), true);
    // Far fewer reports than records: the window is not repainted for each.
    EXPECT_LT(shown.size(), 20u);
}

TEST_F(Run, AnEmptyJobShowsNoPercentageAndStillReports) {
    makeMmwork({});
    int progress = 0, starts = 0;
    RunHooks hooks;
    hooks.progress = [&](int, double, bool) { ++progress; };
    hooks.reportStarting = [&] { ++starts; };
    const RunResult r = sort(hooks);
    EXPECT_EQ(r.status, RunStatus::Completed);
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(printer_.documents().size(), 1u);
}

TEST_F(Run, ASetUpWithoutItsTablesFails) {
    // No mmwork at all: nothing has been imported.
    {
        auto db = open();
        jobtables::dropIfThere(*db, jobtables::Mmwork);
    }
    try {
        sort();
        FAIL() << "no failure";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.number(), db::err::TableNotFound);
    }
    EXPECT_TRUE(printer_.events().empty());
}

}  // namespace
}  // namespace qv::sortation
