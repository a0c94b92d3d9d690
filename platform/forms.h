// Behaviours every form of the suite shares, written once.
#pragma once

#include <QChar>
#include <QObject>
#include <QString>
#include <QWidget>

#include <concepts>
#include <functional>
#include <utility>

class QAbstractButton;
class QBoxLayout;
class QPushButton;

namespace qv::platform {

// Centres a top-level form on its screen, (screen - form) / 2 on each axis,
// when the form is in the normal window state (not minimised or maximised).
void centreOnScreen(QWidget* form);

// The Esc key anywhere in the form clicks `button` (when it is visible and
// enabled). A nullptr makes Esc do nothing at all, which also stops a
// QDialog without a cancel button from closing on Esc.
void setCancelButton(QWidget* form, QAbstractButton* button);

// Adds the centred "OK" / "Cancel" row of a dialog (controls cmdOK and
// cmdCancel) to the layout: neither is a default button, so Enter in a box
// presses nothing, and Esc clicks Cancel.
std::pair<QPushButton*, QPushButton*> addOkCancelRow(QWidget* form, QBoxLayout* layout);

// Shows a program's form raised and with the keyboard focus: what a program
// started by another calls for its start form.
void showActivated(QWidget* form);

// Lets the user interface handle pending events during a long run, so that a
// Cancel button can be pressed and labels repaint.
void yieldToUi();

// Repaints a widget at once (a label changed inside a long run).
void repaintNow(QWidget* w);

// Hourglass pointer over the whole program for as long as the guard lives.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    // Back to the normal pointer before the guard ends.
    void restore();

private:
    bool active_ = false;
};

// Runs a long job once, when a window first appears: the call is posted, so
// the window has painted before the job starts (the job then yields with
// yieldToUi()). Trigger::Activation waits for the window's first activation
// instead of its first show (the old first-focus event).
class FirstAppearance : public QObject {
    Q_OBJECT
public:
    enum class Trigger { Show, Activation };
    explicit FirstAppearance(QWidget* window, Trigger trigger = Trigger::Show);
    bool hasFired() const { return fired_; }

signals:
    void appeared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fire();
    QWidget* window_;
    Trigger trigger_;
    bool armed_ = true;
    bool fired_ = false;
};

// Convenience: connects `job` to a FirstAppearance owned by the window.
FirstAppearance* onFirstAppearance(QWidget* window, std::function<void()> job,
                                   FirstAppearance::Trigger trigger = FirstAppearance::Trigger::Show);

// A key-press handler in the manner of the old _KeyPress events: it gets the
// typed character and returns it to let it through, another character to
// type that instead (upper-casing), or QChar() to drop it. Only keys that
// type a character reach it (Backspace as u'\b', Enter as u'\r', Ctrl+letter
// as its control code); cursor keys, Delete and Tab pass untouched.
using KeyPressHandler = std::function<QChar(QChar typed)>;
void setKeyPressHandler(QWidget* w, KeyPressHandler handler);

// Makes a control with the object name (the name forms and tests look it up
// by) and, when the widget has one, the caption text.
template <class W>
W* control(QWidget* parent, const QString& name, const QString& caption = {}) {
    auto* w = new W(parent);
    w->setObjectName(name);
    if constexpr (requires(W* x) { x->setText(caption); }) {
        if (!caption.isNull()) w->setText(caption);
    } else if constexpr (requires(W* x) { x->setTitle(caption); }) {
        if (!caption.isNull()) w->setTitle(caption);
    }
    return w;
}

// Finds a named control of a form; aborts with the name when there is none,
// so a misspelt name fails loudly in tests.
QObject* requireChild(const QObject* form, const QString& name);
template <class W>
W* child(const QObject* form, const QString& name) {
    auto* w = qobject_cast<W*>(requireChild(form, name));
    if (!w) qFatal("control %s is not of the expected type", qPrintable(name));
    return w;
}

}  // namespace qv::platform
