#include "refimport/refimportwindow.h"
#include "refimport/pogen.h"
#include "reffixture.h"

#include "common/text/files.h"
#include "platform/platform.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/readonly.h"
#include "platform/testing/test_services.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <functional>
#include <sstream>

#include <signal.h>
#include <sys/wait.h>

using namespace qv::refimport;
using namespace qv::refimport::testing;
using qv::platform::child;
using qv::platform::testing::scriptedMessages;

namespace {

const QString kDone = QStringLiteral("Post Office Database Imported Successfully");
const QString kUnchanged = QStringLiteral("  The reference data has not been changed.");

class RefForm : public RefFolder {
protected:
    void TearDown() override {
        qv::platform::resetDriveFolders();
        RefFolder::TearDown();
    }
    std::unique_ptr<RefImportWindow> shown(FileForm form) {
        auto f = std::make_unique<RefImportWindow>(form);
        f->show();
        f->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f.get()));
        return f;
    }
    void type(RefImportWindow& f, const char* box, const QString& text) {
        auto* edit = child<QLineEdit>(&f, QString::fromLatin1(box));
        edit->selectAll();
        QTest::keyClicks(edit, text);
        EXPECT_EQ(edit->text(), text);
    }
    static std::uint64_t pageSizeOf(const fs::path& file) {
        std::ifstream f(file, std::ios::binary);
        unsigned char header[18] = {};
        f.read(reinterpret_cast<char*>(header), sizeof header);
        const std::uint64_t size = (std::uint64_t(header[16]) << 8) | header[17];
        return size == 1 ? 65536 : size;
    }
    static std::string readAll(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void import(RefImportWindow& f) { QTest::mouseClick(child<QPushButton>(&f, "cmdImport"), Qt::LeftButton); }
    void generate(qv::pogen::Form form, const fs::path& folder = "po") {
        qv::pogen::writeFiles(qv::pogen::generate({.seed = 5, .sectors = 60}), form, dir_ / folder);
    }
};

TEST_F(RefForm, DriveAndTargetBoxesNameFolders) {
    qv::platform::resetDriveFolders();
    const std::pair<const char*, fs::path> drives[] = {
        {"", "/"},
        {"A", "/media/floppy"},
        {"b", "/media/floppy1"},
        {"D:\\PODATA", "/media/d/PODATA"},
        {"po data", dir_ / "po data"},
        {"/srv/po/", "/srv/po/"},
    };
    for (const auto& [entry, folder] : drives) EXPECT_EQ(driveBoxFolder(QString::fromUtf8(entry)), folder) << entry;
    EXPECT_EQ(targetFolder(""), fs::path());
    EXPECT_EQ(targetFolder("C:\\QUORVEL"), fs::path("/media/c/QUORVEL"));
}

TEST_F(RefForm, ShowsTheFormOfItsArgument) {
    const std::pair<FileForm, const char*> cases[] = {{FileForm::Comma, "Comma-delimited"}, {FileForm::Fixed, "Fixed-format"}};
    for (const auto& [form, caption] : cases) {
        RefImportWindow f(form);
        EXPECT_EQ(f.windowTitle(), "Quorvel - Import Post Office Data");
        EXPECT_EQ(f.objectName(), "Form1");
        EXPECT_EQ(child<QLabel>(&f, "txtType")->text(), caption);
        EXPECT_FALSE(child<QLabel>(&f, "status")->isVisibleTo(&f));
        EXPECT_EQ(child<QLineEdit>(&f, "txtDrive")->text(), "A");
        EXPECT_EQ(fs::path(child<QLineEdit>(&f, "txtTarget")->text().toStdString()), fs::current_path());
        EXPECT_EQ(child<QPushButton>(&f, "cmdImport")->text(), "&Import");
        EXPECT_EQ(child<QPushButton>(&f, "cmdExit")->text(), "E&xit");
    }
}

TEST_F(RefForm, StartsOnlyWithCOrF) {
    for (const char* arg : {"", "c", "f", "X", "CF"}) {
        scriptedMessages().answer(qv::platform::Answer::Ok, usageMessage());
        EXPECT_EQ(startProgram(QString::fromLatin1(arg)), nullptr) << arg;
    }
    auto f = startProgram(QStringLiteral("F"));
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(child<QLabel>(f.get(), "txtType")->text(), "Fixed-format");
    EXPECT_TRUE(scriptedMessages().failures().empty());
}

TEST_F(RefForm, LoadsFromAFolderAndEnds) {
    seedOldData();
    generate(qv::pogen::Form::Comma, "po data");
    fs::create_directories("elsewhere");
    fs::current_path("elsewhere");
    auto f = shown(FileForm::Comma);
    type(*f, "txtDrive", "po data");
    type(*f, "txtTarget", QString::fromStdString(dir_.string()));
    scriptedMessages().answer(qv::platform::Answer::Ok, kDone);
    import(*f);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    EXPECT_EQ(scriptedMessages().texts(), QStringList{kDone});
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(fs::current_path(), dir_);
    EXPECT_FALSE(qv::fileExists("mailsort.bak"));
    EXPECT_EQ(rows("pcode").size(), 60u);
    EXPECT_EQ(rows("region")[0][0].size(), 3u);
}

TEST_F(RefForm, ReadsADriveLetterThroughItsFolder) {
    generate(qv::pogen::Form::Fixed, "floppy");
    qv::platform::setDriveFolder(u'B', QString::fromStdString((dir_ / "floppy").string()));
    auto f = shown(FileForm::Fixed);
    type(*f, "txtDrive", "B");
    scriptedMessages().answer(qv::platform::Answer::Ok, kDone);
    import(*f);
    EXPECT_EQ(scriptedMessages().texts(), QStringList{kDone});
    EXPECT_EQ(rows("pcode").size(), 60u);
}

TEST_F(RefForm, WithoutADatabaseTheFormStays) {
    fs::create_directories("empty");
    const fs::path target = dir_ / "empty";
    auto f = shown(FileForm::Comma);
    type(*f, "txtTarget", QString::fromStdString(target.string()));
    scriptedMessages().answer(qv::platform::Answer::Ok, "Couldn't find Mailsort database - contact supplier");
    import(*f);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    EXPECT_TRUE(f->isVisible());
    EXPECT_FALSE(child<QLabel>(f.get(), "status")->isVisible());
    EXPECT_TRUE(fs::is_empty(target));
}

// A database file that is there but damaged is not reported as missing:
// the message says it is damaged and gives the database's own reason.
TEST_F(RefForm, ADamagedDatabaseIsNamedDamagedNotMissing) {
    generate(qv::pogen::Form::Comma);
    const fs::path delivered = dir_ / "delivered.mdb";
    fs::copy_file(dir_ / "mailsort.mdb", delivered);
    const std::uint64_t size = fs::file_size(delivered);
    const std::pair<const char*, std::function<void(const fs::path&)>> cases[] = {
        {"first page zeroed",
         [](const fs::path& p) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             const std::string zeros(pageSizeOf(p), '\0');
             f.write(zeros.data(), std::streamsize(zeros.size()));
         }},
        {"cut to a third", [size](const fs::path& p) { fs::resize_file(p, size / 3); }},
        {"cut inside its first page", [](const fs::path& p) { fs::resize_file(p, 60); }},
        {"empty", [](const fs::path& p) { fs::resize_file(p, 0); }},
    };
    const QString lead = QStringLiteral("The Mailsort database is damaged - contact supplier.  Description: ");
    for (const auto& [what, damage] : cases) {
        fs::remove(dir_ / "mailsort.mdb");
        fs::copy_file(delivered, dir_ / "mailsort.mdb");
        damage(dir_ / "mailsort.mdb");
        const std::string damagedBytes = readAll(dir_ / "mailsort.mdb");
        auto f = shown(FileForm::Comma);
        type(*f, "txtDrive", "po");
        scriptedMessages().answer(qv::platform::Answer::Ok);
        import(*f);
        ASSERT_EQ(scriptedMessages().texts().size(), 1) << what;
        const QString text = scriptedMessages().texts()[0];
        EXPECT_TRUE(f->isVisible()) << what;
        EXPECT_EQ(readAll(dir_ / "mailsort.mdb"), damagedBytes) << what;
        // The reason is the database layer's own.
        std::string reason;
        try {
            qv::db::Database::open("mailsort.mdb");
        } catch (const qv::db::DbError& e) {
            reason = e.description();
        }
        EXPECT_FALSE(reason.empty()) << what;
        EXPECT_EQ(text, lead + QString::fromStdString(reason)) << what;
        EXPECT_FALSE(qv::fileExists("mailsort.bak")) << what;
        scriptedMessages().clear();
    }
}

TEST_F(RefForm, TwoDatabasesWhoseNamesDifferOnlyInCaseAreRefused) {
    seedOldData();
    const auto before = allTables();
    fs::copy_file("mailsort.mdb", "MAILSORT.MDB");
    generate(qv::pogen::Form::Comma);
    auto f = shown(FileForm::Comma);
    type(*f, "txtDrive", "po");
    scriptedMessages().answer(
        qv::platform::Answer::Ok,
        "More than one file here is named MAILSORT.MDB (MAILSORT.MDB, mailsort.mdb): keep one of them.");
    import(*f);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    EXPECT_TRUE(f->isVisible());
    fs::remove("MAILSORT.MDB");
    EXPECT_EQ(allTables(), before);
}

// A database file the program may not write, or a folder where its lock
// file cannot be made: the plain refusal; the form stays for another folder.
TEST_F(RefForm, ADatabaseThatCannotBeWrittenIsRefusedPlainly) {
    seedOldData();
    const auto before = allTables();
    generate(qv::pogen::Form::Comma);
    const struct {
        fs::path readOnly;
        QString message;
    } cases[] = {
        {dir_ / "mailsort.mdb", "The database mailsort.mdb is read-only."},
        {dir_, "Cannot create the lock file '" + QString::fromStdString((dir_ / "mailsort.mdb.lock").string()) +
                   "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        scriptedMessages().clear();
        auto f = shown(FileForm::Comma);
        type(*f, "txtDrive", "po");
        scriptedMessages().answer(qv::platform::Answer::Ok, c.message);
        {
            const qv::testkit::ReadOnly readOnly(c.readOnly);
            import(*f);
        }
        EXPECT_TRUE(scriptedMessages().failures().empty());
        EXPECT_EQ(scriptedMessages().texts().size(), 1);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(allTables(), before);
    }
}

TEST_F(RefForm, AFaultyFileIsReportedAndTheOldDataKept) {
    seedOldData();
    const auto before = allTables();
    generate(qv::pogen::Form::Comma);
    write("msortb.dat", {R"("2","10101","FINE")", R"("2","10102","BROKEN)"});
    auto f = shown(FileForm::Comma);
    type(*f, "txtDrive", "po");
    const QString text = QStringLiteral("Line 2 of file %1 is not a valid comma-delimited record: a field has no "
                                        "closing quote.")
                             .arg(QString::fromStdString((po() / "msortb.dat").string())) +
                         kUnchanged;
    scriptedMessages().answer(qv::platform::Answer::Ok, text);
    import(*f);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    EXPECT_TRUE(f->isVisible());
    EXPECT_FALSE(child<QLabel>(f.get(), "status")->isVisible());
    EXPECT_EQ(allTables(), before);
    EXPECT_TRUE(qv::fileExists("mailsort.mdb"));
}

TEST_F(RefForm, ARecordThatDoesNotFitItsFormIsReportedNotTakenForSuccess) {
    seedOldData();
    const auto before = allTables();
    generate(qv::pogen::Form::Fixed);
    write("msorta.dat", {"1QA1 210101", "1QA1 3"});
    auto f = shown(FileForm::Fixed);
    type(*f, "txtDrive", "po");
    const QString text = QStringLiteral("Line 2 of file %1 is not a valid record: it is 6 characters long, too short "
                                        "to hold its selection code (columns 7-11).")
                             .arg(QString::fromStdString((po() / "msorta.dat").string())) +
                         kUnchanged;
    scriptedMessages().answer(qv::platform::Answer::Ok, text);
    import(*f);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    EXPECT_EQ(scriptedMessages().texts().size(), 1);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(allTables(), before);
}

// A stray Ctrl-Z amid the sector file, or a control character in an
// outward code, is reported with its line, not taken for success.
TEST_F(RefForm, AStrayCtrlZOrControlCharacterIsReportedWithItsLine) {
    struct Case {
        FileForm form;
        std::string sectors;  // msorta.dat
        const char* says;
    };
    const Case cases[] = {
        {FileForm::Fixed, "1QA1 210101\r\n1QA1 310102\r\n\x1a" "1QA1 410103\r\n",
         "Line 3 of file %1 holds an end-of-file mark (Ctrl-Z) with more records after it."},
        {FileForm::Comma, "\"1\",\"QA1\",\"2\",\"10101\"\r\n\x1a\r\n\"1\",\"QA1\",\"3\",\"10102\"\r\n",
         "Line 2 of file %1 holds an end-of-file mark (Ctrl-Z) with more records after it."},
        {FileForm::Comma, "\"1\",\"QA1\",\"2\",\"10101\"\r\n\"1\",\"QA\t1\",\"3\",\"10102\"\r\n",
         "Line 2 of file %1 is not a valid record: its outward code holds a tab."},
    };
    seedOldData();
    const auto before = allTables();
    for (const auto& c : cases) {
        generate(c.form == FileForm::Fixed ? qv::pogen::Form::Fixed : qv::pogen::Form::Comma);
        writeRaw("msorta.dat", c.sectors);
        auto f = shown(c.form);
        type(*f, "txtDrive", "po");
        const QString text =
            QString::fromUtf8(c.says).arg(QString::fromStdString((po() / "msorta.dat").string())) + kUnchanged;
        scriptedMessages().answer(qv::platform::Answer::Ok, text);
        import(*f);
        EXPECT_TRUE(scriptedMessages().failures().empty()) << c.says;
        EXPECT_EQ(scriptedMessages().texts(), QStringList{text});
        EXPECT_TRUE(f->isVisible()) << c.says;
        EXPECT_EQ(allTables(), before) << c.says;
        scriptedMessages().clear();
    }
}

TEST_F(RefForm, AFullDiskDuringTheLoadIsReportedAndTheOldDataKept) {
    seedOldData();
    const auto before = allTables();
    // Enough data that the load's log outgrows the room left.
    qv::pogen::writeFiles(qv::pogen::generate({.seed = 5, .sectors = 3000}), qv::pogen::Form::Comma, dir_ / "po");
    auto f = shown(FileForm::Comma);
    type(*f, "txtDrive", "po");
    scriptedMessages().answer(qv::platform::Answer::Ok);
    {
        qv::testkit::FileSizeLimit full(32 * 1024);
        import(*f);
    }
    ASSERT_EQ(scriptedMessages().texts().size(), 1) << scriptedMessages().texts().join("\n").toStdString();
    const QString shownText = scriptedMessages().texts()[0];
    EXPECT_TRUE(shownText.startsWith("The reference data could not be stored (error 3027: ")) << shownText.toStdString();
    EXPECT_TRUE(shownText.endsWith(kUnchanged)) << shownText.toStdString();
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(allTables(), before);
}

TEST_F(RefForm, AFailedCompactionIsReportedAfterTheLoad) {
    generate(qv::pogen::Form::Comma);
    // A repeated key is reported too.
    write("msortd.dat", {R"("6","A","101")", R"("6","B","101")"});
    auto f = shown(FileForm::Comma);
    f->setCompactor([](const std::string&, const std::string&) {
        throw qv::db::DbError(qv::db::err::WriteFailed, "no room");
    });
    type(*f, "txtDrive", "po");
    scriptedMessages().answer(qv::platform::Answer::Ok, "Database not compressed");
    scriptedMessages().answer(qv::platform::Answer::Ok);
    scriptedMessages().answer(qv::platform::Answer::Ok, kDone);
    import(*f);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    ASSERT_EQ(scriptedMessages().texts().size(), 3);
    EXPECT_TRUE(scriptedMessages().texts()[1].contains("1 record of msortd.dat for table region"));
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(rows("region"), (Rows{{"101", "1"}}));
    EXPECT_FALSE(qv::fileExists("mailsort.bak"));
}

TEST_F(RefForm, ADatabaseHeldByAnotherProgramIsLeftAlone) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        auto held = qv::db::Database::open("mailsort.mdb", qv::db::OpenMode::Exclusive);
        char c = 'x';
        if (::write(ready[1], &c, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    auto f = shown(FileForm::Comma);
    type(*f, "txtDrive", "po");
    scriptedMessages().answer(qv::platform::Answer::Ok,
                              "Another option is currently running, wait until it has finished then try again.");
    import(*f);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(scriptedMessages().failures().empty());
    EXPECT_TRUE(f->isVisible());
}

TEST_F(RefForm, ExitEndsTheProgram) {
    auto f = shown(FileForm::Fixed);
    QTest::mouseClick(child<QPushButton>(f.get(), "cmdExit"), Qt::LeftButton);
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(scriptedMessages().texts().isEmpty());
}

}  // namespace
