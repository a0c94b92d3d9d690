#include "platform/forms.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace qv::platform;

namespace {

// A small form: a text box, an OK and a Cancel button.
struct Form {
    QWidget window;
    QLineEdit* txt;
    QPushButton* ok;
    QPushButton* cancel;
    int cancelClicks = 0;

    Form() {
        window.setObjectName("frmTest");
        auto* layout = new QVBoxLayout(&window);
        txt = control<QLineEdit>(&window, "txtDrive", "A");
        ok = control<QPushButton>(&window, "cmdOK", "OK");
        cancel = control<QPushButton>(&window, "cmdCancel", "Cancel");
        for (QWidget* w : {static_cast<QWidget*>(txt), static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel)})
            layout->addWidget(w);
        QObject::connect(cancel, &QPushButton::clicked, [this] { ++cancelClicks; });
    }

    void showActive() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

}  // namespace

TEST(Controls, NamedControlsCarryNameAndCaption) {
    Form f;
    EXPECT_EQ(child<QPushButton>(&f.window, "cmdCancel"), f.cancel);
    EXPECT_EQ(f.cancel->text(), "Cancel");
    EXPECT_EQ(child<QLineEdit>(&f.window, "txtDrive")->text(), "A");
}

TEST(CancelButton, EscPressesItWhereverTheFocusIs) {
    Form f;
    setCancelButton(&f.window, f.cancel);
    f.showActive();
    for (QWidget* focus : {static_cast<QWidget*>(f.txt), static_cast<QWidget*>(f.ok)}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
    }
    EXPECT_EQ(f.cancelClicks, 2);
}

TEST(CancelButton, HiddenOrDisabledButtonIsNotPressed) {
    Form f;
    setCancelButton(&f.window, f.cancel);
    f.showActive();
    f.txt->setFocus();
    f.cancel->setEnabled(false);
    QTest::keyClick(f.txt, Qt::Key_Escape);
    f.cancel->setEnabled(true);
    f.cancel->hide();
    QTest::keyClick(f.txt, Qt::Key_Escape);
    EXPECT_EQ(f.cancelClicks, 0);
}

TEST(CancelButton, DialogWithoutCancelButtonIgnoresEsc) {
    QDialog dlg;
    auto* box = new QLineEdit(&dlg);
    setCancelButton(&dlg, nullptr);
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
}

TEST(Centre, NormalFormIsCentredOnTheScreen) {
    QWidget w;
    w.resize(300, 200);
    centreOnScreen(&w);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(w.frameGeometry().left(), screen.x() + (screen.width() - w.frameGeometry().width()) / 2);
    EXPECT_EQ(w.frameGeometry().top(), screen.y() + (screen.height() - w.frameGeometry().height()) / 2);
}

TEST(Centre, MaximisedFormIsLeftAlone) {
    QWidget w;
    w.resize(300, 200);
    w.move(7, 9);
    w.setWindowState(Qt::WindowMaximized);
    centreOnScreen(&w);
    EXPECT_EQ(w.pos(), QPoint(7, 9));
}

TEST(WaitCursor, HourglassWhileTheGuardLives) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        WaitCursor outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            WaitCursor inner;
            inner.restore();
            EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);  // the outer one still holds
        }
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(FirstAppearance, RunsOnceAfterTheWindowIsUp) {
    QWidget w;
    int runs = 0;
    bool visibleWhenRun = false;
    onFirstAppearance(&w, [&] {
        ++runs;
        visibleWhenRun = w.isVisible();
    });
    w.show();
    EXPECT_EQ(runs, 0);  // posted, not run inside show()
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(visibleWhenRun);
    w.hide();
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

TEST(FirstAppearance, ActivationTriggerWaitsForActivation) {
    QWidget w;
    auto* fa = new FirstAppearance(&w, FirstAppearance::Trigger::Activation);
    QSignalSpy spy(fa, &FirstAppearance::appeared);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(fa->hasFired());
}

TEST(Yield, LetsAQueuedClickThroughDuringALongRun) {
    Form f;
    f.showActive();
    bool stopflag = false;
    QObject::connect(f.cancel, &QPushButton::clicked, [&] { stopflag = true; });
    QMetaObject::invokeMethod(f.cancel, [&] { f.cancel->click(); }, Qt::QueuedConnection);
    int records = 0;
    while (!stopflag && records < 1000) {
        ++records;
        yieldToUi();
    }
    EXPECT_TRUE(stopflag);
    EXPECT_EQ(records, 1);
}

TEST(KeyPress, HandlerCanReplaceOrDropKeys) {
    Form f;
    f.showActive();
    f.txt->clear();
    f.txt->setMaxLength(2);
    // Capitals, like the mail format box; digits dropped.
    setKeyPressHandler(f.txt, [](QChar c) { return c.isDigit() ? QChar() : c.toUpper(); });
    f.txt->setFocus();
    QTest::keyClicks(f.txt, "l1e");
    EXPECT_EQ(f.txt->text(), "LE");
    QTest::keyClick(f.txt, Qt::Key_Backspace);
    EXPECT_EQ(f.txt->text(), "L");
}
