// Message texts the console's forms share.
#pragma once

namespace qv::console::text {

inline constexpr const char* AnotherRunning =
    "Another option is currently running, wait until it has finished then try again.";

}  // namespace qv::console::text
