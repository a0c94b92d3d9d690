#include "common/forms/refusal.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

using namespace qv;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::testing::scriptedMessages;

TEST(RefusedStart, TheMessageAndItsIconFollowTheRefusal) {
    const QString held = QStringLiteral("Another option is currently running, wait until it has finished then try again.");
    const struct {
        int error;
        QString text;
        Icon icon;
    } cases[] = {
        {3356, held, Icon::Exclamation},
        {3045, held, Icon::Exclamation},
        {3024,
         QStringLiteral("An unexpected error has occurred.  Please make a note of the following error details and "
                        "contact Brackwith Mailing Services.  Error number: 3024  Description: Could not find file."),
         Icon::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok, c.text);
        start::Opened o;
        o.error = c.error;
        o.description = "Could not find file.";
        forms::showRefusal(o);
        ASSERT_EQ(scriptedMessages().messages().size(), 1u);
        EXPECT_EQ(scriptedMessages().messages()[0].text, c.text);
        EXPECT_EQ(scriptedMessages().messages()[0].buttons, Buttons::OkOnly);
        EXPECT_EQ(scriptedMessages().messages()[0].icon, c.icon);
    }
}
