#include "platform/numericbox.h"

#include "platform/forms.h"

#include <QFocusEvent>
#include <QPointer>
#include <QTimer>

namespace qv::platform {

NumericBox::NumericBox(QWidget* parent) : QLineEdit(parent) {
    setKeyPressHandler(this, [this](QChar c) { return keyAllowed(c, decimals_) ? c : QChar(); });
}

NumericBox::NumericBox(const QString& objectName, QWidget* parent) : NumericBox(parent) {
    setObjectName(objectName);
}

bool NumericBox::keyAllowed(QChar typed, bool decimals) {
    if (typed >= u'0' && typed <= u'9') return true;
    if (typed == u'\b') return true;
    return decimals && typed == u'.';
}

void NumericBox::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    selectAll();
    if (e->reason() == Qt::MouseFocusReason) {
        // The click that gave the focus would place the cursor after us.
        QTimer::singleShot(0, this, [this] {
            if (hasFocus()) selectAll();
        });
    }
    emit gotFocus();
}

void NumericBox::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Activating another window (a message box, another program) or opening a
    // menu is not leaving the box.
    switch (e->reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        return;
    default:
        break;
    }
    runLeave();
}

void NumericBox::runLeave() {
    if (inLeave_) return;
    inLeave_ = true;
    if (emptyToZero_ && text().isEmpty()) setText(QStringLiteral("0"));
    const bool accepted = !leaveRule_ || leaveRule_(*this);
    inLeave_ = false;
    if (accepted) {
        emit lostFocus();
        return;
    }
    // Taken back once the focus change under way has finished.
    QPointer<NumericBox> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->isVisible() && self->isEnabled()) self->setFocus(Qt::OtherFocusReason);
    });
    emit leaveRefused();
}

}  // namespace qv::platform
