#include "common/progress/progresswindow.h"
#include "platform/forms.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QPushButton>
#include <QWindow>
#include <QTest>

using namespace qv::progress;
using namespace qv::platform;
using qv::platform::testing::scriptedMessages;

namespace {
ProgressWindow* sortationWindow() {
    auto* w = new ProgressWindow("Print PO Reports in Progress", "Allocation", "percent complete (step 1 of 2)");
    w->setObjectName("Form2");
    return w;
}
}  // namespace

TEST(ProgressWindow, BlockRuleTable) {
    struct Case {
        double p;
        int blocks;
    };
    const Case cases[] = {{0, 0},     {4.99, 0},   {5, 1},   {9.5, 1},   {10, 2},     {45, 9},
                          {99.99, 19}, {100, 20},  {250, 20}, {-3, 0},   {19.999, 3}, {95, 19}};
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressWindow::blocksFor(c.p), c.blocks) << c.p;
        std::unique_ptr<ProgressWindow> w(sortationWindow());
        w->percdone = c.p;
        w->percbar();
        EXPECT_EQ(w->blocksShown(), c.blocks) << c.p;
        for (int k = 1; k <= 20; ++k) EXPECT_EQ(w->block(k)->isVisibleTo(w.get()), k <= c.blocks) << c.p << " " << k;
    }
}

TEST(ProgressWindow, BarOnlyEverGrowsUntilCleared) {
    std::unique_ptr<ProgressWindow> w(sortationWindow());
    w->percdone = 50;
    w->percbar();
    w->percdone = 12;
    w->percbar();
    EXPECT_EQ(w->blocksShown(), 10);
    w->clearperc();
    EXPECT_EQ(w->blocksShown(), 0);
    w->percdone = 3;
    w->percbar();
    EXPECT_EQ(w->blocksShown(), 0);
}

TEST(ProgressWindow, ControlsAsTheRunsNameThem) {
    std::unique_ptr<ProgressWindow> w(sortationWindow());
    EXPECT_EQ(w->windowTitle(), "Print PO Reports in Progress");
    for (int k = 1; k <= 20; ++k) EXPECT_NE(w->findChild<QFrame*>(QStringLiteral("Perc%1").arg(k)), nullptr);
    for (int k = 1; k <= 4; ++k) EXPECT_NE(w->findChild<QFrame*>(QStringLiteral("Line%1").arg(k)), nullptr);
    EXPECT_EQ(child<QLabel>(w.get(), "lblPerc1")->text(), "Allocation");
    EXPECT_EQ(child<QLabel>(w.get(), "lblPerc2")->text(), "");
    EXPECT_EQ(child<QLabel>(w.get(), "lblPerc3")->text(), "percent complete (step 1 of 2)");
    EXPECT_EQ(child<QPushButton>(w.get(), "cmdCancel")->text(), "Cancel");

    // Everything starts hidden; the run shows the controls.
    w->show();
    EXPECT_FALSE(w->cancelButton()->isVisible());
    EXPECT_FALSE(w->percentLabel()->isVisible());
    w->showControls();
    EXPECT_TRUE(w->cancelButton()->isVisible());
    EXPECT_TRUE(w->stepLabel()->isVisible());
    EXPECT_TRUE(w->findChild<QFrame*>("Line1")->isVisible());
    EXPECT_EQ(w->blocksShown(), 0);
}

TEST(ProgressWindow, PercentageTextTable) {
    struct Case {
        double p;
        const char* text;
    };
    const Case cases[] = {{0, "0.00"},      {45, "45.00"},  {25, "25.00"},   {33.333333, "33.33"},
                          {2.675, "2.68"},  {99.999, "100.00"}, {100, "100.00"}, {140, "100.00"}};
    std::unique_ptr<ProgressWindow> w(sortationWindow());
    for (const Case& c : cases) {
        w->showProgress(c.p);
        EXPECT_EQ(w->percentText(), c.text) << c.p;
    }
    EXPECT_EQ(w->percdone, 100);  // limited to 100 after the bar was drawn
}

TEST(ProgressWindow, StepTwoKeepsTheLastPercentageUntilItReportsItsOwn) {
    std::unique_ptr<ProgressWindow> w(sortationWindow());
    w->showProgress(100);
    w->clearperc();
    w->setStepText("  Printing ");
    w->setWords("percent complete (step 2 of 2)");
    EXPECT_EQ(w->blocksShown(), 0);
    EXPECT_EQ(w->percentText(), "100.00");
    EXPECT_EQ(w->stepLabel()->text(), "  Printing ");
    EXPECT_EQ(w->wordsLabel()->text(), "percent complete (step 2 of 2)");
}

TEST(ProgressWindow, PercentWithWordsInOneLabel) {
    ProgressWindow w("Print Labels in Progress", {}, " percent complete", ProgressWindow::TextLayout::PercentWithWords);
    EXPECT_EQ(w.stepLabel(), nullptr);
    EXPECT_EQ(w.wordsLabel(), nullptr);
    w.showProgress(25);
    EXPECT_EQ(child<QLabel>(&w, "lblPerc")->text(), "25.00 percent complete");
    EXPECT_EQ(w.blocksShown(), 5);
}

TEST(ProgressWindow, CancelAsksAndYesSetsTheStopFlag) {
    std::unique_ptr<ProgressWindow> w(sortationWindow());
    w->show();
    w->showControls();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));

    scriptedMessages().answer(Answer::No, QString("Are you sure you want to cancel ?"));
    QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(w->stopRequested());
    EXPECT_FALSE(w->stopRequested());

    scriptedMessages().answer(Answer::Yes).answer(Answer::Yes).answer(Answer::No);
    QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(w->stopRequested());
    w->cmdCancel_Click();
    EXPECT_TRUE(w->stopRequested());
    w->cmdCancel_Click();  // No leaves it as it was
    EXPECT_TRUE(w->stopRequested());

    const auto& boxes = scriptedMessages().messages();
    ASSERT_EQ(boxes.size(), 4u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.text, "Are you sure you want to cancel ?");
        EXPECT_EQ(b.buttons, Buttons::YesNo);
        EXPECT_EQ(b.icon, Icon::None);
    }
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
}

// A run yielding after each record sees a Cancel pressed between records.
TEST(ProgressWindow, RunStopsBeforeTheNextRecordAfterCancel) {
    std::unique_ptr<ProgressWindow> w(sortationWindow());
    w->show();
    w->showControls();
    scriptedMessages().answer(Answer::Yes);
    int records = 0;
    const int total = 200;
    while (records < total && !w->stopRequested()) {
        ++records;
        w->showProgress(double(records) / total * 100);
        if (records == 50) QMetaObject::invokeMethod(w->cancelButton(), "click", Qt::QueuedConnection);
        yieldToUi();
    }
    EXPECT_EQ(records, 50);
    EXPECT_EQ(w->percentText(), "25.00");
    EXPECT_EQ(w->blocksShown(), 5);
}

// Closing the window by its frame while a run uses it is the Cancel question:
// No lets the run go on with the window, Yes stops it before its next record.
// The window lives on until the run closes it, even one that deletes itself
// on close.
TEST(ProgressWindow, ClosedByItsFrameDuringARunAsksTheCancelQuestion) {
    QPointer<ProgressWindow> w(sortationWindow());
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    w->showControls();
    scriptedMessages().answer(Answer::No).answer(Answer::Yes);
    int records = 0;
    const int total = 200;
    {
        while (records < total && !w->stopRequested()) {
            ++records;
            w->showProgress(double(records) / total * 100);
            if (records == 30 || records == 60)
                QTimer::singleShot(0, w->windowHandle(), [h = w->windowHandle()] { h->close(); });
            yieldToUi();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_FALSE(w.isNull()) << "deleted at record " << records;
            if (records == 45) {
                EXPECT_TRUE(w->isVisible());  // No: the window stays
                EXPECT_FALSE(w->stopRequested());
            }
        }
        EXPECT_EQ(records, 60);
        EXPECT_TRUE(w->stopRequested());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->percentText(), "30.00");
    }
    const auto& boxes = scriptedMessages().messages();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.text, "Are you sure you want to cancel ?");
        EXPECT_EQ(b.buttons, Buttons::YesNo);
    }

    // The run over, the program closes the window without a question.
    EXPECT_TRUE(w->finish());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(scriptedMessages().messages().size(), 2u);
}
