#include "platform/numericbox.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <functional>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace qv::platform;
using qv::platform::testing::scriptedMessages;

namespace {

struct Form {
    QWidget window;
    NumericBox* box;
    NumericBox* next;
    QPushButton* ok;

    Form() {
        auto* layout = new QVBoxLayout(&window);
        box = new NumericBox("txtBagMax", &window);
        next = new NumericBox("txtBundleMax", &window);
        ok = control<QPushButton>(&window, "cmdOK", "OK");
        layout->addWidget(box);
        layout->addWidget(next);
        layout->addWidget(ok);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        box->setFocus();
        QCoreApplication::processEvents();
    }
};

}  // namespace

TEST(NumericBox, KeyFilterTable) {
    struct Case {
        const char* typed;
        bool decimals;
        const char* result;
    };
    const Case cases[] = {
        {"12a3", false, "123"},
        {"1.5", false, "15"},
        {"1.5", true, "1.5"},
        {"1.2.3", true, "1.2.3"},  // the number of points is not limited
        {"-4 e+", true, "4"},
        {"abc", false, ""},
    };
    for (const Case& c : cases) {
        Form f;
        f.box->setDecimalAllowed(c.decimals);
        f.box->clear();
        QTest::keyClicks(f.box, c.typed);
        EXPECT_EQ(f.box->text(), c.result) << c.typed;
    }
}

TEST(NumericBox, BackspaceAndEditingKeysStillWork) {
    Form f;
    QTest::keyClicks(f.box, "123");
    QTest::keyClick(f.box, Qt::Key_Backspace);
    QTest::keyClick(f.box, Qt::Key_Home);
    QTest::keyClick(f.box, Qt::Key_Delete);
    EXPECT_EQ(f.box->text(), "2");
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);  // a control key is dropped like any other
    EXPECT_EQ(f.box->text(), "2");
}

TEST(NumericBox, WholeTextSelectedOnFocus) {
    Form f;
    f.next->setText("250");
    QTest::keyClick(f.box, Qt::Key_Tab);
    ASSERT_TRUE(f.next->hasFocus());
    EXPECT_EQ(f.next->selectedText(), "250");
    QTest::keyClicks(f.next, "7");  // typing replaces the selected text
    EXPECT_EQ(f.next->text(), "7");
}

// However the box got the focus, and after a click has put the cursor into
// the text, typing replaces the whole text once it is selected.
TEST(NumericBox, TypingReplacesTheTextHoweverTheFocusCame) {
    struct Case {
        const char* how;
        std::function<void(Form&)> reach;
    };
    const auto clickInto = [](QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() - 4, w->height() / 2));
        QCoreApplication::processEvents();
    };
    const Case cases[] = {
        {"a click", [&](Form& f) { clickInto(f.next); }},
        {"Tab", [](Form& f) { QTest::keyClick(f.box, Qt::Key_Tab); }},
        {"Tab, a click, Ctrl+A",
         [&](Form& f) {
             QTest::keyClick(f.box, Qt::Key_Tab);
             clickInto(f.next);  // already focused: the click places the cursor
             QTest::keyClick(f.next, Qt::Key_A, Qt::ControlModifier);
         }},
        {"a click, a second click, Ctrl+A",
         [&](Form& f) {
             clickInto(f.next);
             clickInto(f.next);
             QTest::keyClick(f.next, Qt::Key_A, Qt::ControlModifier);
         }},
    };
    for (bool decimals : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.how) + (decimals ? ", decimals" : ""));
            Form f;
            f.next->setDecimalAllowed(decimals);
            f.next->setText("7");
            c.reach(f);
            ASSERT_TRUE(f.next->hasFocus());
            EXPECT_EQ(f.next->selectedText(), "7");
            QTest::keyClicks(f.next, "8");
            EXPECT_EQ(f.next->text(), "8");
        }
}

TEST(NumericBox, EmptyBecomesZeroOnLeavingWhereTheRuleSaysSo) {
    Form f;
    f.box->setEmptyBecomesZero(true);
    f.box->clear();
    f.next->clear();
    QTest::keyClick(f.box, Qt::Key_Tab);  // leaves box (rule on) for next
    EXPECT_EQ(f.box->text(), "0");
    QTest::keyClick(f.next, Qt::Key_Tab);  // leaves next (rule off)
    EXPECT_EQ(f.next->text(), "");
}

TEST(NumericBox, RefusedLeaveTakesTheFocusBack) {
    Form f;
    f.box->setEmptyBecomesZero(false);
    f.box->setLeaveRule([](NumericBox& b) {
        if (b.text().toInt() != 0) return true;
        messages().msgBox("Must enter a value");
        return false;
    });
    QSignalSpy refused(f.box, &NumericBox::leaveRefused);
    QSignalSpy left(f.box, &NumericBox::lostFocus);
    scriptedMessages().answer(Answer::Ok, QString("Must enter a value"));

    f.box->clear();
    QTest::keyClick(f.box, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.box->hasFocus());
    EXPECT_EQ(f.box->text(), "");  // left as typed
    EXPECT_EQ(refused.count(), 1);
    EXPECT_EQ(scriptedMessages().texts(), QStringList{"Must enter a value"});

    QTest::keyClicks(f.box, "12");
    QTest::keyClick(f.box, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.next->hasFocus());
    EXPECT_EQ(left.count(), 1);
    EXPECT_EQ(scriptedMessages().messages().size(), 1u);
}

TEST(NumericBox, LeaveRuleRunsBeforeAClickedButtonsHandler) {
    Form f;
    QStringList order;
    f.box->setLeaveRule([&](NumericBox&) {
        order << "leave";
        return true;
    });
    QObject::connect(f.ok, &QPushButton::clicked, [&] { order << "click"; });
    QTest::mouseClick(f.ok, Qt::LeftButton);
    EXPECT_EQ(order, QStringList({"leave", "click"}));
}
