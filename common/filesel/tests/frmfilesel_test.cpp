#include "common/filesel/frmfilesel.h"

#include "platform/drives.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace qv::filesel;
using qv::platform::Answer;
using qv::platform::testing::scriptedMessages;

namespace {

const QString kNoFile = QStringLiteral("A file must be selected before you can continue!");
const QString kHeadings =
    QStringLiteral("Do you want to use the first record of the selected file as field headings?");

TEST(FileSelRules, Patterns) {
    EXPECT_EQ(patternForCaption("All Files (*.*)"), "*.*");
    EXPECT_EQ(patternForCaption("Text Files (*.TXT)"), "*.TXT");
    EXPECT_EQ(patternForCaption("CSV (Comma Delimited) (*.CSV)"), "*.CSV");
    EXPECT_EQ(patternForCaption("anything else"), "*.TXT");

    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"README", "*.*", true},      {"cust.csv", "*.*", true},     {"a.txt", "*.TXT", true},
        {"B.TxT", "*.TXT", true},     {"a.txt.bak", "*.TXT", false}, {"txt", "*.TXT", false},
        {"LIST.CSV", "*.CSV", true},  {"list.csv", "*.CSV", true},   {"list.csvx", "*.CSV", false},
    };
    for (const auto& c : cases) EXPECT_EQ(matchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
}

TEST(FileSelRules, ComposePath) {
    struct Case {
        const char* folder;
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"/", "cust.csv", "/cust.csv"},
        {"/ab", "f", "/ab/f"},
        {"/home/mail", "cust.csv", "/home/mail/cust.csv"},
        {"/home/mail/", "cust.csv", "/home/mail/cust.csv"},
    };
    for (const auto& c : cases) EXPECT_EQ(composePath(c.folder, c.name), c.path) << c.folder;
}

class FileSel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path();
        for (const char* f : {"cust.csv", "B.TXT", "notes.txt", "README", "old.Csv"}) touch(root + "/" + f);
        QDir(root).mkdir("sub");
        touch(root + "/sub/inner.csv");
        previous = QDir::currentPath();
        QDir::setCurrent(root);
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        qv::platform::resetDriveFolders();
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    }
    static void touch(const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x\r\n");
    }

    QTemporaryDir tmp;
    QString root, previous;
};

TEST_F(FileSel, LoadsInTheCurrentFolderWithEveryFile) {
    FileChooser f(Variant::Designer);
    EXPECT_EQ(f.windowTitle(), "Select mailsort file");
    EXPECT_EQ(FileChooser(Variant::Console).windowTitle(), "Select file to convert");
    EXPECT_EQ(FileChooser(Variant::DuplicateChecker).windowTitle(), "Select file to convert");

    auto* types = qv::platform::child<QComboBox>(&f, "cmbFileType");
    ASSERT_EQ(types->count(), 3);
    EXPECT_EQ(types->itemText(0), "All Files (*.*)");
    EXPECT_EQ(types->itemText(1), "Text Files (*.TXT)");
    EXPECT_EQ(types->itemText(2), "CSV (Comma Delimited) (*.CSV)");
    EXPECT_EQ(types->currentText(), "All Files (*.*)");

    EXPECT_EQ(f.path(), QDir::cleanPath(root));
    EXPECT_EQ(f.fileNames(), (QStringList{"B.TXT", "cust.csv", "notes.txt", "old.Csv", "README"}));
    EXPECT_EQ(f.fileName(), "");
    EXPECT_TRUE(f.folderEntries().last().trimmed() == "sub");
}

TEST_F(FileSel, FilterListsOnlyMatchingFiles) {
    FileChooser f(Variant::Designer);
    ASSERT_TRUE(f.chooseFileType("Text Files (*.TXT)"));
    EXPECT_EQ(f.pattern(), "*.TXT");
    EXPECT_EQ(f.fileNames(), (QStringList{"B.TXT", "notes.txt"}));
    ASSERT_TRUE(f.chooseFileType("CSV (Comma Delimited) (*.CSV)"));
    EXPECT_EQ(f.fileNames(), (QStringList{"cust.csv", "old.Csv"}));
    ASSERT_TRUE(f.chooseFileType("All Files (*.*)"));
    EXPECT_EQ(f.fileNames().size(), 5);

    // Typing into the filter changes nothing.
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    auto* types = qv::platform::child<QComboBox>(&f, "cmbFileType");
    types->setFocus();
    QTest::keyClicks(types, "CT");
    EXPECT_EQ(types->currentText(), "All Files (*.*)");
    EXPECT_EQ(f.pattern(), "*.*");
}

TEST_F(FileSel, RefusesWithoutASelection) {
    FileChooser f(Variant::Designer);
    bool handedOver = false;
    f.setNextForm([&](FileChooser&, const FileChooser::Accepted&) { handedOver = true; });
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    const QStringList before = f.fileNames();

    scriptedMessages().answer(Answer::Ok, kNoFile).answer(Answer::Ok, kNoFile).answer(Answer::Ok, kNoFile);
    f.cmdOK_Click();
    f.File1_DblClick();
    QTest::keyClick(qv::platform::child<QListWidget>(&f, "File1"), Qt::Key_Return);  // Enter is OK
    EXPECT_EQ(scriptedMessages().messages().size(), 3u);
    EXPECT_EQ(scriptedMessages().messages()[0].buttons, qv::platform::Buttons::OkOnly);
    EXPECT_FALSE(handedOver);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.fileNames(), before);
}

TEST_F(FileSel, HandsOverByVariant) {
    struct Case {
        Variant variant;
        std::optional<Answer> answer;
        const char* headings;
        bool staysOpen;
    };
    const Case cases[] = {
        {Variant::Designer, Answer::No, "7", false},
        {Variant::Designer, Answer::Yes, "6", false},
        {Variant::Console, std::nullopt, "", false},
        {Variant::DuplicateChecker, Answer::Yes, "6", true},
        {Variant::DuplicateChecker, Answer::No, "7", true},
    };
    const QString expected = QDir::cleanPath(root) + "/cust.csv";
    for (const auto& c : cases) {
        FileChooser f(c.variant);
        std::optional<FileChooser::Accepted> got;
        QString seenInBox, seenDummy, seenLabel;
        f.setNextForm([&](FileChooser& chooser, const FileChooser::Accepted& a) {
            got = a;
            // What the next form reads while it loads is already in place.
            if (chooser.TxtFile()) seenInBox = chooser.TxtFile()->text();
            if (chooser.DummyField()) seenDummy = chooser.DummyField()->text();
            if (chooser.lblFile()) seenLabel = chooser.lblFile()->text();
        });
        f.show();
        if (c.answer) scriptedMessages().answer(*c.answer, kHeadings);
        ASSERT_TRUE(f.selectFile("cust.csv"));
        f.File1_DblClick();
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(got->path, expected);
        EXPECT_EQ(got->headings, c.headings);
        EXPECT_EQ(f.isVisible(), c.staysOpen);
        if (c.variant == Variant::Console) {
            EXPECT_EQ(seenInBox, expected);
            EXPECT_EQ(scriptedMessages().messages().size(), 0u);  // no question
        }
        if (c.variant == Variant::DuplicateChecker) {
            EXPECT_EQ(seenDummy, c.headings);
            EXPECT_EQ(seenLabel, expected);
        }
        scriptedMessages().clear();
    }
}

TEST_F(FileSel, FoldersAndDrives) {
    QDir(root).mkdir("floppy");
    touch(root + "/floppy/disk.txt");
    QDir(root).mkdir("gone");
    qv::platform::setDriveFolder('A', root + "/floppy");
    qv::platform::setDriveFolder('B', root + "/gone");

    FileChooser f(Variant::Console);
    f.setNextForm([](FileChooser&, const FileChooser::Accepted&) {});
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(f.driveText(), "/");  // the current folder lies on no mapped drive

    // A folder one down, opened from the folder list.
    auto* dir1 = qv::platform::child<QListWidget>(&f, "Dir1");
    QListWidgetItem* sub = dir1->findItems("sub", Qt::MatchEndsWith).value(0);
    ASSERT_NE(sub, nullptr);
    const QPoint at = dir1->visualItemRect(sub).center();
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(f.path(), QDir::cleanPath(root) + "/sub");
    EXPECT_EQ(f.fileNames(), QStringList{"inner.csv"});

    ASSERT_TRUE(f.chooseDrive("a:"));
    EXPECT_EQ(f.path(), QDir::cleanPath(root) + "/floppy");
    EXPECT_EQ(f.driveText(), "a:");
    ASSERT_TRUE(f.selectFile("disk.txt"));
    f.cmdOK_Click();
    EXPECT_EQ(f.TxtFile()->text(), QDir::cleanPath(root) + "/floppy/disk.txt");

    // A drive whose folder went away: said so, and the chooser stays where it was.
    FileChooser g(Variant::Console);
    ASSERT_TRUE(g.chooseDrive("a:"));
    QDir(root).rmdir("gone");
    scriptedMessages().answer(Answer::Ok, "Drive b: cannot be read.");
    ASSERT_TRUE(g.chooseDrive("b:"));
    EXPECT_EQ(g.driveText(), "a:");
    EXPECT_EQ(g.path(), QDir::cleanPath(root) + "/floppy");
}

TEST_F(FileSel, Exit) {
    FileChooser d(Variant::Designer);
    d.show();
    d.cmdExit_Click();
    EXPECT_FALSE(d.isVisible());

    FileChooser x(Variant::DuplicateChecker);
    bool ended = false;
    x.setEndProgram([&] { ended = true; });
    x.show();
    x.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&x));
    QTest::keyClick(&x, Qt::Key_Escape);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(x.isVisible());
}

}  // namespace
