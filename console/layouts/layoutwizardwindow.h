// frmCorvath "Layout Wizard": lays out one fixed-column file. Shows its first
// seven records under a column ruler, proposes the start and length of each
// address part for a chosen sample record, shows the text each cuts, lets
// the user correct the numbers and stores the layout with "Apply Layout".
#pragma once

#include "console/layouts/layoutwizard.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace qv::platform {
class NumericBox;
}

namespace qv::console {

class LayoutWizardWindow : public QWidget {
    Q_OBJECT
public:
    // The wizard on the file at `path` (from the chooser's TxtFile or the
    // typed layout form's file box). Deletes itself when closed.
    explicit LayoutWizardWindow(const QString& path, QWidget* parent = nullptr);

    // Fills the file label and the records box and chooses record 1; false
    // (after telling the user) when the file cannot be read, and the wizard
    // closes.
    bool Form_Load();
    // The message to show when the file cannot be read (the sample stays).
    std::optional<QString> ReadFile();
    void LayoutType();
    void DoAscii();
    void ShowParts();
    void chooseRecord(int n);  // optRec1_Click .. optRec7_Click
    void cmdOK_Click();
    void cmdCancel_Click();

    const std::string& sampleRecord() const { return sample_; }
    int recordNumber() const { return record_; }

    // Shows a wizard on the file, centred and active.
    static LayoutWizardWindow* open(const QString& path);

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void placeRecordButtons();
    void showValues(const wizard::Parts& parts);
    void setShown(int part, const std::string& text);
    wizard::Parts values() const;
    void boxLeft(int part, bool startBox);

    std::string path_;
    std::string sample_;
    int record_ = 1;
    bool loaded_ = false;

    QLabel* lblSelFile_;
    QPlainTextEdit* txtRecords_;
    QWidget* recordButtons_;
    std::array<QRadioButton*, wizard::RecordsShown> optRec_{};
    QCheckBox* chkKeepPos_;
    QLabel* lblFrom_;
    QLabel* lblTo_;
    std::array<QLineEdit*, wizard::PartCount> shown_{};
    std::array<platform::NumericBox*, wizard::PartCount> start_{};
    std::array<platform::NumericBox*, wizard::PartCount> length_{};
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace qv::console
