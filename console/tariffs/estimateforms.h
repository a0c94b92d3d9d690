// frmEstimate, the estimator's entries, and frmEstimate2, the estimated
// costs. The entries start from the job keys last saved; OK checks them,
// asks for the direct-selection percentage and shows the result, which is
// worked out once, when it opens (see estimate.h).
#pragma once

#include "common/db/database.h"
#include "console/tariffs/estimate.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::platform {
class NumericBox;
}

namespace qv::console {

class EstimateResultForm : public QWidget {
    Q_OBJECT
public:
    explicit EstimateResultForm(QWidget* parent = nullptr);

    // Works out and shows the figures of the entries; false (after telling
    // the user) when there is nothing to estimate.
    bool Form_Load(const estimate::Entries& entries);
    void cmdOK_Click();

private:
    QLabel* value(const char* name, bool bold = false);
    QLabel* caption(const char* name, const char* text);
};

class EstimateForm : public QWidget {
    Q_OBJECT
public:
    explicit EstimateForm(QWidget* parent = nullptr);
    ~EstimateForm() override;

    // Opens the database and takes the starting values from parmcode;
    // false (after telling the user) when they cannot be read.
    bool Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Form_Unload();

    // The open result form, else nullptr.
    EstimateResultForm* result() const { return result_; }
    // The suggestion the last OK worked out (0 until then).
    int suggestedPercent() const { return suggested_; }
    bool holdsDatabase() const { return db_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void choose(QRadioButton* option);
    void CalcPer();
    estimate::Entries entries() const;
    bool is120() const;

    std::unique_ptr<db::Database> db_;
    int suggested_ = 0;
    QPointer<EstimateResultForm> result_;

    QRadioButton* ChkM1_;
    QRadioButton* ChkM2_;
    QRadioButton* ChkM3_;
    QRadioButton* ChkP1_;
    QRadioButton* ChkP2_;
    QRadioButton* ChkM1120_;
    QRadioButton* ChkM2120_;
    QRadioButton* ChkM3120_;
    platform::NumericBox* txtNoAddresses_;
    QLineEdit* TxtFormat_;
    platform::NumericBox* txtWeight_;
    platform::NumericBox* txtSelection_;
    QCheckBox* chkRoyalMail_;
    QLineEdit* txtService_;
    QLineEdit* txtDirectSel_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace qv::console
