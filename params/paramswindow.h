// "Mailsort Parameter Maintenance": edits the job keys of parmcode while
// holding mailsort.mdb for its sole use, and hands a run on to its next step.
#pragma once

#include "common/db/database.h"
#include "common/parm/parmrecord.h"
#include "params/jobrules.h"
#include "platform/programend.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::platform {
class NumericBox;
}

namespace qv::params {

class ParamsWindow : public QWidget, public platform::ProgramEnd {
    Q_OBJECT
public:
    explicit ParamsWindow(QWidget* parent = nullptr);
    ~ParamsWindow() override;

    // Opens the database for sole use and loads the row. False when the start
    // was refused: the message has been shown and the program is to end
    // without showing the form.
    bool Form_Load();

    // The program ends after the form unloads, or at once after an error.

    bool databaseOpen() const { return db_ != nullptr; }
    ServiceOption selectedService() const;

    void LoadParams();
    void SaveParams();
    // Checks the entries: a message for each that fails, the focus left in
    // the box of the last. True when all pass.
    bool ValEntries();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void optService_Click(ServiceOption o);
    void Form_Unload();
    void closeDatabase();
    void handOver();
    void reportUnexpected(int number, const QString& description);
    bool lookUpSector(const std::string& key);
    QWidget* boxWidget(Box box) const;
    bool leaveChecksOn() const { return !checking_; }

    // Recordsets go before the database they belong to.
    std::unique_ptr<db::Database> db_;
    std::unique_ptr<parm::ParmRecord> parm_;
    std::unique_ptr<db::Recordset> pcode_;
    bool checking_ = false;  // ValEntries moves the focus; the leave rules keep quiet then
    bool unloaded_ = false;

    std::vector<std::pair<ServiceOption, QRadioButton*>> options_;
    QLabel* lblMailFile_;
    QCheckBox *chkGeog_, *chkDefDel_, *chkResOnly_;
    QLabel *lblPostcode_, *lblDefDate_, *lblMinSel_;
    QLineEdit *txtPostcode_, *txtDefDate_, *txtFormat_, *txtJob_, *txtExtraText_;
    platform::NumericBox *txtSelection_, *txtWeight_, *txtBagMax_, *txtBundleMax_;
    QRadioButton *optEpson_, *optLaserjet_;
    QCheckBox *chkBagLab_, *chkBagNum_, *chkItemCnt_;
    QCheckBox *chkBundleLab_, *chkBundleNum_, *chkItemCnt2_;
    QCheckBox *chkAddressLab_, *chkBagNum2_, *chkMailsort_, *chkRef_;
    QCheckBox* chkRMF_;
    QPushButton *cmdOK_, *cmdCancel_;
};

// The program: shows the form unless the start is refused, and runs until
// it ends. Returns the exit status.
int runPelgrin();

}  // namespace qv::params
