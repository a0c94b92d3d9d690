// frmLayout "Layout of Extract File": the typed layout of a customer's file,
// a start position and length (fixed columns) or a field number and number
// of fields (comma-delimited) for each of eight address parts, one row of
// `data` per file. From it the file chooser, the new-file hint and the
// layout wizard follow.
#pragma once

#include "console/layouts/typedlayout.h"

#include "common/db/database.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace qv::filesel {
class FileChooser;
}
namespace qv::platform {
class NumericBox;
}

namespace qv::console {

class LayoutWizardWindow;
class NewFileHint;

class TypedLayoutWindow : public QWidget {
    Q_OBJECT
public:
    // Deletes itself when closed.
    explicit TypedLayoutWindow(QWidget* parent = nullptr);
    ~TypedLayoutWindow() override;

    // Opens the database and lists the stored files; false (after telling the
    // user) when the database cannot be opened.
    bool Form_Load();
    void Form_Unload();
    void setlabels();
    void TxtFile_Change();  // TxtFile_Click runs the same steps
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdSelFile_Click();
    void mnuDelete_Click();
    void mnuCorvath_Click();
    // The focus handlers of the type options (nameBox null) and name boxes.
    void hintTest(platform::NumericBox* nameBox);
    void valid();

    bool checkFailed() const { return checkFailed_; }
    QString lastfile() const { return lastfile_; }
    bool holdsDatabase() const { return db_ != nullptr; }

    // The windows this form opened last, while they are open.
    NewFileHint* hintWindow() const;
    LayoutWizardWindow* wizard() const;
    filesel::FileChooser* chooser() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    typed::Kind kind() const;
    std::array<std::string, typed::BoxCount> boxTexts() const;
    void fillList();
    void setAllBoxes(const QString& text);
    void showHintWindow();
    void openWizard();
    std::string file() const;

    std::unique_ptr<db::Database> db_;
    bool checkFailed_ = false;  // the last OK stopped at a check
    QString lastfile_;
    bool typedActivation_ = false;
    bool messageLeftFocus_ = false;  // the hint test's message left the focus where it was
    bool skipNameFocus_ = false;

    QComboBox* txtFile_;
    QPushButton* cmdSelFile_;
    QGroupBox* frame1_;
    QRadioButton* optAscii_;
    QRadioButton* optComma_;
    QRadioButton* optNoquotes_;
    std::array<QLabel*, typed::BoxCount> labels_{};
    std::array<platform::NumericBox*, typed::BoxCount> boxes_{};
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    QAction* mnuDelete_;
    QAction* mnuCorvath_;

    QPointer<NewFileHint> layWin_;
    QPointer<LayoutWizardWindow> wizard_;
    QPointer<filesel::FileChooser> chooser_;
};

}  // namespace qv::console
