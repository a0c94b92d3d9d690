// The suite's help: a document of numbered topics built into every program,
// shown in a help window of our own (not modal). F1 opens the topic of the
// control with the focus, or of the nearest parent that has one, else the
// contents.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QListWidget;
class QTextBrowser;

namespace qv::platform {

struct HelpTopic {
    int number = 0;
    QString title;
    QString text;  // markdown
};

// The parsed help document: the text before the first topic, then the topics
// in document order.
struct HelpDocument {
    QString title;
    QString introduction;
    std::vector<HelpTopic> topics;
    const HelpTopic* find(int number) const;

    static HelpDocument parse(const QString& markdown);
    // The document built into the program.
    static const HelpDocument& builtIn();
};

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Shows a topic; an unknown number shows the contents.
    void showTopic(int number);
    void showContents();
    // The topic shown, 0 for the contents.
    int currentTopic() const { return current_; }
    QString currentText() const;
    // Centres the shown window on the screen the first time only.
    void centreOnce();

private:
    void select(int number);
    const HelpDocument& doc_;
    QListWidget* list_;
    QTextBrowser* text_;
    int current_ = 0;
    bool centred_ = false;
};

// Opens the help window at a topic, raised and active.
void showHelp(int topic);
void showHelpContents();
// The program's one help window (made on first use).
HelpWindow& helpWindow();

// F1 on this widget (or one of its children without a topic) opens the topic;
// 0 removes it.
void setHelpTopic(QWidget* w, int topic);
int helpTopic(const QWidget* w);

// Installs the application-wide F1 key (initPlatform does this).
void installHelpKey();
// A program without help (the duplicate checker) switches F1 off.
void setHelpEnabled(bool on);

}  // namespace qv::platform
