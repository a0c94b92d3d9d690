// The message a first form shows when the program's open of mailsort.mdb is
// refused: the program then ends (the form's part).
#pragma once

#include "common/programstart.h"

namespace qv::forms {

// The held-elsewhere text with the exclamation mark; the file's own refusal
// (read-only, no lock file) plainly with the stop sign; any other refusal as
// the unexpected error, without an icon.
void showRefusal(const start::Opened& opened);

}  // namespace qv::forms
