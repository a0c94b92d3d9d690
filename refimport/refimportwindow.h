// RefImportWindow (form "Form1"): the reference data import's one form.
#pragma once

#include "common/db/compaction.h"
#include "refimport/pofiles.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qv::refimport {

// The form of the Post Office files a start argument asks for: "C" comma-
// delimited, "F" fixed; anything else is no start of this program.
std::optional<FileForm> formFromArgument(const QString& argument);
QString usageMessage();

// The folder the drive box names (a relative one in the current folder):
// one character is a drive letter, anything longer a folder ("D:\PODATA" on
// drive D); an empty box names the root.
std::filesystem::path driveBoxFolder(const QString& entry);
// The folder the target box names; empty for an empty box.
std::filesystem::path targetFolder(const QString& entry);

// The message for a database that could not be opened: missing, damaged,
// held by another program or refused for another reason.
QString openRefusal(int error, const std::string& description);

// "Importing MSORTD (1 of 4)........." and the others.
QString importCaption(PoFile file);

class RefImportWindow : public QWidget {
    Q_OBJECT
public:
    explicit RefImportWindow(FileForm form, QWidget* parent = nullptr);

    // Tests put a failing compaction in.
    void setCompactor(db::Compactor c) { compactor_ = std::move(c); }

    void cmdImport_Click();
    void cmdExit_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void showStatus(const QString& caption);

    FileForm form_;
    db::Compactor compactor_ = db::defaultCompactor();
    QLabel* txtType_;
    QLineEdit* txtDrive_;
    QLineEdit* txtTarget_;
    QLabel* status_;
    QPushButton* cmdImport_;
    QPushButton* cmdExit_;
};

// The program's start: the form for a known argument, shown and active;
// for any other, the message saying which are known, and no form.
std::unique_ptr<RefImportWindow> startProgram(const QString& argument);

}  // namespace qv::refimport
