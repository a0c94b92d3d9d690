// What an engine's long run shares with the form that shows it: the progress
// it reports, the test that stops it between records, and how it ended. Each
// engine keeps its own detail beside these (its steps, counts and messages).
// Plain C++.
#pragma once

#include <functional>

namespace qv::run {

// The run's percentage so far, after a record.
using Progress = std::function<void(double percent)>;

// Asked before each record: true stops the run there (the user's Cancel,
// confirmed).
using StopRequested = std::function<bool()>;

enum class Status {
    Completed,  // the run reached its end
    Cancelled,  // stopped by the user; what was done so far is kept
    Refused,    // the job is not fit for the run: nothing was done
    Failed,     // a file, the printer or the database failed
};

}  // namespace qv::run
