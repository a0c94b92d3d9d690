// What the layout windows' tests share: controls by name, the windows open,
// and a fixture that closes every window a test left open.
#pragma once

#include "console/tests/console_fixture.h"

#include "platform/forms.h"
#include "platform/testing/test_services.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <string>

namespace qv::console::testing {

template <class W>
W* ctl(const QWidget* form, const char* name) {
    return platform::child<W>(form, QString::fromLatin1(name));
}

// Types text into a box after tabbing to it, as the user would.
inline void typeInto(QWidget* box, const QString& text) {
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(box, text);
}

// Types a name into an emptied file box, as the user would.
inline void typeFile(QComboBox* files, const std::string& name) {
    files->setFocus();
    files->lineEdit()->clear();
    QTest::keyClicks(files->lineEdit(), QString::fromStdString(name));
}

// The open (visible) top-level windows of that object name.
inline int openWindows(const char* name) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible()) ++n;
    return n;
}
inline QWidget* openWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
    return nullptr;
}

class LayoutWindowsTest : public ConsoleTest {
protected:
    void TearDown() override {
        QList<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget() && !w->objectName().isEmpty()) windows << w;
        for (const QPointer<QWidget>& w : windows) delete w.data();
        EXPECT_EQ(platform::testing::scriptedMessages().pendingAnswers(), 0u);
        ConsoleTest::TearDown();
    }
    std::string path(const char* name) const { return (dir() / name).string(); }
};

}  // namespace qv::console::testing
