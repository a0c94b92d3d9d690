// The run sequence of the main window: which ticked job steps may run
// together, the run flags they give and the program that starts the run.
#pragma once

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
    // The first ticked step's program, "" when nothing is ticked.
    std::string firstProgram;
    bool runCodes = false;
    bool runReports = false;
    bool runLabels = false;
};

RunPlan planRun(const StepTicks& ticks);

}  // namespace qv::console
