// frmMailsort: the suite's main window. The four job steps, the run
// sequence, and the icons and menus that start every other program and form.
#pragma once

#include "common/db/database.h"
#include "common/programstart.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;

namespace qv::console {

class AboutBox;
class CleanupDialog;
class ConfigLabsDialog;
class CopyFileDialog;
class EstimateForm;
class MailsortTariffForm;
class StandardTariffForm;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs Form_Load.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void Form_Load();
    void cmdRun_Click();
    void cmdOK_Click();

    void Image2_Click();
    void Image3_Click();
    void Image4_Click();
    void Image1_Click();

    void mnuDepDup_Click();
    void MnuFileDovodedod_Click();
    void MnuFileComma_Click();
    void MnuFileFixed_Click();
    void MnuFileClean_Click();
    void CopyFile_Click();
    void MnuFileExit_Click();
    void MnuUtilitiesEstimator_Click();
    void MnuUtilitiesConfigure_Click();
    void MnuFileLayout_Click();
    void Mnufixed_Click();
    void MnuPricesMailsort_Click();
    void MnuPricesPO_Click();
    void MnuHelpQuorvel_Click();
    void MnuHelpAbout_Click();

    // The console's own forms while they are open, else nullptr.
    ConfigLabsDialog* configLabs() const;
    CleanupDialog* cleanup() const;
    CopyFileDialog* copyFile() const;
    AboutBox* about() const;
    EstimateForm* estimator() const;
    MailsortTariffForm* mailsortPrices() const;
    StandardTariffForm* poPrices() const;

    bool holdsDatabase() const { return db_ != nullptr; }

private:
    void buildMenus();
    // Nobody else may be at work on the database: open it for sole use and
    // close it at once. False otherwise, with the message: the held-elsewhere
    // text, or why the database cannot be used.
    bool runGuard();
    // The icons and the duplicate checker start their program unguarded and
    // say so when it cannot be started.
    void startUnguarded(start::Program program);
    void startGuarded(start::Program program, char argument = 0);
    template <class Form>
    void showForm(QPointer<Form>& slot);

    std::unique_ptr<db::Database> db_;

    QCheckBox* chkParameters_;
    QCheckBox* chkCodes_;
    QCheckBox* chkReports_;
    QCheckBox* chkLabels_;
    QLabel* lblUpdDat_;
    QPushButton* cmdRun_;
    QPushButton* cmdOK_;

    QPointer<ConfigLabsDialog> configLabs_;
    QPointer<CleanupDialog> cleanup_;
    QPointer<CopyFileDialog> copyFile_;
    QPointer<AboutBox> about_;
    QPointer<EstimateForm> estimator_;
    QPointer<MailsortTariffForm> mailsortPrices_;
    QPointer<StandardTariffForm> poPrices_;
};

}  // namespace qv::console
