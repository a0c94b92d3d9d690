// The run as a whole: refusals before the pass, a cancel in step 1, the
// progress of each step, a set-up that fails and a disk that fills.
#include "common/testing/damage.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/recordingprinter.h"
#include "sortation/sortrun.h"
#include "sortation/tests/fixture.h"

#include <gtest/gtest.h>


#include <fstream>
#include <map>
#include <optional>
#include <set>

namespace qv::sortation {
namespace {

using platform::RecordingPrinter;
namespace fs = std::filesystem;

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

// A cancel keeps the Post Office files of the run before. Its bags stay only
// while they still fit mmwork: once the pass has re-coded a record, the job
// is left unsorted (bags empty), so that the labels and the merge file refuse
// it rather than put the old bags between the new codes.
TEST_F(Run, ACancelKeepsTheRunBeforeAndItsBagsOnlyWhileTheyFit) {
    struct Case {
        const char* name;
        bool rerun;         // the job already sorted by these keys: the pass changes nothing
        bool inReport;      // cancelled in step 2, else in step 1
        bool bagsKept;
    };
    const Case cases[] = {
        {"step 1, re-coded", false, false, false},
        {"step 2, re-coded", false, true, false},
        {"step 1, a re-run", true, false, true},
        {"step 2, a re-run", true, true, true},
    };
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"111", "OLDTOWN RESIDUE"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeMmwork(join({group("11101", 3), group("12345", 30)}));
        if (c.rerun) {
            ASSERT_EQ(sort().status, RunStatus::Completed);
        }
        earlierRun();
        printer_.clear();
        int tests = 0;
        bool reporting = false;
        RunHooks hooks;
        hooks.reportStarting = [&] { reporting = true; };
        hooks.stopRequested = [&] { return (!c.inReport || reporting) && ++tests > 10; };
        const RunResult r = sort(hooks);
        EXPECT_EQ(r.status, RunStatus::Cancelled);
        EXPECT_EQ(reporting, c.inReport);
        EXPECT_TRUE(printer_.documents().empty());
        EXPECT_EQ(fileBytes("POFILE.DAT"), "777,7\r\n");
        EXPECT_EQ(fileBytes("POLINE.CSV"), "old line\r\n");
        EXPECT_EQ(fileBytes("POADDR.CSV"), "old address\r\n");
        EXPECT_EQ(column("bags", "Bag Number"), c.bagsKept ? std::vector<std::string>{"7"} : std::vector<std::string>{});
        {
            auto db = open();
            EXPECT_EQ(jobtables::sortState(*db).kind, c.bagsKept ? jobtables::SortState::Kind::Sorted
                                                                 : jobtables::SortState::Kind::NotSorted);
        }
        // The group re-coded before the cancel stays so.
        const auto after = codes();
        EXPECT_EQ(std::count(after.begin(), after.end(), "111"), 3);
    }
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

TEST_F(Run, AJobWithNoAddressesIsRefusedWithWhatToRunFirst) {
    // No mmwork (nothing imported, or the clean-up dropped it), or one with
    // no row: the last run's bags and Post Office files stay.
    for (const bool table : {false, true}) {
        SCOPED_TRACE(table ? "an empty mmwork" : "no mmwork");
        makeMmwork({});
        earlierRun();
        if (!table) {
            auto db = open();
            jobtables::dropIfThere(*db, jobtables::Mmwork);
        }
        int progress = 0;
        RunHooks hooks;
        hooks.progress = [&](int, double, bool) { ++progress; };
        const RunResult r = sort(hooks);
        EXPECT_EQ(r.status, RunStatus::Refused);
        EXPECT_EQ(r.refusal,
                  "There are no addresses to sort: the job's work table is missing or empty. Run Apply Mailsort Codes "
                  "first.");
        EXPECT_EQ(progress, 0);
        EXPECT_TRUE(printer_.events().empty());
        expectEarlierRunKept();
    }
}

TEST_F(Run, ASetUpWithoutItsTablesFails) {
    // No Post Office data to find the region order in: a damaged database.
    makeMmwork(group("12345", 3));
    {
        auto db = open();
        jobtables::dropIfThere(*db, "pcode");
    }
    try {
        sort();
        FAIL() << "no failure";
    } catch (const db::DbError& e) {
        EXPECT_EQ(e.number(), db::err::TableNotFound);
    }
    EXPECT_TRUE(printer_.events().empty());
}

TEST_F(Run, AJobThatCannotBeReadToItsEndIsNotPassedOnAsSorted) {
    addLabels({{"123", "NEWTOWN RESIDUE"}});
    std::vector<fixture::Address> job;
    for (int g = 0; g < 200; ++g) {
        const auto members = group(std::to_string(12300 + g), 10);
        job.insert(job.end(), members.begin(), members.end());
    }
    makeMmwork(job);
    earlierRun();
    testkit::zeroLeafPageOf(dir_ / "mailsort.mdb", "mmwork");
    const std::string cannotRead = "mmwork could not be read: ";
    auto db = open();
    // The pass meets the damage and fails the run before step 2.
    bool reportStarted = false;
    RunHooks hooks;
    hooks.reportStarting = [&] { reportStarted = true; };
    const RunResult r = runSortation(*db, printer_, hooks);
    EXPECT_EQ(r.status, RunStatus::Failed);
    EXPECT_EQ(r.failure.rfind("The sortation could not be completed: " + cannotRead, 0), 0u) << r.failure;
    EXPECT_FALSE(reportStarted);
    // So does the line report on its own.
    try {
        linerep(*db, printer_, r.keys, r.values, r.totrecs, {});
        FAIL() << "no failure";
    } catch (const RunFailure& e) {
        EXPECT_EQ(std::string(e.what()).rfind(cannotRead, 0), 0u) << e.what();
    }
    if (printer_.documentOpen()) printer_.killDoc();
    db->rollback();
    db->close();
    EXPECT_TRUE(printer_.documents().empty());
    expectEarlierRunKept();
}

// The bags are stored with the keys they were made by, in the same
// transaction: the labels, the merge file and the copy of the listing ask
// whether the keys have changed since.
TEST_F(Run, TheBagsAreKeptWithTheKeysTheyWereMadeBy) {
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"111", "OLDTOWN RESIDUE"}});
    makeMmwork(join({group("11101", 3), group("12345", 30)}));
    setParm({{"Postcode", "NE1 4"}, {"BagLab", "Y"}});
    ASSERT_EQ(sort().status, RunStatus::Completed);
    std::map<std::string, std::string> kept;
    for (const auto& row : rows("sortkeys")) kept[row.at("key").toString()] = row.at("value").toString();
    const std::map<std::string, std::string> expected = {
        {"Service", "M1"}, {"Mailsort120", "N"}, {"Format", "LE"},    {"Selection", "25"},
        {"Weight", "10"},  {"BagMax", "100"},    {"BundleMax", "5"},  {"ResOnly", "N"},
        {"Geog", "N"},     {"Postcode", "NE1 4"}, {"BagLab", "Y"},    {"BundleLab", "N"}};
    EXPECT_EQ(kept, expected);
    auto state = [&] {
        auto db = open();
        return jobtables::sortState(*db);
    };
    EXPECT_EQ(state().kind, jobtables::SortState::Kind::Sorted);
    setParm({{"BagMax", "2000"}});
    const auto changed = state();
    EXPECT_EQ(changed.kind, jobtables::SortState::Kind::KeysChanged);
    EXPECT_EQ(jobtables::changesText(changed.changes),
              "the bag limit was \"100\" when the job was sorted and is now \"2000\"");
    // Sorted again, by the keys of now.
    ASSERT_EQ(sort().status, RunStatus::Completed);
    EXPECT_EQ(state().kind, jobtables::SortState::Kind::Sorted);
}

// Once the pass has re-coded records the job is unsorted in the same
// transaction: where the bags cannot be emptied, nothing of the pass is
// stored either, cancelled or not, and the run fails.
TEST_F(Run, ThePassIsStoredOnlyWithTheJobLeftUnsorted) {
    addLabels({{"12345", "NEWTOWN DIRECT"}, {"111", "OLDTOWN RESIDUE"}});
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled in step 1" : "not cancelled");
        makeMmwork(join({group("11101", 3), group("12345", 30)}));
        const auto before = codes();
        earlierRun();
        // A hand-edited database: bags is a view, which no table can replace.
        testkit::rawSql("mailsort.mdb", "DROP TABLE bags; CREATE VIEW bags AS SELECT 7 AS \"Bag Number\"");
        int tests = 0;
        RunHooks hooks;
        hooks.stopRequested = [&] { return cancel && ++tests > 10; };
        const RunResult r = sort(hooks);
        EXPECT_EQ(r.status, RunStatus::Failed);
        EXPECT_EQ(r.failure.rfind("The sortation could not be completed: table bags could not be made: ", 0), 0u)
            << r.failure;
        EXPECT_EQ(codes(), before);
        EXPECT_EQ(fileBytes("POFILE.DAT"), "777,7\r\n");
        testkit::rawSql("mailsort.mdb", "DROP VIEW bags");
    }
}

TEST_F(Run, ABagsTableThatCannotBeMadeAgainFailsTheRun) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    makeMmwork(group("12345", 30));
    earlierRun();
    // A hand-edited database: bags is a view, which no table can replace.
    testkit::rawSql("mailsort.mdb", "DROP TABLE bags; CREATE VIEW bags AS SELECT 7 AS \"Bag Number\"");
    const RunResult r = sort();
    EXPECT_EQ(r.status, RunStatus::Failed);
    EXPECT_EQ(r.failure.rfind("The sortation could not be completed: table bags could not be made: ", 0), 0u)
        << r.failure;
    EXPECT_TRUE(printer_.documents().empty());
    EXPECT_EQ(fileBytes("POFILE.DAT"), "777,7\r\n");
    EXPECT_EQ(fileBytes("POADDR.CSV"), "old address\r\n");
}

// The disk fills (a file-size limit on every file, the database's log
// included) at every size from a page up to the room the job needs: each run
// either completes as it does with room, or fails with a message naming what
// could not be stored or written, leaving the earlier run's files whole.
class FullDisk : public Run {
protected:
    static constexpr const char* kFiles[] = {"POFILE.DAT", "POLINE.CSV", "POADDR.CSV", "POPLAN.CSV"};
    struct State {
        std::vector<std::string> codes, bags;
        std::map<std::string, std::string> files;
    };
    State state() {
        State s{codes(), column("bags", "Bag Number"), {}};
        for (const char* f : kFiles) s.files[f] = fileBytes(f);
        return s;
    }

    // The job as it stands is the one every run starts from.
    void keepJob() {
        earlierRun();
        writeFile("POPLAN.CSV", "old plan\r\n");
        fs::copy_file(dir_ / "mailsort.mdb", dir_ / "job.mdb");
        before_ = state();
        EXPECT_EQ(sortUnder(0).status, RunStatus::Completed);
        done_ = state();
        ASSERT_NE(done_.files, before_.files);
    }
    // The job sorted with files of at most `limit` bytes (0: no limit).
    RunResult sortUnder(std::uint64_t limit) {
        fs::copy_file(dir_ / "job.mdb", dir_ / "mailsort.mdb", fs::copy_options::overwrite_existing);
        for (const auto& [name, bytes] : before_.files) writeFile(name, bytes);
        printer_.clear();
        auto db = open();
        db->openTable("mmwork")->recordCount();  // the log and its index exist before the disk fills
        RunResult r;
        {
            std::optional<testkit::FileSizeLimit> full;
            if (limit) full.emplace(limit);
            r = runSortation(*db, printer_);
        }
        db->close();
        return r;
    }

    // Sorts under growing limits until the job completes; the causes of the
    // failures met on the way.
    std::set<std::string> sweep() {
        std::set<std::string> seen;
        for (std::uint64_t limit = 4096;; limit += 4096) {
            SCOPED_TRACE("limit " + std::to_string(limit));
            const RunResult r = sortUnder(limit);
            const State after = state();
            for (const std::string& name : scratch_->names()) EXPECT_NE(name.rfind(".PO", 0), 0u) << name;
            if (r.status == RunStatus::Completed) {
                EXPECT_EQ(after.codes, done_.codes);
                EXPECT_EQ(after.bags, done_.bags);
                EXPECT_EQ(after.files, done_.files);
                EXPECT_EQ(printer_.documents().size(), 1u);
                break;
            }
            EXPECT_EQ(r.status, RunStatus::Failed);
            const std::string prefix = "The sortation could not be completed: ";
            EXPECT_EQ(r.failure.rfind(prefix, 0), 0u) << r.failure;
            const std::string cause = r.failure.substr(prefix.size());
            seen.insert(cause);
            // Nothing sent to the printer, and the earlier files whole (the
            // planning file and the document come after them). The earlier
            // bags stay while the pass is not stored or re-coded nothing: the
            // bags of other codes never stand beside the new ones.
            EXPECT_TRUE(printer_.documents().empty()) << cause;
            if (cause.rfind("POPLAN.CSV", 0) != 0) {
                EXPECT_EQ(after.files, before_.files) << cause;
                const bool recodedKept = cause.rfind("mmwork", 0) != 0 && done_.codes != before_.codes;
                EXPECT_EQ(after.bags, recodedKept ? std::vector<std::string>{} : before_.bags) << cause;
            }
            // The pass is stored whole or not at all.
            EXPECT_EQ(after.codes, cause.rfind("mmwork", 0) == 0 ? before_.codes : done_.codes) << cause;
            if (limit > 4 << 20) {
                ADD_FAILURE() << "the job never completed";
                break;
            }
        }
        return seen;
    }
    static bool has(const std::set<std::string>& seen, const std::string& cause) { return seen.count(cause) > 0; }

    State before_, done_;
};

TEST_F(FullDisk, ThePassAndBagsAreStoredOrTheRunFails) {
    // Most groups go to residue: the pass re-codes 200 addresses.
    std::vector<std::pair<std::string, std::string>> labels = {{"100", "RESIDUE 100"}, {"101", "RESIDUE 101"}};
    std::vector<fixture::Address> job;
    for (int g = 0; g < 20; ++g) {
        const std::string code = std::to_string(10000 + g * 10);
        labels.emplace_back(code, "DIRECT " + code);
        const auto members = group(code, g % 4 == 0 ? 30 : 10);
        job.insert(job.end(), members.begin(), members.end());
    }
    addLabels(labels);
    makeMmwork(job);
    keepJob();
    const std::set<std::string> seen = sweep();
    const std::string cause = "The changes could not be saved: disk I/O error.";
    EXPECT_TRUE(has(seen, "mmwork could not be stored: " + cause)) << ::testing::PrintToString(seen);
    EXPECT_TRUE(has(seen, "table bags could not be stored: " + cause)) << ::testing::PrintToString(seen);
}

TEST_F(FullDisk, APostOfficeFileThatCannotBeWrittenFailsTheRun) {
    // Direct selections only: the pass writes nothing, the address file is large.
    std::vector<std::pair<std::string, std::string>> labels;
    std::vector<fixture::Address> job;
    for (int g = 0; g < 10; ++g) {
        const std::string code = std::to_string(20000 + g * 10);
        labels.emplace_back(code, "DIRECT " + code);
        auto members = group(code, 40);
        for (auto& a : members) {
            a.name = std::string(45, 'N');
            a.lines = {std::string(40, 'A'), std::string(40, 'B'), std::string(40, 'C'), std::string(40, 'D')};
        }
        job.insert(job.end(), members.begin(), members.end());
    }
    addLabels(labels);
    makeMmwork(job);
    keepJob();
    const std::set<std::string> seen = sweep();
    EXPECT_TRUE(has(seen, "POADDR.CSV could not be written: File too large")) << ::testing::PrintToString(seen);
}

// A printer that fails the document (a full disk under its PDF): the run
// fails and no file is replaced.
class RefusingPrinter : public platform::RecordingPrinter {
protected:
    bool outputPage(const std::vector<platform::PrintedLine>&, QString* error) override {
        *error = QStringLiteral("Could not write .printing-1.pdf: No space left on device");
        return false;
    }
};

TEST_F(Run, AReportThatCannotBePrintedFailsTheRunAndKeepsTheEarlierFiles) {
    addLabels({{"12345", "NEWTOWN DIRECT"}});
    // Two pages of selections: the first page fails as the second begins.
    std::vector<std::pair<std::string, std::string>> labels;
    std::vector<fixture::Address> job;
    for (int g = 0; g < 90; ++g) {
        const std::string code = std::to_string(30000 + g * 10);
        labels.emplace_back(code, "DIRECT");
        const auto members = group(code, 25);
        job.insert(job.end(), members.begin(), members.end());
    }
    addLabels(labels);
    makeMmwork(job);
    earlierRun();
    RefusingPrinter printer;
    auto db = open();
    const RunResult r = runSortation(*db, printer);
    EXPECT_EQ(r.status, RunStatus::Failed);
    EXPECT_EQ(r.failure, "The sortation could not be completed: the Mailsort Line Report could not be printed: Could "
                         "not write .printing-1.pdf: No space left on device");
    EXPECT_TRUE(printer.documents().empty());
    expectEarlierRunKept();
}

}  // namespace
}  // namespace qv::sortation
