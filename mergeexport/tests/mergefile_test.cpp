#include "mergeexport/mergefile.h"
#include "common/text/csv.h"
#include "common/testing/parmkeys.h"
#include "common/testing/scratch.h"
#include "mergefixture.h"
#include "platform/testing/filelimit.h"

#include <sys/stat.h>

#include <functional>

using namespace qv::mergeexport;
using qv::db::Value;
using Status = ExportResult::Status;
namespace fs = std::filesystem;

namespace {

class MergeFile : public fixture::JobFolder {};

const char* Heading =
    "\"Name\",\"Address 1\",\"Address 2\",\"Address 3\",\"Town\",\"County\",\"Postcode\",\"Reference\","
    "\"Mailsort Code\"\r\n";

}  // namespace

TEST_F(MergeFile, WritesTheJobInLabelOrderByteForByte) {
    // Stored out of label order; a Null ref, a comma, a quote, trailing blanks.
    makeJob({
        {"Second ", "2 High St", "Flat, 3", "", "Qarton", "Vexshire", "QA1 2BB", Value(), "12301", 2},
        {"First", "1 \"The Lodge\"", "", "", "Qarton", "Vexshire", "QA1 1AA", "REF1", "12300", 1},
        {"Third", "3 Low Rd", "", "Upper End", "Zelby", "", "ZB9 9ZZ", "", "1", 3},
    });
    ExportResult r = exportMergeFile();
    EXPECT_EQ(r.status, Status::Done);
    EXPECT_EQ(r.rows, 3u);
    const std::string expected =
        std::string(Heading) +
        "\"First\",\"1 \"\"The Lodge\"\"\",\"\",\"\",\"Qarton\",\"Vexshire\",\"QA1 1AA\",\"REF1\",\"12300\"\r\n"
        "\"Second \",\"2 High St\",\"Flat, 3\",\"\",\"Qarton\",\"Vexshire\",\"QA1 2BB\",#NULL#,\"12301\"\r\n"
        "\"Third\",\"3 Low Rd\",\"\",\"Upper End\",\"Zelby\",\"\",\"ZB9 9ZZ\",\"\",\"1\"\r\n";
    EXPECT_EQ(readFile("DOVODEDOD.DAT"), expected);
}

TEST_F(MergeFile, ReadsBackAsOneRecordOfNineFieldsPerAddress) {
    makeJob({
        {"A \"quoted\" name", "x,y", "", "", "T", "C", "QA1 1AA", Value(), "12300", 1},
        {"Plain", "", "", "", "T", "C", "QA1 1AB", "R", "12300", 2},
    });
    ASSERT_EQ(exportMergeFile().status, Status::Done);
    std::istringstream in(readFile("DOVODEDOD.DAT"));
    std::string line;
    std::vector<std::vector<std::string>> records;
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        records.push_back(qv::parseCsvRecord(line));
    }
    ASSERT_EQ(records.size(), 3u);
    for (const auto& rec : records) EXPECT_EQ(rec.size(), 9u);
    EXPECT_EQ(records[1][0], "A \"quoted\" name");
    EXPECT_EQ(records[1][1], "x,y");
    EXPECT_EQ(records[1][7], "#NULL#");
    EXPECT_EQ(records[2][8], "12300");
}

TEST_F(MergeFile, NoSortedJobLeavesAnEmptyFile) {
    // After a clean-up; an mmwork without rows; a new import not yet sorted
    // (its bags dropped), or bags without rows.
    const auto dropBags = [] {
        auto db = qv::db::Database::open("mailsort.mdb");
        qv::jobtables::dropIfThere(*db, qv::jobtables::Bags);
    };
    const auto emptyBags = [] {
        auto db = qv::db::Database::open("mailsort.mdb");
        qv::jobtables::dropIfThere(*db, qv::jobtables::Bags);
        db->createTable(qv::jobtables::bagsDef());
    };
    const struct {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"no mmwork", [] {}},
        {"no rows", [&] { makeJob({}); }},
        {"not sorted", [&] { makeJobOf(3), dropBags(); }},
        {"bags without rows", [&] { makeJobOf(3), emptyBags(); }},
        {"sorted before its keys were kept", [&] {
             makeJobOf(3);
             auto db = qv::db::Database::open("mailsort.mdb");
             qv::jobtables::dropIfThere(*db, qv::jobtables::SortKeys);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        {
            std::ofstream old("DOVODEDOD.DAT");
            old << "last job's file\r\n";
        }
        ExportResult r = exportMergeFile();
        EXPECT_EQ(r.status, Status::NotReady);
        EXPECT_EQ(r.rows, 0u);
        EXPECT_EQ(readFile("DOVODEDOD.DAT"), "");
    }
}

// Sorted by other keys than the job has now: in no label order the labels
// will share, so no row is written and the message names the change.
TEST_F(MergeFile, KeysChangedSinceTheSortLeaveAnEmptyFile) {
    qv::testkit::setParmKeys({{"Weight", "100"}});
    makeJobOf(3);
    qv::testkit::setParmKeys({{"Weight", "200"}});
    ExportResult r = exportMergeFile();
    EXPECT_EQ(r.status, Status::KeysChanged);
    EXPECT_EQ(r.rows, 0u);
    EXPECT_EQ(r.error, "The job's keys have changed since it was sorted: the item weight was \"100\" when the job was sorted and is now \"200\". Run Print PO Reports again, then create "
                           "the merge file.");
    EXPECT_EQ(readFile("DOVODEDOD.DAT"), "");
    // Keys that decide no bag leave the job sorted.
    qv::testkit::setParmKeys({{"Weight", "100"}, {"Printer", "E"}, {"Company Name", "Another House"}});
    EXPECT_EQ(exportMergeFile().status, Status::Done);
}

TEST_F(MergeFile, ACancelKeepsTheHeadingAndTheRowsWritten) {
    makeJobOf(25);
    std::uint64_t seenTotal = 0;
    ExportResult r = exportMergeFile([&](std::uint64_t written, std::uint64_t total) {
        seenTotal = total;
        return written < 10;
    });
    EXPECT_EQ(r.status, Status::Cancelled);
    EXPECT_EQ(r.rows, 10u);
    EXPECT_EQ(seenTotal, 25u);
    const std::string text = readFile("DOVODEDOD.DAT");
    EXPECT_EQ(text.rfind(Heading, 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_NE(text.find("\"Name 10\""), std::string::npos);
    EXPECT_EQ(text.find("\"Name 11\""), std::string::npos);
}

TEST_F(MergeFile, ASecondExportRewritesTheFile) {
    makeJobOf(3);
    ASSERT_EQ(exportMergeFile().status, Status::Done);
    makeJobOf(1);
    ASSERT_EQ(exportMergeFile().status, Status::Done);
    const std::string text = readFile("DOVODEDOD.DAT");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST_F(MergeFile, AFileThatCannotBeWrittenIsReported) {
    makeJobOf(3);
    // The name taken by a folder: the file cannot be put in place.
    fs::create_directory("DOVODEDOD.DAT");
    ExportResult r = exportMergeFile();
    EXPECT_EQ(r.status, Status::Failed);
    EXPECT_EQ(r.errorNumber, 0);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(fs::is_directory("DOVODEDOD.DAT"));
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

TEST_F(MergeFile, ACompleteOrCancelledExportReplacesTheFileAndALinkIsNotFollowed) {
    // DOVODEDOD.DAT a link to a file outside the folder: the export puts a
    // file of its own in its place and leaves the other file alone.
    makeJobOf(5);
    const fs::path outside = dir_.parent_path() / (dir_.filename().string() + "-outside.txt");
    struct Case {
        const char* what;
        RowProgress progress;
        Status status;
        int lines;
    };
    const Case cases[] = {
        {"complete", {}, Status::Done, 6},
        {"cancelled after 2 rows", [](std::uint64_t written, std::uint64_t) { return written < 2; },
         Status::Cancelled, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        { std::ofstream(outside, std::ios::binary) << "not the merge file\r\n"; }
        fs::remove("DOVODEDOD.DAT");
        fs::create_symlink(outside, "DOVODEDOD.DAT");
        ExportResult r = exportMergeFile(c.progress);
        EXPECT_EQ(r.status, c.status);
        EXPECT_FALSE(fs::is_symlink(fs::symlink_status("DOVODEDOD.DAT")));
        const std::string text = readFile("DOVODEDOD.DAT");
        EXPECT_EQ(text.rfind(Heading, 0), 0u);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.lines);
        EXPECT_EQ(readFile(outside), "not the merge file\r\n");
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
    }
    fs::remove(outside);
}

TEST_F(MergeFile, AFailureLeavesTheEarlierFileWhole) {
    const std::string earlier = std::string(Heading) + "\"Last job\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"1\"\r\n";
    struct Case {
        const char* what;
        std::function<ExportResult()> run;
        int errorNumber;  // 0: a file error
        const char* error;
    };
    const Case cases[] = {
        {"full disk",
         [] {
             // A file-size limit far below the file: the write fails part way.
             auto db = qv::db::Database::open("mailsort.mdb");
             qv::testkit::FileSizeLimit limit(16384);
             return writeMergeFile(*db, "DOVODEDOD.DAT");
         },
         0, "File too large"},
        {"damaged database",
         [this] {
             damageMmwork();
             return exportMergeFile();
         },
         -1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        makeJobOf(3000);
        { std::ofstream("DOVODEDOD.DAT", std::ios::binary) << earlier; }
        ExportResult r = exportMergeFile();  // a look at the job: it is whole before the fault
        ASSERT_EQ(r.status, Status::Done);
        { std::ofstream("DOVODEDOD.DAT", std::ios::binary) << earlier; }
        r = c.run();
        EXPECT_EQ(r.status, Status::Failed);
        if (c.errorNumber == 0) {
            EXPECT_EQ(r.errorNumber, 0);
            EXPECT_EQ(r.error, c.error);
        } else {
            EXPECT_NE(r.errorNumber, 0) << r.error;
        }
        EXPECT_EQ(readFile("DOVODEDOD.DAT"), earlier);
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
    }
}

TEST_F(MergeFile, ADatabaseHeldByAnotherProgramIsReported) {
    makeJobOf(3);
    qv::testkit::DatabaseHolder other(qv::db::OpenMode::Exclusive, dir_);
    ASSERT_TRUE(other.holding());
    ExportResult r = exportMergeFile();
    EXPECT_EQ(r.status, Status::Failed);
    EXPECT_TRUE(qv::db::isHeldElsewhere(r.errorNumber)) << r.errorNumber;
    EXPECT_EQ(r.rows, 0u);

    other.release();
    EXPECT_EQ(exportMergeFile().status, Status::Done);
}
