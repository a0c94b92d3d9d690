#include "duplicates/checkwindow.h"
#include "duplicates/duplicatedialog.h"
#include "duplicates/keyfieldswindow.h"
#include "duplicates/program.h"

#include "workfolder.h"

#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/readonly.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <optional>
#include <sstream>

using namespace qv::duplicates;
using qv::platform::Answer;
using qv::platform::Buttons;
using qv::platform::testing::scriptedMessages;

namespace {

const QString kHeadings =
    QStringLiteral("Do you want to use the first record of the selected file as field headings?");
const QString kNoKey = QStringLiteral("At least one key field must be selected");
const QString kCancel = QStringLiteral("Are you sure you want to cancel processing?");

QStringList listed(const KeyFieldsWindow& form) {
    QStringList out;
    for (int i = 0; i < form.lstKeys()->count(); ++i) out << form.lstKeys()->item(i)->text();
    return out;
}

// Answers each frmDupFound as it opens by pressing the next button of the
// script, and remembers what the dialog showed.
class DialogClicker : public QObject {
public:
    explicit DialogClicker(std::deque<QString> buttons) : buttons_(std::move(buttons)) {
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start(5);
    }
    struct Shown {
        QString title, label1, upper, label2, lower;
    };
    std::vector<Shown> shown;
    std::function<void()> beforeClick;
    std::size_t left() const { return buttons_.size(); }

private:
    void poll() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<DuplicateDialog*>(w);
            if (!d || !d->isVisible() || done_.contains(d)) continue;
            done_.append(d);
            shown.push_back({d->windowTitle(), qv::platform::child<QLabel>(d, "Label1")->text(),
                             qv::platform::child<QPlainTextEdit>(d, "lblDup1")->toPlainText(),
                             qv::platform::child<QLabel>(d, "Label2")->text(),
                             qv::platform::child<QPlainTextEdit>(d, "lblDup2")->toPlainText()});
            if (beforeClick) beforeClick();
            if (buttons_.empty()) {
                ADD_FAILURE() << "a dialog nobody answers";
                d->reject();
                return;
            }
            const QString name = buttons_.front();
            buttons_.pop_front();
            if (name == QLatin1String("close"))
                d->close();
            else
                qv::platform::child<QPushButton>(d, name)->click();
        }
    }
    QTimer timer_;
    std::deque<QString> buttons_;
    QList<QPointer<DuplicateDialog>> done_;
};

class Fennick : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramHooks hooks;
        hooks.endProgram = [this](int status) {
            ++ended;
            endStatus = status;
        };
        hooks.prepareRun = [this](CheckWindow& run) {
            if (ask) run.setAsk(ask);
            if (prepare) prepare(run);
        };
        chooser = makeStartForm(hooks);
        chooser->show();
        chooser->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(chooser));
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == chooser.data() || qobject_cast<KeyFieldsWindow*>(w) || qobject_cast<CheckWindow*>(w)) {
                w->setEnabled(true);
                delete w;
            }
        }
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    }

    // Chooses a file in the chooser and answers the headings question.
    // A message the key-field form then shows is answered OK.
    void choose(const std::string& name, Answer headings, std::optional<QString> refusal = std::nullopt) {
        chooser->setPath(QString::fromStdString(folder.dir().string()));
        ASSERT_TRUE(chooser->selectFile(QString::fromStdString(name))) << name;
        scriptedMessages().answer(headings, kHeadings);
        if (refusal) scriptedMessages().answer(Answer::Ok, *refusal);
        chooser->cmdOK_Click();
    }
    KeyFieldsWindow* keys() const { return keyFieldsOf(*chooser); }

    // Selects the entries and presses OK; the run goes as the window takes the focus.
    void runWith(const std::vector<int>& entries) {
        ASSERT_NE(keys(), nullptr);
        for (int e : entries) keys()->lstKeys()->item(e)->setSelected(true);
        keys()->cmdOK_Click();
        CheckWindow* run = runOf(*chooser);
        if (!run) return;
        QTRY_VERIFY_WITH_TIMEOUT(ended > 0 || !runOf(*chooser), 10000);
    }

    std::vector<std::string> messagesShown() const {
        std::vector<std::string> out;
        for (const auto& m : scriptedMessages().messages()) out.push_back(m.text.toStdString());
        return out;
    }

    std::string endMessage() const {
        return "Created CSV file " + QDir::toNativeSeparators(QDir::currentPath()).toStdString() + "/" +
               "OUTPUT.CSV with duplicates removed.";
    }

    test::WorkFolder folder;
    QPointer<qv::filesel::FileChooser> chooser;
    CheckWindow::Ask ask;
    std::function<void(CheckWindow&)> prepare;  // more for each run window before it loads
    int ended = 0;
    int endStatus = -1;
};

TEST_F(Fennick, TheKeyListFromHeadingsOrColumnLetters) {
    folder.write("people.csv", {R"("Name","Town","Post code")", R"("Ann","York","YO1 1AA")"});
    folder.write("plain.csv", {"a,b,c,d,e"});
    folder.write("fixed.txt", {"Name      Town", "Smith     Leeds", "Jones     York"});
    struct Case {
        const char* file;
        Answer headings;
        QStringList list;
    };
    const Case cases[] = {
        {"people.csv", Answer::Yes, {"Name", "Town", "Post code"}},
        {"people.csv", Answer::No, {"Column A", "Column B", "Column C"}},
        {"plain.csv", Answer::No, {"Column A", "Column B", "Column C", "Column D", "Column E"}},
        {"fixed.txt", Answer::Yes, {"Name  ", "Town"}},
    };
    for (const auto& c : cases) {
        choose(c.file, c.headings);
        ASSERT_NE(keys(), nullptr) << c.file;
        EXPECT_EQ(keys()->windowTitle(), "Key Fields");
        EXPECT_EQ(qv::platform::child<QLabel>(keys(), "Label1")->text(), "Select Key Fields:");
        EXPECT_EQ(listed(*keys()), c.list) << c.file;
        EXPECT_TRUE(keys()->isVisible());
        EXPECT_TRUE(chooser->isVisible());  // the chooser stays
    }
}

TEST_F(Fennick, SelectAllTogglesAndOkWantsAKey) {
    folder.write("plain.csv", {"a,b,c,d,e"});
    choose("plain.csv", Answer::No);
    ASSERT_NE(keys(), nullptr);
    QPushButton* all = keys()->cmdAll();
    EXPECT_EQ(all->text(), "Select All");
    all->click();
    EXPECT_EQ(keys()->lstKeys()->selectedItems().size(), 5);
    EXPECT_EQ(all->text(), "De-Select All");
    all->click();
    EXPECT_EQ(keys()->lstKeys()->selectedItems().size(), 0);
    EXPECT_EQ(all->text(), "Select All");

    scriptedMessages().answer(Answer::Ok, kNoKey);
    qv::platform::child<QPushButton>(keys(), "cmdOK")->click();
    EXPECT_EQ(runOf(*chooser), nullptr);
    EXPECT_EQ(scriptedMessages().messages().back().buttons, Buttons::OkOnly);
    EXPECT_TRUE(keys()->isVisible());
}

TEST_F(Fennick, AFileThatCannotBeUsedLeadsBackToTheChooser) {
    folder.write("empty.csv", {});
    folder.write("blank.csv", {"", "a,b,c,d,e"});
    folder.write("short.txt", {"Name      Town", "Smith     Leeds"});
    folder.write("good.csv", {"a,b,c,d,e"});
    // Bytes with a Ctrl-Z before their first NUL are no text all the same.
    folder.writeBytes("binary.csv", std::string("a,b,c,d,e\x1A\x03\0\xFF\x10\0", 15));
    // Records after a Ctrl-Z would be missing from OUTPUT.CSV.
    folder.writeBytes("mark.csv", "a,b,c,d,e\r\nf,g,h,i,j\r\n\x1Ak,l,m,n,o\r\n");
    folder.writeBytes("first.csv", "\x1A" "a,b,c,d,e\r\nf,g,h,i,j\r\n");
    folder.writeBytes("padding.csv", std::string("\x1A\r\n\0\0\0", 6));
    struct Case {
        const char* file;
        std::string message;
    };
    const Case cases[] = {
        {"empty.csv", "The selected file is empty."},
        {"padding.csv", "The selected file is empty."},
        {"binary.csv", "The selected file is not a text file."},
        {"blank.csv", "The first record of the selected file is empty, so its fields cannot be found."},
        {"short.txt", "The selected file has fewer than three records: the columns of a fixed-column file are "
                      "found from its first three."},
        {"mark.csv", "Line 3 of file " + (folder.dir() / "mark.csv").string() +
                         " holds an end-of-file mark (Ctrl-Z) with more records after it. Remove the mark, "
                         "then choose the file again."},
        {"first.csv", "Line 1 of file " + (folder.dir() / "first.csv").string() +
                          " holds an end-of-file mark (Ctrl-Z) with more records after it. Remove the mark, "
                          "then choose the file again."},
    };
    for (const auto& c : cases) {
        choose(c.file, Answer::No, QString::fromStdString(c.message));
        EXPECT_EQ(keys(), nullptr) << c.file;
        EXPECT_TRUE(chooser->isVisible());
    }
    choose("good.csv", Answer::No);
    ASSERT_NE(keys(), nullptr);
    EXPECT_EQ(listed(*keys()).size(), 5);
}

TEST_F(Fennick, ASecondChoiceReloadsTheKeyList) {
    folder.write("five.csv", {"a,b,c,d,e"});
    folder.write("six.csv", {"Name,Town,Post,Ref,Tel,Mail"});
    choose("five.csv", Answer::No);
    QPointer<KeyFieldsWindow> first = keys();
    first->lstKeys()->item(0)->setSelected(true);
    choose("six.csv", Answer::Yes);
    QApplication::processEvents();
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    ASSERT_NE(keys(), nullptr);
    EXPECT_EQ(listed(*keys()), (QStringList{"Name", "Town", "Post", "Ref", "Tel", "Mail"}));
    EXPECT_TRUE(keys()->lstKeys()->selectedItems().isEmpty());
    EXPECT_EQ(keys()->setup().path, (folder.dir() / "six.csv").string());
}

TEST_F(Fennick, EachDecisionOfTheDialog) {
    const std::vector<std::string> lines = {"Smith,1 High St,Leeds,LS1 1AA,1", "Jones,2 Low Rd,York,YO1 1AA,2",
                                            "smith ,9 Other St,Hull,HU1 1AA,3"};
    const std::string one = "\"Smith\",\"1 High St\",\"Leeds\",\"LS1 1AA\",\"1\"\r\n";
    const std::string two = "\"Jones\",\"2 Low Rd\",\"York\",\"YO1 1AA\",\"2\"\r\n";
    const std::string three = "\"smith\",\"9 Other St\",\"Hull\",\"HU1 1AA\",\"3\"\r\n";
    struct Case {
        const char* button;
        std::string output;
    };
    const Case cases[] = {
        {"cmdDelete1", one + two},
        {"cmdDelete2", two + three},
        {"cmdLeave", one + two + three},
        {"close", one + two + three},  // closed without a button: both stay
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        std::filesystem::remove(folder.dir() / "OUTPUT.CSV");
        folder.write("cust.csv", lines);
        ended = 0;
        choose("cust.csv", Answer::No);
        DialogClicker clicker({c.button});
        scriptedMessages().answer(Answer::Ok, QString::fromStdString(endMessage()));
        runWith({0});
        EXPECT_EQ(ended, 1);
        ASSERT_EQ(clicker.shown.size(), 1u);
        const auto& d = clicker.shown[0];
        EXPECT_EQ(d.title, "Duplicate record found");
        EXPECT_EQ(d.label1, "Record found that exists:");
        EXPECT_EQ(d.upper, "smith \n9 Other St\nHull\nHU1 1AA\n3");
        EXPECT_EQ(d.label2, "Duplicate already in file:");
        EXPECT_EQ(d.lower, "Smith\n1 High St\nLeeds\nLS1 1AA\n1");
        EXPECT_EQ(folder.read("OUTPUT.CSV"), c.output);
        CheckWindow* run = runOf(*chooser);
        ASSERT_NE(run, nullptr);
        EXPECT_EQ(run->windowTitle(), "Checking for duplicates");
        EXPECT_EQ(run->lblStage()->text(), "Creating CSV file: OUTPUT.CSV");
        EXPECT_EQ(run->lblRecNum()->text(), "");
        delete run;
    }
}

TEST_F(Fennick, TheDialogsButtons) {
    DuplicateDialog d(QStringLiteral("a\r\nb\r\n"), QStringLiteral("c\r\n"));
    const std::pair<const char*, const char*> captions[] = {
        {"cmdDelete1", "Delete Record"}, {"cmdDelete2", "Delete Record"}, {"cmdLeave", "Leave Both Records in File"}};
    for (const auto& [name, caption] : captions) EXPECT_EQ(qv::platform::child<QPushButton>(&d, name)->text(), caption);
    struct Case {
        const char* button;
        Decision decision;
    };
    const Case cases[] = {{"cmdDelete1", Decision::DeleteNew},
                          {"cmdDelete2", Decision::DeleteEarlier},
                          {"cmdLeave", Decision::LeaveBoth}};
    for (const auto& c : cases) {
        DuplicateDialog dialog(QStringLiteral("x\r\n"), QStringLiteral("y\r\n"));
        dialog.show();
        qv::platform::child<QPushButton>(&dialog, c.button)->click();
        EXPECT_EQ(dialog.decision(), c.decision) << c.button;
        EXPECT_FALSE(dialog.isVisible()) << c.button;
    }
    DuplicateDialog escaped(QStringLiteral("x\r\n"), QStringLiteral("y\r\n"));
    escaped.show();
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_FALSE(escaped.isVisible());
    EXPECT_EQ(escaped.decision(), Decision::LeaveBoth);
}

TEST_F(Fennick, CancelAskedDuringTheRun) {
    struct Case {
        const char* what;
        bool closeBox;  // the window's close box instead of the Cancel button
        Answer answer;
        bool output;
    };
    const Case cases[] = {
        {"Cancel, Yes", false, Answer::Yes, false},
        {"Cancel, No", false, Answer::No, true},
        {"close box, Yes", true, Answer::Yes, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(folder.dir() / "OUTPUT.CSV");
        folder.write("cust.csv", {"a,1,x,y,z", "A,2,x,y,z", "b,3,x,y,z"});
        ended = 0;
        choose("cust.csv", Answer::No);
        // Cancel pressed while the run is at its second record.
        ask = [this, &c](const DuplicatePair&) {
            CheckWindow* run = runOf(*chooser);
            EXPECT_TRUE(run->cmdCancel()->isVisible());
            EXPECT_EQ(run->lblStage()->text(), "Currently processing record number:");
            EXPECT_EQ(run->lblRecNum()->text(), "1");
            // Nothing else takes input meanwhile.
            EXPECT_FALSE(chooser->isEnabled());
            EXPECT_FALSE(keys()->isEnabled());
            EXPECT_FALSE(keys()->close());
            if (c.closeBox)
                EXPECT_FALSE(run->close());
            else
                run->cmdCancel()->click();
            return Decision::LeaveBoth;
        };
        scriptedMessages().answer(c.answer, kCancel);
        if (c.output) scriptedMessages().answer(Answer::Ok, QString::fromStdString(endMessage()));
        runWith({0});
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(scriptedMessages().messages().back().buttons, c.output ? Buttons::OkOnly : Buttons::YesNo);
        EXPECT_EQ(folder.read("OUTPUT.CSV") != "<missing>", c.output);
        delete runOf(*chooser);
        // Ending the program closes every window; none may refuse.
        EXPECT_TRUE(keys()->close());
    }
}

TEST_F(Fennick, AWorkDatabaseFaultEndsTheProgramBeforeTheRunStarts) {
    folder.write("cust.csv", {"a,1,x,y,z"});
    struct Case {
        const char* what;
        std::function<void()> spoil;
        std::string message;
    };
    const Case cases[] = {
        {"no DupWork.mdb", [&] { std::filesystem::remove(folder.dir() / "DupWork.mdb"); },
         "An unexpected error occured.  Please report the following details to Brackwith Mailing Services:  "
         "Error number: 3024  Description: "},
        {"no table work",
         [&] {
             std::ostringstream out, err;
             qv::dbbuild::makeDatabases({QV_DATA_DIR, folder.dir(), true}, out, err);
             qv::db::Database::open("DupWork.mdb")->dropTable("work");
         },
         "An unexpected error occured when deleting/creating ACCESS table.  Please report the following details "
         "to Brackwith Mailing Services:  Error number: 3376  Description: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ended = 0;
        endStatus = -1;
        c.spoil();
        choose("cust.csv", Answer::No);
        scriptedMessages().answer(Answer::Ok);
        runWith({0});
        const auto shown = messagesShown();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().substr(0, c.message.size()), c.message);
        EXPECT_GT(shown.back().size(), c.message.size());  // a description follows
        EXPECT_EQ(runOf(*chooser), nullptr);
        // The unexpected error ends the program: no way back to the key list.
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(endStatus, 1);
        EXPECT_EQ(folder.read("OUTPUT.CSV"), "<missing>");
    }
}

// A DupWork.mdb the program may not write, or a folder where its lock file
// cannot be made: the plain refusal, and the program ends with status 1.
TEST_F(Fennick, AWorkDatabaseThatCannotBeWrittenIsRefusedPlainly) {
    folder.write("cust.csv", {"a,1,x,y,z"});
    const struct {
        std::filesystem::path readOnly;
        std::string message;
    } cases[] = {
        {folder.dir() / "DupWork.mdb", "The database DupWork.mdb is read-only."},
        {folder.dir(),
         "Cannot create the lock file '" + (folder.dir() / "DupWork.mdb.lock").string() + "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        ended = 0;
        endStatus = -1;
        scriptedMessages().clear();
        choose("cust.csv", Answer::No);
        scriptedMessages().answer(Answer::Ok, QString::fromStdString(c.message));
        {
            const qv::testkit::ReadOnly readOnly(c.readOnly);
            runWith({0});
        }
        EXPECT_EQ(messagesShown().size(), 2u);  // the headings question, then the refusal
        EXPECT_EQ(runOf(*chooser), nullptr);
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(endStatus, 1);
        EXPECT_EQ(folder.read("OUTPUT.CSV"), "<missing>");
    }
}

// Puts a file-size limit on the process once the run shows its first record:
// the records it stores in DupWork.mdb then meet a full disk.
class FullDiskForTheRecords : public QObject {
public:
    void watch(CheckWindow& run) { run.lblRecNum()->installEventFilter(this); }
    bool limited() const { return limit_.has_value(); }
    void lift() { limit_.reset(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* label = qobject_cast<QLabel*>(watched);
        if (event->type() == QEvent::Paint && label && !limit_ && !label->text().isEmpty())
            limit_.emplace(std::filesystem::file_size("DupWork.mdb") + 4096);
        return false;
    }

private:
    std::optional<qv::testkit::FileSizeLimit> limit_;
};

TEST_F(Fennick, AFullDiskDuringTheRunEndsTheProgram) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 20000; ++i)
        lines.push_back("name" + std::to_string(i) + "," + std::string(200, 'a' + char(i % 26)) + ",x,y,z");
    folder.write("cust.csv", lines);
    folder.write("OUTPUT.CSV", {"the last run's output"});
    FullDiskForTheRecords full;
    prepare = [&](CheckWindow& run) { full.watch(run); };
    choose("cust.csv", Answer::No);
    scriptedMessages().answer(Answer::Ok);
    runWith({0, 1});
    EXPECT_TRUE(full.limited());
    full.lift();
    const auto shown = messagesShown();
    ASSERT_EQ(shown.size(), 2u);  // the headings question, then the failure
    const std::string lead =
        "An unexpected error occured.  Please report the following details to Brackwith Mailing Services:  "
        "Error number: 3027  Description: ";
    EXPECT_EQ(shown[1].substr(0, lead.size()), lead) << shown[1];
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(endStatus, 1);
    EXPECT_EQ(folder.read("OUTPUT.CSV"), "the last run's output\r\n");
}

TEST_F(Fennick, AFailedOutputIsReportedAndNotCalledDone) {
    folder.write("cust.csv", {"a,1,x,y,z"});
    std::filesystem::create_directories(folder.dir() / "OUTPUT.CSV");  // a folder in its place
    choose("cust.csv", Answer::No);
    scriptedMessages().answer(Answer::Retry).answer(Answer::Cancel);
    runWith({0});
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(endStatus, 1);
    const auto& shown = scriptedMessages().messages();
    ASSERT_EQ(shown.size(), 3u);  // the headings question, then twice the write failure
    EXPECT_TRUE(shown[1].text.startsWith("OUTPUT.CSV could not be written: ")) << shown[1].text.toStdString();
    EXPECT_EQ(shown[2].buttons, Buttons::RetryCancel);
}

// Puts a file-size limit on the process once the run shows that it writes
// OUTPUT.CSV: the records are stored by then, so only the output meets it.
class FullDiskForTheOutput : public QObject {
public:
    void watch(CheckWindow& run) { run.lblStage()->installEventFilter(this); }
    bool limited() const { return limit_.has_value(); }
    void lift() { limit_.reset(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* label = qobject_cast<QLabel*>(watched);
        if (event->type() == QEvent::Paint && label && !limit_ &&
            label->text() == QLatin1String("Creating CSV file: OUTPUT.CSV"))
            limit_.emplace(1024);
        return false;
    }

private:
    std::optional<qv::testkit::FileSizeLimit> limit_;
};

TEST_F(Fennick, AFullDiskIsReportedWithItsCauseAndTheEarlierOutputStays) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 300; ++i) lines.push_back("name" + std::to_string(i) + ",2,x,y,z");
    folder.write("cust.csv", lines);
    folder.write("OUTPUT.CSV", {"the last run's output"});
    FullDiskForTheOutput full;
    prepare = [&](CheckWindow& run) { full.watch(run); };
    choose("cust.csv", Answer::No);
    scriptedMessages().answer(Answer::Cancel, QStringLiteral("OUTPUT.CSV could not be written: File too large."));
    runWith({0});
    EXPECT_TRUE(full.limited());
    full.lift();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(endStatus, 1);
    ASSERT_EQ(scriptedMessages().messages().size(), 2u);  // the headings question, then the failure
    EXPECT_EQ(scriptedMessages().messages()[1].buttons, Buttons::RetryCancel);
    EXPECT_EQ(folder.read("OUTPUT.CSV"), "the last run's output\r\n");
    for (const auto& e : std::filesystem::directory_iterator(folder.dir()))
        EXPECT_NE(e.path().filename().string().rfind(".OUTPUT.CSV", 0), 0u) << e.path();
}

TEST_F(Fennick, ExitInTheChooserEndsTheProgramAndInTheKeyFormGoesBack) {
    folder.write("plain.csv", {"a,b,c,d,e"});
    choose("plain.csv", Answer::No);
    ASSERT_NE(keys(), nullptr);
    qv::platform::child<QPushButton>(keys(), "cmdCancel")->click();
    QApplication::processEvents();
    EXPECT_EQ(keys(), nullptr);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(chooser->isVisible());
    chooser->cmdExit_Click();
    EXPECT_EQ(ended, 1);
}

TEST_F(Fennick, TheChoosersCloseBoxEndsTheProgramAsExitDoes) {
    folder.write("plain.csv", {"a,b,c,d,e"});
    choose("plain.csv", Answer::No);
    ASSERT_NE(keys(), nullptr);
    EXPECT_TRUE(chooser->close());
    EXPECT_EQ(ended, 1);
}

// The order in which Tab walks the controls, from the first.
std::vector<std::string> tabWalk(QWidget* window, const char* first, int steps) {
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    qv::platform::child<QWidget>(window, first)->setFocus();
    std::vector<std::string> walk{QApplication::focusWidget()->objectName().toStdString()};
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walk.push_back(QApplication::focusWidget()->objectName().toStdString());
    }
    return walk;
}

TEST_F(Fennick, F1OpensNoHelpInAnyWindow) {
    qv::platform::installHelpKey();
    folder.write("plain.csv", {"a,b,c,d,e"});
    choose("plain.csv", Answer::No);
    ASSERT_NE(keys(), nullptr);
    DuplicateDialog dialog(QStringLiteral("a\r\n"), QStringLiteral("b\r\n"));
    CheckWindow run;
    const std::pair<QWidget*, const char*> places[] = {
        {chooser, "cmdOK"}, {keys(), "lstKeys"}, {&dialog, "cmdLeave"}, {&run, "lblStage"}};
    for (const auto& [window, name] : places) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << name;
        auto* w = qv::platform::child<QWidget>(window, name);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_F1);
        QApplication::processEvents();
        EXPECT_FALSE(qv::platform::helpWindow().isVisible()) << window->objectName().toStdString();
    }
    dialog.reject();
}

TEST_F(Fennick, CaptionsAndKeyboardOrderOfEachWindow) {
    folder.write("plain.csv", {"a,b,c,d,e"});
    choose("plain.csv", Answer::No);
    ASSERT_NE(keys(), nullptr);
    const std::pair<const char*, const char*> keyButtons[] = {
        {"cmdAll", "Select All"}, {"cmdOK", "OK"}, {"cmdCancel", "Exit"}};
    for (const auto& [name, caption] : keyButtons)
        EXPECT_EQ(qv::platform::child<QPushButton>(keys(), name)->text(), caption) << name;
    EXPECT_EQ(tabWalk(keys(), "lstKeys", 4),
              (std::vector<std::string>{"lstKeys", "cmdAll", "cmdOK", "cmdCancel", "lstKeys"}));

    DuplicateDialog dialog(QStringLiteral("a\r\n"), QStringLiteral("b\r\n"));
    EXPECT_EQ(tabWalk(&dialog, "lblDup1", 5), (std::vector<std::string>{"lblDup1", "cmdDelete1", "lblDup2",
                                                                       "cmdDelete2", "cmdLeave", "lblDup1"}));
    dialog.reject();

    CheckWindow run;
    EXPECT_EQ(run.windowTitle(), "Checking for duplicates");
    EXPECT_EQ(run.lblStage()->text(), "Currently processing record number:");
    EXPECT_EQ(run.cmdCancel()->text(), "Cancel");
    run.show();
    EXPECT_FALSE(run.cmdCancel()->isVisible());  // until the run starts
}

}  // namespace
