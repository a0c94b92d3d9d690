#include "platform/lptport.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/recordingport.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace qv::platform;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Runs in an empty folder of its own as the current folder.
class InScratchFolder : public ::testing::Test {
protected:
    QString path(const QString& name) const {
        return QString::fromStdString(scratch_.path(name.toStdString()).string());
    }
    QString folder() const { return QString::fromStdString(scratch_.dir().string()); }
    qv::testkit::TempFolder scratch_{qv::testkit::TempFolder::Current::Enter};
};
}  // namespace

TEST(CodePage1252, Table) {
    struct Case {
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"Plain ASCII 123", "Plain ASCII 123"},
        {QString::fromUtf8("\u00a3"), "\xa3"},                  // pound
        {QString::fromUtf8("caf\u00e9 \u00ff"), "caf\xe9 \xff"},  // Latin-1 range as it stands
        {QString::fromUtf8("\u20ac"), "\x80"},                  // euro
        {QString::fromUtf8("\u2019\u2014\u0178"), "\x92\x97\x9f"},
        {QString::fromUtf8("\u0141\u65e5"), "??"},              // no place in the code page
        {QString::fromUtf8("\U0001F600!"), "?!"},               // one character outside the BMP, one "?"
        {QString(QChar(0x81)), "?"},                            // a control the code page leaves undefined
        // Controls that would move the print head or stop the printer go as blanks.
        {QString::fromUtf8("A\rB\nC") + QChar(0) + QString::fromUtf8("D\tE\x7f" "F\x1b"), "A B C D E F "},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(toCodePage1252(c.text), c.bytes) << c.text.toStdString();
}

TEST_F(InScratchFolder, LinesGoToLpt1InTheCurrentFolderByteForByte) {
    FilePort port;
    ASSERT_TRUE(port.open()) << port.lastError().toStdString();
    ASSERT_TRUE(port.writeLine(QString::fromUtf8("MR A SMITH   \u00a312.50   ")));
    ASSERT_TRUE(port.writeLine(""));
    ASSERT_TRUE(port.writeLine("   "));
    ASSERT_TRUE(port.close()) << port.lastError().toStdString();
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("MR A SMITH   \xa3" "12.50   \r\n\r\n   \r\n"));

    // Opening again starts the file afresh.
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(port.writeLine("next"));
    ASSERT_TRUE(port.close());
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("next\r\n"));
}

TEST_F(InScratchFolder, APortThatCannotBeOpenedIsReported) {
    // A folder of that name, and a link to a device that is not there.
    ASSERT_TRUE(QDir(folder()).mkdir("LPT1"));
    FilePort port;
    EXPECT_FALSE(port.open());
    EXPECT_TRUE(port.lastError().contains("LPT1")) << port.lastError().toStdString();
    EXPECT_FALSE(port.writeLine("lost"));

    ASSERT_TRUE(QFile::link(path("no-such-folder/lp0"), path("LPT2")));
    FilePort dangling("LPT2");
    EXPECT_FALSE(dangling.open());
    EXPECT_FALSE(dangling.lastError().isEmpty());

    // A printer switched off: its device is gone, the link stays, and no
    // file is made in its place.
    ASSERT_TRUE(QFile::link(path("lp0"), path("LPT3")));
    FilePort off("LPT3");
    EXPECT_FALSE(off.open());
    EXPECT_EQ(off.lastError(), "Cannot open LPT3: No such file or directory");
    EXPECT_FALSE(QFileInfo::exists(path("lp0")));
    EXPECT_TRUE(QFileInfo(path("LPT3")).isSymLink());
}

TEST_F(InScratchFolder, ControlCharactersInALineReachTheFileAsBlanks) {
    FilePort port;
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(port.writeLine(QStringLiteral("MR A\r\nSMITH") + QChar(0) + QStringLiteral("\tX\x7f")));
    ASSERT_TRUE(port.close());
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("MR A  SMITH  X \r\n"));
}

// The earlier LPT1 stays until a new one is whole; a run that fails, is
// abandoned or is never closed leaves it as it was.
TEST_F(InScratchFolder, AFailedRunLeavesTheEarlierFile) {
    {
        FilePort port;
        ASSERT_TRUE(port.open());
        ASSERT_TRUE(port.writeLine("earlier"));
        ASSERT_TRUE(port.close());
    }
    // A long run fails on a write; a short one whose bytes wait in the
    // buffer fails at close().
    struct Case {
        std::uint64_t room;
        int lines;
        qsizetype width;
    };
    for (const Case& c : {Case{64 * 1024, 20000, 22}, Case{100, 1, 200}}) {
        qv::testkit::FileSizeLimit limit(c.room);
        FilePort port;
        ASSERT_TRUE(port.open()) << port.lastError().toStdString();
        bool written = true;
        for (int i = 0; i < c.lines && written; ++i) written = port.writeLine(QString(c.width, u'x'));
        EXPECT_EQ(written, c.lines == 1) << c.room;
        EXPECT_FALSE(port.close()) << c.room;
        EXPECT_EQ(port.lastError(), "Cannot write to LPT1: File too large") << c.room;
    }
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("earlier\r\n"));
    {
        FilePort port;
        ASSERT_TRUE(port.open());
        ASSERT_TRUE(port.writeLine("never closed"));
    }
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("earlier\r\n"));
    {
        FilePort port;
        ASSERT_TRUE(port.open());
        ASSERT_TRUE(port.writeLine("abandoned"));
        port.abandon();
        EXPECT_EQ(readAll(path("LPT1")), QByteArray("earlier\r\n"));
        // The port opens again for the next run.
        ASSERT_TRUE(port.open());
        ASSERT_TRUE(port.writeLine("next run"));
        ASSERT_TRUE(port.close());
        EXPECT_EQ(readAll(path("LPT1")), QByteArray("next run\r\n"));
        ASSERT_TRUE(port.open());
        ASSERT_TRUE(port.writeLine("abandoned"));
        port.abandon();
    }
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("next run\r\n"));
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"LPT1"});
}

// A link to a plain file, inside or outside the folder, is replaced by the
// new LPT1; the file it pointed to is not touched.
TEST_F(InScratchFolder, ALinkToAPlainFileIsReplacedNotFollowed) {
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    const QString elsewhere = outside.filePath("precious.txt");
    {
        QFile f(elsewhere);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    ASSERT_TRUE(QFile::link(elsewhere, path("LPT1")));
    FilePort port;
    ASSERT_TRUE(port.open()) << port.lastError().toStdString();
    EXPECT_FALSE(port.writesThrough());  // what a failed run wrote is thrown away
    ASSERT_TRUE(port.writeLine("label"));
    ASSERT_TRUE(port.close()) << port.lastError().toStdString();
    EXPECT_EQ(readAll(elsewhere), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo(path("LPT1")).isSymLink());
    EXPECT_EQ(readAll(path("LPT1")), QByteArray("label\r\n"));
}

// The printer's device is written directly: the link stays, nothing is put
// beside it, and it is written as the lines come.
TEST_F(InScratchFolder, ALinkToADeviceIsWrittenDirectly) {
    ASSERT_TRUE(QFile::link("/dev/null", path("LPT1")));
    FilePort port;
    ASSERT_TRUE(port.open()) << port.lastError().toStdString();
    EXPECT_TRUE(port.writesThrough());  // what a failed run wrote has been printed
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(port.writeLine("label line"));
    EXPECT_EQ(QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"LPT1"});
    ASSERT_TRUE(port.close()) << port.lastError().toStdString();
    EXPECT_EQ(QFileInfo(path("LPT1")).symLinkTarget(), "/dev/null");

    FilePort device("/dev/null");
    ASSERT_TRUE(device.open()) << device.lastError().toStdString();
    ASSERT_TRUE(device.writeLine("label"));
    ASSERT_TRUE(device.close());
    EXPECT_TRUE(QFileInfo("/dev/null").exists());
}

TEST(RecordingPort, KeepsLinesAndRefusesWhenTold) {
    auto rec = std::make_shared<RecordingPort>();
    setLptPort(rec);
    LinePort& port = lptPort();
    EXPECT_FALSE(port.writeLine("before open"));
    ASSERT_TRUE(port.open());
    rec->setFailAfter(2);
    EXPECT_TRUE(port.writeLine("one  "));
    EXPECT_TRUE(port.writeLine(QString::fromUtf8("\u00a3two")));
    EXPECT_FALSE(port.writeLine("three"));
    EXPECT_FALSE(port.lastError().isEmpty());
    EXPECT_TRUE(port.close());
    EXPECT_EQ(rec->lines(), (QStringList{"one  ", QString::fromUtf8("\u00a3two")}));
    rec->setFailOpen(true);
    EXPECT_FALSE(port.open());
    EXPECT_EQ(rec->opens(), 2);
    setLptPort(nullptr);
}
