// frmLayWin "New File": points a user who starts typing a layout for a file
// without one to the layout wizard; its tick box switches it off for good
// (parmcode LayWin = "N").
#pragma once

#include "common/db/database.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QPushButton;

namespace qv::console {

class NewFileHint : public QWidget {
    Q_OBJECT
public:
    // `takeMeThere` opens the wizard (on the typed layout form's file).
    // Deletes itself when closed.
    explicit NewFileHint(std::function<void()> takeMeThere, QWidget* parent = nullptr);
    ~NewFileHint() override;

    // Opens its own shared connection and the parameter table; false (after
    // telling the user) when they cannot be opened.
    bool Form_Load();
    void cmdOK_Click();
    void cmdTake_Click();

private:
    // The tick box's "N", then the connection closed; false on a failure.
    bool storeChoice();

    std::function<void()> takeMeThere_;
    std::unique_ptr<db::Database> db_;
    std::unique_ptr<db::Recordset> parm_;
    QCheckBox* check1_;
    QPushButton* cmdTake_;
    QPushButton* cmdOK_;
};

}  // namespace qv::console
