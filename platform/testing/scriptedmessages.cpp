#include "platform/testing/scriptedmessages.h"

#include "platform/app.h"

#include <QtGlobal>

#include <algorithm>

namespace qv::platform {

// ---- Scripted boxes ------------------------------------------------------------

namespace {

ScriptFailureHandler& failureHandler() {
    static ScriptFailureHandler handler;
    return handler;
}

QString describe(const QString& text, Buttons buttons, Icon icon) {
    QStringList names;
    for (Answer a : buttonsOf(buttons)) names << answerName(a);
    return QStringLiteral("\"%1\" [%2, icon %3]")
        .arg(text, names.join('/'))
        .arg(static_cast<int>(icon));
}

}  // namespace

void setScriptFailureHandler(ScriptFailureHandler handler) { failureHandler() = std::move(handler); }

void ScriptedMessageService::fail(const QString& what) {
    failures_.push_back(what);
    if (failureHandler())
        failureHandler()(what);
    else
        qFatal("ScriptedMessageService: %s", qPrintable(what));
}

ScriptedMessageService& ScriptedMessageService::answer(Answer a, std::optional<QString> expectedText) {
    msgQueue_.push_back({a, std::move(expectedText)});
    return *this;
}

ScriptedMessageService& ScriptedMessageService::answerInput(std::optional<QString> text,
                                                            std::optional<QString> expectedPrompt) {
    inputQueue_.push_back({std::move(text), std::move(expectedPrompt)});
    return *this;
}

Answer ScriptedMessageService::msgBox(const QString& text, Buttons buttons, Icon icon,
                                      const QString& title) {
    const std::vector<Answer> allowed = buttonsOf(buttons);
    const Answer fallback = escapeAnswerOf(buttons).value_or(allowed.back());
    Answer result = fallback;
    if (msgQueue_.empty()) {
        if (autoAcceptOk_ && buttons == Buttons::OkOnly)
            result = Answer::Ok;
        else
            fail(QStringLiteral("message box with no scripted answer: ") + describe(text, buttons, icon));
    } else {
        Scripted s = msgQueue_.front();
        msgQueue_.pop_front();
        if (s.expectedText && *s.expectedText != text) {
            fail(QStringLiteral("message box text differs: expected \"%1\", got ").arg(*s.expectedText) +
                 describe(text, buttons, icon));
        } else if (std::find(allowed.begin(), allowed.end(), s.answer) == allowed.end()) {
            fail(QStringLiteral("scripted answer %1 is not a button of ").arg(answerName(s.answer)) +
                 describe(text, buttons, icon));
        } else {
            result = s.answer;
        }
    }
    messages_.push_back({text, buttons, icon, title.isEmpty() ? programTitle() : title, result});
    return result;
}

std::optional<QString> ScriptedMessageService::inputBox(const QString& prompt,
                                                        const QString& defaultText,
                                                        const QString& title) {
    std::optional<QString> result;
    if (inputQueue_.empty()) {
        fail(QStringLiteral("input box with no scripted answer: \"%1\"").arg(prompt));
    } else {
        ScriptedInput s = inputQueue_.front();
        inputQueue_.pop_front();
        if (s.expectedPrompt && *s.expectedPrompt != prompt)
            fail(QStringLiteral("input box prompt differs: expected \"%1\", got \"%2\"")
                     .arg(*s.expectedPrompt, prompt));
        else
            result = s.text;
    }
    inputs_.push_back({prompt, defaultText, title.isEmpty() ? programTitle() : title, result});
    return result;
}

QStringList ScriptedMessageService::texts() const {
    QStringList out;
    for (const Message& m : messages_) out << m.text;
    return out;
}

void ScriptedMessageService::clear() {
    msgQueue_.clear();
    inputQueue_.clear();
    messages_.clear();
    inputs_.clear();
    failures_.clear();
}

}  // namespace qv::platform
