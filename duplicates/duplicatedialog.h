// frmDupFound: the two records of a duplicate pair, one field a line, and the
// user's choice: delete the record just read, delete the one already in the
// file, or leave both. Shown modally once for each pair.
#pragma once

#include "duplicates/dupcheck.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qv::duplicates {

class DuplicateDialog : public QDialog {
    Q_OBJECT
public:
    // Form_Load: DupText1 into lblDup1, DupText2 into lblDup2.
    DuplicateDialog(const QString& dupText1, const QString& dupText2, QWidget* parent = nullptr);

    // What the dialog was closed with; closed without a button: leave both.
    Decision decision() const { return decision_; }
    // Shows the dialog for a pair and waits until it is closed.
    static Decision ask(const DuplicatePair& pair, QWidget* parent = nullptr);

    void cmdDelete1_Click();
    void cmdDelete2_Click();
    void cmdLeave_Click();

private:
    Decision decision_ = Decision::LeaveBoth;
    QPlainTextEdit* lblDup1_ = nullptr;
    QPlainTextEdit* lblDup2_ = nullptr;
};

}  // namespace qv::duplicates
