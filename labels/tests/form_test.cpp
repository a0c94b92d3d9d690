// The print-range dialog and the progress form, offscreen, with scripted
// message boxes and a recording LPT1.
#include "fixture.h"
#include "labels/labelprogresswindow.h"
#include "labels/printrangedialog.h"
#include "platform/platform.h"
#include "platform/printer.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/readonly.h"
#include "platform/testing/runpressing.h"
#include "platform/testing/recordingport.h"
#include "platform/testing/test_services.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <optional>

namespace qv::labels {
namespace {

using fixture::DatabaseFolder;
using platform::Answer;
using platform::Icon;
using platform::testing::scriptedMessages;
using Status = RunResult::Status;
namespace key = parm::key;

class Dialog : public DatabaseFolder {
protected:
    void SetUp() override {
        DatabaseFolder::SetUp();
        writeStandardJob();
        port_ = std::make_shared<platform::RecordingPort>();
        platform::setLptPort(port_);
    }
    void TearDown() override {
        platform::setLptPort(nullptr);
        DatabaseFolder::TearDown();
    }
    static void showAndActivate(QWidget& w) {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    static QRadioButton* option(PrintRangeDialog& f, const char* name) {
        return platform::child<QRadioButton>(&f, QString::fromLatin1(name));
    }
    static QLineEdit* box(PrintRangeDialog& f, const char* name) { return platform::child<QLineEdit>(&f, QString::fromLatin1(name)); }
    // Presses OK and waits for the run to end.
    static void runFrom(PrintRangeDialog& f) {
        QTest::mouseClick(platform::child<QPushButton>(&f, "cmdOK"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f.running(), 10000);
    }
    // Runs the program as its main does and presses OK once frmPrint shows,
    // `beforeOk` just before; the exit status.
    static int runProgramPressingOk(const std::function<void()>& beforeOk = {}) {
        return platform::testing::runPressing(runMistrel, QStringLiteral("frmPrint"), "cmdOK", beforeOk);
    }
    std::shared_ptr<platform::RecordingPort> port_;
};

TEST_F(Dialog, CaptionsAsTheUserSeesThem) {
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    EXPECT_EQ(f.windowTitle(), "Print Labels");
    auto text = [&](const char* name) { return platform::child<QWidget>(&f, name)->property("text").toString(); };
    EXPECT_EQ(text("Label4"), "Print Labels");
    EXPECT_EQ(text("Label1"),
              "This option will take the mailsort details from Apply Mailsort Codes option and print labels in "
              "mailsort sequence.");
    EXPECT_EQ(text("optAll"), "Print all labels");
    EXPECT_EQ(text("optBagRange"), "Print bag range");
    EXPECT_EQ(text("optLabRange"), "Print label range");
    EXPECT_EQ(text("Label2"), "From:");
    EXPECT_EQ(text("Label3"), "To:");
    EXPECT_EQ(text("cmdOK"), "OK");
    EXPECT_EQ(text("cmdCancel"), "Exit");
}

TEST_F(Dialog, PresetsComeFromTheLastRange) {
    struct Case {
        const char* what;
        db::Value labopt, from, to;
        const char* option;
        QString type, fromText, toText;
    };
    const Case cases[] = {
        {"bag range", "B", "5", "9", "optBagRange", "B", "5", "9"},
        {"label range", "L", "100", "250", "optLabRange", "L", "100", "250"},
        {"all labels", "A", "3", "4", "optAll", "A", "3", "4"},
        {"empty option", "", "5", "9", "optBagRange", "B", "5", "9"},
        {"unknown option", "X", "5", "9", "optBagRange", "B", "5", "9"},
        {"no From stored", "L", db::Value(), "9", "optAll", "A", "1", "20"},
    };
    for (const Case& c : cases) {
        setParm({{key::Labopt, c.labopt}, {key::Labfrom, c.from}, {key::Labto, c.to}});
        PrintRangeDialog f;
        ASSERT_TRUE(f.Form_Load()) << c.what;
        EXPECT_TRUE(option(f, c.option)->isChecked()) << c.what;
        EXPECT_EQ(f.printType(), c.type) << c.what;
        EXPECT_EQ(f.fromText(), c.fromText) << c.what;
        EXPECT_EQ(f.toText(), c.toText) << c.what;
        EXPECT_TRUE(scriptedMessages().messages().empty()) << c.what;
    }
}

TEST_F(Dialog, HeldByAnotherProgramRefusesTheStart) {
    auto held = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
    scriptedMessages().answer(Answer::Ok);
    PrintRangeDialog f;
    EXPECT_FALSE(f.Form_Load());
    EXPECT_TRUE(f.programEnded());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].text,
              "Another option is currently running, wait until it has finished then try again.");
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
}

// A database file the program may not write, or a folder where its lock
// file cannot be made: the plain refusal, and the program ends with status 1.
TEST_F(Dialog, ADatabaseThatCannotBeWrittenRefusesTheStart) {
    const struct {
        std::filesystem::path readOnly;
        QString message;
    } cases[] = {
        {dir() / "mailsort.mdb", "The database mailsort.mdb is read-only."},
        {dir(), "Cannot create the lock file '" + QString::fromStdString((dir() / "mailsort.mdb.lock").string()) +
                    "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        platform::testing::installTestServices();
        scriptedMessages().answer(Answer::Ok, c.message);
        PrintRangeDialog f;
        {
            const testkit::ReadOnly readOnly(c.readOnly);
            EXPECT_FALSE(f.Form_Load());
        }
        EXPECT_TRUE(f.programEnded());
        EXPECT_EQ(f.exitStatus(), 1);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Critical);
    }
}

TEST_F(Dialog, TheDialogHoldsTheDatabaseForItsSoleUse) {
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    EXPECT_THROW(db::Database::open("mailsort.mdb", db::OpenMode::Exclusive), db::DbError);
    f.close();
    EXPECT_TRUE(f.programEnded());
    EXPECT_NO_THROW(db::Database::open("mailsort.mdb", db::OpenMode::Exclusive));
}

TEST_F(Dialog, ThePrintTypeFollowsTheOptionHoweverItIsChosen) {
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    showAndActivate(f);
    QTest::mouseClick(option(f, "optLabRange"), Qt::LeftButton);
    EXPECT_EQ(f.printType(), "L");
    QTest::mouseClick(option(f, "optBagRange"), Qt::LeftButton);
    EXPECT_EQ(f.printType(), "B");
    option(f, "optBagRange")->setFocus();
    QTest::keyClick(option(f, "optBagRange"), Qt::Key_Up);
    EXPECT_TRUE(option(f, "optAll")->isChecked());
    EXPECT_EQ(f.printType(), "A");
}

TEST_F(Dialog, RangeBoxesTakeDigitsOnly) {
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    showAndActivate(f);
    QLineEdit* from = box(f, "txtFrom");
    from->setFocus();
    QTest::keyClicks(from, "1a-2.x3");
    EXPECT_EQ(from->text(), "123");
    QTest::keyClick(from, Qt::Key_Backspace);
    EXPECT_EQ(from->text(), "12");
    // Entering a box selects its text, so typing replaces it.
    QLineEdit* to = box(f, "txtTo");
    QTest::keyClick(from, Qt::Key_Tab);
    EXPECT_TRUE(to->hasFocus());
    QTest::keyClicks(to, "7");
    EXPECT_EQ(to->text(), "7");
}

TEST_F(Dialog, FromAboveToIsRefusedWhateverThePrintType) {
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    showAndActivate(f);
    bool started = false;
    QObject::connect(&f, &PrintRangeDialog::runStarted, [&] { started = true; });
    box(f, "txtFrom")->setText("30");
    box(f, "txtTo")->setText("20");
    QTest::mouseClick(option(f, "optAll"), Qt::LeftButton);
    box(f, "txtTo")->setFocus();
    scriptedMessages().answer(Answer::Ok, QStringLiteral("From value cannot be greater than to value"));
    QTest::mouseClick(platform::child<QPushButton>(&f, "cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(started);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::None);
    EXPECT_TRUE(box(f, "txtFrom")->hasFocus());
    EXPECT_TRUE(port_->lines().isEmpty());
    // Equal is accepted.
    box(f, "txtFrom")->setText("20");
    runFrom(f);
    EXPECT_TRUE(started);
}

TEST_F(Dialog, OkPrintsTheRangeAndTheDialogStaysForTheNext) {
    setParm({{key::Ref, "Y"}, {key::TopMarg, "0"}});
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    showAndActivate(f);
    QString shownText;
    int shownBlocks = -1;
    QObject::connect(&f, &PrintRangeDialog::runStarted, [&](LabelProgressWindow* form) {
        EXPECT_EQ(form->windowTitle(), "Print Labels in Progress");
        QObject::connect(form, &LabelProgressWindow::finished, [&shownText, &shownBlocks, form] {
            shownText = form->percentText();
            shownBlocks = form->blocksShown();
        });
    });
    QTest::mouseClick(option(f, "optLabRange"), Qt::LeftButton);
    box(f, "txtFrom")->setText("1");
    box(f, "txtTo")->setText("02");
    runFrom(f);
    EXPECT_EQ(f.lastResult().status, Status::Completed);
    EXPECT_EQ(shownText, "100.00 percent complete");
    EXPECT_EQ(shownBlocks, 20);
    EXPECT_EQ(port_->lines().size(), 2 * 9);
    // Labels without a reference are numbered; a later run goes on counting.
    EXPECT_EQ(port_->lines()[0].trimmed(), "1");
    EXPECT_EQ(port_->lines()[9].trimmed(), "2");
    EXPECT_EQ(parmText(key::Labfrom), "1");
    EXPECT_EQ(parmText(key::Labto), "02");
    EXPECT_EQ(parmText(key::Labopt), "L");
    EXPECT_EQ(parmText(key::RunLabels), "N");
    EXPECT_EQ(parmText(key::RunAlone), "N");
    EXPECT_TRUE(platform::child<QPushButton>(&f, "cmdOK")->isEnabled());

    *port_ = platform::RecordingPort();
    runFrom(f);
    ASSERT_EQ(port_->lines().size(), 2 * 9);
    EXPECT_EQ(port_->lines()[0].trimmed(), "3");
    EXPECT_TRUE(scriptedMessages().messages().empty());
}

TEST_F(Dialog, CancelAsksThenReportsTheLastLabelPrinted) {
    setParm({{key::TopMarg, "0"}});
    PrintRangeDialog f;
    f.setRepaintInterval(0);  // every record hands the interface its events
    ASSERT_TRUE(f.Form_Load());
    showAndActivate(f);
    // Cancel is pressed once the fourth row (bag 1) is out; A4 waits in the row.
    QObject::connect(&f, &PrintRangeDialog::runStarted, [this](LabelProgressWindow* form) {
        auto* timer = new QTimer(form);
        QObject::connect(timer, &QTimer::timeout, form, [form, timer, this] {
            if (port_->lines().size() < 4 * 9) return;
            timer->stop();
            QTest::mouseClick(form->cancelButton(), Qt::LeftButton);
        });
        timer->start(0);
    });
    // Answered No: the run goes on to the end.
    scriptedMessages().answer(Answer::No, QStringLiteral("Are you sure you want to cancel ?"));
    runFrom(f);
    EXPECT_EQ(f.lastResult().status, Status::Completed);
    EXPECT_EQ(port_->lines().size(), 22 * 9);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);

    // Answered Yes: the run stops after the record in hand.
    *port_ = platform::RecordingPort();
    scriptedMessages().answer(Answer::Yes, QStringLiteral("Are you sure you want to cancel ?"));
    scriptedMessages().answer(Answer::Ok, QStringLiteral("Last label number printed: 4"));
    runFrom(f);
    EXPECT_EQ(f.lastResult().status, Status::Cancelled);
    EXPECT_EQ(port_->lines().size(), 4 * 9);
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(parmText(key::Labopt), "A");
    EXPECT_EQ(parmText(key::RunLabels), "N");
}

// A run that fails shows its message and ends the program with status 1,
// the database let go: LPT1 or the PDF on a full disk, a port that cannot be
// opened. What an earlier run put in place stays as it was, and nothing of
// the failed run appears.
TEST_F(Dialog, AFailedRunEndsTheProgramWithStatusOne) {
    const std::string earlier = "earlier labels\r\n";
    const QString folder = QString::fromStdString(dir().string());
    const auto laser = [this] {
        setParm({{key::Printer, "L"}, {key::LabelHeight, "38.1"}, {key::LabelWidth, "63.5"}, {key::VertGap, "0"},
                 {key::HorGap, "2.5"}, {key::TopMarg, "19"}, {key::LeftMarg, "8"}, {key::AddOffset, "2"},
                 {key::LabAcross, "3"}, {key::LabelsPage, "7"}, {key::FontSize, 12}});
        platform::setPrinter(std::make_shared<platform::PdfPrinter>());
    };
    struct Case {
        const char* what;
        std::function<void()> output;  // installs what the run prints on
        bool fullDisk;
        QString message;
        const char* runLabelsAfter;  // a full disk stores nothing
    };
    const Case cases[] = {
        {"LPT1 on a full disk", [] { platform::setLptPort(std::make_shared<platform::FilePort>()); }, true,
         "The labels could not be printed on LPT1: Cannot write to LPT1: File too large  None of this run's labels "
         "has been printed.  The run flags could not be saved: disk I/O error.",
         "Y"},
        {"a PDF on a full disk", laser, true,
         "The labels could not be printed: Could not write a PDF file in " + folder +
             ": File too large  None of this run's labels has been printed.  The run flags could not be saved: disk "
             "I/O error.",
         "Y"},
        {"LPT1 that cannot be opened", [this] { port_->setFailOpen(true); }, false,
         "The labels could not be printed on LPT1: Cannot open LPT1: the port is not available", "N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::testing::installTestServices();
        port_ = std::make_shared<platform::RecordingPort>();
        platform::setLptPort(port_);
        standardKeys();
        scratch().writeBytes("LPT1", earlier);
        c.output();
        scriptedMessages().answer(Answer::Ok, c.message);
        std::optional<testkit::FileSizeLimit> full;
        EXPECT_EQ(runProgramPressingOk([&] {
                      if (c.fullDisk) full.emplace(2048);
                  }),
                  1);
        full.reset();
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
        EXPECT_EQ(scratch().readBytes("LPT1"), earlier);
        for (const std::string& name : scratch().names()) EXPECT_FALSE(QString::fromStdString(name).contains(".pdf")) << name;
        EXPECT_NO_THROW(db::Database::open("mailsort.mdb", db::OpenMode::Exclusive));
        EXPECT_EQ(parmText(key::RunLabels), c.runLabelsAfter);
    }
}

// The program as its main runs it: a database error part way through the
// job shows the unexpected-error message, and the program then ends with
// status 1, the database let go.
TEST_F(Dialog, AnUnexpectedErrorEndsTheProgramWithStatusOne) {
    const std::uint64_t fresh = pages();
    writeLongJob(3000);
    zeroPagesAfter(fresh);
    scriptedMessages().answer(Answer::Ok);
    EXPECT_EQ(runProgramPressingOk(), 1);
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    const auto& box = scriptedMessages().messages()[0];
    EXPECT_TRUE(box.text.startsWith("An unexpected error has occurred.  Please make a note of the following error "
                                    "details and contact Brackwith Mailing Services.  Error number: "))
        << box.text.toStdString();
    EXPECT_EQ(box.icon, Icon::None);
    EXPECT_GT(port_->lines().size(), 0);  // the run had begun printing
    EXPECT_EQ(port_->abandons(), 1);      // and nothing of it is put in place
    // Nothing holds the database any more.
    EXPECT_NO_THROW(db::Database::open("mailsort.mdb", db::OpenMode::Exclusive));
    EXPECT_EQ(parmText(key::RunLabels), "N");
}

TEST_F(Dialog, F1OpensTheHelpOnPrintingLabels) {
    platform::installHelpKey();
    PrintRangeDialog f;
    ASSERT_TRUE(f.Form_Load());
    showAndActivate(f);
    for (const char* name : {"txtFrom", "optBagRange", "cmdOK"}) {
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        auto* w = platform::child<QWidget>(&f, QString::fromLatin1(name));
        w->setFocus();
        QTest::keyClick(w, Qt::Key_F1);
        EXPECT_TRUE(platform::helpWindow().isVisible()) << name;
        EXPECT_EQ(platform::helpWindow().currentTopic(), 5) << name;
        const QString shown = platform::helpWindow().currentText();
        EXPECT_TRUE(shown.startsWith("Print Labels")) << name;
        EXPECT_TRUE(shown.contains("Choose \"Print all labels\", \"Print bag range\" or \"Print label range\""))
            << name;
        platform::helpWindow().close();
    }
    // And on the progress form, while it prints.
    int topic = -1;
    f.setRepaintInterval(0);
    QObject::connect(&f, &PrintRangeDialog::runStarted, [&](LabelProgressWindow* form) {
        auto* timer = new QTimer(form);
        QObject::connect(timer, &QTimer::timeout, form, [form, timer, &topic] {
            if (!form->isActiveWindow() || QApplication::focusWidget() != form->cancelButton()) return;
            timer->stop();
            QTest::keyClick(form->cancelButton(), Qt::Key_F1);
            topic = platform::helpWindow().currentTopic();
        });
        timer->start(0);
    });
    runFrom(f);
    EXPECT_EQ(topic, 5);
    platform::helpWindow().close();
}

}  // namespace
}  // namespace qv::labels
