#include "platform/messages.h"

#include "platform/app.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QtGlobal>

#include <algorithm>

namespace qv::platform {

std::vector<Answer> buttonsOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkOnly: return {Answer::Ok};
    case Buttons::OkCancel: return {Answer::Ok, Answer::Cancel};
    case Buttons::AbortRetryIgnore: return {Answer::Abort, Answer::Retry, Answer::Ignore};
    case Buttons::YesNoCancel: return {Answer::Yes, Answer::No, Answer::Cancel};
    case Buttons::YesNo: return {Answer::Yes, Answer::No};
    case Buttons::RetryCancel: return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::Ok};
}

std::optional<Answer> escapeAnswerOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkOnly: return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
    case Buttons::RetryCancel: return Answer::Cancel;
    case Buttons::AbortRetryIgnore:
    case Buttons::YesNo: return std::nullopt;
    }
    return std::nullopt;
}

QString answerName(Answer a) {
    switch (a) {
    case Answer::Ok: return QStringLiteral("OK");
    case Answer::Cancel: return QStringLiteral("Cancel");
    case Answer::Abort: return QStringLiteral("Abort");
    case Answer::Retry: return QStringLiteral("Retry");
    case Answer::Ignore: return QStringLiteral("Ignore");
    case Answer::Yes: return QStringLiteral("Yes");
    case Answer::No: return QStringLiteral("No");
    }
    return QStringLiteral("?");
}

// ---- Real boxes --------------------------------------------------------------

namespace {

QMessageBox::StandardButton standardButton(Answer a) {
    switch (a) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Abort: return QMessageBox::Abort;
    case Answer::Retry: return QMessageBox::Retry;
    case Answer::Ignore: return QMessageBox::Ignore;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// A box without a Cancel button cannot be dismissed by Esc: the user must
// choose (Qt would otherwise take No or Abort for Esc).
class SwallowEscape : public QObject {
public:
    explicit SwallowEscape(QObject* box) : QObject(box) { box->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) {
            auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() == Qt::Key_Escape) {
                e->accept();
                return e->type() == QEvent::KeyPress;
            }
        }
        return false;
    }
};

QWidget* boxParent() {
    QWidget* w = QApplication::activeWindow();
    return w ? w : QApplication::activeModalWidget();
}

}  // namespace

std::unique_ptr<QMessageBox> QtMessageService::buildBox(const QString& text, Buttons buttons, Icon icon,
                                                        const QString& title) {
    auto box = std::make_unique<QMessageBox>(boxParent());
    box->setWindowTitle(title.isEmpty() ? programTitle() : title);
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    box->setIcon(qtIcon(icon));
    const std::vector<Answer> answers = buttonsOf(buttons);
    const std::optional<Answer> esc = escapeAnswerOf(buttons);
    for (Answer a : answers) {
        QPushButton* b = box->addButton(standardButton(a));
        b->setProperty("qvAnswer", resultCode(a));
        if (a == answers.front()) box->setDefaultButton(b);
        if (esc && a == *esc) box->setEscapeButton(b);
    }
    if (!esc) {
        new SwallowEscape(box.get());
        box->setWindowFlag(Qt::WindowCloseButtonHint, false);
    }
    return box;
}

Answer QtMessageService::msgBox(const QString& text, Buttons buttons, Icon icon,
                                const QString& title) {
    std::unique_ptr<QMessageBox> box = buildBox(text, buttons, icon, title);
    box->exec();
    if (QAbstractButton* b = box->clickedButton()) {
        bool ok = false;
        const int code = b->property("qvAnswer").toInt(&ok);
        if (ok) return static_cast<Answer>(code);
    }
    return escapeAnswerOf(buttons).value_or(buttonsOf(buttons).back());
}

std::optional<QString> QtMessageService::inputBox(const QString& prompt, const QString& defaultText,
                                                  const QString& title) {
    QInputDialog dlg(boxParent());
    dlg.setWindowTitle(title.isEmpty() ? programTitle() : title);
    dlg.setLabelText(prompt);
    dlg.setTextValue(defaultText);
    dlg.setInputMode(QInputDialog::TextInput);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.textValue();
}

// ---- Process-wide accessor -------------------------------------------------------

namespace {
std::shared_ptr<MessageService>& installed() {
    static std::shared_ptr<MessageService> service;
    return service;
}
}  // namespace

MessageService& messages() {
    if (!installed()) installed() = std::make_shared<QtMessageService>();
    return *installed();
}

void setMessageService(std::shared_ptr<MessageService> service) { installed() = std::move(service); }

}  // namespace qv::platform
