// A program run as its main runs it, with one button pressed for the user:
// once the first window of the given object name shows, `before` runs and
// the button is clicked. A run that has not ended after 20 s ends with 99.
#pragma once

#include "platform/forms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace qv::platform::testing {

// The program's exit status; a button never pressed fails the test.
inline int runPressing(const std::function<int()>& program, const QString& window, const char* button,
                       const std::function<void()>& before = {}) {
    QObject guard;  // the time limit goes with the run
    QTimer::singleShot(20000, &guard, [] { QApplication::exit(99); });
    bool pressed = false;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!pressed && w->objectName() == window && w->isVisible()) {
                pressed = true;
                if (before) before();
                QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
            }
    });
    press.start(1);
    const int status = program();
    EXPECT_TRUE(pressed) << window.toStdString();
    return status;
}

}  // namespace qv::platform::testing
