#include "common/forms/refusal.h"

#include "platform/messages.h"
#include "platform/strings.h"

namespace qv::forms {

void showRefusal(const start::Opened& opened) {
    const platform::Icon icon = opened.heldElsewhere()                ? platform::Icon::Exclamation
                                : db::isFileRefusal(opened.error) ? platform::Icon::Critical
                                                                   : platform::Icon::None;
    platform::messages().msgBox(platform::qs(opened.refusal()), platform::Buttons::OkOnly, icon);
}

}  // namespace qv::forms
