#include "console_fixture.h"

#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "common/testing/parmkeys.h"
#include "common/testing/sortedjob.h"
#include "console/housekeeping.h"
#include "console/mainwindow.h"
#include "platform/drives.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <fstream>
#include <functional>

using namespace qv::console;
using namespace qv::console::testing;
using qv::platform::Answer;
using qv::platform::Icon;
using qv::platform::child;
using qv::platform::testing::scriptedMessages;

namespace {

class CopyFileTest : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        sortedJob();
        floppy_ = dir() / "floppy";
        fs::create_directories(floppy_);
        qv::platform::setDriveFolder('A', QString::fromStdString(floppy_.string()));
        qv::platform::setDriveFolder('B', QString::fromStdString((dir() / "no-second-drive").string()));
    }

    CopyFileDialog* open(MainWindow& w) {
        child<QAction>(&w, "CopyFile")->trigger();
        CopyFileDialog* d = w.copyFile();
        EXPECT_NE(d, nullptr);
        if (d) {
            EXPECT_TRUE(waitActive(d));
        }
        return d;
    }

    // A job of one address, sorted by the keys as they stand (a bag limit of 1000).
    void sortedJob() {
        qv::testkit::setParmKeys({{"BagMax", "1000"}});
        qv::testkit::writeSortedJob();
    }

    fs::path floppy_;
};

}  // namespace

TEST_F(CopyFileTest, CopiesTheListingToTheRootOfDriveA) {
    writeFile(dir() / "POFILE.DAT", "0001 12\r\n0002 3\r\n");  // as the sortation spells it
    writeFile(floppy_ / "POFILE.DAT", "last month's listing");
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    CopyFileDialog* d = open(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Copy PO Line List File to Diskette");
    EXPECT_EQ(child<QLineEdit>(d, "txtDrive")->text(), "A");
    scriptedMessages().answer(Answer::Ok, "Copy to diskette complete");
    QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::None);
    // One file there, with the new listing, under the name it already had.
    ASSERT_EQ(std::distance(fs::directory_iterator(floppy_), fs::directory_iterator()), 1);
    EXPECT_EQ(readFile(floppy_ / "POFILE.DAT"), "0001 12\r\n0002 3\r\n");
    EXPECT_TRUE(d->isVisible());
}

TEST_F(CopyFileTest, FailuresShowTheirDescriptionAndKeepTheDialog) {
    struct Case {
        bool listing;
        const char* drive;
        const char* message;  // the start of the description
    };
    const Case cases[] = {
        {false, "A", "File not found: pofile.dat"},
        {true, "", "Bad file name or number: :\\pofile.dat"},
        {true, "B", "Path not found: drive B"},
        {true, "7", "Bad file name or number: 7:\\pofile.dat"},
    };
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    CopyFileDialog* d = open(w);
    ASSERT_NE(d, nullptr);
    auto* drive = child<QLineEdit>(d, "txtDrive");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        fs::remove(dir() / "pofile.dat");
        if (c.listing) writeFile(dir() / "pofile.dat", "listing");
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok);
        drive->setFocus();
        drive->selectAll();
        QTest::keyClick(drive, Qt::Key_Backspace);
        QTest::keyClicks(drive, c.drive);
        QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_TRUE(scriptedMessages().messages()[0].text.startsWith(c.message))
            << scriptedMessages().messages()[0].text.toStdString();
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
        EXPECT_TRUE(d->isVisible());
    }
    EXPECT_TRUE(fs::is_empty(floppy_));
}

// The listing goes to the Post Office only as the line listing of the job in
// hand, sorted by the keys it has now. Each job below has a listing lying
// beside it that must stay where it is.
TEST_F(CopyFileTest, OnlyTheListingOfTheJobSortedByItsKeysIsCopied) {
    writeFile(dir() / "POFILE.DAT", "0001 12\r\n");
    const QString earlier =
        "POFILE.DAT is the line listing of an earlier job: the job imported since has not been sorted. Run Print PO "
        "Reports first, then copy the listing.";
    const QString noJob =
        "POFILE.DAT is the line listing of no job in hand: the job's work table is missing or empty. Run Apply "
        "Mailsort Codes and Print PO Reports first, then copy the listing.";
    struct Case {
        const char* name;
        std::function<void(qv::db::Database&)> job;  // done to the sorted job
        QString message;
    };
    const Case cases[] = {
        {"a new import", [](qv::db::Database& db) { qv::jobtables::dropSort(db); }, earlier},
        {"a cancelled sortation",
         [](qv::db::Database& db) { qv::jobtables::makeSort(db, {}); }, earlier},
        {"sorted before the keys were kept",
         [](qv::db::Database& db) { qv::jobtables::dropIfThere(db, qv::jobtables::SortKeys); }, earlier},
        {"no work table", [](qv::db::Database& db) { qv::jobtables::dropIfThere(db, qv::jobtables::Mmwork); },
         noJob},
        {"an empty work table",
         [](qv::db::Database& db) {
             qv::jobtables::dropIfThere(db, qv::jobtables::Mmwork);
             db.createTable(qv::jobtables::mmworkDef());
         },
         noJob},
        {"the bag limit changed since",
         [](qv::db::Database& db) {
             qv::parm::ParmRecord p(db);
             p.edit();
             p.set("BagMax", "2000");
             p.update();
         },
         "POFILE.DAT lists the job as it was sorted, and the job's keys have changed since: the bag limit was "
         "\"1000\" when the job was sorted and is now \"2000\". Run Print PO Reports again, then copy the listing."},
    };
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    CopyFileDialog* d = open(w);
    ASSERT_NE(d, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sortedJob();
        {
            auto db = qv::db::Database::open("mailsort.mdb");
            c.job(*db);
        }
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok, c.message);
        QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::Exclamation);
        EXPECT_TRUE(fs::is_empty(floppy_));
    }

    sortedJob();
    scriptedMessages().clear();
    scriptedMessages().answer(Answer::Ok, "Copy to diskette complete");
    QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(readFile(floppy_ / "pofile.dat"), "0001 12\r\n");
}

// A database that cannot be read cannot say whose listing lies here: nothing
// is copied, and the message says why.
TEST_F(CopyFileTest, ADatabaseThatCannotBeReadCopiesNothing) {
    writeFile(dir() / "POFILE.DAT", "0001 12\r\n");
    sortedJob();
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    CopyFileDialog* d = open(w);
    ASSERT_NE(d, nullptr);
    const QString lead =
        "POFILE.DAT has not been copied: the database cannot be read to tell whether it is the line listing of the "
        "job in hand. ";
    {
        qv::testkit::DatabaseHolder sortation(qv::db::OpenMode::Exclusive);
        ASSERT_TRUE(sortation.holding());
        scriptedMessages().answer(Answer::Ok);
        QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages().at(0).text,
                  lead + "Another option is currently running, wait until it has finished then try again.");
    }
    EXPECT_TRUE(fs::is_empty(floppy_));

    {
        // The file's header gone: no database at all.
        std::fstream f(dir() / "mailsort.mdb", std::ios::in | std::ios::out | std::ios::binary);
        const std::string zeros(100, '\0');
        f.write(zeros.data(), std::streamsize(zeros.size()));
    }
    scriptedMessages().clear();
    scriptedMessages().answer(Answer::Ok);
    QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(scriptedMessages().messages().at(0).text.startsWith(lead + "An unexpected error has occurred."))
        << scriptedMessages().messages().at(0).text.toStdString();
    EXPECT_TRUE(fs::is_empty(floppy_));
}

TEST_F(CopyFileTest, DriveBoxTakesOneCharacter) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    CopyFileDialog* d = open(w);
    ASSERT_NE(d, nullptr);
    auto* drive = child<QLineEdit>(d, "txtDrive");
    drive->setFocus();
    drive->selectAll();
    QTest::keyClicks(drive, "BA");
    EXPECT_EQ(drive->text(), "B");
    QTest::keyClick(d, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.copyFile() == nullptr; }, 2000));
}
