// The console's small dialogs: the clean-up, the copy of the line listing to
// diskette, and the About box.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace qv::console {

// frmCleanup
class CleanupDialog : public QWidget {
    Q_OBJECT
public:
    explicit CleanupDialog(QWidget* parent = nullptr);
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

// frmCpyfile
class CopyFileDialog : public QWidget {
    Q_OBJECT
public:
    explicit CopyFileDialog(QWidget* parent = nullptr);
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    QLineEdit* txtDrive_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

// frmAbout
class AboutBox : public QWidget {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    void cmdOK_Click();

private:
    QPushButton* cmdOK_;
};

}  // namespace qv::console
