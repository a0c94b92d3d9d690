// The layout wizard's window offscreen, and the whole road of a fixed-column
// file: from the console's menu through the wizard to the import and coding.
#include "layouts_fixture.h"

#include "console/layouts/layoutwizardwindow.h"
#include "console/layouts/newfilehint.h"
#include "console/layouts/typedlayoutwindow.h"
#include "console/mainwindow.h"

#include "coding/codingjob.h"
#include "common/filesel/frmfilesel.h"
#include "common/layoutrow/layoutrow.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "common/text/chars.h"
#include "platform/launcher.h"
#include "platform/numericbox.h"
#include "platform/testing/test_services.h"
#include "refimport/pogen.h"
#include "refimport/refload.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

namespace {

using namespace qv::console;
using qv::console::testing::LayoutWindowsTest;
using qv::console::testing::ctl;
using qv::console::testing::openWindow;
using qv::console::testing::openWindows;
using qv::console::testing::OtherProgram;
using qv::console::testing::showActive;
using qv::platform::Answer;
using qv::platform::NumericBox;
using qv::platform::testing::recordingLauncher;
using qv::platform::testing::scriptedMessages;
namespace fs = std::filesystem;


// The parts' boxes, in row order.
const char* const kShown[9] = {"txtName", "txtAdd1", "txtAdd2", "txtAdd3", "txtTown",
                               "txtCounty", "txtPostcode", "TxtPostcode2", "txtRef"};
const char* const kStart[9] = {"strName", "strAdd1", "strAdd2", "strAdd3", "strTown",
                               "strCounty", "strPostcode", "StrPostcode2", "strRef"};
const char* const kLength[9] = {"endName", "endAdd1", "endAdd2", "endAdd3", "endTown",
                                "endCounty", "endPostcode", "EndPostcode2", "endRef"};

// Saves a picture of a window when QV_SCREENSHOTS names a folder.
void screenshot(QWidget* w, const char* name) {
    const QByteArray folder = qgetenv("QV_SCREENSHOTS");
    if (folder.isEmpty() || !w) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    w->grab().save(QString::fromLocal8Bit(folder) + u'/' + QString::fromLatin1(name) + ".png");
}

class Wizard : public LayoutWindowsTest {
protected:
    LayoutWizardWindow* open(const char* name) {
        wizard_ = LayoutWizardWindow::open(QString::fromStdString(path(name)));
        EXPECT_NE(wizard_, nullptr);
        if (wizard_) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(wizard_.data()));
        }
        return wizard_;
    }
    QStringList row(const char* const names[9]) const {
        QStringList out;
        for (int p = 0; p < 9; ++p) out << ctl<QLineEdit>(wizard_, names[p])->text();
        return out;
    }
    QStringList shown() const { return row(kShown); }
    QStringList starts() const { return row(kStart); }
    QStringList lengths() const { return row(kLength); }
    NumericBox* startBox(int p) { return ctl<NumericBox>(wizard_, kStart[p]); }
    NumericBox* lengthBox(int p) { return ctl<NumericBox>(wizard_, kLength[p]); }
    void chooseRecord(int n) {
        qv::console::testing::clickIndicator(ctl<QRadioButton>(wizard_, qPrintable(QStringLiteral("optRec%1").arg(n))));
    }
    // Types a number into a box and leaves it, as the user corrects one.
    void enter(NumericBox* b, const QString& text) {
        qv::console::testing::typeInto(b, text);
        QTest::keyClick(b, Qt::Key_Tab);
    }
    QPointer<LayoutWizardWindow> wizard_;
};

// Two records of five parts apart by five blanks or more, then a short one.
const std::string kThreeRecords =
    "Mr A Jones     1 High St      Leeds       LS1 4AB     R1\r\n"
    "Ms B Smith        22 Low Rd        York          YO1 2CD   R22\r\n"
    "Short\r\n";

TEST_F(Wizard, OpensWithTheRulerTheRecordsAndAProposalForRecordOne) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    EXPECT_EQ(wizard_->windowTitle(), "Layout Wizard");
    EXPECT_EQ(ctl<QLabel>(wizard_, "Label2")->text(), "Selected File:");
    EXPECT_EQ(ctl<QLabel>(wizard_, "lblSelFile")->text(), QString::fromStdString(path("cust.txt")));
    EXPECT_EQ(ctl<QLabel>(wizard_, "Label1")->text(), "First records of selected file:");
    EXPECT_EQ(ctl<QCheckBox>(wizard_, "chkKeepPos")->text(), "Keep position values");
    EXPECT_FALSE(ctl<QCheckBox>(wizard_, "chkKeepPos")->isChecked());
    EXPECT_EQ(ctl<QLabel>(wizard_, "Label3")->text(), "Value");
    EXPECT_EQ(ctl<QLabel>(wizard_, "lblFrom")->text(), "Start");
    EXPECT_EQ(ctl<QLabel>(wizard_, "lblTo")->text(), "Length");
    EXPECT_EQ(ctl<QPushButton>(wizard_, "cmdOK")->text(), "Apply Layout");
    EXPECT_EQ(ctl<QPushButton>(wizard_, "cmdCancel")->text(), "Cancel");
    EXPECT_TRUE(ctl<QPushButton>(wizard_, "cmdOK")->font().bold());
    const QStringList captions{"Name:", "Address Line 1:", "Address Line 2:", "Address Line 3:", "Town:",
                               "County:", "Postcode 1:", "Postcode 2:", "Reference:"};
    for (int p = 0; p < 9; ++p)
        EXPECT_EQ(ctl<QLabel>(wizard_, qPrintable(QStringLiteral("lblPart%1").arg(p + 1)))->text(), captions[p]);
    EXPECT_EQ(qv::platform::helpTopic(wizard_), 74);

    const QStringList lines = ctl<QPlainTextEdit>(wizard_, "txtRecords")->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0].size(), 190);
    EXPECT_TRUE(lines[0].startsWith("        10        20"));
    EXPECT_EQ(lines[1], QString("1234567890").repeated(20));
    EXPECT_EQ(lines[2], "Mr A Jones     1 High St      Leeds       LS1 4AB     R1");
    EXPECT_EQ(lines[4], "Short");
    EXPECT_TRUE(ctl<QRadioButton>(wizard_, "optRec1")->isChecked());

    // Five parts: address lines 2 and 3 empty, the last three moved down.
    EXPECT_EQ(starts(), (QStringList{"1", "16", "0", "0", "31", "43", "55", "0", "0"}));
    EXPECT_EQ(lengths(), (QStringList{"15", "15", "0", "0", "12", "12", "1", "0", "0"}));
    EXPECT_EQ(shown(), (QStringList{"Mr A Jones ", "1 High St ", "", "", "Leeds ", "LS1 4AB ", "R", "", ""}));
}

TEST_F(Wizard, ChoosingARecordProposesAgainOrKeepsThePositions) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    startBox(7)->setText("3");  // postcode 2, never proposed
    lengthBox(7)->setText("2");

    chooseRecord(2);
    EXPECT_EQ(wizard_->recordNumber(), 2);
    // Four parts: the town's length runs to the end and moves to postcode 1.
    EXPECT_EQ(starts(), (QStringList{"1", "19", "0", "0", "36", "50", "0", "0", "0"}));
    EXPECT_EQ(lengths(), (QStringList{"18", "17", "0", "0", "14", "0", "62", "0", "0"}));
    EXPECT_EQ(shown()[0], "Ms B Smith ");

    // Kept: the numbers stay and every part with a start is cut again.
    ctl<QCheckBox>(wizard_, "chkKeepPos")->setChecked(true);
    startBox(7)->setText("3");
    lengthBox(7)->setText("2");
    chooseRecord(1);
    EXPECT_EQ(starts(), (QStringList{"1", "19", "0", "0", "36", "50", "0", "3", "0"}));
    EXPECT_EQ(shown()[0], "Mr A Jones     1 H");  // 1 to 18 of record 1
    EXPECT_EQ(shown()[7], " A");
    EXPECT_EQ(shown()[4], "       LS1 4AB");
    EXPECT_EQ(shown()[6], "");  // no start: the proposal's text stays

    // A click on the record already chosen proposes nothing anew.
    ctl<QCheckBox>(wizard_, "chkKeepPos")->setChecked(false);
    enter(startBox(0), "2");
    chooseRecord(1);
    EXPECT_EQ(starts()[0], "2");

    // A record beyond the end of the file keeps the sample record.
    ctl<QCheckBox>(wizard_, "chkKeepPos")->setChecked(false);
    chooseRecord(5);
    EXPECT_EQ(wizard_->recordNumber(), 5);
    EXPECT_EQ(wizard_->sampleRecord(), "Mr A Jones     1 High St      Leeds       LS1 4AB     R1");
    EXPECT_EQ(starts()[1], "16");
}

TEST_F(Wizard, BoxesTakeDigitsAndCutTheTextWhenLeft) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    NumericBox* start = startBox(8);
    start->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(start->selectedText(), "0");
    QTest::keyClicks(start, "5a-. 5");
    EXPECT_EQ(start->text(), "55");
    QTest::keyClick(start, Qt::Key_Tab);
    EXPECT_TRUE(lengthBox(8)->hasFocus());
    QTest::keyClicks(lengthBox(8), "2");
    QTest::keyClick(lengthBox(8), Qt::Key_Tab);
    EXPECT_EQ(shown()[8], "R1");

    // Emptied and left: "0". A length box leaves the text, a start box clears it.
    lengthBox(8)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lengthBox(8), Qt::Key_Backspace);
    QTest::keyClick(lengthBox(8), Qt::Key_Tab);
    EXPECT_EQ(lengthBox(8)->text(), "0");
    EXPECT_EQ(shown()[8], "");  // start 55, length 0
    enter(lengthBox(8), "9");
    EXPECT_EQ(shown()[8], "R1");  // cut at the end of the record
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClick(start, Qt::Key_Backspace);
    QTest::keyClick(start, Qt::Key_Tab);
    EXPECT_EQ(start->text(), "0");
    EXPECT_EQ(shown()[8], "");
    lengthBox(0)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(shown()[0], "Mr A Jones ");
    startBox(0)->setText("0");
    lengthBox(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lengthBox(0), Qt::Key_Tab);
    EXPECT_EQ(shown()[0], "Mr A Jones ");  // a length box with no start leaves the text
    // Five digits at most.
    enter(startBox(2), "123456");
    EXPECT_EQ(startBox(2)->text(), "12345");
}

TEST_F(Wizard, LargeNumbersAreShownWholeAndThoseTheRowCannotHoldAreRefused) {
    const std::string parts = "B     C     D     E     F     G     H!";
    // Address line 1 proposed at column 12009: shown and stored whole.
    writeFile(dir() / "wide.txt", "A" + std::string(12007, ' ') + parts + "\r\n");
    open("wide.txt");
    EXPECT_EQ(starts()[1], "12009");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([this] { return wizard_.isNull(); }, 2000));
    {
        auto db = qv::db::Database::open("mailsort.mdb");
        auto rs = db->openTable("data");
        rs->moveFirst();
        EXPECT_EQ(rs->get("address11from").toInt(), 12009);
    }
    setParm("MailFile", "CUSTQUOTED.CSV");

    // Proposed at column 40000: refused, nothing stored, the wizard stays.
    writeFile(dir() / "wider.txt", "A" + std::string(39998, ' ') + "BC\r\n");
    open("wider.txt");
    EXPECT_EQ(starts()[1], "40000");
    scriptedMessages().answer(
        Answer::Ok, "The start of Address Line 1 (40000) is beyond column 32767, the last a layout can hold.");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    ASSERT_FALSE(wizard_.isNull());
    EXPECT_TRUE(startBox(1)->hasFocus());
    EXPECT_EQ(parmText("MailFile"), "CUSTQUOTED.CSV");

    // Typed: five digits, and a length beyond the row's limit is refused too.
    enter(startBox(1), "41");
    enter(lengthBox(4), "400009");
    EXPECT_EQ(lengthBox(4)->text(), "40000");
    scriptedMessages().answer(
        Answer::Ok, "The length of Town (40000) is beyond 32767 characters, the most a layout can hold.");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    ASSERT_FALSE(wizard_.isNull());
    EXPECT_TRUE(lengthBox(4)->hasFocus());
    enter(lengthBox(4), "0");
    scriptedMessages().answer(
        Answer::Ok, "The length of Postcode 1 (40001) is beyond 32767 characters, the most a layout can hold.");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    ASSERT_FALSE(wizard_.isNull());
    EXPECT_EQ(parmText("MailFile"), "CUSTQUOTED.CSV");
    wizard_->close();

    // A proposal of more than five digits is not cut either.
    writeFile(dir() / "long.txt", std::string(100002, 'x') + "\r\n");
    open("long.txt");
    EXPECT_EQ(lengths()[6], "100002");
}

TEST_F(Wizard, ALoneCrStaysInItsRecordInTheBoxAsInTheReader) {
    writeFile(dir() / "cr.txt", "AAA     BBB\rCCC     DDD\r\nEEE     FFF     GGG\r\n");
    open("cr.txt");
    const QStringList lines = ctl<QPlainTextEdit>(wizard_, "txtRecords")->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 4);  // the ruler's two lines and the two records
    EXPECT_EQ(lines[2], "AAA     BBB CCC     DDD");
    EXPECT_EQ(lines[3], "EEE     FFF     GGG");
    EXPECT_EQ(wizard_->sampleRecord(), "AAA     BBB\rCCC     DDD");
    EXPECT_EQ(starts()[1], "9");
    chooseRecord(2);
    EXPECT_EQ(wizard_->sampleRecord(), "EEE     FFF     GGG");
    EXPECT_EQ(shown()[0], "EEE ");
}

TEST_F(Wizard, AnHourglassWhileItReadsAndProposes) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    wizard_ = new LayoutWizardWindow(QString::fromStdString(path("cust.txt")));
    QList<int> shapes;  // the pointer whenever a proposal is shown
    QObject::connect(ctl<QLineEdit>(wizard_, "txtName"), &QLineEdit::textChanged, [&shapes] {
        shapes << (QGuiApplication::overrideCursor() ? int(QGuiApplication::overrideCursor()->shape()) : -1);
    });
    ASSERT_TRUE(wizard_->Form_Load());
    wizard_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard_.data()));
    chooseRecord(2);
    EXPECT_EQ(shapes, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // and back afterwards
}

TEST_F(Wizard, TabOrder) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    QStringList expected{"optRec1"};
    for (int p = 0; p < 9; ++p) expected << kStart[p] << kLength[p];
    expected << "cmdOK" << "cmdCancel";
    QWidget* w = ctl<QWidget>(wizard_, "optRec1");
    w->setFocus(Qt::TabFocusReason);
    QStringList order;
    for (int i = 0; i < expected.size(); ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, expected);
}

TEST_F(Wizard, ApplyStoresTheFirstRowAndMailFile) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    enter(startBox(7), "51");
    enter(lengthBox(7), "3");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([this] { return wizard_.isNull(); }, 2000));
    auto db = qv::db::Database::open("mailsort.mdb");
    auto rs = db->openTable("data");
    rs->moveFirst();
    EXPECT_EQ(rs->get("file").toString(), path("cust.txt"));
    EXPECT_EQ(rs->get("type").toString(), "A");
    EXPECT_EQ(rs->get("SkipFirst").toString(), "N");
    EXPECT_EQ(rs->get("address11from").toInt(), 16);
    EXPECT_EQ(rs->get("townfrom").toInt(), 31);
    EXPECT_EQ(rs->get("postcode1from").toInt(), 55);
    EXPECT_EQ(rs->get("postcode2from").toInt(), 51);
    EXPECT_EQ(rs->get("postcode2length").toInt(), 3);
    // The shipped row laid out a delimited file: its field numbers go.
    EXPECT_EQ(rs->get("name2from").toInt(), 0);
    rs.reset();
    db->close();
    EXPECT_EQ(parmText("MailFile"), path("cust.txt"));
}

TEST_F(Wizard, CancelStoresNothing) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([this] { return wizard_.isNull(); }, 2000));
    EXPECT_EQ(parmText("MailFile"), "CUSTQUOTED.CSV");
}

TEST_F(Wizard, ApplyWhileAnotherProgramHoldsTheDatabaseKeepsTheWizard) {
    writeFile(dir() / "cust.txt", kThreeRecords);
    open("cust.txt");
    OtherProgram other(qv::db::OpenMode::Exclusive);
    ASSERT_TRUE(other.holding());
    scriptedMessages().answer(Answer::Ok,
                              "Another option is currently running, wait until it has finished then try again.");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(wizard_.isNull());
    EXPECT_TRUE(wizard_->isVisible());
}

TEST_F(Wizard, AFileThatCannotBeReadIsToldAndNoWizardOpens) {
    ASSERT_EQ(mkfifo((dir() / "pipe.txt").c_str(), 0600), 0);
    scriptedMessages().answer(Answer::Ok, QString::fromStdString("The file " + path("pipe.txt") +
                                                                 " cannot be read.  File " + path("pipe.txt") +
                                                                 " is not a regular file."));
    EXPECT_EQ(LayoutWizardWindow::open(QString::fromStdString(path("pipe.txt"))), nullptr);
    scriptedMessages().answer(Answer::Ok, QString::fromStdString("The file " + path("gone.txt") + " cannot be found."));
    EXPECT_EQ(LayoutWizardWindow::open(QString::fromStdString(path("gone.txt"))), nullptr);
    QTest::qWait(10);
    EXPECT_EQ(openWindow("frmCorvath"), nullptr);
}

TEST_F(Wizard, AnEmptyFileProposesNothing) {
    writeFile(dir() / "empty.txt", "");
    open("empty.txt");
    EXPECT_EQ(starts(), QStringList(9, "0"));
    EXPECT_EQ(lengths(), QStringList(9, "0"));
    EXPECT_EQ(shown(), QStringList(9, ""));
}

// ---- the road of the demo's fixed-column file ------------------------------------------

TEST_F(Wizard, TheDemoFileFromTheConsoleMenuToItsCoding) {
    for (const auto& e : fs::directory_iterator(fs::path(QV_DATA_DIR) / "demo"))
        fs::copy_file(e.path(), dir() / e.path().filename(), fs::copy_options::overwrite_existing);

    // Utilities > "Fixed Format Layout" starts "Corvath.exe", which is the
    // suite's program corvath beside the others.
    {
        MainWindow console;
        ASSERT_TRUE(showActive(&console));
        EXPECT_EQ(ctl<QAction>(&console, "Mnufixed")->text(), "Fixed Format Layout");
        ctl<QAction>(&console, "Mnufixed")->trigger();
        EXPECT_EQ(recordingLauncher().commands(), QStringList{"Corvath.exe"});
        EXPECT_EQ(qv::platform::resolveProgram("Corvath.exe"),
                  QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("corvath"));
    }

    // corvath opens the typed layout form; its select-file button the chooser.
    QPointer<TypedLayoutWindow> layout = new TypedLayoutWindow;
    ASSERT_TRUE(layout->Form_Load());
    ASSERT_TRUE(showActive(layout));
    screenshot(layout, "1-frmLayout");
    QTest::mouseClick(ctl<QPushButton>(layout, "cmdSelFile"), Qt::LeftButton);
    qv::filesel::FileChooser* chooser = layout->chooser();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(chooser->selectFile("CUSTFIXED.TXT"));
    screenshot(chooser, "2-frmFileSel");
    chooser->cmdOK_Click();
    wizard_ = layout->wizard();
    ASSERT_FALSE(wizard_.isNull());
    ASSERT_TRUE(QTest::qWaitForWindowActive(wizard_.data()));
    const std::string file = (dir() / "CUSTFIXED.TXT").string();
    EXPECT_EQ(ctl<QLabel>(wizard_, "lblSelFile")->text(), QString::fromStdString(file));

    // Seven parts, name to reference: the proposal fills name to postcode 1.
    EXPECT_EQ(starts(), (QStringList{"1", "31", "66", "96", "121", "145", "158", "0", "0"}));
    EXPECT_EQ(lengths(), (QStringList{"30", "35", "30", "25", "24", "13", "7", "0", "0"}));
    EXPECT_EQ(shown()[3], "Zaniholt ");
    EXPECT_EQ(shown()[6], "F10001 ");
    screenshot(wizard_, "3-frmCorvath-proposal");

    // The user moves the parts to their places: address line 3 to 0, the
    // town to 96, the county to 121, postcode 1 to 145/8, the reference to 158/6.
    enter(startBox(3), "0");
    enter(startBox(4), "96");
    enter(startBox(5), "121");
    enter(startBox(6), "145");
    enter(lengthBox(6), "8");
    enter(startBox(8), "158");
    enter(lengthBox(8), "6");
    EXPECT_EQ(starts(), (QStringList{"1", "31", "66", "0", "96", "121", "145", "0", "158"}));
    EXPECT_EQ(lengths(), (QStringList{"30", "35", "30", "25", "24", "13", "8", "0", "6"}));
    EXPECT_EQ(shown(), (QStringList{"Miss M Jessop ", "95 Chapel Close ", "Hathern ", "", "Zaniholt                ",
                                    "Xilormouth   ", "JC11 1EU", "", "F10001"}));
    screenshot(wizard_, "4-frmCorvath-corrected");
    QTest::mouseClick(ctl<QPushButton>(wizard_, "cmdOK"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return wizard_.isNull(); }, 2000));
    EXPECT_EQ(parmText("MailFile"), file);

    // The hint window, for the record: a new name and a tab into the options.
    writeFile(dir() / "NEWCUST.TXT", "x\r\n");
    ASSERT_TRUE(showActive(layout));
    auto* box = ctl<QComboBox>(layout, "TxtFile");
    box->setFocus();
    QTest::keyClicks(box->lineEdit(), QString::fromStdString((dir() / "NEWCUST.TXT").string()));
    ctl<QRadioButton>(layout, "optComma")->setFocus(Qt::TabFocusReason);
    ASSERT_NE(layout->hintWindow(), nullptr);
    screenshot(layout->hintWindow(), "5-frmLayWin");
    layout->hintWindow()->cmdOK_Click();
    QTest::mouseClick(ctl<QPushButton>(layout, "cmdCancel"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return layout.isNull(); }, 2000));

    // The Post Office data of the demo, then the import and coding.
    {
        const auto po = qv::pogen::generate({.seed = 1, .sectors = qv::pogen::kNationalSectors});
        qv::pogen::writeFiles(po, qv::pogen::Form::Comma, dir() / "podata");
        auto db = qv::db::Database::open("mailsort.mdb", qv::db::OpenMode::Exclusive);
        qv::refimport::loadReferenceData(*db, qv::refimport::FileForm::Comma, dir() / "podata");
        db->close();
    }
    {
        auto db = qv::db::Database::open("mailsort.mdb", qv::db::OpenMode::Exclusive);
        qv::coding::CodingReport report(qv::platform::testing::recordingPrinter());
        qv::coding::Counters counters;
        const auto result = qv::coding::runCodingJob(*db, report, counters);
        EXPECT_EQ(result.outcome, qv::coding::JobOutcome::Done);
        EXPECT_EQ(result.mailFile, file);
        EXPECT_EQ(counters.processed, 40);
        // The demo holds four addresses without a postcode, which are coded by
        // their town, and four in an unknown place, which cannot be coded.
        EXPECT_EQ(counters.fullyPostcoded, 36);
        EXPECT_EQ(counters.matched, 4);
        EXPECT_EQ(counters.inError, 4);
        db->close();
    }

    // Every address in its fields, as the file holds it.
    std::vector<std::string> lines;
    {
        std::istringstream in(readFile(dir() / "CUSTFIXED.TXT"));
        for (std::string l; std::getline(in, l);) lines.push_back(l.substr(0, l.find('\r')));
    }
    auto field = [](const std::string& l, int from, int length) {
        return qv::rtrim(l.substr(std::size_t(from - 1), std::size_t(length)));
    };
    auto db = qv::db::Database::open("mailsort.mdb");
    auto mm = db->openTable("mmwork");
    ASSERT_EQ(mm->recordCount(), 40);
    std::size_t i = 0;
    for (mm->moveFirst(); !mm->eof(); mm->moveNext(), ++i) {
        const std::string& l = lines.at(i);
        SCOPED_TRACE(l);
        EXPECT_EQ(qv::rtrim(mm->get("name").toString()), field(l, 1, 30));
        EXPECT_EQ(qv::rtrim(mm->get("address1").toString()), field(l, 31, 35));
        EXPECT_EQ(qv::rtrim(mm->get("address2").toString()), field(l, 66, 30));
        EXPECT_EQ(mm->get("address3").toString(), "");
        EXPECT_EQ(qv::rtrim(mm->get("town").toString()), field(l, 96, 25));
        EXPECT_EQ(qv::rtrim(mm->get("county").toString()), field(l, 121, 24));
        EXPECT_EQ(qv::rtrim(mm->get("postcode").toString()), field(l, 145, 8));
        EXPECT_EQ(mm->get("ref").toString(), field(l, 158, 6));
        const std::string code = mm->get("mscode").toString();
        // An unknown place is not coded; no postcode: the town's residue;
        // else the postcode's selection.
        const std::size_t expected = field(l, 96, 25) == "Nowhere" ? 1 : field(l, 145, 8).empty() ? 3 : 5;
        EXPECT_EQ(code.size(), expected);
        if (expected == 1) {
            EXPECT_EQ(code, "1");
        }
    }
}

}  // namespace
