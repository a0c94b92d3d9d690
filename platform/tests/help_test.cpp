#include "platform/help.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

using namespace qv::platform;

TEST(HelpDocument, EveryTopicTheProgramsOpenExists) {
    const HelpDocument& doc = HelpDocument::builtIn();
    EXPECT_EQ(doc.title, "Quorvel Help");
    EXPECT_FALSE(doc.introduction.isEmpty());
    const int numbers[] = {7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                           21, 22, 23, 24, 25, 26, 27, 29, 74};
    for (int n : numbers) {
        const HelpTopic* t = doc.find(n);
        ASSERT_NE(t, nullptr) << n;
        EXPECT_FALSE(t->title.isEmpty()) << n;
        EXPECT_FALSE(t->text.isEmpty()) << n;
    }
    // Numbers are unique.
    for (const HelpTopic& t : doc.topics) {
        int same = 0;
        for (const HelpTopic& u : doc.topics) same += t.number == u.number;
        EXPECT_EQ(same, 1) << t.number;
    }
}

TEST(HelpDocument, ParsesNumberedTopics) {
    const auto doc = HelpDocument::parse(
        "# Title\n\nIntro text.\n<!-- note\nfor editors -->\n## 3. Three\nBody of three.\n\n## 12. Twelve\nBody 12\n");
    EXPECT_EQ(doc.title, "Title");
    EXPECT_EQ(doc.introduction, "Intro text.");
    ASSERT_EQ(doc.topics.size(), 2u);
    EXPECT_EQ(doc.topics[0].number, 3);
    EXPECT_EQ(doc.topics[0].title, "Three");
    EXPECT_EQ(doc.topics[0].text, "Body of three.");
    EXPECT_EQ(doc.find(12)->text, "Body 12");
    EXPECT_EQ(doc.find(5), nullptr);
}

TEST(HelpWindow, OpensAtATopicAndIsNotModal) {
    showHelp(13);
    HelpWindow& w = helpWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.windowModality(), Qt::NonModal);
    EXPECT_EQ(w.currentTopic(), 13);
    EXPECT_TRUE(w.currentText().contains("Item Weight"));

    showHelpContents();
    EXPECT_EQ(w.currentTopic(), 0);
    EXPECT_TRUE(w.currentText().contains("Mailsort Service"));  // the contents list the topics

    showHelp(999);  // unknown: the contents
    EXPECT_EQ(w.currentTopic(), 0);
    w.close();
}

TEST(HelpWindow, OpensInTheMiddleOfTheScreenAsEveryFormDoes) {
    showHelp(13);
    HelpWindow& w = helpWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QRect screen = w.screen()->geometry();
    const QRect frame = w.frameGeometry();
    EXPECT_LT(frame.width(), screen.width());  // room to be centred in
    EXPECT_EQ(frame.left(), screen.x() + (screen.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), screen.y() + (screen.height() - frame.height()) / 2);
    // Moved by the user, it opens there again.
    w.move(5, 7);
    const QPoint moved = w.pos();
    w.close();
    showHelp(14);
    EXPECT_EQ(w.pos(), moved);
    w.close();
}

TEST(HelpKey, F1OpensTheTopicOfTheFocusedControl) {
    installHelpKey();
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* weight = new QLineEdit(&form);
    auto* geog = new QCheckBox("Geog Sort", &form);
    auto* plain = new QLineEdit(&form);
    layout->addWidget(weight);
    layout->addWidget(geog);
    layout->addWidget(plain);
    setHelpTopic(weight, 13);
    setHelpTopic(geog, 8);
    EXPECT_EQ(helpTopic(weight), 13);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    struct Case {
        QWidget* focus;
        int topic;
    };
    for (Case c : {Case{weight, 13}, Case{geog, 8}, Case{plain, 0}}) {
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        c.focus->setFocus();
        QTest::keyClick(c.focus, Qt::Key_F1);
        EXPECT_TRUE(helpWindow().isVisible());
        EXPECT_EQ(helpWindow().currentTopic(), c.topic);
        helpWindow().close();
    }

    // A form's own topic serves its controls without one.
    setHelpTopic(&form, 74);
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    plain->setFocus();
    QTest::keyClick(plain, Qt::Key_F1);
    EXPECT_EQ(helpWindow().currentTopic(), 74);
    helpWindow().close();

    // A program without help ignores F1.
    setHelpEnabled(false);
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    weight->setFocus();
    QTest::keyClick(weight, Qt::Key_F1);
    EXPECT_FALSE(helpWindow().isVisible());
    setHelpEnabled(true);
}
