#include "console/runplan.h"

namespace qv::console {

RunPlan planRun(const StepTicks& t) {
    RunPlan p;
    p.ticked = int(t.parameters) + int(t.codes) + int(t.reports) + int(t.labels);
    // For two or more ticks these two tests are exactly "one unbroken run".
    p.broken = (t.reports && t.parameters && !t.codes) || (t.labels && !t.reports);
    p.runCodes = t.codes;
    p.runReports = t.reports;
    p.runLabels = t.labels;
    if (t.parameters)
        p.firstProgram = ParametersProgram;
    else if (t.codes)
        p.firstProgram = CodesProgram;
    else if (t.reports)
        p.firstProgram = ReportsProgram;
    else if (t.labels)
        p.firstProgram = LabelsProgram;
    return p;
}

}  // namespace qv::console
