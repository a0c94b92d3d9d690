#include "platform/launcher.h"
#include "platform/testing/recordinglauncher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

using namespace qv::platform;

namespace {

// Writes an executable shell script that appends "<tag> <args>" to
// ran.txt in the directory it is started in.
void writeScript(const QString& path, const QString& tag, bool executable = true) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" >> ran.txt\n").arg(tag).toUtf8());
    f.close();
    QFile::Permissions p = QFile::ReadOwner | QFile::WriteOwner;
    if (executable) p |= QFile::ExeOwner;
    f.setPermissions(p);
}

QString waitForLine(const QString& path) {
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QString s = QString::fromUtf8(f.readAll()).trimmed();
            if (!s.isEmpty()) return s;
        }
        QThread::msleep(20);
    }
    return {};
}

// Runs a test in its own current directory, restoring the old one after.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        old = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        QDir::setCurrent(old);
        for (const QString& p : appDirFiles) QFile::remove(p);
    }
    // A program beside the test binary (where the suite's binaries live).
    QString besideProgram(const QString& name, const QString& tag) {
        const QString p = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(name);
        writeScript(p, tag);
        appDirFiles << p;
        return p;
    }
    QTemporaryDir dir;
    QString old;
    QStringList appDirFiles;
};

}  // namespace

TEST(ParseCommand, NameAndAtMostOneLetter) {
    struct Case {
        const char* command;
        bool ok;
        const char* program;
        const char* argument;
    };
    const Case cases[] = {
        {"pelgrin.exe", true, "pelgrin.exe", ""},
        {"lurrow.exe C", true, "lurrow.exe", "C"},
        {"shoravel.exe C", true, "shoravel.exe", "C"},
        {"Corvath.exe", true, "Corvath.exe", ""},
        {"lurrow.exe CF", false, "", ""},
        {"lurrow.exe C F", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        const auto parsed = parseCommand(c.command);
        ASSERT_EQ(parsed.has_value(), c.ok) << c.command;
        if (!parsed) continue;
        EXPECT_EQ(parsed->program, c.program);
        EXPECT_EQ(parsed->argument, c.argument);
    }
}

TEST_F(InTempDir, ResolvesLowerCaseNameWithoutExeBesideTheRunningProgram) {
    const QString name = QStringLiteral("qvtest-pelgrin-%1").arg(QCoreApplication::applicationPid());
    const QString beside = besideProgram(name, "app");
    EXPECT_EQ(resolveProgram(name + ".exe"), beside);
    EXPECT_EQ(resolveProgram(name.toUpper() + ".EXE"), beside);
    EXPECT_EQ(resolveProgram(name), beside);
    EXPECT_EQ(resolveProgram("qvtest-kavrin-none.exe"), "");
}

// A job folder holds customers' files: a program of a suite name there is
// never run, whether or not the suite's own one is installed.
TEST_F(InTempDir, AProgramInTheCurrentFolderIsNeverStarted) {
    const QString name = QStringLiteral("qvtest-mistrel-%1").arg(QCoreApplication::applicationPid());
    writeScript(dir.filePath(name), "cwd");
    EXPECT_EQ(resolveProgram(name + ".exe"), "");
    QString error;
    EXPECT_FALSE(ProcessLauncher().start(name + ".exe", &error));
    EXPECT_TRUE(error.contains(name)) << error.toStdString();

    besideProgram(name, "beside");
    EXPECT_EQ(resolveProgram(name + ".exe"), QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(name));
    ASSERT_TRUE(ProcessLauncher().start(name + ".exe", &error)) << error.toStdString();
    EXPECT_EQ(waitForLine(dir.filePath("ran.txt")), "beside");
}

TEST_F(InTempDir, NothingElseIsSearched) {
    QTemporaryDir onPath;
    writeScript(QDir(onPath.path()).filePath("qvtest-mistrel"), "path");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", onPath.path().toUtf8() + ":" + oldPath);
    EXPECT_EQ(resolveProgram("qvtest-mistrel.exe"), "");
    QString error;
    EXPECT_FALSE(ProcessLauncher().start("qvtest-mistrel.exe", &error));
    EXPECT_FALSE(error.isEmpty());
    qputenv("PATH", oldPath);
    // Nor a path given with the name.
    EXPECT_EQ(resolveProgram(QDir(onPath.path()).filePath("qvtest-mistrel")), "");
}

TEST_F(InTempDir, NonExecutableFileIsNotAProgram) {
    const QString name = QStringLiteral("qvtest-fennick-%1").arg(QCoreApplication::applicationPid());
    const QString p = besideProgram(name, "app");
    QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(resolveProgram(name + ".exe"), "");
    QString error;
    EXPECT_FALSE(ProcessLauncher().start(name + ".exe", &error));
    EXPECT_TRUE(error.contains(name)) << error.toStdString();
}

TEST_F(InTempDir, StartsDetachedInTheCurrentDirectoryWithTheArgument) {
    const QString name = QStringLiteral("qvtest-lurrow-%1").arg(QCoreApplication::applicationPid());
    besideProgram(name, "lurrow");
    int commits = 0;
    setBeforeProgramStart([&] { ++commits; });
    QString error;
    ASSERT_TRUE(ProcessLauncher().start(name + ".exe C", &error)) << error.toStdString();
    EXPECT_EQ(commits, 1);  // databases committed before the start
    EXPECT_EQ(waitForLine(dir.filePath("ran.txt")), "lurrow C");
    setBeforeProgramStart({});
}

TEST(RecordingLauncher, RecordsCommandsAndCanFail) {
    RecordingLauncher rec;
    int commits = 0;
    setBeforeProgramStart([&] { ++commits; });
    EXPECT_TRUE(rec.start("mistrel.exe"));
    EXPECT_TRUE(rec.start("lurrow.exe  F"));
    rec.setFailing(true, "File not found");
    QString error;
    EXPECT_FALSE(rec.start("kavrin.exe", &error));
    EXPECT_EQ(error, "File not found");
    EXPECT_FALSE(rec.start("lurrow.exe CF"));  // refused before it is recorded
    EXPECT_EQ(rec.commands(), QStringList({"mistrel.exe", "lurrow.exe F", "kavrin.exe"}));
    EXPECT_EQ(commits, 3);
    setBeforeProgramStart({});
}

TEST(LauncherAccessor, ProgramsReachTheInstalledLauncher) {
    auto rec = std::make_shared<RecordingLauncher>();
    setLauncher(rec);
    EXPECT_TRUE(launcher().start("pelgrin.exe"));
    EXPECT_EQ(rec->commands(), QStringList{"pelgrin.exe"});
}
