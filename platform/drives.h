// Drive letters as the forms know them (the diskette drive "A"), mapped to
// folders in this one place:
//   A -> /media/floppy, B -> /media/floppy1, any other letter -> /media/<letter>
// An entry longer than one character is a folder path; a leading "X:" on it
// is taken as that drive's folder, and "\" as "/" ("D:\PODATA" ->
// /media/d/PODATA).
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace qv::platform {

// The folder an entry names; empty for an empty entry.
QString driveFolder(const QString& entry);

// A file in the folder an entry names. An empty entry names the root
// folder, as a path that starts with the separator did ("\msortd.dat").
QString driveFile(const QString& entry, const QString& fileName);

// The folder of one letter (upper or lower case).
QString driveLetterFolder(QChar letter);

// Points a letter at another folder (tests use temporary folders); an
// empty folder goes back to the standard mapping.
void setDriveFolder(QChar letter, const QString& folder);
void resetDriveFolders();

struct Drive {
    QChar letter;    // upper case
    QString folder;
    QString label() const;  // "a:" as a drive list shows it
};

// The drives whose folders exist, in letter order.
QList<Drive> availableDrives();

}  // namespace qv::platform
