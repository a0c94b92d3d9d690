// The suite's numeric text box: whole text selected on focus, only digits and
// Backspace typed (and "." where decimals are allowed), and a leave rule that
// the form supplies.
#pragma once

#include <QLineEdit>

#include <functional>

namespace qv::platform {

class NumericBox : public QLineEdit {
    Q_OBJECT
public:
    // The form's check when the focus leaves the box. It may show its own
    // message; returning false refuses the leave and the focus comes back.
    using LeaveRule = std::function<bool(NumericBox& box)>;

    explicit NumericBox(QWidget* parent = nullptr);
    NumericBox(const QString& objectName, QWidget* parent);

    void setDecimalAllowed(bool on) { decimals_ = on; }

    // On leaving, an empty text becomes "0" (before the leave rule runs).
    void setEmptyBecomesZero(bool on) { emptyToZero_ = on; }

    void setLeaveRule(LeaveRule rule) { leaveRule_ = std::move(rule); }

    // The key filter on its own, for other controls with the same rule.
    static bool keyAllowed(QChar typed, bool decimals);

signals:
    void gotFocus();
    // After the leave has been accepted.
    void lostFocus();
    // After the leave rule refused and the focus was asked back.
    void leaveRefused();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void runLeave();
    bool decimals_ = false;
    bool emptyToZero_ = false;
    bool inLeave_ = false;
    LeaveRule leaveRule_;
};

}  // namespace qv::platform
