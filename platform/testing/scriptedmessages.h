// A message service for tests (library qv_testing).
#pragma once

#include "platform/messages.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace qv::platform {

// For tests: records every box and answers from a queue. A box that arrives
// with no scripted answer, or whose answer does not fit it, is reported to the
// failure handler (never blocks) and gets the box's escape answer.
class ScriptedMessageService : public MessageService {
public:
    struct Message {
        QString text;
        Buttons buttons;
        Icon icon;
        QString title;
        Answer answer;
    };
    struct Input {
        QString prompt;
        QString defaultText;
        QString title;
        std::optional<QString> answer;
    };

    // Queues the answer to the next message box. With expectedText, the box's
    // text must be exactly that.
    ScriptedMessageService& answer(Answer a, std::optional<QString> expectedText = std::nullopt);
    // Queues the answer to the next input box (std::nullopt presses Cancel).
    ScriptedMessageService& answerInput(std::optional<QString> text,
                                        std::optional<QString> expectedPrompt = std::nullopt);

    // When on, OK-only boxes with no queued answer are answered OK silently
    // (they are still recorded). Off by default: every box must be scripted.
    void setAutoAcceptOk(bool on) { autoAcceptOk_ = on; }

    Answer msgBox(const QString& text, Buttons buttons = Buttons::OkOnly, Icon icon = Icon::None,
                  const QString& title = {}) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& defaultText = {},
                                    const QString& title = {}) override;

    const std::vector<Message>& messages() const { return messages_; }
    const std::vector<Input>& inputs() const { return inputs_; }
    QStringList texts() const;
    // Answers still queued (a test usually expects none at its end).
    std::size_t pendingAnswers() const { return msgQueue_.size() + inputQueue_.size(); }
    const std::vector<QString>& failures() const { return failures_; }
    void clear();

private:
    struct Scripted {
        Answer answer;
        std::optional<QString> expectedText;
    };
    struct ScriptedInput {
        std::optional<QString> text;
        std::optional<QString> expectedPrompt;
    };
    void fail(const QString& what);

    std::deque<Scripted> msgQueue_;
    std::deque<ScriptedInput> inputQueue_;
    std::vector<Message> messages_;
    std::vector<Input> inputs_;
    std::vector<QString> failures_;
    bool autoAcceptOk_ = false;
};

// Where scripted-box failures go. The default aborts the process with the
// message (qFatal); a test main can route them to its framework instead.
using ScriptFailureHandler = std::function<void(const QString& message)>;
void setScriptFailureHandler(ScriptFailureHandler handler);

}  // namespace qv::platform
