#include "common/forms/refusal.h"

#include "platform/messages.h"
#include "platform/strings.h"

namespace qv::forms {

void showRefusal(const start::Opened& opened) {
    platform::messages().msgBox(platform::qs(opened.refusal()), platform::Buttons::OkOnly,
                                opened.heldElsewhere() ? platform::Icon::Exclamation : platform::Icon::None);
}

}  // namespace qv::forms
