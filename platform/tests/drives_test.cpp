#include "platform/drives.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace qv::platform;

TEST(Drives, EntryToFolderTable) {
    resetDriveFolders();
    struct Case {
        const char* entry;
        const char* folder;
    };
    const Case cases[] = {
        {"A", "/media/floppy"},
        {"a", "/media/floppy"},
        {"B", "/media/floppy1"},
        {"D", "/media/d"},
        {"", ""},
        {"/home/user/podata", "/home/user/podata"},
        {"D:\\PODATA", "/media/d/PODATA"},
        {"A:", "/media/floppy"},
        {"a:\\", "/media/floppy"},
        {"C:\\QUORVEL", "/media/c/QUORVEL"},
        {"podata", "podata"},  // a relative folder stays relative
    };
    for (const Case& c : cases) EXPECT_EQ(driveFolder(c.entry), c.folder) << c.entry;
}

TEST(Drives, FileOnADrive) {
    resetDriveFolders();
    EXPECT_EQ(driveFile("A", "msortd.dat"), "/media/floppy/msortd.dat");
    EXPECT_EQ(driveFile("/tmp/po/", "msorta.dat"), "/tmp/po/msorta.dat");
    EXPECT_EQ(driveFile("", "msortd.dat"), "/msortd.dat");  // the root, as "\msortd.dat" was
}

TEST(Drives, OverridesAndAvailableDrives) {
    QTemporaryDir a, q;
    setDriveFolder('a', a.path());
    setDriveFolder('Q', q.path());
    EXPECT_EQ(driveFolder("A"), a.path());
    EXPECT_EQ(driveFile("q", "pofile.dat"), QDir(q.path()).filePath("pofile.dat"));

    const auto drives = availableDrives();
    QStringList labels;
    for (const Drive& d : drives) labels << d.label();
    EXPECT_TRUE(labels.contains("a:"));
    EXPECT_TRUE(labels.contains("q:"));
    EXPECT_LT(labels.indexOf("a:"), labels.indexOf("q:"));

    setDriveFolder('A', {});
    EXPECT_EQ(driveFolder("A"), "/media/floppy");
    resetDriveFolders();
    EXPECT_EQ(driveFolder("Q"), "/media/q");
}
