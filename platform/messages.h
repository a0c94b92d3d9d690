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

// The process-wide service: the real one unless a test installed another.
MessageService& messages();
// Installs a service; nullptr goes back to the real one.
void setMessageService(std::shared_ptr<MessageService> service);

}  // namespace qv::platform
