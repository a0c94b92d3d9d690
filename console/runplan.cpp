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
        p.firstStep = step;
        p.firstProgram = start::command(start::programOf(step));
        break;
    }
    return p;
}

RunStart startRun(const RunPlan& plan, std::string* why) {
    if (!plan.firstStep) return RunStart::NotWritten;
    const auto notWritten = [&](int error, const std::string& description) {
        if (db::isHeldElsewhere(error)) return RunStart::HeldElsewhere;
        if (why) *why = description;
        return RunStart::NotWritten;
    };
    start::Opened o = start::openDatabase(db::OpenMode::Shared);
    if (!o) return notWritten(o.error, o.description);
    try {
        {
            parm::ParmRecord parm(*o.db);
            start::writeRunFlags(parm, {true, plan.runCodes, plan.runReports, plan.runLabels});
        }
        // The flags must be in the file before the step program reads them.
        o.db->close();
        o.db.reset();
    } catch (const db::DbError& e) {
        start::closeQuietly(o.db);
        return notWritten(e.number(), e.description());
    } catch (const std::exception& e) {
        start::closeQuietly(o.db);
        return notWritten(0, e.what());
    }
    // A step that cannot be started leaves the flags; the next start of the
    // console clears RunAlone.
    return start::startProgram(start::programOf(*plan.firstStep)) ? RunStart::Started : RunStart::StartFailed;
}

}  // namespace qv::console
