// frmKeyFields: the fields of the chosen file in a list from which the user
// selects the key fields. It reads the chosen file's path and the headings
// answer from the chooser when it loads; "OK" hands the format, the columns
// and the selection to the run.
#pragma once

#include "duplicates/dupcheck.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace qv::filesel {
class FileChooser;
}

namespace qv::duplicates {

class KeyFieldsWindow : public QWidget {
    Q_OBJECT
public:
    explicit KeyFieldsWindow(QWidget* parent = nullptr);

    // What "OK" does with a selection: shows the run form.
    using StartRun = std::function<void(KeyFieldsWindow& form, const CheckSetup& setup)>;
    void setStartRun(StartRun start) { startRun_ = std::move(start); }

    // Form_Load: reads lblFile and DummyField of the chooser, then the file.
    // False, after a message, when the file cannot be used: the user chooses
    // again.
    bool Form_Load(const filesel::FileChooser& chooser);
    bool loadFile(const QString& path, const QString& dummyField);

    void cmdAll_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // The selection as the run reads it.
    CheckSetup setup() const;
    const FileLayout& layout() const { return layout_; }
    QListWidget* lstKeys() const { return lstKeys_; }
    QPushButton* cmdAll() const { return cmdAll_; }

private:
    QString path_;
    FileLayout layout_;
    bool allSelected_ = false;  // by the toggle: its next press deselects
    StartRun startRun_;
    QLabel* label1_ = nullptr;
    QListWidget* lstKeys_ = nullptr;
    QPushButton* cmdAll_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace qv::duplicates
