// The program's two windows offscreen: captions, the guard, a run started
// alone and by a run sequence, Cancel, refusals and the hand-over.
#include "common/testing/damage.h"
#include "platform/platform.h"
#include "platform/printer.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/readonly.h"
#include "platform/tests/pdftools.h"
#include "platform/testing/test_services.h"
#include "sortation/runwindow.h"
#include "sortation/startwindow.h"
#include "sortation/tests/fixture.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <optional>


namespace qv::sortation {
namespace {

using platform::Answer;
using platform::Icon;
using platform::testing::recordingLauncher;
using platform::testing::recordingPrinter;
using platform::testing::scriptedMessages;

const QString kCancelQuestion = QStringLiteral("Are you sure you want to cancel ?");

class Program : public fixture::SortFolder {
protected:
    void SetUp() override {
        fixture::SortFolder::SetUp();
        addLabels({{"12345", "NEWTOWN DIRECT"}, {"123", "NEWTOWN RESIDUE"}});
        makeMmwork(join({group("12345", 30), group("12399", 4), group("1", 2)}));
    }
    void TearDown() override {
        form_.reset();
        QCoreApplication::processEvents();
        fixture::SortFolder::TearDown();
    }

    void sequence(const char* labels) {
        setParm({{"RunAlone", "Y"}, {"RunCodes", "Y"}, {"RunReports", "Y"}, {"RunLabels", labels}});
    }
    // Starts the program as main does; false when the guard ended it.
    bool start() {
        form_ = std::make_unique<StartWindow>();
        form_->setEndHandler([this](int) { ++ends_; });
        const bool loaded = form_->Form_Load();
        if (loaded && !form_->programEnded() && !form_->runWindow()) platform::showActivated(form_.get());
        return loaded;
    }
    bool waitForEnd() { return QTest::qWaitFor([this] { return form_->programEnded(); }, 10000); }
    bool waitForRun() { return QTest::qWaitFor([this] { return !form_->runWindow(); }, 10000); }
    template <class W>
    W* ctl(QWidget* w, const char* name) {
        return platform::child<W>(w, QString::fromLatin1(name));
    }
    std::vector<std::string> flags() {
        return {parmText("RunAlone"), parmText("RunCodes"), parmText("RunReports"), parmText("RunLabels")};
    }

    // Every write of the flags that ends the sequence is refused.
    void refuseFlagsAtTheEnd() {
        testkit::rawSql("mailsort.mdb",
                        "CREATE TRIGGER refuse BEFORE UPDATE ON parmcode WHEN NEW.RunReports = 'N' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }

    std::unique_ptr<StartWindow> form_;
    int ends_ = 0;
};

TEST_F(Program, StartDialogCaptions) {
    ASSERT_TRUE(start());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(form_->windowTitle(), "Print Line List and Sort");
    EXPECT_EQ(ctl<QLabel>(form_.get(), "Label1")->text(), "Print PO Reports");
    EXPECT_TRUE(ctl<QLabel>(form_.get(), "Label1")->font().bold());
    EXPECT_EQ(ctl<QLabel>(form_.get(), "Label2")->text(),
              "This option will take the mailsort details and allocate them to direct or residue selections as "
              "appropriate and then print the line list report.");
    EXPECT_EQ(ctl<QLabel>(form_.get(), "Label3")->text(),
              "You must have already run the option to apply the mailsort codes before running this option.");
    auto* ok = ctl<QPushButton>(form_.get(), "cmdOK");
    auto* exit = ctl<QPushButton>(form_.get(), "cmdCancel");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(exit->text(), "Exit");
    EXPECT_LT(ok->geometry().left(), exit->geometry().left());
    ctl<QLabel>(form_.get(), "Picture1");
    EXPECT_FALSE(form_->runWindow());
}

TEST_F(Program, ExitEndsTheProgram) {
    ASSERT_TRUE(start());
    QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(form_->programEnded());
    EXPECT_EQ(ends_, 1);
}

TEST_F(Program, HeldByAnotherProgramTheGuardEndsIt) {
    sequence("Y");
    auto held = db::DatabaseLock::exclusive("mailsort.mdb");
    scriptedMessages().answer(Answer::Ok,
                              "Another option is currently running, wait until it has finished then try again.");
    EXPECT_FALSE(start());
    EXPECT_TRUE(form_->programEnded());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(form_->runWindow());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
    held.reset();
    EXPECT_EQ(flags(), (std::vector<std::string>{"Y", "Y", "Y", "Y"}));
}

TEST_F(Program, ASequencedRunRunsByItselfAndHandsOnToTheLabels) {
    sequence("Y");
    ASSERT_TRUE(start());
    EXPECT_FALSE(form_->isVisible());
    ASSERT_TRUE(form_->runWindow());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 0);
    // No box of its own, the label program started, and its flag left to it.
    EXPECT_TRUE(scriptedMessages().messages().empty());
    EXPECT_EQ(recordingLauncher().commands(), QStringList{"mistrel.exe"});
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "Y"}));
    EXPECT_EQ(column("bags", "Bag Number").size(), 3u);
    EXPECT_EQ(fileBytes("POFILE.DAT"), "12345,3\r\n123,1\r\n");
    EXPECT_EQ(recordingPrinter().documents().size(), 1u);
    EXPECT_FALSE(form_->isVisible());
}

// Printed with no printer, the reports are a PDF that names itself and the suite.
TEST_F(Program, TheReportsPdfCarriesItsTitleAndTheSuiteAsItsMaker) {
    sequence("N");
    auto pdf = std::make_shared<platform::PdfPrinter>();
    pdf->setPdfFolder(QString::fromStdString(dir_.string()));
    platform::setPrinter(pdf);
    ASSERT_TRUE(start());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 0);
    ASSERT_FALSE(pdf->lastPdfFile().isEmpty());
    const QMap<QString, QString> info = platform::testing::pdfInfo(pdf->lastPdfFile());
    EXPECT_EQ(info.value("Title").toStdString(), "Mailsort Line Report");
    EXPECT_EQ(info.value("Creator").toStdString(), "Quorvel");
    EXPECT_EQ(info.value("Producer").toStdString(), "Quorvel");
}

TEST_F(Program, ASequenceWithoutLabelsEndsWithoutStartingAnything) {
    sequence("N");
    ASSERT_TRUE(start());
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "N"}));
    EXPECT_TRUE(scriptedMessages().messages().empty());
}

TEST_F(Program, AFailedLabelStartIsNotLookedAt) {
    sequence("Y");
    recordingLauncher().setFailing(true);
    ASSERT_TRUE(start());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 0);
    EXPECT_TRUE(scriptedMessages().messages().empty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "Y"}));
}

TEST_F(Program, ACancelledSequenceStartsNoLabels) {
    sequence("Y");
    writeFile("POFILE.DAT", "777,7\r\n");
    scriptedMessages().answer(Answer::Yes, kCancelQuestion);
    ASSERT_TRUE(start());
    // Pressed while the first step runs: seen at its first pause.
    QTimer::singleShot(0, [this] { QTest::mouseClick(form_->runWindow()->cancelButton(), Qt::LeftButton); });
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "Y"}));
    EXPECT_EQ(fileBytes("POFILE.DAT"), "777,7\r\n");
    EXPECT_TRUE(recordingPrinter().events().empty());
}

TEST_F(Program, ClosingTheRunWindowAsksTheCancelQuestion) {
    sequence("Y");
    scriptedMessages().answer(Answer::Yes, kCancelQuestion);
    ASSERT_TRUE(start());
    QTimer::singleShot(0, [this] { form_->runWindow()->close(); });
    ASSERT_TRUE(waitForEnd());
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "Y"}));
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
}

TEST_F(Program, AnsweringNoLetsTheRunGoOn) {
    sequence("Y");
    scriptedMessages().answer(Answer::No, kCancelQuestion);
    ASSERT_TRUE(start());
    QTimer::singleShot(0, [this] { QTest::mouseClick(form_->runWindow()->cancelButton(), Qt::LeftButton); });
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(recordingLauncher().commands(), QStringList{"mistrel.exe"});
    EXPECT_EQ(fileBytes("POFILE.DAT"), "12345,3\r\n123,1\r\n");
}

TEST_F(Program, StartedAloneItWritesNoFlagAndStaysOpen) {
    setParm({{"RunAlone", "N"}, {"RunCodes", "Y"}, {"RunReports", "Y"}, {"RunLabels", "Y"}});
    ASSERT_TRUE(start());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    for (int run = 1; run <= 2; ++run) {
        QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdOK"), Qt::LeftButton);
        ASSERT_TRUE(form_->runWindow());
        EXPECT_EQ(form_->runWindow()->windowTitle(), "Print PO Reports in Progress");
        ASSERT_TRUE(waitForRun()) << run;
        EXPECT_FALSE(form_->programEnded());
        EXPECT_TRUE(form_->isVisible());
        EXPECT_EQ(recordingPrinter().documents().size(), std::size_t(run));
    }
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "Y", "Y", "Y"}));
    QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(form_->programEnded());
}

// Records what the run window shows whenever the report prints a line.
class WatchingPrinter : public platform::RecordingPrinter {
public:
    std::function<void()> onLine;

protected:
    void lineAdded(const platform::PrintedLine& l) override {
        RecordingPrinter::lineAdded(l);
        if (onLine) onLine();
    }
};

TEST_F(Program, TheRunWindowShowsEachStep) {
    auto printer = std::make_shared<WatchingPrinter>();
    platform::setPrinter(printer);
    QStringList seen;
    printer->onLine = [&] {
        if (!seen.isEmpty() || !form_->runWindow()) return;
        RunWindow* w = form_->runWindow();
        seen << w->stepLabel()->text() << w->percentLabel()->text() << w->wordsLabel()->text()
             << QString::number(w->blocksShown());
    };
    sequence("N");
    ASSERT_TRUE(start());
    RunWindow* w = form_->runWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), "Print PO Reports in Progress");
    EXPECT_EQ(w->stepLabel()->text(), "Allocation");
    EXPECT_EQ(w->percentLabel()->text(), "");
    EXPECT_EQ(w->wordsLabel()->text(), "percent complete (step 1 of 2)");
    EXPECT_EQ(w->cancelButton()->text(), "Cancel");
    ASSERT_TRUE(waitForEnd());
    // At the report's first line: step 2's texts, its bar cleared, step 1's
    // final percentage still shown.
    EXPECT_EQ(seen, (QStringList{"  Printing ", "100.00", "percent complete (step 2 of 2)", "0"}));
}

TEST_F(Program, KeysThatCannotBagTheJobAreRefusedAndEndTheSequence) {
    sequence("Y");
    setParm({{"Weight", "0"}});
    scriptedMessages().answer(Answer::Ok,
                              "The item weight of this job is \"0\", not a number of grams above 0, so its items cannot "
                              "be put into bags. Correct it in the job parameters (\"Update Parameters\"), then run "
                              "this option again.");
    ASSERT_TRUE(start());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 1);
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "Y"}));
    const auto codes = column("mmwork", "mscode");
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "12399"), 4);
    EXPECT_FALSE(fileExists("POFILE.DAT"));
}

TEST_F(Program, AJobNeverImportedSaysWhatToRunFirstAndEndsTheProgram) {
    for (const bool inSequence : {false, true}) {
        SCOPED_TRACE(inSequence ? "sequenced" : "alone");
        {
            auto db = open();
            jobtables::dropIfThere(*db, jobtables::Mmwork);
        }
        if (inSequence) sequence("Y");
        else setParm({{"RunAlone", "N"}, {"RunCodes", "N"}, {"RunReports", "N"}, {"RunLabels", "N"}});
        scriptedMessages().answer(Answer::Ok,
                                  "There are no addresses to sort: the job's work table is missing or empty. Run "
                                  "Apply Mailsort Codes first.");
        ASSERT_TRUE(start());
        if (!inSequence) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
            QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdOK"), Qt::LeftButton);
        }
        ASSERT_TRUE(waitForEnd());
        EXPECT_EQ(form_->exitStatus(), 1);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", inSequence ? "Y" : "N"}));
        EXPECT_TRUE(recordingPrinter().documents().empty());
        form_.reset();
        platform::testing::installTestServices();
    }
}

TEST_F(Program, ASetUpFailureIsReportedAndEndsTheProgram) {
    {
        auto db = open();
        jobtables::dropIfThere(*db, "pcode");
    }
    setParm({{"RunAlone", "N"}});
    ASSERT_TRUE(start());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    scriptedMessages().setAutoAcceptOk(true);
    QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdOK"), Qt::LeftButton);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 1);
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(scriptedMessages().messages()[0].text.startsWith(
        "An unexpected error has occurred.  Please make a note of the following error details and contact Brackwith "
        "Mailing Services.  Error number: 3011  Description: "));
}

// A database file the program may not write, or a folder where its lock
// file cannot be made, whether the start's guard or the run's own connection
// meets it: the plain refusal, nothing printed, and the program ends with
// status 1.
TEST_F(Program, ADatabaseThatCannotBeWrittenIsRefusedPlainly) {
    const QString noLockFile = "Cannot create the lock file '" +
                               QString::fromStdString((dir_ / "mailsort.mdb.lock").string()) + "': Permission denied.";
    const struct {
        const char* what;
        std::filesystem::path readOnly;
        bool atTheRun;
        QString message;
    } cases[] = {
        {"a read-only file at the start", dir_ / "mailsort.mdb", false, "The database mailsort.mdb is read-only."},
        {"a read-only folder at the start", dir_, false, noLockFile},
        {"a read-only folder at the run", dir_, true, noLockFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::testing::installTestServices();
        form_.reset();
        ends_ = 0;
        setParm({{"RunAlone", "N"}});
        scriptedMessages().answer(Answer::Ok, c.message);
        {
            std::optional<testkit::ReadOnly> readOnly;
            if (c.atTheRun) {
                ASSERT_TRUE(start());
                ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
                readOnly.emplace(c.readOnly);
                QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdOK"), Qt::LeftButton);
                ASSERT_TRUE(waitForEnd());
            } else {
                readOnly.emplace(c.readOnly);
                EXPECT_FALSE(start());
            }
        }
        EXPECT_EQ(form_->exitStatus(), 1);
        EXPECT_EQ(ends_, 1);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Critical);
        EXPECT_TRUE(recordingPrinter().documents().empty());
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    }
}

// Run flags that cannot be read: the message comes at once, before any
// window, and the program ends.
TEST_F(Program, FlagsThatCannotBeReadAreReportedAtOnce) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
        QString message;  // its start
        Icon icon;
    };
    const QString unexpected = QStringLiteral(
        "An unexpected error has occurred.  Please make a note of the following error details and contact Brackwith "
        "Mailing Services.  Error number: ");
    const Case cases[] = {
        {"no parmcode",
         [&] {
             auto db = open();
             jobtables::dropIfThere(*db, "parmcode");
         },
         unexpected + "3011  Description: ", Icon::None},
        {"no database", [&] { std::filesystem::remove(dir_ / "mailsort.mdb"); }, unexpected + "3024  Description: ", Icon::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.spoil();
        scriptedMessages().setAutoAcceptOk(true);
        EXPECT_FALSE(start());
        EXPECT_TRUE(form_->programEnded());
        EXPECT_EQ(form_->exitStatus(), 1);
        EXPECT_EQ(ends_, 1);
        EXPECT_FALSE(form_->isVisible());
        EXPECT_FALSE(form_->runWindow());
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_TRUE(scriptedMessages().messages()[0].text.startsWith(c.message))
            << scriptedMessages().messages()[0].text.toStdString();
        EXPECT_EQ(scriptedMessages().messages()[0].icon, c.icon);
        form_.reset();
        ends_ = 0;
        platform::testing::installTestServices();
    }
}

// A job whose address file needs far more room than its database's log.
class FullDiskProgram : public Program {
protected:
    void SetUp() override {
        Program::SetUp();
        std::vector<fixture::Address> job;
        for (int g = 0; g < 10; ++g) {
            const std::string code = std::to_string(20000 + g * 10);
            addLabels({{code, "DIRECT " + code}});
            auto members = group(code, 100);
            for (auto& a : members) {
                a.name = std::string(45, 'N');
                a.lines = {std::string(40, 'A'), std::string(40, 'B'), std::string(40, 'C'), std::string(40, 'D')};
            }
            job.insert(job.end(), members.begin(), members.end());
        }
        makeMmwork(job);
        writeFile("POFILE.DAT", "777,7\r\n");
    }
    // Runs the program to its end with every file held to 128 KiB: room for
    // the log, none for POADDR.CSV's 230 KB.
    void runOnAFullDisk() {
        scriptedMessages().answer(Answer::Ok, "The sortation could not be completed: POADDR.CSV could not be written: "
                                              "File too large");
        testkit::FileSizeLimit full(128 * 1024);
        ASSERT_TRUE(start());
        if (!form_->runWindow()) {
            ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
            QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdOK"), Qt::LeftButton);
        }
        ASSERT_TRUE(waitForEnd());
    }
    void expectNothingHandedOn() {
        EXPECT_EQ(form_->exitStatus(), 1);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Critical);
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        EXPECT_TRUE(recordingPrinter().documents().empty());
        EXPECT_EQ(fileBytes("POFILE.DAT"), "777,7\r\n");
        EXPECT_FALSE(fileExists("POADDR.CSV"));
    }
};

TEST_F(FullDiskProgram, ASequencedRunThatCannotWriteItsFilesEndsTheSequence) {
    sequence("Y");
    runOnAFullDisk();
    expectNothingHandedOn();
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "N", "Y"}));
}

TEST_F(FullDiskProgram, StartedAloneAFailedRunWritesNoFlag) {
    setParm({{"RunAlone", "N"}, {"RunCodes", "Y"}, {"RunReports", "Y"}, {"RunLabels", "Y"}});
    runOnAFullDisk();
    expectNothingHandedOn();
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "Y", "Y", "Y"}));
}

TEST_F(Program, RunFlagsThatCannotBeSavedStartNoLabels) {
    sequence("Y");
    refuseFlagsAtTheEnd();
    scriptedMessages().setAutoAcceptOk(true);
    ASSERT_TRUE(start());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 1);
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(scriptedMessages().messages()[0].text.startsWith("The run flags could not be saved: "))
        << scriptedMessages().messages()[0].text.toStdString();
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"Y", "N", "Y", "Y"}));
}

TEST_F(Program, ARefusalSaysWhenTheFlagsCouldNotBeSaved) {
    sequence("Y");
    setParm({{"Weight", "0"}});
    refuseFlagsAtTheEnd();
    scriptedMessages().setAutoAcceptOk(true);
    ASSERT_TRUE(start());
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(form_->exitStatus(), 1);
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    const QString text = scriptedMessages().messages()[0].text;
    EXPECT_TRUE(text.startsWith("The item weight of this job is \"0\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("this option again.\nThe run flags could not be saved: ")) << text.toStdString();
    EXPECT_EQ(flags(), (std::vector<std::string>{"Y", "N", "Y", "Y"}));
}

TEST_F(Program, ASequenceEndedElsewhereDuringTheRunShowsTheStartDialogAgain) {
    // The console, started while the first step walks the job, resets RunAlone.
    sequence("Y");
    bool reset = false;
    QTimer console;
    QObject::connect(&console, &QTimer::timeout, [&] {
        if (!form_ || !form_->runWindow() || !form_->runWindow()->running()) return;
        console.stop();
        setParm({{"RunAlone", "N"}});
        reset = true;
    });
    console.start(0);
    ASSERT_TRUE(start());
    EXPECT_FALSE(form_->isVisible());
    ASSERT_TRUE(waitForRun());
    ASSERT_TRUE(reset);
    EXPECT_FALSE(form_->programEnded());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_TRUE(scriptedMessages().messages().empty());
    EXPECT_EQ(flags(), (std::vector<std::string>{"N", "N", "Y", "Y"}));
    // It is the dialog it would be started alone: Exit ends the program.
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    QTest::mouseClick(ctl<QPushButton>(form_.get(), "cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(form_->programEnded());
    EXPECT_EQ(form_->exitStatus(), 0);
}

}  // namespace
}  // namespace qv::sortation
