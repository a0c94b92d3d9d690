#include "common/testing/scratch.h"
#include "platform/lptport.h"
#include "platform/testing/recordingport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace qv::platform;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Runs in an empty scratch folder as the current folder.
class InScratchFolder : public ::testing::Test {
protected:
    QString path(const QString& name) const {
        return QString::fromStdString(scratch_.path(name.toStdString()).string());
    }
    QString folder() const { return QString::fromStdString(scratch_.dir().string()); }
    qv::testkit::ScratchFolder scratch_{qv::testkit::ScratchFolder::Databases::None};
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

TEST_F(InScratchFolder, Lpt1MayBeALinkToTheDevice) {
    ASSERT_TRUE(QFile::link(path("device"), path("LPT1")));
    QFile device(path("device"));
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    device.close();
    FilePort port;
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(port.writeLine("label"));
    ASSERT_TRUE(port.close());
    EXPECT_EQ(readAll(path("device")), QByteArray("label\r\n"));
    EXPECT_TRUE(QFileInfo(path("LPT1")).isSymLink());
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
}

TEST(FilePort, AWriteErrorReachesTheCaller) {
    // A device that refuses every byte: the failure shows on a write or, for
    // buffered bytes, on close; never is the whole run a success.
    FilePort port("/dev/full");
    ASSERT_TRUE(port.open()) << port.lastError().toStdString();
    bool ok = true;
    for (int i = 0; i < 10 && ok; ++i) ok = port.writeLine("a line for the printer");
    ok = port.close() && ok;
    EXPECT_FALSE(ok);
    EXPECT_TRUE(port.lastError().contains("No space")) << port.lastError().toStdString();

    // The same for a long run that fills the buffer while writing.
    ASSERT_TRUE(port.open());
    bool refused = false;
    for (int i = 0; i < 100000 && !refused; ++i) refused = !port.writeLine("a line for the printer");
    EXPECT_TRUE(refused);
    port.close();
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
