#include "console/runplan.h"

#include "common/programstart.h"

namespace qv::console {

RunPlan planRun(const StepTicks& t) {
    RunPlan p;
    p.ticked = int(t.parameters) + int(t.codes) + int(t.reports) + int(t.labels);
    // For two or more ticks these two tests are exactly "one unbroken run".
    p.broken = (t.reports && t.parameters && !t.codes) || (t.labels && !t.reports);
    p.runCodes = t.codes;
    p.runReports = t.reports;
    p.runLabels = t.labels;
    using start::Step;
    const std::pair<bool, Step> rows[] = {
        {t.parameters, Step::Parameters}, {t.codes, Step::Codes}, {t.reports, Step::Reports}, {t.labels, Step::Labels}};
    for (const auto& [ticked, step] : rows) {
        if (!ticked) continue;
        p.firstProgram = start::command(start::programOf(step));
        break;
    }
    return p;
}

}  // namespace qv::console
