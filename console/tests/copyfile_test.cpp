#include "console_fixture.h"

#include "common/jobtables.h"
#include "console/housekeeping.h"
#include "console/mainwindow.h"
#include "platform/drives.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

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

// After a new import the listing here is the last job's: it goes to the
// Post Office only once the new job has been sorted (the sortation makes
// bags with it).
TEST_F(CopyFileTest, TheListingOfAnEarlierJobIsNotCopiedUntilTheNewJobIsSorted) {
    writeFile(dir() / "POFILE.DAT", "0001 12\r\n");
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    CopyFileDialog* d = open(w);
    ASSERT_NE(d, nullptr);
    // A new job of one address, an empty one (a layout of an unknown type),
    // and a job whose sortation was cancelled after re-coding (bags empty).
    for (const int rows : {1, 0, -1}) {
        SCOPED_TRACE(rows);
        {
            auto db = qv::db::Database::open("mailsort.mdb");
            qv::jobtables::dropIfThere(*db, qv::jobtables::Bags);
            qv::jobtables::dropIfThere(*db, qv::jobtables::Mmwork);
            db->createTable(qv::jobtables::mmworkDef());
            auto rs = db->openTable(qv::jobtables::Mmwork);
            if (rows != 0) {
                rs->addNew();
                rs->set("name", "A New Customer");
                rs->update();
            }
            if (rows < 0) db->createTable(qv::jobtables::bagsDef());
        }
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok,
                                  "POFILE.DAT is the line listing of an earlier job: the job imported since has not "
                                  "been sorted. Run Print PO Reports first, then copy the listing.");
        QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::Exclamation);
        EXPECT_TRUE(fs::is_empty(floppy_));
    }

    {
        auto db = qv::db::Database::open("mailsort.mdb");
        auto rs = db->openTable(qv::jobtables::Bags);
        rs->addNew();
        rs->set(qv::jobtables::bagfield::BagNumber, 1);
        rs->update();
    }
    scriptedMessages().answer(Answer::Ok, "Copy to diskette complete");
    QTest::mouseClick(child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(readFile(floppy_ / "pofile.dat"), "0001 12\r\n");
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
