#include "platform/forms.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>

namespace qv::platform {

void centreOnScreen(QWidget* form) {
    if (!form) return;
    if (form->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (!form->testAttribute(Qt::WA_Resized) && !form->isVisible()) form->adjustSize();
    QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect g = screen->geometry();
    const QSize size = form->frameGeometry().size();
    form->move(g.x() + (g.width() - size.width()) / 2, g.y() + (g.height() - size.height()) / 2);
}

void setCancelButton(QWidget* form, QAbstractButton* button) {
    if (!form) return;
    static const char* kName = "qvEscapeShortcut";
    delete form->findChild<QShortcut*>(QString::fromLatin1(kName), Qt::FindDirectChildrenOnly);
    auto* sc = new QShortcut(QKeySequence(Qt::Key_Escape), form);
    sc->setObjectName(QString::fromLatin1(kName));
    sc->setContext(Qt::WindowShortcut);
    QPointer<QAbstractButton> target(button);
    QObject::connect(sc, &QShortcut::activated, form, [target, form] {
        if (target && target->isEnabled() && target->isVisibleTo(form)) target->click();
    });
}

std::pair<QPushButton*, QPushButton*> addOkCancelRow(QWidget* form, QBoxLayout* layout) {
    auto* ok = control<QPushButton>(form, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    auto* cancel = control<QPushButton>(form, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    for (QPushButton* b : {ok, cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addStretch(1);
    layout->addLayout(row);
    setCancelButton(form, cancel);
    return {ok, cancel};
}

void showActivated(QWidget* form) {
    if (!form) return;
    form->show();
    form->raise();
    form->activateWindow();
}

void yieldToUi() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void repaintNow(QWidget* w) {
    if (w && w->isVisible()) w->repaint();
}

// ---- WaitCursor -----------------------------------------------------------------

WaitCursor::WaitCursor() {
    if (qGuiApp) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        active_ = true;
    }
}

WaitCursor::~WaitCursor() { restore(); }

void WaitCursor::restore() {
    if (!active_) return;
    active_ = false;
    QGuiApplication::restoreOverrideCursor();
}

// ---- FirstAppearance -----------------------------------------------------------

FirstAppearance::FirstAppearance(QWidget* window, Trigger trigger)
    : QObject(window), window_(window), trigger_(trigger) {
    window_->installEventFilter(this);
}

bool FirstAppearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && armed_) {
        const bool hit = trigger_ == Trigger::Show ? event->type() == QEvent::Show
                                                   : event->type() == QEvent::WindowActivate;
        if (hit) {
            armed_ = false;
            window_->removeEventFilter(this);
            // Posted, so the show completes and the window paints first.
            QMetaObject::invokeMethod(this, &FirstAppearance::fire, Qt::QueuedConnection);
        }
    }
    return false;
}

void FirstAppearance::fire() {
    fired_ = true;
    repaintNow(window_);
    emit appeared();
}

FirstAppearance* onFirstAppearance(QWidget* window, std::function<void()> job,
                                   FirstAppearance::Trigger trigger) {
    auto* fa = new FirstAppearance(window, trigger);
    QObject::connect(fa, &FirstAppearance::appeared, window, std::move(job));
    return fa;
}

// ---- Key-press handler --------------------------------------------------------------

namespace {

class KeyPressFilter : public QObject {
public:
    KeyPressFilter(QWidget* w, KeyPressHandler h) : QObject(w), handler_(std::move(h)) {
        setObjectName(QStringLiteral("qvKeyPressFilter"));
        w->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || resending_) return false;
        auto* ke = static_cast<QKeyEvent*>(event);
        const QChar typed = typedChar(*ke);
        if (typed.isNull()) return false;
        const QChar result = handler_(typed);
        if (result == typed) return false;
        if (!result.isNull()) {
            QKeyEvent replaced(QEvent::KeyPress, 0, Qt::NoModifier, QString(result));
            resending_ = true;
            QCoreApplication::sendEvent(watched, &replaced);
            resending_ = false;
        }
        return true;
    }

private:
    static QChar typedChar(const QKeyEvent& ke) {
        // Select All types nothing: every box takes it as any text box does
        // (a rule that drops control keys would otherwise drop it as Ctrl+A).
        if (ke.matches(QKeySequence::SelectAll)) return {};
        switch (ke.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return {};
        case Qt::Key_Backspace: return QChar(u'\b');
        case Qt::Key_Return:
        case Qt::Key_Enter: return QChar(u'\r');
        case Qt::Key_Escape: return QChar(u'\x1b');
        default: break;
        }
        if ((ke.modifiers() & Qt::ControlModifier) && ke.key() >= Qt::Key_A && ke.key() <= Qt::Key_Z)
            return QChar(char16_t(ke.key() - Qt::Key_A + 1));
        if (ke.text().isEmpty()) return {};
        return ke.text().at(0);
    }

    KeyPressHandler handler_;
    bool resending_ = false;
};

}  // namespace

void setKeyPressHandler(QWidget* w, KeyPressHandler handler) {
    if (!w) return;
    delete w->findChild<QObject*>(QStringLiteral("qvKeyPressFilter"), Qt::FindDirectChildrenOnly);
    if (handler) new KeyPressFilter(w, std::move(handler));
}

// ---- Lookup -----------------------------------------------------------------------

QObject* requireChild(const QObject* form, const QString& name) {
    QObject* found = form ? form->findChild<QObject*>(name) : nullptr;
    if (!found)
        qFatal("form %s has no control %s", form ? qPrintable(form->objectName()) : "(null)",
               qPrintable(name));
    return found;
}

}  // namespace qv::platform
