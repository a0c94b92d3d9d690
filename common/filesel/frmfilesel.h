// frmFileSel: the suite's one dialog for choosing a customer's input file,
// with drive, folder and file lists and a file-type filter. Three programs
// use it; they differ in the caption, the headings question and where the
// accepted file goes:
//
//   Variant::Designer          "Select mailsort file"; asks the headings
//                              question; hands over and closes.
//   Variant::Console           "Select file to convert"; no question; puts
//                              the path into its hidden TxtFile, hands over
//                              and closes.
//   Variant::DuplicateChecker  "Select file to convert"; asks the question;
//                              puts the answer into its hidden DummyField and
//                              the path into its hidden lblFile, hands over
//                              and stays open.
//
// The hand-over is the program's NextForm callback, which shows its next
// form. The chooser never opens the chosen file.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace qv::filesel {

enum class Variant { Designer, Console, DuplicateChecker };

// The type filter, in its order.
struct FileType {
    const char* caption;
    const char* pattern;
};
inline constexpr FileType kFileTypes[] = {
    {"All Files (*.*)", "*.*"},
    {"Text Files (*.TXT)", "*.TXT"},
    {"CSV (Comma Delimited) (*.CSV)", "*.CSV"},
};

// The pattern a filter caption selects: "*.*" and "*.CSV" for their
// captions, "*.TXT" for any other text.
QString patternForCaption(const QString& caption);
// A file name against a pattern, without regard to case; "*.*" takes every
// name, one without a dot included.
bool matchesPattern(const QString& fileName, const QString& pattern);
// Folder and file name with one separator between them.
QString composePath(const QString& folder, const QString& fileName);

class FileChooser : public QWidget {
    Q_OBJECT
public:
    // What an accepted file hands on: its full path and, where the question
    // is asked, the answer as the message-box result code ("6" Yes, "7" No).
    struct Accepted {
        QString path;
        QString headings;
    };
    using NextForm = std::function<void(FileChooser& chooser, const Accepted& accepted)>;

    // Loads the form (Form_Load) in the current directory.
    explicit FileChooser(Variant variant, QWidget* parent = nullptr);

    Variant variant() const { return variant_; }
    void setNextForm(NextForm next) { next_ = std::move(next); }
    // What Exit does in the duplicate checker (end the program); by default
    // it quits the application.
    void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }

    // Handlers.
    void Form_Load();
    void cmbFileType_Click();
    void Drive1_Change();
    void Dir1_Change();
    void cmdOK_Click() { AcceptFile(); }
    void File1_DblClick() { AcceptFile(); }
    void cmdExit_Click();
    void AcceptFile();

    // The lists as the old controls gave them.
    QString path() const { return path_; }          // folder of the file list
    void setPath(const QString& folder);             // Dir1.Path: lists that folder
    QString pattern() const { return pattern_; }
    QStringList fileNames() const;                   // File1's entries
    QString fileName() const;                        // File1's selected name, or empty
    bool selectFile(const QString& name);            // selects an entry by name
    QStringList folderEntries() const;               // Dir1's entries, as shown
    QString driveText() const;                       // Drive1's entry
    // Chooses a drive by its entry ("/" or "a:"), as a click in Drive1 does.
    bool chooseDrive(const QString& entry);
    bool chooseFileType(const QString& caption);     // as a choice from the filter

    QLineEdit* TxtFile() const { return txtFile_; }     // Console only
    QLabel* DummyField() const { return dummyField_; }  // DuplicateChecker only
    QLabel* lblFile() const { return lblFile_; }        // DuplicateChecker only

private:
    void fillDrives();
    void fillFolders();
    void fillFiles();
    void openFolderItem(QListWidgetItem* item);
    QString driveFor(const QString& folder) const;

    Variant variant_;
    NextForm next_;
    std::function<void()> endProgram_;
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    int driveIndex_ = -1;

    QLabel* label1_ = nullptr;
    QComboBox* drive1_ = nullptr;
    QListWidget* dir1_ = nullptr;
    QListWidget* file1_ = nullptr;
    QLabel* label2_ = nullptr;
    QComboBox* cmbFileType_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QLineEdit* txtFile_ = nullptr;
    QLabel* dummyField_ = nullptr;
    QLabel* lblFile_ = nullptr;
};

}  // namespace qv::filesel
