// Message and input boxes behind one small interface, so that forms can be
// tested with scripted answers instead of real modal boxes.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMessageBox;

namespace qv::platform {

// Button sets of the old runtime's message box, with its numbers.
enum class Buttons {
    OkOnly = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
};

enum class Icon {
    None = 0,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};

// The button pressed. The numbers are the runtime's result codes; some forms
// hand an answer on as this number in text ("6" Yes, "7" No).
enum class Answer {
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
};

inline int resultCode(Answer a) { return static_cast<int>(a); }

// The buttons of a set, left to right; the first is the default button.
std::vector<Answer> buttonsOf(Buttons buttons);
// The answer a box gives when it is closed without choosing (Esc, close box):
// Cancel where the set has it, OK for OK only, otherwise none.
std::optional<Answer> escapeAnswerOf(Buttons buttons);
QString answerName(Answer a);

class MessageService {
public:
    virtual ~MessageService() = default;

    // Shows text with the given buttons and icon and returns the button pressed.
    // An empty title means the program's title.
    virtual Answer msgBox(const QString& text, Buttons buttons = Buttons::OkOnly,
                          Icon icon = Icon::None, const QString& title = {}) = 0;

    // Asks for a line of text. Returns the text (possibly empty) on OK and
    // std::nullopt on Cancel; value_or("") gives the runtime's behaviour.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& defaultText = {},
                                            const QString& title = {}) = 0;

    Answer show(const QString& text, Buttons buttons = Buttons::OkOnly, Icon icon = Icon::None,
                const QString& title = {}) {
        return msgBox(text, buttons, icon, title);
    }
};

// Real boxes: QMessageBox and QInputDialog, modal, over the active window.
class QtMessageService : public MessageService {
public:
    // The box msgBox shows, not yet shown; each button carries its Answer in
    // the property "qvAnswer".
    static std::unique_ptr<QMessageBox> buildBox(const QString& text, Buttons buttons, Icon icon,
                                                 const QString& title);
    Answer msgBox(const QString& text, Buttons buttons = Buttons::OkOnly, Icon icon = Icon::None,
                  const QString& title = {}) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& defaultText = {},
                                    const QString& title = {}) override;
};

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

// The process-wide service: the real one unless a test installed another.
MessageService& messages();
// Installs a service; nullptr goes back to the real one.
void setMessageService(std::shared_ptr<MessageService> service);

}  // namespace qv::platform
