// Message texts the console's forms share.
#pragma once

#include "common/suitetexts.h"

namespace qv::console::text {

inline constexpr const char* AnotherRunning = texts::HeldElsewhere;

}  // namespace qv::console::text
