// frmConfigLabs: the company name and the label geometry in parmcode, in a
// laser layout (millimetres) or a dot-matrix layout (lines and characters).
#pragma once

#include "common/db/database.h"
#include "common/parm/parmrecord.h"

#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::platform {
class NumericBox;
}

namespace qv::console {

struct LabelPreset;

class ConfigLabsDialog : public QWidget {
    Q_OBJECT
public:
    explicit ConfigLabsDialog(QWidget* parent = nullptr);
    ~ConfigLabsDialog() override;

    // Opens the database and fills the dialog; false (after telling the user)
    // when the settings cannot be read.
    bool Form_Load();
    void DotMatrix();
    void optSet1_Click();
    void optSet2_Click();
    void optSet3_Click();
    void optSet4_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Form_Unload();

    bool holdsDatabase() const { return db_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void select(QRadioButton* option);
    void applyPreset(const LabelPreset& p);
    void showStored();
    void selectFontOption();
    bool laser() const;
    bool sheetFits();

    std::unique_ptr<db::Database> db_;
    std::unique_ptr<parm::ParmRecord> parm_;

    QLineEdit* txtCompName_;
    QRadioButton* optSet1_;
    QRadioButton* optSet2_;
    QRadioButton* optSet3_;
    QRadioButton* optSet4_;
    QLabel* lbl_[8];
    QLabel* mm_[7];
    platform::NumericBox* txtLabelHeight_;
    platform::NumericBox* txtLabelWidth_;
    platform::NumericBox* txtVertGap_;
    platform::NumericBox* txtHorGap_;
    platform::NumericBox* txtTopMarg_;
    platform::NumericBox* txtLeftMarg_;
    platform::NumericBox* txtAddOffset_;
    platform::NumericBox* txtLabAcross_;
    platform::NumericBox* txtNumLabels_;
    QGroupBox* frameFont_;
    QGroupBox* frameLaser_;
    QRadioButton* optFontSize8_;
    QRadioButton* optFontSize10_;
    QRadioButton* optFontSize12_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace qv::console
