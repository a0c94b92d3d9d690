#include "console_fixture.h"

#include "common/parm/parmrecord.h"
#include "common/testing/damage.h"
#include "console/configlabs.h"
#include "console/housekeeping.h"
#include "console/mainwindow.h"
#include "console/tariffs/estimateforms.h"
#include "console/tariffs/mailsorttariffform.h"
#include "console/tariffs/standardtariffform.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/launcher.h"
#include "platform/messages.h"
#include "platform/testing/readonly.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <functional>
#include <optional>

using namespace qv::console;
using namespace qv::console::testing;
using qv::db::OpenMode;
using qv::platform::Answer;
using qv::platform::Buttons;
using qv::platform::Icon;
using qv::platform::child;
using qv::platform::testing::recordingLauncher;
using qv::platform::testing::scriptedMessages;
namespace key = qv::parm::key;

namespace {

const char* const kAnotherRunning =
    "Another option is currently running, wait until it has finished then try again.";
const char* const kOneOption =
    "To just run one option you can click on its icon. Selecting an option like this will cause the option to "
    "start running immediately.";
const char* const kNoOption =
    "If you want to run just one option then click on its icon, if you want to run more than one option then "
    "select them and click on 'run selected options' again.";
const char* const kSequence = "Options must be run in sequence.";

void trigger(MainWindow& w, const char* action) { child<QAction>(&w, action)->trigger(); }

class MainWindowTest : public ConsoleTest {
protected:
    // Flags that no run writes, so a write shows.
    void markFlags() {
        for (const char* k : {key::RunAlone, key::RunCodes, key::RunReports, key::RunLabels}) setParm(k, "X");
    }
    std::string flags() {
        return parmText(key::RunAlone) + parmText(key::RunCodes) + parmText(key::RunReports) +
               parmText(key::RunLabels);
    }
};

}  // namespace

TEST_F(MainWindowTest, StartShowsTheDataDateAndClearsTheRunInProgress) {
    setParm(key::RunAlone, "Y");
    setParm(key::RunCodes, "Y");
    setParm(key::UpdDate, "15/03/2027");
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    EXPECT_EQ(w.windowTitle(), "Quorvel - Mailsort System");
    EXPECT_EQ(child<QLabel>(&w, "LblUpdDat")->text(), "15/03/2027");
    EXPECT_EQ(parmText(key::RunAlone), "N");
    EXPECT_EQ(parmText(key::RunCodes), "Y");  // only RunAlone is reset
    EXPECT_FALSE(w.holdsDatabase());
    EXPECT_TRUE(shownMessages().isEmpty());
}

TEST_F(MainWindowTest, StartWithoutTheDatabaseOpensQuietly) {
    fs::remove(dir() / "mailsort.mdb");
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    EXPECT_EQ(child<QLabel>(&w, "LblUpdDat")->text(), "Update 04/08");
    EXPECT_TRUE(shownMessages().isEmpty());
    EXPECT_FALSE(fs::exists(dir() / "mailsort.mdb"));  // nothing created
}

TEST_F(MainWindowTest, StartWhileAStepHoldsTheDatabaseWritesNothing) {
    setParm(key::RunAlone, "Y");
    {
        OtherProgram step(OpenMode::Exclusive);
        ASSERT_TRUE(step.holding());
        MainWindow w;
        ASSERT_TRUE(showActive(&w));
        EXPECT_EQ(child<QLabel>(&w, "LblUpdDat")->text(), "Update 04/08");
        EXPECT_FALSE(w.holdsDatabase());
        EXPECT_TRUE(shownMessages().isEmpty());
    }
    EXPECT_EQ(parmText(key::RunAlone), "Y");
}

TEST_F(MainWindowTest, RunSequenceTable) {
    struct Case {
        const char* ticks;                  // P, C, R, L in row order
        std::optional<Answer> oneStepAnswer;  // the answer to the one-step question
        const char* message;                // the second message, if any
        const char* flags;                  // RunAlone RunCodes RunReports RunLabels afterwards
        const char* started;                // "" when nothing starts
    };
    const Case cases[] = {
        {"PR", {}, kSequence, "NXXX", ""},
        {"L", Answer::Ok, nullptr, "YNNY", "mistrel.exe"},
        {"CRL", {}, nullptr, "YYYY", "kavrin.exe"},
        {"PCRL", {}, nullptr, "YYYY", "pelgrin.exe"},
        {"", {}, kNoOption, "NXXX", ""},
        {"C", Answer::Cancel, nullptr, "NXXX", ""},
        {"P", Answer::Ok, nullptr, "YNNN", "pelgrin.exe"},
        {"RL", {}, nullptr, "YNYY", "zolbern.exe"},
        {"PC", {}, nullptr, "YYNN", "pelgrin.exe"},
        {"PCR", {}, nullptr, "YYYN", "pelgrin.exe"},
        {"CL", {}, kSequence, "NXXX", ""},
        {"PL", {}, kSequence, "NXXX", ""},
        {"PCL", {}, kSequence, "NXXX", ""},
        {"PRL", {}, kSequence, "NXXX", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("ticked: ") + c.ticks);
        markFlags();
        scriptedMessages().clear();
        recordingLauncher().clear();
        MainWindow w;
        ASSERT_TRUE(showActive(&w));
        const std::string ticks = c.ticks;
        const std::pair<char, const char*> rows[] = {
            {'P', "chkParameters"}, {'C', "chkCodes"}, {'R', "chkReports"}, {'L', "chkLabels"}};
        for (auto [letter, name] : rows)
            if (ticks.find(letter) != std::string::npos) clickIndicator(child<QCheckBox>(&w, name));
        if (c.oneStepAnswer) scriptedMessages().answer(*c.oneStepAnswer, QString::fromLatin1(kOneOption));
        if (c.message) scriptedMessages().answer(Answer::Ok, QString::fromLatin1(c.message));
        QTest::mouseClick(child<QPushButton>(&w, "cmdRun"), Qt::LeftButton);

        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_EQ(flags(), c.flags);
        EXPECT_EQ(recordingLauncher().commands(),
                  *c.started ? QStringList{QString::fromLatin1(c.started)} : QStringList{});
        EXPECT_FALSE(w.holdsDatabase());
        // The boxes keep their ticks.
        for (auto [letter, name] : rows)
            EXPECT_EQ(child<QCheckBox>(&w, name)->isChecked(), ticks.find(letter) != std::string::npos) << name;
    }
    // The icons of the messages: the question and the hint have none, the refusal an exclamation.
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    scriptedMessages().clear();
    scriptedMessages().answer(Answer::Ok);
    w.cmdRun_Click();
    clickIndicator(child<QCheckBox>(&w, "chkParameters"));
    clickIndicator(child<QCheckBox>(&w, "chkLabels"));
    scriptedMessages().answer(Answer::Ok);
    w.cmdRun_Click();
    ASSERT_EQ(scriptedMessages().messages().size(), 2u);
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::None);
    EXPECT_EQ(scriptedMessages().messages()[1].icon, Icon::Exclamation);
}

TEST_F(MainWindowTest, OneStepQuestionOffersOkAndCancel) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    clickIndicator(child<QCheckBox>(&w, "chkReports"));
    scriptedMessages().answer(Answer::Cancel);
    w.cmdRun_Click();
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::None);
}

TEST_F(MainWindowTest, RunWhileAStepHoldsTheDatabaseIsRefused) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    markFlags();
    OtherProgram coding(OpenMode::Exclusive);
    ASSERT_TRUE(coding.holding());
    clickIndicator(child<QCheckBox>(&w, "chkCodes"));
    clickIndicator(child<QCheckBox>(&w, "chkReports"));
    scriptedMessages().answer(Answer::Ok, QString::fromLatin1(kAnotherRunning));
    QTest::mouseClick(child<QPushButton>(&w, "cmdRun"), Qt::LeftButton);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::Exclamation);
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_FALSE(w.holdsDatabase());
}

TEST_F(MainWindowTest, RunWhoseProgramCannotStartKeepsTheFlagsQuietly) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    recordingLauncher().setFailing(true);
    clickIndicator(child<QCheckBox>(&w, "chkReports"));
    clickIndicator(child<QCheckBox>(&w, "chkLabels"));
    w.cmdRun_Click();
    EXPECT_TRUE(shownMessages().isEmpty());
    EXPECT_EQ(recordingLauncher().commands(), QStringList{"zolbern.exe"});
    EXPECT_EQ(parmText(key::RunAlone), "Y");
}

TEST_F(MainWindowTest, NoProgramStartsWhileTheConsoleHoldsTheDatabase) {
    // Each start must find the database free for the started program's sole use.
    std::vector<bool> free;
    qv::platform::setBeforeProgramStart([&] {
        try {
            qv::db::DatabaseLock::exclusive("mailsort.mdb");
            free.push_back(true);
        } catch (const qv::db::DbError&) {
            free.push_back(false);
        }
    });
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    clickIndicator(child<QCheckBox>(&w, "chkParameters"));
    clickIndicator(child<QCheckBox>(&w, "chkCodes"));
    w.cmdRun_Click();
    trigger(w, "MnuFileComma");
    w.Image3_Click();
    EXPECT_EQ(free, (std::vector<bool>{true, true, true}));
}

TEST_F(MainWindowTest, IconsStartTheirStepAloneWithoutGuard) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    markFlags();
    {
        OtherProgram step(OpenMode::Exclusive);  // the started step refuses for itself
        const std::pair<const char*, const char*> icons[] = {
            {"Image2", "pelgrin.exe"}, {"Image3", "kavrin.exe"}, {"Image4", "zolbern.exe"}, {"Image1", "mistrel.exe"}};
        for (auto [icon, program] : icons) {
            recordingLauncher().clear();
            QTest::mouseClick(child<QWidget>(&w, icon), Qt::LeftButton);
            EXPECT_EQ(recordingLauncher().commands(), QStringList{program}) << icon;
        }
    }
    EXPECT_TRUE(shownMessages().isEmpty());
    EXPECT_EQ(flags(), "XXXX");
}

TEST_F(MainWindowTest, UnguardedStartThatFailsSaysWhy) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    recordingLauncher().setFailing(true, "File not found: mistrel.exe");
    scriptedMessages().answer(Answer::Ok, "File not found: mistrel.exe");
    w.Image1_Click();
    scriptedMessages().answer(Answer::Ok, "File not found: mistrel.exe");
    trigger(w, "mnuDepDup");
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::Exclamation);
}

TEST_F(MainWindowTest, DeDuplicateStartsEvenWhileAStepRuns) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    OtherProgram step(OpenMode::Exclusive);
    trigger(w, "mnuDepDup");
    EXPECT_EQ(recordingLauncher().commands(), QStringList{"fennick.exe"});
    EXPECT_TRUE(shownMessages().isEmpty());
}

namespace {
// The guarded entries: the program each starts, or the form it shows.
struct Guarded {
    const char* action;
    const char* command;  // nullptr: shows a form
    QWidget* (*form)(const MainWindow&);
};
const Guarded kGuarded[] = {
    {"MnuFileDovodedod", "shoravel.exe C", nullptr},
    {"MnuFileComma", "lurrow.exe C", nullptr},
    {"MnuFileFixed", "lurrow.exe F", nullptr},
    {"MnuFileLayout", "dovanet.exe", nullptr},
    {"Mnufixed", "Corvath.exe", nullptr},
    {"MnuFileClean", nullptr, [](const MainWindow& w) -> QWidget* { return w.cleanup(); }},
    {"CopyFile", nullptr, [](const MainWindow& w) -> QWidget* { return w.copyFile(); }},
    {"MnuUtilitiesConfigure", nullptr, [](const MainWindow& w) -> QWidget* { return w.configLabs(); }},
    {"MnuUtilitiesEstimator", nullptr, [](const MainWindow& w) -> QWidget* { return w.estimator(); }},
    {"MnuPricesMailsort", nullptr, [](const MainWindow& w) -> QWidget* { return w.mailsortPrices(); }},
    {"MnuPricesPO", nullptr, [](const MainWindow& w) -> QWidget* { return w.poPrices(); }},
};
}  // namespace

TEST_F(MainWindowTest, GuardedEntriesActWhenTheDatabaseIsFree) {
    for (const Guarded& g : kGuarded) {
        SCOPED_TRACE(g.action);
        recordingLauncher().clear();
        MainWindow w;
        ASSERT_TRUE(showActive(&w));
        trigger(w, g.action);
        if (g.command) {
            EXPECT_EQ(recordingLauncher().commands(), QStringList{g.command});
        } else {
            ASSERT_NE(g.form(w), nullptr);
            EXPECT_TRUE(g.form(w)->isVisible());
            EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        }
        EXPECT_TRUE(shownMessages().isEmpty());
        EXPECT_FALSE(w.holdsDatabase());
    }
}

TEST_F(MainWindowTest, GuardedEntriesRefuseWhileAnotherProgramHoldsTheDatabase) {
    for (OpenMode mode : {OpenMode::Exclusive, OpenMode::Shared}) {
        OtherProgram other(mode);
        ASSERT_TRUE(other.holding());
        MainWindow w;
        ASSERT_TRUE(showActive(&w));
        for (const Guarded& g : kGuarded) {
            SCOPED_TRACE(g.action);
            scriptedMessages().clear();
            scriptedMessages().answer(Answer::Ok, QString::fromLatin1(kAnotherRunning));
            trigger(w, g.action);
            EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
            EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::Exclamation);
            if (g.form) {
                EXPECT_EQ(g.form(w), nullptr);
            }
        }
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok, QString::fromLatin1(kAnotherRunning));
        trigger(w, "MnuUtilitiesEstimator");
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    }
}

TEST_F(MainWindowTest, GuardedEntriesEndSilentlyWhenTheirProgramCannotStart) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    recordingLauncher().setFailing(true);
    trigger(w, "Mnufixed");  // the layout program cannot be started
    EXPECT_EQ(recordingLauncher().commands(), QStringList{"Corvath.exe"});
    EXPECT_TRUE(shownMessages().isEmpty());
}

// A database the guard cannot open for sole use, other than one held by
// another program: each guarded entry says why in the database's own plain
// words, and neither starts its program nor shows its form; so does the run
// button.
TEST_F(MainWindowTest, GuardedEntriesSayWhyTheDatabaseCannotBeUsed) {
    const fs::path database = dir() / "mailsort.mdb";
    const fs::path delivered = dir() / "delivered.mdb";
    fs::copy_file(database, delivered);
    const struct {
        const char* what;
        std::function<void()> spoil;
        fs::path readOnly;  // while the entries are chosen; empty for none
        QString message;
    } cases[] = {
        {"no database", [&] { fs::remove(database); }, {}, "Could not find the database file 'mailsort.mdb'."},
        {"a damaged database",
         [&] {
             std::fstream f(database, std::ios::in | std::ios::out | std::ios::binary);
             const std::string zeros(qv::testkit::pageSizeOf(database), '\0');
             f.write(zeros.data(), std::streamsize(zeros.size()));
         },
         {}, "The database mailsort.mdb is damaged: file is not a database."},
        {"a read-only database", [] {}, database, "The database mailsort.mdb is read-only."},
        {"a read-only folder", [] {}, dir(),
         "Cannot create the lock file '" + QString::fromStdString((dir() / "mailsort.mdb.lock").string()) +
             "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow w;
        ASSERT_TRUE(showActive(&w));
        c.spoil();
        recordingLauncher().clear();
        {
            std::optional<qv::testkit::ReadOnly> readOnly;
            if (!c.readOnly.empty()) readOnly.emplace(c.readOnly);
            for (const Guarded& g : kGuarded) {
                SCOPED_TRACE(g.action);
                scriptedMessages().clear();
                scriptedMessages().answer(Answer::Ok, c.message);
                trigger(w, g.action);
                EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
                ASSERT_EQ(scriptedMessages().messages().size(), 1u);
                EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
                if (g.form) {
                    EXPECT_EQ(g.form(w), nullptr);
                }
            }
            // The run, which cannot write its flags, says the same.
            scriptedMessages().clear();
            scriptedMessages().answer(Answer::Ok, c.message);
            clickIndicator(child<QCheckBox>(&w, "chkReports"));
            clickIndicator(child<QCheckBox>(&w, "chkLabels"));
            QTest::mouseClick(child<QPushButton>(&w, "cmdRun"), Qt::LeftButton);
            EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
            ASSERT_EQ(scriptedMessages().messages().size(), 1u);
            EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
        }
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        fs::remove(database);
        fs::copy_file(delivered, database);
    }
}

TEST_F(MainWindowTest, FileExitEndsTheProgram) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    markFlags();
    QTimer::singleShot(0, &w, [&w] { trigger(w, "MnuFileExit"); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(flags(), "XXXX");
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
}

TEST_F(MainWindowTest, OpenLabelConfigurationKeepsTheGuardedEntriesOut) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    trigger(w, "MnuUtilitiesConfigure");
    ASSERT_NE(w.configLabs(), nullptr);
    for (const char* action : {"MnuFileClean", "MnuFileComma", "MnuUtilitiesConfigure"}) {
        scriptedMessages().answer(Answer::Ok, QString::fromLatin1(kAnotherRunning));
        trigger(w, action);
    }
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(w.cleanup(), nullptr);
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());

    // Closed, it lets them through again.
    QTest::mouseClick(child<QPushButton>(w.configLabs(), "cmdCancel"), Qt::LeftButton);
    trigger(w, "MnuFileClean");
    EXPECT_NE(w.cleanup(), nullptr);
    EXPECT_EQ(scriptedMessages().messages().size(), 3u);
}

namespace {
// What the user reads on a control: a window's title, a label's or button's
// caption (with its access-key "&"), or a box's text.
std::string shownText(QWidget* w) {
    if (w->isWindow()) return w->windowTitle().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
    return std::string("<") + w->metaObject()->className() + ">";
}
}  // namespace

TEST_F(MainWindowTest, MenusAndFixedCaptions) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));

    // The menu bar as one line per entry, in order: a menu at the left, its
    // entries indented under it, "-" for a separator.
    const std::vector<std::string> tree = {
        "MnuFile &File",
        "  mnuDepDup &De-Duplicate",
        "  MnuFileDovodedod Create &Dovodedod File",
        "  sep1 -",
        "  MnuFileComma Load new PO database - &Comma",
        "  MnuFileFixed Load new PO database - &Fixed",
        "  sep2 -",
        "  MnuFileClean Clean&up Work Files",
        "  CopyFile Copy &PO Line List File to Disk",
        "  sep3 -",
        "  MnuFileExit E&xit",
        "mnuUtilities &Utilities",
        "  MnuUtilitiesEstimator &Estimator",
        "  MnuUtilitiesConfigure &Configure Labels",
        "  MnuFileLayout E&xtract File Layout",
        "  Mnufixed Fixed Format Layout",
        "MnuPrices &Prices",
        "  MnuPricesMailsort &Mailsort Prices",
        "  MnuPricesPO &PO Prices",
        "MnuHelp &Help",
        "  MnuHelpQuorvel &Quorvel Help",
        "  sep4 -",
        "  MnuHelpAbout A&bout Quorvel",
    };
    std::vector<std::string> walked;
    for (QAction* top : w.menuBar()->actions()) {
        QMenu* menu = top->menu();
        if (!menu) {
            ADD_FAILURE() << "menu bar entry without a menu: " << top->text().toStdString();
            continue;
        }
        walked.push_back(menu->objectName().toStdString() + " " + top->text().toStdString());
        for (QAction* a : menu->actions()) {
            walked.push_back("  " + a->objectName().toStdString() + " " +
                             (a->isSeparator() ? std::string("-") : a->text().toStdString()));
            // Flat menus, and no entry has a shortcut key.
            EXPECT_EQ(a->menu(), nullptr) << a->objectName().toStdString();
            EXPECT_TRUE(a->shortcut().isEmpty()) << a->objectName().toStdString();
        }
    }
    EXPECT_EQ(walked, tree);

    // The fixed texts of the main window and of the two dialogs the File menu
    // shows; a row naming the form itself is its title.
    trigger(w, "MnuFileClean");
    trigger(w, "CopyFile");
    ASSERT_NE(w.cleanup(), nullptr);
    ASSERT_NE(w.copyFile(), nullptr);
    struct Row {
        QWidget* form;  // searched for the control; the dialogs are children of the window
        const char* name;
        const char* text;
    };
    QWidget* main = w.centralWidget();
    const Row rows[] = {
        {&w, "frmMailsort", "Quorvel - Mailsort System"},
        {main, "Label5", "Quorvel"},
        {main, "Label1", "4.1"},
        {main, "chkParameters", "Update Parameters"},
        {main, "chkCodes", "Apply Mailsort Codes"},
        {main, "chkReports", "Print PO Reports"},
        {main, "chkLabels", "Print Labels"},
        {main, "cmdRun", "&Run Selected Options"},
        {main, "cmdOK", "E&xit"},
        {w.cleanup(), "frmCleanup", "Cleanup Mailsort Work Files"},
        {w.cleanup(), "Label1", "This option will delete the work files used by Mailsort."},
        {w.cleanup(), "Label2",
         "You should have produced all reports and labels required before running this option.  If you require "
         "reports/labels after taking this option, you will need to start the Mailsort process again."},
        {w.cleanup(), "cmdOK", "OK"},
        {w.cleanup(), "cmdCancel", "Cancel"},
        {w.copyFile(), "frmCpyfile", "Copy PO Line List File to Diskette"},
        {w.copyFile(), "Label1",
         "This program will take the file created from the Print PO Reports option and copy it to a diskette.  "
         "This can then be sent to the Post Office to allow them to create bag labels.  It is just an electronic "
         "version of the line listing."},
        {w.copyFile(), "Label2", "Insert a blank, formatted diskette and ensure it is not write-protected."},
        {w.copyFile(), "Label3", "Target drive (A/B):"},
        {w.copyFile(), "txtDrive", "A"},
        {w.copyFile(), "Label4", "Name: POFILE"},
        {w.copyFile(), "cmdOK", "OK"},
        {w.copyFile(), "cmdCancel", "Cancel"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget* c = r.form->objectName() == QLatin1String(r.name) ? r.form
                                                                    : r.form->findChild<QWidget*>(QLatin1String(r.name));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(shownText(c), r.text);
    }

    // The step rows stand top to bottom in row order, and start unticked.
    int above = -1;
    for (const char* name : {"chkParameters", "chkCodes", "chkReports", "chkLabels"}) {
        auto* box = child<QCheckBox>(&w, name);
        EXPECT_GT(box->mapTo(&w, QPoint(0, 0)).y(), above) << name;
        above = box->mapTo(&w, QPoint(0, 0)).y();
        EXPECT_EQ(box->checkState(), Qt::Unchecked) << name;
    }
}

TEST_F(MainWindowTest, HelpOpensAtTheContents) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    qv::platform::helpWindow().showTopic(30);
    trigger(w, "MnuHelpQuorvel");
    EXPECT_TRUE(qv::platform::helpWindow().isVisible());
    EXPECT_EQ(qv::platform::helpWindow().currentTopic(), 0);
    qv::platform::helpWindow().close();
}

TEST_F(MainWindowTest, AboutNamesProgramVersionAndSupplier) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    trigger(w, "MnuHelpAbout");
    AboutBox* about = w.about();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(waitActive(about));
    QStringList texts;
    for (QLabel* l : about->findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains("Quorvel"));
    EXPECT_TRUE(texts.filter("4.1").size() == 1);
    EXPECT_TRUE(texts.contains("Brackwith Mailing Services"));
    QTest::mouseClick(child<QPushButton>(about, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.about() == nullptr; }, 2000));
}

TEST_F(MainWindowTest, EscapeEndsTheProgramAndWritesNothing) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    trigger(w, "MnuUtilitiesConfigure");
    ASSERT_NE(w.configLabs(), nullptr);
    w.activateWindow();
    ASSERT_TRUE(waitActive(&w));
    markFlags();
    QTimer::singleShot(0, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(flags(), "XXXX");
}

TEST_F(MainWindowTest, FormClosedAndOpenedAgainAtOnceStartsAfresh) {
    MainWindow w;
    ASSERT_TRUE(showActive(&w));
    trigger(w, "MnuUtilitiesConfigure");
    ASSERT_NE(w.configLabs(), nullptr);
    QTest::mouseClick(child<QPushButton>(w.configLabs(), "cmdCancel"), Qt::LeftButton);
    setParm(key::Printer, "E");
    trigger(w, "MnuUtilitiesConfigure");  // before the closed one has gone
    ASSERT_NE(w.configLabs(), nullptr);
    EXPECT_TRUE(w.configLabs()->isVisible());
    EXPECT_TRUE(w.configLabs()->holdsDatabase());
    EXPECT_EQ(w.configLabs()->windowTitle(), "Configure Labels - Dot Matrix");
}
