// The run sequence of the main window: which ticked job steps may run
// together, the run flags they give and the program that starts the run.
#pragma once

#include "common/programstart.h"

#include <optional>
#include <string>

namespace qv::console {

// The four job steps in their fixed order, top to bottom.
struct StepTicks {
    bool parameters = false;
    bool codes = false;
    bool reports = false;
    bool labels = false;
};

struct RunPlan {
    int ticked = 0;
    // A gap in the ticked steps. A single step is never refused for it.
    bool broken = false;
    // The first ticked step and its program, "" when nothing is ticked.
    std::optional<start::Step> firstStep;
    std::string firstProgram;
    bool runCodes = false;
    bool runReports = false;
    bool runLabels = false;
};

RunPlan planRun(const StepTicks& ticks);

// The start of a run sequence (a plan with a step): the run flags written
// to parmcode in the current folder (RunAlone "Y" and the ticked steps), the
// database closed so the step reads them, then the first step's program
// started. A refused open or a failed write starts nothing; `why`, when
// given, then receives the database's own words for NotWritten.
enum class RunStart { Started, StartFailed, HeldElsewhere, NotWritten };
RunStart startRun(const RunPlan& plan, std::string* why = nullptr);

}  // namespace qv::console
