// frmPrice: the Mailsort tariff Price, one row per service. The user picks
// a service, edits its row in one box per field and saves it with OK; the
// sections that do not apply to the service are hidden.
#pragma once

#include "common/db/database.h"
#include "console/tariffs/tariffboxes.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QPushButton;
class QRadioButton;

namespace qv::platform {
class NumericBox;
}

namespace qv::console {

class MailsortTariffForm : public QWidget {
    Q_OBJECT
public:
    explicit MailsortTariffForm(QWidget* parent = nullptr);
    ~MailsortTariffForm() override;

    // Centres the form and chooses Mailsort 1.
    void Form_Load();
    // Chooses a service (its code, blanks after it or not): loads its row
    // and shows the controls that apply.
    void choose(const QString& code);
    void cmdOK_Click();
    void cmdCancel_Click();
    void Form_Unload();

    // The chosen code, padded with blanks to 6 characters.
    const QString& serviceCode() const { return code_; }
    bool holdsDatabase() const { return db_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void SetScreen();
    void FillFields();
    bool FillFile();
    void showFor(const QString& code);

    std::unique_ptr<db::Database> db_;
    std::unique_ptr<db::Recordset> row_;
    QString code_;
    std::vector<TariffBox> boxes_;        // the 69 edited fields, in keyboard order
    std::vector<db::Value> loaded_;       // what each box was filled with
    QList<QWidget*> figures_;             // every label and box of the grid and the franking line
    std::vector<QRadioButton*> options_;
    platform::NumericBox* txtFrank_;
    Qt::FocusReason frankLeaveReason_ = Qt::OtherFocusReason;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace qv::console
