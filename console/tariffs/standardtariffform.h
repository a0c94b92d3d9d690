// frmPOPrice: the standard Royal Mail tariff poprice, its one row of
// weight steps with first- and second-class prices, in 42 boxes.
#pragma once

#include "common/db/database.h"
#include "console/tariffs/tariffboxes.h"

#include <QWidget>

#include <memory>
#include <vector>

class QPushButton;

namespace qv::console {

class StandardTariffForm : public QWidget {
    Q_OBJECT
public:
    explicit StandardTariffForm(QWidget* parent = nullptr);
    ~StandardTariffForm() override;

    // Opens the database and shows the row; false (after telling the user)
    // when there is no row to edit.
    bool Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Form_Unload();

    bool holdsDatabase() const { return db_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void FillFields();
    // Saves every box into the row; false (after telling the user, with the
    // focus in the box) when the row cannot take a box's text.
    bool FillFile();

    std::unique_ptr<db::Database> db_;
    std::unique_ptr<db::Recordset> row_;
    std::vector<TariffBox> boxes_;  // in the order the row is filled and saved
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
};

}  // namespace qv::console
