#include "platform/programend.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>

#include <vector>

using namespace qv::platform;

namespace {

// A first form whose load succeeds or ends the program, and which ends the
// program from the event loop (as a click on Exit would).
class TestForm : public QWidget, public ProgramEnd {
public:
    bool loads = true;
    int loadStatus = 1;
    int laterStatus = 0;
    bool shownInLoop = false;

    bool Form_Load() {
        if (!loads) {
            endProgram(loadStatus);
            return false;
        }
        QTimer::singleShot(0, this, [this] {
            shownInLoop = isVisible();
            endProgram(laterStatus);
        });
        return true;
    }
    void end(int status) { endProgram(status); }

    // What the form did first, and whether the end was then recorded.
    std::vector<bool> endings;

protected:
    void endingProgram() override { endings.push_back(programEnded()); }
};

}  // namespace

TEST(ProgramEnd, EndsOnceWithTheFirstStatus) {
    TestForm form;
    std::vector<int> calls;
    form.setEndHandler([&](int status) {
        // The form's own part is done before the handler runs.
        EXPECT_EQ(form.endings.size(), 1u);
        calls.push_back(status);
    });
    EXPECT_FALSE(form.programEnded());
    form.end(1);
    form.end(0);
    EXPECT_TRUE(form.programEnded());
    EXPECT_EQ(form.exitStatus(), 1);
    EXPECT_EQ(calls, std::vector<int>{1});
    EXPECT_EQ(form.endings, std::vector<bool>{true});
}

TEST(ProgramEnd, ARefusedLoadEndsWithoutShowingTheForm) {
    TestForm form;
    form.loads = false;
    form.loadStatus = 3;
    EXPECT_EQ(runForm(form), 3);
    EXPECT_FALSE(form.isVisible());
}

TEST(ProgramEnd, TheFormShowsAndTheProgramRunsUntilItEnds) {
    struct Case {
        bool show;
        int status;
    };
    for (const Case c : {Case{true, 0}, Case{true, 1}, Case{false, 2}}) {
        TestForm form;
        form.laterStatus = c.status;
        EXPECT_EQ(runForm(form, [&] { return c.show; }), c.status);
        EXPECT_EQ(form.shownInLoop, c.show);
        EXPECT_TRUE(form.programEnded());
    }
}
