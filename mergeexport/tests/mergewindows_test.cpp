#include "mergeexport/mergewindows.h"
#include "common/progress/progresswindow.h"
#include "common/testing/scratch.h"
#include "common/testing/parmkeys.h"
#include "mergefixture.h"
#include "platform/platform.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/readonly.h"
#include "platform/testing/runpressing.h"
#include "platform/testing/test_services.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>
#include <sstream>

using namespace qv::mergeexport;
using namespace qv::platform;
using qv::platform::testing::installTestServices;
using qv::platform::testing::scriptedMessages;
namespace fs = std::filesystem;

namespace {

class MergeForms : public fixture::JobFolder {
protected:
    // Shows frmMerge, clicks OK and waits for the export to end.
    void runExport(MergeWindow& form) {
        form.show();
        QSignalSpy done(&form, &MergeWindow::exportFinished);
        QTest::mouseClick(child<QPushButton>(&form, "cmdOK"), Qt::LeftButton);
        ASSERT_TRUE(done.wait(5000));
    }
    // Runs the program as its main does and presses OK once frmMerge shows,
    // `beforeOk` just before; the exit status.
    static int runProgramPressingOk(const std::function<void()>& beforeOk = {}) {
        return qv::platform::testing::runPressing(runShoravel, QStringLiteral("frmMerge"), "cmdOK", beforeOk);
    }
};

}  // namespace

TEST_F(MergeForms, CaptionsAsWritten) {
    MergeWindow form;
    EXPECT_EQ(form.windowTitle(), "Create Dovodedod File");
    EXPECT_EQ(child<QLabel>(&form, "Label1")->text(),
              "This option will produce a file in mailsort sequence, suitable for shoravele.");
    EXPECT_FALSE(child<QLabel>(&form, "Label2")->text().isEmpty());
    EXPECT_EQ(child<QPushButton>(&form, "cmdOK")->text(), "OK");
    EXPECT_EQ(child<QPushButton>(&form, "cmdCancel")->text(), "Cancel");
}

TEST_F(MergeForms, F1OpensTheTopicOfTheMergeFile) {
    installHelpKey();
    MergeWindow form;
    form.show();
    for (const char* name : {"cmdOK", "cmdCancel"}) {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        auto* button = child<QPushButton>(&form, name);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_F1);
        EXPECT_TRUE(helpWindow().isVisible()) << name;
        EXPECT_EQ(helpWindow().currentTopic(), 6) << name;
        EXPECT_TRUE(helpWindow().currentText().startsWith("Create Dovodedod File")) << name;
        helpWindow().close();
    }
}

TEST_F(MergeForms, AnExportShowsItsProgressAndReturnsToTheStartForm) {
    makeJobOf(3);
    auto& messages = scriptedMessages();
    MergeWindow form;
    form.show();
    QSignalSpy done(&form, &MergeWindow::exportFinished);
    QTest::mouseClick(child<QPushButton>(&form, "cmdOK"), Qt::LeftButton);
    auto* progress = form.progressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), "Creating Dovodedod File");
    EXPECT_EQ(progress->objectName(), "frmComplete");
    QPointer<qv::progress::ProgressWindow> watch(progress);
    QString lastText;
    QObject::connect(&form, &MergeWindow::exportFinished, [&] {
        if (watch) lastText = watch->percentText();
    });
    ASSERT_TRUE(done.wait(5000));
    EXPECT_EQ(form.lastResult().status, ExportResult::Status::Done);
    EXPECT_EQ(form.lastResult().rows, 3u);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(form.progressWindow(), nullptr);
    EXPECT_EQ(lastText, "100.00 percent complete");
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MergeForms, NoJobShowsTheNotReadyMessage) {
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok, QStringLiteral("Files not ready for shoravele yet, run options 2 and 3 first."));
    MergeWindow form;
    runExport(form);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].icon, Icon::Exclamation);
    EXPECT_EQ(form.progressWindow(), nullptr);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MergeForms, KeysChangedSinceTheSortShowWhatChanged) {
    qv::testkit::setParmKeys({{"Service", "M1"}});
    makeJobOf(3);
    qv::testkit::setParmKeys({{"Service", "M2"}});
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok,
                    QStringLiteral("The job's keys have changed since it was sorted: the service was \"M1\" when the "
                                   "job was sorted and is now \"M2\". Run Print PO Reports again, then create the "
                                   "merge file."));
    MergeWindow form;
    runExport(form);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(form.isVisible());
}

// The program as its main runs it: an export that fails shows its message
// and ends the program with status 1; the earlier file stays whole and no
// unfinished copy is left. The file cannot be written (a folder in its way,
// a full disk), or the database cannot be opened (a read-only file, a folder
// where its lock file cannot be made).
TEST_F(MergeForms, AFailedExportEndsTheProgramWithStatusOne) {
    makeJobOf(2000);
    const std::string earlier = "last job's merge file\r\n";
    const struct {
        const char* what;
        bool folderInTheWay;
        bool fullDisk;
        fs::path readOnly;  // during the export; empty for none
        QString message;
        Icon icon;
    } cases[] = {
        {"a folder in the way", true, false, {}, "The file DOVODEDOD.DAT could not be written: Is a directory",
         Icon::Exclamation},
        // Room for the database's shared-memory file, not for the merge file.
        {"a full disk", false, true, {}, "The file DOVODEDOD.DAT could not be written: File too large",
         Icon::Exclamation},
        {"a read-only database", false, false, dir_ / "mailsort.mdb", "The database mailsort.mdb is read-only.",
         Icon::Critical},
        {"a read-only folder", false, false, dir_,
         "Cannot create the lock file '" + QString::fromStdString((dir_ / "mailsort.mdb.lock").string()) +
             "': Permission denied.",
         Icon::Critical},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        installTestServices();
        fs::remove_all("DOVODEDOD.DAT");
        if (c.folderInTheWay) fs::create_directory("DOVODEDOD.DAT");
        else std::ofstream("DOVODEDOD.DAT", std::ios::binary) << earlier;
        scriptedMessages().answer(Answer::Ok, c.message);
        std::optional<qv::testkit::FileSizeLimit> full;
        std::optional<qv::testkit::ReadOnly> readOnly;
        EXPECT_EQ(runProgramPressingOk([&] {
                      if (c.fullDisk) full.emplace(65536);
                      if (!c.readOnly.empty()) readOnly.emplace(c.readOnly);
                  }),
                  1);
        readOnly.reset();
        full.reset();
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, c.icon);
        if (c.folderInTheWay) EXPECT_TRUE(fs::is_directory("DOVODEDOD.DAT"));
        else EXPECT_EQ(readFile("DOVODEDOD.DAT"), earlier);
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
    }
}

TEST_F(MergeForms, ADatabaseHeldByAnotherProgramGivesTheSuitesMessage) {
    makeJobOf(2);
    qv::testkit::DatabaseHolder other(qv::db::OpenMode::Exclusive, dir_);
    ASSERT_TRUE(other.holding());
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok);
    MergeWindow form;
    runExport(form);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              "Another option is currently running, wait until it has finished then try again.");
    EXPECT_EQ(form.lastResult().status, ExportResult::Status::Failed);
    EXPECT_EQ(form.progressWindow(), nullptr);
    EXPECT_TRUE(form.isVisible());
}

// The program as its main runs it: a damaged work table shows the
// unexpected-error message, the earlier file stays, and the program ends
// with status 1.
TEST_F(MergeForms, AnUnexpectedErrorEndsTheProgramWithStatusOne) {
    makeJobOf(3000);
    damageMmwork();
    const std::string earlier = "last job's merge file\r\n";
    { std::ofstream("DOVODEDOD.DAT", std::ios::binary) << earlier; }
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok);
    EXPECT_EQ(runProgramPressingOk(), 1);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.startsWith(
        "An unexpected error has occurred.  Please make a note of the following error details and contact Brackwith "
        "Mailing Services.  Error number: "))
        << messages.messages()[0].text.toStdString();
    EXPECT_EQ(readFile("DOVODEDOD.DAT"), earlier);
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_NE(w->objectName(), "frmMerge");
}

TEST_F(MergeForms, CancelOfTheStartWindowDuringAnExportStopsItAndEndsTheProgram) {
    // As the program runs: the start window on the heap, the event loop its
    // life; Cancel (the button, Esc, or the close box) pressed while the rows
    // are being written.
    // Long enough that the bar is shown while rows remain.
    makeJobOf(100000);
    struct Case {
        const char* what;
        std::function<void(MergeWindow&)> press;
    };
    const Case cases[] = {
        {"Cancel", [](MergeWindow& f) { child<QPushButton>(&f, "cmdCancel")->click(); }},
        {"Esc",
         [](MergeWindow& f) {
             f.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
             QTest::keyClick(&f, Qt::Key_Escape);
         }},
        {"close box", [](MergeWindow& f) { f.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto& messages = scriptedMessages();
        QPointer<MergeWindow> form = new MergeWindow;
        form->show();
        ExportResult result;
        bool finished = false;
        QObject::connect(form, &MergeWindow::exportFinished, [&] {
            finished = true;
            result = form->lastResult();
        });
        bool pressed = false;
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            auto* w = form ? form->progressWindow() : nullptr;
            // Pressed once the bar shows the export under way, not at its end.
            if (pressed || !w || w->percdone <= 0 || w->percdone >= 100) return;
            pressed = true;
            c.press(*form);
        });
        press.start(1);
        QTimer::singleShot(0, form, [&] { QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton); });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] { QApplication::exit(99); });
        giveUp.start(30000);

        EXPECT_EQ(QApplication::exec(), 0);
        ASSERT_TRUE(pressed);
        ASSERT_TRUE(finished);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull());  // the window is gone: the program ends
        EXPECT_TRUE(messages.messages().empty());  // no question, no message
        EXPECT_EQ(result.status, ExportResult::Status::Cancelled);
        EXPECT_GT(result.rows, 0u);
        EXPECT_LT(result.rows, 100000u);

        // A cancelled export is put in place as it stands: the heading and
        // whole rows, in label order.
        std::istringstream in(readFile("DOVODEDOD.DAT"));
        std::string line;
        std::uint64_t n = 0;
        ASSERT_TRUE(std::getline(in, line));
        EXPECT_EQ(line, "\"Name\",\"Address 1\",\"Address 2\",\"Address 3\",\"Town\",\"County\",\"Postcode\","
                        "\"Reference\",\"Mailsort Code\"\r");
        while (std::getline(in, line)) {
            ++n;
            EXPECT_EQ(line, "\"Name " + std::to_string(n) + "\",\"1 Road\",\"\",\"\",\"Town\",\"County\",\"QA1 1AA\",\"R" +
                                std::to_string(n) + "\",\"12345\"\r");
            if (::testing::Test::HasFailure()) break;
        }
        EXPECT_EQ(n, result.rows);
        for (const auto& e : fs::directory_iterator(dir_))
            EXPECT_EQ(e.path().filename().string().rfind(".DOVODEDOD.DAT", 0), std::string::npos) << e.path();
    }
}

TEST_F(MergeForms, CancelBeforeTheExportBeginsEndsWithoutWriting) {
    makeJobOf(3);
    { std::ofstream("DOVODEDOD.DAT", std::ios::binary) << "last job's merge file\r\n"; }
    QPointer<MergeWindow> form = new MergeWindow;
    form->show();
    // OK and Cancel before the progress window has appeared.
    QTimer::singleShot(0, form, [&] {
        child<QPushButton>(form, "cmdOK")->click();
        child<QPushButton>(form, "cmdCancel")->click();
    });
    QObject guard;  // the time limit goes with the test
    QTimer::singleShot(30000, &guard, [] { QApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(scriptedMessages().messages().empty());
    EXPECT_EQ(readFile("DOVODEDOD.DAT"), "last job's merge file\r\n");
}
