// The window: its start and run guard, interactive and sequenced runs, the
// stop, the hand-over and the messages of a run that cannot go on.
#include "coding/importwindow.h"
#include "platform/platform.h"
#include "platform/testing/readonly.h"
#include "platform/testing/test_services.h"
#include "tests/fixture.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <optional>

using namespace qv::coding;
using namespace qv::platform;
using qv::platform::testing::recordingLauncher;
using qv::platform::testing::recordingPrinter;
using qv::platform::testing::scriptedMessages;
namespace key = qv::parm::key;

namespace {

const QString kUnexpected =
    "An unexpected error has occurred.  Please make a note of the following error details and contact Brackwith "
    "Mailing Services.  Error number: ";

class Window : public fixture::DatabaseFolder {
protected:
    void SetUp() override {
        DatabaseFolder::SetUp();
        addPcode({{"LS1 4", "12345", 3}});
        addPlaces({{"LEEDS", "123", 2}});
        setParm({{"Company Name", "Acme Mailing"}});
    }
    void TearDown() override {
        form_.reset();
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        DatabaseFolder::TearDown();
    }

    // A comma file of n good addresses and its layout.
    std::string customers(int n, const std::string& name = "cust.csv") {
        std::vector<std::string> lines;
        for (int i = 1; i <= n; ++i) lines.push_back("Customer " + std::to_string(i) + ",1 High St,LEEDS,LS1 4AB,R");
        const std::string file = writeFile(name, lines);
        setLayout(file, "N", "N", {{Name1, {1, 1}}, {Address11, {2, 2}}, {Town, {3, 3}}, {Postcode1, {4, 4}}});
        return file;
    }
    void sequence(const char* reports, const char* labels) {
        setParm({{key::RunAlone, "Y"}, {key::RunCodes, "Y"}, {key::RunReports, reports}, {key::RunLabels, labels}});
    }

    ImportWindow& start() {
        form_ = std::make_unique<ImportWindow>();
        EXPECT_TRUE(form_->Form_Load());
        return *form_;
    }
    void show() {
        form_->show();
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    }
    void waitForEnd() { QTRY_VERIFY_WITH_TIMEOUT(form_->programEnded(), 20000); }

    // Runs `act` once, at the first yield of a run.
    void duringRun(std::function<void()> act) {
        auto* t = new QTimer(form_.get());
        t->setInterval(0);
        QObject::connect(t, &QTimer::timeout, form_.get(), [this, t, act] {
            if (!form_->runUnderWay()) return;
            t->stop();
            act();
        });
        t->start();
    }

    template <class W>
    W* ctl(const char* name) {
        return child<W>(form_.get(), name);
    }
    void click(const char* name) { QTest::mouseClick(ctl<QPushButton>(name), Qt::LeftButton); }
    QString status() { return ctl<QLabel>("Status")->text(); }
    bool summaryPrinted() { return recordingPrinter().texts().join('\n').contains("Records Processed:"); }
    // A finished interactive run of n addresses, the job a later run replaces.
    void earlierJob(int n) {
        customers(n, "earlier.csv");
        {
            ImportWindow first;
            ASSERT_TRUE(first.Form_Load());
            first.cmdImport_Click();
        }
        ASSERT_EQ(mmwork().size(), std::size_t(n));
        recordingPrinter().clear();
    }
    void expectCancelledMessage() {
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].text,
                  "The import was cancelled. Nothing has been changed: the records read so far have not been stored.");
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Information);
    }

    std::unique_ptr<ImportWindow> form_;
};

TEST_F(Window, OpensWithItsCaptions) {
    start();
    EXPECT_EQ(form_->windowTitle(), "Apply Mailsort Codes");
    EXPECT_EQ(form_->objectName(), "Form1");  // the old form's name
    EXPECT_EQ(ctl<QLabel>("Label1")->text(), "Quorvel - Database Import");
    EXPECT_EQ(ctl<QLabel>("Label3")->text(),
              "If too many errors are reported, the names and addresses can be corrected and this program re-run  "
              "before printing the Post Office reports.");
    EXPECT_TRUE(ctl<QRadioButton>("optAll")->isChecked());
    EXPECT_EQ(ctl<QRadioButton>("optSummary")->text(), "Only Print Summary.");
    EXPECT_EQ(ctl<QPushButton>("cmdImport")->text(), "Import");
    EXPECT_EQ(ctl<QPushButton>("cmdCancel")->text(), "Cancel");
    EXPECT_EQ(status(), " ");
    EXPECT_TRUE(form_->databaseOpen());
    EXPECT_FALSE(form_->databaseShared());
}

TEST_F(Window, RefusesToStartWhileAnotherProgramHoldsTheDatabase) {
    auto held = qv::db::DatabaseLock::exclusive("mailsort.mdb");
    scriptedMessages().answer(Answer::Ok,
                              "Another option is currently running, wait until it has finished then try again.");
    form_ = std::make_unique<ImportWindow>();
    EXPECT_FALSE(form_->Form_Load());
    EXPECT_TRUE(form_->programEnded());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
}

TEST_F(Window, ADatabaseFileThatCannotBeUsedIsRefusedByName) {
    const struct {
        const char* what;
        std::function<void()> make;
        std::filesystem::path readOnly;  // while the form loads; empty for none
        QString message;
    } cases[] = {
        {"a read-only file", [] {}, dir_ / "mailsort.mdb", "The database mailsort.mdb is read-only."},
        {"a read-only folder", [] {}, dir_,
         "Cannot create the lock file '" + QString::fromStdString((dir_ / "mailsort.mdb.lock").string()) +
             "': Permission denied."},
        {"two files of one name", [] { std::filesystem::copy_file("mailsort.mdb", "MAILSORT.MDB"); }, {},
         "More than one file here is named Mailsort.mdb (MAILSORT.MDB, mailsort.mdb): keep one of them."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qv::platform::testing::installTestServices();
        c.make();
        scriptedMessages().answer(Answer::Ok, c.message);
        form_ = std::make_unique<ImportWindow>();
        {
            std::optional<qv::testkit::ReadOnly> readOnly;
            if (!c.readOnly.empty()) readOnly.emplace(c.readOnly);
            EXPECT_FALSE(form_->Form_Load());
        }
        EXPECT_TRUE(form_->programEnded());
        EXPECT_EQ(form_->exitStatus(), 1);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Critical);
        form_.reset();
        std::filesystem::remove("MAILSORT.MDB");
    }
}

TEST_F(Window, SequencedRunHandsOnByTheRunFlags) {
    struct Case {
        const char* reports;
        const char* labels;
        QStringList started;
        const char* runAloneAfter;
    };
    const Case cases[] = {
        {"Y", "Y", {"zolbern.exe"}, "Y"},
        {"N", "Y", {"mistrel.exe"}, "Y"},
        {"N", "N", {}, "N"},
    };
    for (const auto& c : cases) {
        qv::platform::testing::installTestServices();
        customers(12);
        sequence(c.reports, c.labels);
        start();
        for (const char* name : {"cmdImport", "cmdCancel"}) EXPECT_FALSE(ctl<QPushButton>(name)->isEnabled());
        for (const char* name : {"optAll", "optSummary"}) EXPECT_FALSE(ctl<QRadioButton>(name)->isEnabled());
        show();
        waitForEnd();
        EXPECT_EQ(recordingLauncher().commands(), c.started) << c.reports << c.labels;
        EXPECT_EQ(parmText(key::RunAlone), c.runAloneAfter) << c.reports << c.labels;
        EXPECT_EQ(parmText(key::RunCodes), "Y");
        EXPECT_FALSE(form_->databaseOpen());
        EXPECT_FALSE(form_->isVisible());
        EXPECT_EQ(mmwork().size(), 12u);
        // The full report: its header, then the summary on a page of its own.
        ASSERT_EQ(recordingPrinter().documents().size(), 1u);
        const auto& pages = recordingPrinter().documents()[0];
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_TRUE(pages[0][0].text.endsWith("Page: 1"));
        EXPECT_EQ(pages[1][3].text, "                        Records Processed:          12");
        form_.reset();
    }
}

// The report goes to a PDF in a folder that cannot take it (a file holds
// the folder's name): the rows are stored, the failure is shown with its
// cause, and a sequenced run hands nothing on.
TEST_F(Window, AReportThatCannotBeWrittenIsReportedAndEndsTheSequence) {
    for (const bool inSequence : {true, false}) {
        SCOPED_TRACE(inSequence ? "sequenced" : "alone");
        qv::platform::testing::installTestServices();
        customers(30);
        if (inSequence) sequence("Y", "Y");
        writeFile("reports", {"not a folder"});
        auto pdf = std::make_shared<PdfPrinter>();
        pdf->setPdfFolder(QString::fromStdString((dir_ / "reports").string()));
        setPrinter(pdf);
        scriptedMessages().answer(Answer::Ok);
        start();
        show();
        if (inSequence) waitForEnd();
        else click("cmdImport");
        const QStringList shown = scriptedMessages().texts();
        ASSERT_EQ(shown.size(), 1) << shown.join('\n').toStdString();
        EXPECT_TRUE(shown[0].startsWith("The records have been stored, but the report could not be printed: "));
        EXPECT_TRUE(shown[0].contains(QString::fromStdString((dir_ / "reports").string()))) << shown[0].toStdString();
        EXPECT_EQ(mmwork().size(), 30u);
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        EXPECT_EQ(parmText(key::RunAlone), "N");
        EXPECT_EQ(form_->programEnded(), inSequence);
        if (inSequence) {
            EXPECT_EQ(form_->exitStatus(), 1);
        }
        form_.reset();
    }
    qv::platform::testing::installTestServices();
}

TEST_F(Window, AHandOverThatCannotStartTheNextProgramEndsTheSequence) {
    customers(3);
    sequence("Y", "N");
    recordingLauncher().setFailing(true, "no such program");
    scriptedMessages().answer(Answer::Ok, "The program zolbern.exe could not be started: no such program");
    start();
    show();
    waitForEnd();
    EXPECT_EQ(parmText(key::RunAlone), "N");
    EXPECT_FALSE(form_->databaseOpen());
}

TEST_F(Window, ASequencedRunStoppedByCancelEndsTheSequence) {
    earlierJob(4);
    customers(35);
    sequence("Y", "Y");
    start();
    duringRun([this] {
        EXPECT_TRUE(ctl<QPushButton>("cmdCancel")->isEnabled());
        click("cmdCancel");
    });
    scriptedMessages().answer(Answer::Ok);
    show();
    waitForEnd();
    // A stop the user asked for is no failure; the earlier job stays whole.
    EXPECT_EQ(form_->exitStatus(), 0);
    EXPECT_EQ(status(), "Import incomplete");
    expectCancelledMessage();
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_EQ(parmText(key::RunAlone), "N");
    const auto rows = mmwork();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].text("name"), "Customer 1");
    EXPECT_FALSE(summaryPrinted());
    EXPECT_TRUE(recordingPrinter().documents().empty());
}

TEST_F(Window, InteractiveRunsThenExit) {
    customers(25);
    start();
    show();
    click("cmdImport");
    EXPECT_EQ(status(), "Import complete");
    EXPECT_EQ(ctl<QPushButton>("cmdCancel")->text(), "Exit");
    EXPECT_TRUE(form_->databaseShared());
    EXPECT_TRUE(summaryPrinted());
    EXPECT_EQ(form_->counters().processed, 25);

    // A second run re-creates mmwork on the shared database.
    customers(3, "other.csv");
    recordingPrinter().clear();
    click("cmdImport");
    EXPECT_EQ(mmwork().size(), 3u);
    EXPECT_TRUE(summaryPrinted());
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    EXPECT_FALSE(form_->programEnded());

    click("cmdCancel");
    EXPECT_TRUE(form_->programEnded());
    EXPECT_FALSE(form_->databaseOpen());
}

TEST_F(Window, AStoppedInteractiveRunCanBeRunAgain) {
    earlierJob(4);
    customers(35);
    start();
    show();
    duringRun([this] { click("cmdCancel"); });
    scriptedMessages().answer(Answer::Ok);
    click("cmdImport");
    EXPECT_EQ(status(), "Import incomplete");
    EXPECT_EQ(ctl<QPushButton>("cmdCancel")->text(), "Cancel");
    expectCancelledMessage();
    EXPECT_EQ(mmwork().size(), 4u);
    EXPECT_FALSE(summaryPrinted());
    EXPECT_FALSE(form_->programEnded());
    EXPECT_EQ(parmText(key::RunAlone), "N");

    click("cmdImport");
    EXPECT_EQ(status(), "Import complete");
    EXPECT_EQ(mmwork().size(), 35u);
    EXPECT_TRUE(summaryPrinted());
}

TEST_F(Window, ASecondPressOfImportDuringARunDoesNothing) {
    customers(30);
    start();
    show();
    duringRun([this] { click("cmdImport"); });
    click("cmdImport");
    EXPECT_EQ(form_->counters().processed, 30);
    EXPECT_EQ(mmwork().size(), 30u);
    EXPECT_EQ(recordingPrinter().documents().size(), 1u);
}

TEST_F(Window, ClosingTheWindowDuringARunStopsItAndEnds) {
    earlierJob(4);
    customers(35);
    start();
    show();
    duringRun([this] { form_->close(); });
    scriptedMessages().answer(Answer::Ok);
    click("cmdImport");
    EXPECT_TRUE(form_->programEnded());
    expectCancelledMessage();
    EXPECT_EQ(mmwork().size(), 4u);
    EXPECT_FALSE(summaryPrinted());
}

TEST_F(Window, ALayoutOfTypeDReadsNoFileAndSumsUpNothing) {
    setLayout((dir_ / "not-there.csv").string(), "D", "N", {});
    start();
    show();
    click("cmdImport");
    EXPECT_EQ(status(), "Import complete");
    EXPECT_TRUE(mmwork().empty());
    const QStringList lines = recordingPrinter().texts();
    EXPECT_TRUE(lines.contains("                        Records Processed:           0"));
    EXPECT_TRUE(lines.contains("                        Percent Postcoded:          .0"));
}

TEST_F(Window, OnlySummaryPrintsTheSummaryPageAlone) {
    // Every address in error: the full report would print a block for each.
    std::vector<std::string> lines(20, "Nobody,,NOWHERE,ZZ");
    setLayout(writeFile("bad.csv", lines), "N", "N", {{Name1, {1, 1}}, {Town, {3, 3}}, {Postcode1, {4, 4}}});
    start();
    show();
    ctl<QRadioButton>("optSummary")->click();
    click("cmdImport");
    ASSERT_EQ(recordingPrinter().documents().size(), 1u);
    const auto& pages = recordingPrinter().documents()[0];
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].size(), 14u);
    EXPECT_EQ(pages[0][0].text, "10/12/2026                     Mailsort Line Report                       ");
    EXPECT_EQ(pages[0][1].text, "Acme Mailing");
    EXPECT_EQ(pages[0][13].text, "                         Records in error:          20");
}

TEST_F(Window, ARunThatCannotGoOnEndsTheSequence) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        QString message;
        Icon icon;
    };
    const Case cases[] = {
        {"an unknown layout type",
         [&] { setLayout(writeFile("a.csv", {"a"}), "X", "N", {{Name1, {1, 1}}}); },
         "Error in definition file - incorrect type", Icon::None},
        {"no layout row for the file",
         [&] {
             customers(3);
             setParm({{key::MailFile, (dir_ / "unknown.csv").string()}});
         },
         QString("No layout has been saved for the file %1. Save its layout with the layout designer, then try "
                 "again.")
             .arg(QString::fromStdString((dir_ / "unknown.csv").string())),
         Icon::None},
        {"no file named",
         [&] {
             customers(3);
             setParm({{key::MailFile, ""}});
         },
         "No customer's file has been chosen for this job. Save the layout of the file with the layout designer, "
         "then try again.",
         Icon::None},
        {"the file not found",
         [&] { setLayout((dir_ / "gone.csv").string(), "N", "N", {{Name1, {1, 1}}}); },
         QString("File %1 not found.").arg(QString::fromStdString((dir_ / "gone.csv").string())), Icon::Critical},
        // Opening a FIFO would wait for a writer for ever, holding the database.
        {"a FIFO",
         [&] {
             ASSERT_EQ(mkfifo((dir_ / "pipe.csv").c_str(), 0600), 0);
             setLayout((dir_ / "pipe.csv").string(), "N", "N", {{Name1, {1, 1}}});
         },
         QString("File %1 is not a regular file.").arg(QString::fromStdString((dir_ / "pipe.csv").string())),
         Icon::Critical},
        {"a folder named in another case",
         [&] {
             std::filesystem::create_directory(dir_ / "FOLDER.CSV");
             setLayout((dir_ / "folder.csv").string(), "N", "N", {{Name1, {1, 1}}});
         },
         QString("File %1 is not a regular file.").arg(QString::fromStdString((dir_ / "folder.csv").string())),
         Icon::Critical},
        {"a file that is no text",
         [&] {
             std::ofstream(dir_ / "wide.csv", std::ios::binary) << std::string("\xFF\xFE" "a\0,\0b\0\r\0\n\0", 12);
             setLayout((dir_ / "wide.csv").string(), "N", "N", {{Name1, {1, 1}}});
         },
         "The selected file is not a text file.", Icon::Critical},
        {"an empty file",
         [&] { setLayout(writeFile("empty.csv", {}), "N", "Y", {{Name1, {1, 1}}}); },
         QString("File %1 holds no records.").arg(QString::fromStdString((dir_ / "empty.csv").string())),
         Icon::Critical},
        {"a heading line alone",
         [&] { setLayout(writeFile("heading.csv", {"\"Name\",\"Town\""}), "C", "Y", {{Name1, {1, 1}}}); },
         QString("File %1 holds no records.").arg(QString::fromStdString((dir_ / "heading.csv").string())),
         Icon::Critical},
        {"a Ctrl-Z with records after it",
         [&] {
             setLayout(writeFile("mark.csv", {"a,LEEDS", "\x1A" "b,LEEDS", "c,LEEDS"}), "N", "N",
                       {{Name1, {1, 1}}, {Town, {2, 2}}});
         },
         QString("Line 2 of file %1 holds an end-of-file mark (Ctrl-Z) with more records after it. Remove the mark, "
                 "then import the file again.")
             .arg(QString::fromStdString((dir_ / "mark.csv").string())),
         Icon::Critical},
        {"a Ctrl-Z first with records after it",
         [&] {
             setLayout(writeFile("first.csv", {"\x1A" "a,LEEDS", "b,LEEDS"}), "N", "N", {{Name1, {1, 1}}, {Town, {2, 2}}});
         },
         QString("Line 1 of file %1 holds an end-of-file mark (Ctrl-Z) with more records after it. Remove the mark, "
                 "then import the file again.")
             .arg(QString::fromStdString((dir_ / "first.csv").string())),
         Icon::Critical},
        {"records of empty fields",
         [&] { setLayout(writeFile("commas.csv", {",", ","}), "N", "N", {{Name1, {1, 1}}, {Town, {2, 2}}}); },
         QString("File %1 holds no addresses: every field its layout reads is blank.")
             .arg(QString::fromStdString((dir_ / "commas.csv").string())),
         Icon::Critical},
    };
    for (const auto& c : cases) {
        qv::platform::testing::installTestServices();
        c.setUp();
        sequence("Y", "Y");
        scriptedMessages().answer(Answer::Ok, c.message);
        start();
        show();
        waitForEnd();
        EXPECT_EQ(form_->exitStatus(), 1) << c.what;
        ASSERT_EQ(scriptedMessages().messages().size(), 1u) << c.what;
        EXPECT_EQ(scriptedMessages().messages()[0].icon, c.icon) << c.what;
        EXPECT_TRUE(recordingLauncher().commands().isEmpty()) << c.what;
        EXPECT_EQ(parmText(key::RunAlone), "N") << c.what;
        EXPECT_TRUE(mmwork().empty()) << c.what;
        EXPECT_FALSE(summaryPrinted()) << c.what;
        EXPECT_TRUE(recordingPrinter().documents().empty()) << c.what;
        form_.reset();
    }
}

// Answers every box with OK after running a hook.
class HookedMessages : public MessageService {
public:
    std::function<void()> hook;
    QStringList texts;
    Answer msgBox(const QString& text, Buttons, Icon, const QString&) override {
        texts << text;
        if (hook) hook();
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return {}; }
};

TEST_F(Window, ARunWithNoLayoutKeepsTheLastJob) {
    customers(4);
    sequence("N", "N");
    {
        ImportWindow first;  // an earlier job of 4 rows
        ASSERT_TRUE(first.Form_Load());
        setParm({{key::RunAlone, "N"}});
        first.cmdImport_Click();
    }
    ASSERT_EQ(mmwork().size(), 4u);
    sequence("Y", "N");
    setParm({{key::MailFile, (dir_ / "unknown.csv").string()}});
    scriptedMessages().answer(Answer::Ok);
    start();
    show();
    waitForEnd();
    EXPECT_EQ(mmwork().size(), 4u);
    EXPECT_EQ(parmText(key::RunAlone), "N");
}

TEST_F(Window, AWorkTableThatCannotBeReplacedStopsTheRun) {
    customers(4);
    {
        ImportWindow first;  // an earlier job of 4 rows
        ASSERT_TRUE(first.Form_Load());
        first.cmdImport_Click();
    }
    sequence("Y", "N");
    customers(9, "next.csv");
    start();
    // Another program in the middle of writing: the drop waits, then fails.
    auto other = open();
    other->beginTransaction();
    {
        qv::parm::ParmRecord p(*other);
        p.edit();
        p.set(key::JobRef, "busy");
        p.update();
    }
    auto boxes = std::make_shared<HookedMessages>();
    boxes->hook = [&] { other->rollback(); };
    setMessageService(boxes);
    show();
    waitForEnd();
    EXPECT_EQ(form_->exitStatus(), 1);
    ASSERT_EQ(boxes->texts.size(), 1);
    EXPECT_TRUE(boxes->texts[0].startsWith("The work table mmwork of the last job could not be replaced, so nothing "
                                           "has been imported."));
    // The other program still holds the database as the sequence ends, so
    // the run flags cannot be saved either, and the message says so.
    EXPECT_TRUE(boxes->texts[0].contains(")\nThe run flags could not be saved: ")) << boxes->texts[0].toStdString();
    EXPECT_EQ(mmwork().size(), 4u);
    EXPECT_EQ(parmText(key::RunAlone), "Y");
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
}

// A row the table refuses ends the run with the unexpected-error message:
// not one row of the file is kept, nor the lines of its report, and a
// sequence ends with it.
TEST_F(Window, AReaderFailureKeepsTheEarlierJobAndSaysWhere) {
    for (const bool inSequence : {false, true}) {
        SCOPED_TRACE(inSequence ? "sequenced" : "alone");
        qv::platform::testing::installTestServices();
        customers(4, "earlier.csv");
        setParm({{key::RunAlone, "N"}});
        {
            ImportWindow first;  // an earlier job of 4 rows
            ASSERT_TRUE(first.Form_Load());
            first.cmdImport_Click();
        }
        ASSERT_EQ(mmwork().size(), 4u);
        recordingPrinter().clear();
        // The third record has no name, which the table refuses; the second
        // has a postcode the reference data does not know, so it is reported.
        setLayout(writeFile("a.dat", {"Smith     LS1 4AB", "Jones     ZZ9 9ZZ", ""}), "A", "N",
                  {{Name1, {1, 10}}, {Postcode1, {11, 8}}});
        if (inSequence) sequence("Y", "Y");
        scriptedMessages().setAutoAcceptOk(true);
        start();
        show();
        if (inSequence) waitForEnd();
        else click("cmdImport");
        EXPECT_TRUE(form_->programEnded());
        EXPECT_EQ(form_->exitStatus(), 1);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        const QString text = scriptedMessages().messages()[0].text;
        EXPECT_TRUE(text.startsWith(kUnexpected + "3315  Description: ")) << text.toStdString();
        EXPECT_TRUE(text.endsWith("The import stopped at record 3 (line 3 of the file).")) << text.toStdString();
        const auto rows = mmwork();
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[0].text("name"), "Customer 1");
        EXPECT_FALSE(summaryPrinted());
        EXPECT_EQ(recordingPrinter().count(qv::platform::RecordingPrinter::EventKind::EndDoc), 0);
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        EXPECT_EQ(parmText(key::RunAlone), "N");
        form_.reset();
    }
    qv::platform::testing::installTestServices();
}

}  // namespace

// The disk fills before the closing commit: writes that grow a file beyond a
// small size fail, as on a full file system, until the first message box.
class FullDisk : public qv::platform::MessageService {
public:
    explicit FullDisk(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk() override { lift(); }
    void lift() { setrlimit(RLIMIT_FSIZE, &saved_); }
    Answer msgBox(const QString& text, Buttons, Icon icon, const QString&) override {
        lift();
        shown.push_back(text);
        icons.push_back(icon);
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    QStringList shown;
    std::vector<Icon> icons;

private:
    rlimit saved_{};
};

// The disk fills while the rows are stored, part-way through the file: mmwork
// is the earlier job, no coding report is put in place, and a sequence ends
// with RunAlone "N" and a status that is not 0. The cases with the commit
// interval at 0 store the same way: no interval commits are made inside the
// import's one transaction, so they too are a store that fails part-way
// through the file, not one that has committed some of it.
TEST_F(Window, AStoreThatFailsKeepsTheEarlierJobAndEndsTheSequence) {
    struct Case {
        const char* what;
        bool inSequence;
        int commitInterval;
        rlim_t room;       // bytes any file may reach
        bool flagsSaved;   // RunAlone "N" is stored; else the message says it is not
    };
    const Case cases[] = {
        {"sequenced, long commit interval", true, 600000, 64 * 1024, true},
        {"alone, long commit interval", false, 600000, 64 * 1024, true},
        {"sequenced, commit interval 0", true, 0, 64 * 1024, true},
        {"alone, commit interval 0", false, 0, 64 * 1024, true},
        {"sequenced, no room for the run flags either", true, 600000, 1024, false},
    };
    const auto pdfs = [this] {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            if (e.path().filename().string().find(".pdf") != std::string::npos)
                found.push_back(e.path().filename().string());
        return found;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qv::platform::testing::installTestServices();
        customers(4, "earlier.csv");
        setParm({{key::RunAlone, "N"}});
        {
            ImportWindow first;  // an earlier job of 4 rows
            ASSERT_TRUE(first.Form_Load());
            first.cmdImport_Click();
        }
        ASSERT_EQ(mmwork().size(), 4u);
        // Every fifth address has a postcode the reference data does not know.
        std::vector<std::string> lines;
        for (int i = 1; i <= 3000; ++i)
            lines.push_back("Customer " + std::to_string(i) + ",1 High St,LEEDS," + (i % 5 ? "LS1 4AB" : "ZZ9 9ZZ"));
        setLayout(writeFile("cust.csv", lines), "N", "N",
                  {{Name1, {1, 1}}, {Address11, {2, 2}}, {Town, {3, 3}}, {Postcode1, {4, 4}}});
        if (c.inSequence) sequence("Y", "Y");
        auto pdf = std::make_shared<PdfPrinter>();
        pdf->setPdfFolder(QString::fromStdString(dir_.string()));
        setPrinter(pdf);
        const auto pdfsBefore = pdfs();
        qv::db::Database::setCommitInterval(c.commitInterval);
        start();
        auto disk = std::make_shared<FullDisk>(c.room);
        qv::platform::setMessageService(disk);
        show();
        if (c.inSequence) waitForEnd();
        else click("cmdImport");
        disk->lift();
        qv::db::Database::setCommitInterval(500);

        ASSERT_EQ(disk->shown.size(), 1u) << disk->shown.join('\n').toStdString();
        EXPECT_TRUE(disk->shown[0].startsWith("The records could not be stored: ")) << disk->shown[0].toStdString();
        EXPECT_GT(disk->shown[0].size(), QString("The records could not be stored: ").size());
        EXPECT_EQ(disk->icons[0], Icon::Critical);
        EXPECT_EQ(status(), "Import incomplete");
        EXPECT_NE(ctl<QPushButton>("cmdCancel")->text(), "Exit");
        EXPECT_EQ(pdfs(), pdfsBefore);
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
        EXPECT_EQ(form_->programEnded(), c.inSequence);
        if (c.inSequence) {
            EXPECT_EQ(form_->exitStatus(), 1);
        }
        const auto rows = mmwork();
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[0].text("name"), "Customer 1");
        if (c.flagsSaved) {
            EXPECT_EQ(parmText(key::RunAlone), "N");
            EXPECT_FALSE(disk->shown[0].contains("The run flags could not be saved"));
        } else {
            EXPECT_TRUE(disk->shown[0].contains("\nThe run flags could not be saved: ")) << disk->shown[0].toStdString();
        }
        form_.reset();
        qv::platform::setMessageService(nullptr);
    }
    qv::platform::testing::installTestServices();
}
