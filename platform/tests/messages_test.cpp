#include "platform/app.h"
#include "platform/messages.h"
#include "platform/testing/scriptedmessages.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>

using namespace qv::platform;

namespace {

// Captures scripted-box failures for the duration of a test instead of
// failing it.
class CaptureFailures {
public:
    CaptureFailures() {
        setScriptFailureHandler([this](const QString& m) { seen.push_back(m); });
    }
    ~CaptureFailures() {
        setScriptFailureHandler([](const QString& m) { ADD_FAILURE() << m.toStdString(); });
    }
    std::vector<QString> seen;
};

}  // namespace

TEST(Buttons, SetsAndResultCodes) {
    struct Case {
        Buttons buttons;
        std::vector<Answer> answers;
        std::optional<Answer> escape;
    };
    const Case cases[] = {
        {Buttons::OkOnly, {Answer::Ok}, Answer::Ok},
        {Buttons::OkCancel, {Answer::Ok, Answer::Cancel}, Answer::Cancel},
        {Buttons::AbortRetryIgnore, {Answer::Abort, Answer::Retry, Answer::Ignore}, std::nullopt},
        {Buttons::YesNoCancel, {Answer::Yes, Answer::No, Answer::Cancel}, Answer::Cancel},
        {Buttons::YesNo, {Answer::Yes, Answer::No}, std::nullopt},
        {Buttons::RetryCancel, {Answer::Retry, Answer::Cancel}, Answer::Cancel},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(buttonsOf(c.buttons), c.answers) << int(c.buttons);
        EXPECT_EQ(escapeAnswerOf(c.buttons), c.escape) << int(c.buttons);
    }
    // Forms hand the headings answer on as this number in text.
    EXPECT_EQ(resultCode(Answer::Yes), 6);
    EXPECT_EQ(resultCode(Answer::No), 7);
    EXPECT_EQ(resultCode(Answer::Ok), 1);
    EXPECT_EQ(resultCode(Answer::Cancel), 2);
}

TEST(ScriptedMessages, RecordsEachBoxAndAnswersInOrder) {
    ScriptedMessageService s;
    s.answer(Answer::Yes).answer(Answer::Ok).answer(Answer::Cancel);
    EXPECT_EQ(s.msgBox("Are you sure you want to cancel ?", Buttons::YesNo), Answer::Yes);
    EXPECT_EQ(s.show("Options must be run in sequence.", Buttons::OkOnly, Icon::Exclamation), Answer::Ok);
    EXPECT_EQ(s.msgBox("To just run one option", Buttons::OkCancel, Icon::None, "Other"), Answer::Cancel);

    ASSERT_EQ(s.messages().size(), 3u);
    EXPECT_EQ(s.messages()[0].text, "Are you sure you want to cancel ?");
    EXPECT_EQ(s.messages()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(s.messages()[0].icon, Icon::None);
    EXPECT_EQ(s.messages()[0].title, "Quorvel Test");  // the program's title
    EXPECT_EQ(s.messages()[1].icon, Icon::Exclamation);
    EXPECT_EQ(s.messages()[2].title, "Other");
    EXPECT_EQ(s.messages()[2].answer, Answer::Cancel);
    EXPECT_EQ(s.pendingAnswers(), 0u);
    EXPECT_TRUE(s.failures().empty());
}

TEST(ScriptedMessages, UnscriptedBoxFailsLoudlyWithoutBlocking) {
    CaptureFailures capture;
    ScriptedMessageService s;
    // No answer queued: reported, and the box gets its escape answer.
    EXPECT_EQ(s.msgBox("Unexpected", Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(s.msgBox("Unexpected too", Buttons::YesNo), Answer::No);
    ASSERT_EQ(capture.seen.size(), 2u);
    EXPECT_TRUE(capture.seen[0].contains("Unexpected")) << capture.seen[0].toStdString();
    EXPECT_EQ(s.messages().size(), 2u);
}

TEST(ScriptedMessages, WrongTextOrButtonIsAFailure) {
    CaptureFailures capture;
    ScriptedMessageService s;
    s.answer(Answer::Ok, QString("Copy to diskette complete"));
    s.msgBox("Something else", Buttons::OkOnly);
    s.answer(Answer::Yes);
    EXPECT_EQ(s.msgBox("OK only", Buttons::OkOnly), Answer::Ok);
    EXPECT_EQ(capture.seen.size(), 2u);
}

TEST(ScriptedMessages, AutoAcceptOkOnlyWhenAskedTo) {
    CaptureFailures capture;
    ScriptedMessageService s;
    s.setAutoAcceptOk(true);
    EXPECT_EQ(s.msgBox("Must enter a value"), Answer::Ok);
    EXPECT_EQ(s.msgBox("Still needs a script", Buttons::YesNo), Answer::No);
    EXPECT_EQ(capture.seen.size(), 1u);
    EXPECT_EQ(s.texts(), QStringList({"Must enter a value", "Still needs a script"}));
}

TEST(ScriptedMessages, InputBoxAnswersAndCancel) {
    ScriptedMessageService s;
    s.answerInput(QString("12.5")).answerInput(std::nullopt);
    EXPECT_EQ(s.inputBox("Type a new figure", "32", "Direct Selections"), std::optional<QString>("12.5"));
    EXPECT_EQ(s.inputBox("Type a new figure", "32"), std::nullopt);
    ASSERT_EQ(s.inputs().size(), 2u);
    EXPECT_EQ(s.inputs()[0].title, "Direct Selections");
    EXPECT_EQ(s.inputs()[0].defaultText, "32");
    EXPECT_EQ(s.inputs()[1].title, "Quorvel Test");
}

TEST(MessageAccessor, FormsReachTheInstalledService) {
    auto mine = std::make_shared<ScriptedMessageService>();
    mine->answer(Answer::No);
    setMessageService(mine);
    EXPECT_EQ(messages().show("Question?", Buttons::YesNo, Icon::Question), Answer::No);
    EXPECT_EQ(mine->messages().size(), 1u);
}

// The real box as it would be shown: title, text, icon, buttons, default and
// escape buttons (built, never executed here).
TEST(QtMessages, BuildsTheBoxAsGiven) {
    setProgramTitle("Pelgrin");
    auto box = QtMessageService::buildBox("Weight must be between 10 and 2000", Buttons::YesNoCancel,
                                          Icon::Exclamation, {});
    EXPECT_EQ(box->windowTitle(), "Pelgrin");
    EXPECT_EQ(box->text(), "Weight must be between 10 and 2000");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    ASSERT_EQ(box->buttons().size(), 3);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
    EXPECT_EQ(box->button(QMessageBox::No)->property("qvAnswer").toInt(), resultCode(Answer::No));

    auto titled = QtMessageService::buildBox("Copy to diskette complete", Buttons::OkOnly, Icon::None, "Own");
    EXPECT_EQ(titled->windowTitle(), "Own");
    EXPECT_EQ(titled->icon(), QMessageBox::NoIcon);
    ASSERT_EQ(titled->buttons().size(), 1);

    struct IconCase {
        Icon icon;
        QMessageBox::Icon qt;
    };
    for (IconCase c : {IconCase{Icon::Critical, QMessageBox::Critical}, IconCase{Icon::Question, QMessageBox::Question},
                       IconCase{Icon::Information, QMessageBox::Information}})
        EXPECT_EQ(QtMessageService::buildBox("x", Buttons::OkOnly, c.icon, {})->icon(), c.qt);
    setProgramTitle("Quorvel Test");
}
