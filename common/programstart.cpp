#include "common/programstart.h"

#include "common/suitetexts.h"
#include "platform/launcher.h"

#include <QString>

namespace qv::start {

const ProgramInfo& info(Program p) {
    for (const ProgramInfo& i : Programs)
        if (i.program == p) return i;
    return Programs[0];  // every enumerator is in the table
}

std::string refusalText(int error, const std::string& description) {
    if (db::isHeldElsewhere(error)) return texts::HeldElsewhere;
    if (db::isFileRefusal(error)) return description;
    return texts::unexpectedError(error, description);
}

std::string Opened::refusal() const { return refusalText(error, description); }

Opened openDatabase(db::OpenMode mode, const std::string& name) {
    Opened o;
    try {
        o.db = db::Database::open(name, mode);
    } catch (const db::DbError& e) {
        o.error = e.number();
        o.description = e.description();
    }
    return o;
}

Opened testSoleUse(const std::string& name) {
    Opened o = openDatabase(db::OpenMode::Exclusive, name);
    closeQuietly(o.db);
    return o;
}

void closeQuietly(std::unique_ptr<db::Database>& db) {
    if (!db) return;
    try {
        db->close();
    } catch (const std::exception&) {
    }
    db.reset();
}

Program programOf(Step s) {
    switch (s) {
    case Step::Parameters: return Program::Params;
    case Step::Codes: return Program::Coding;
    case Step::Reports: return Program::Sortation;
    case Step::Labels: return Program::Labels;
    }
    return Program::Params;
}

RunFlags readRunFlags(const parm::ParmRecord& parm) {
    using namespace parm::key;
    return RunFlags{parm.yes(RunAlone), parm.yes(RunCodes), parm.yes(RunReports), parm.yes(RunLabels)};
}

namespace {
const char* letter(bool on) { return on ? "Y" : "N"; }

void editFresh(parm::ParmRecord& parm) {
    if (parm.editing()) parm.recordset().cancelUpdate();
    parm.edit();
}
}  // namespace

void writeRunFlags(parm::ParmRecord& parm, const RunFlags& f) {
    using namespace parm::key;
    editFresh(parm);
    parm.set(RunAlone, letter(f.alone));
    parm.set(RunCodes, letter(f.codes));
    parm.set(RunReports, letter(f.reports));
    parm.set(RunLabels, letter(f.labels));
    parm.update();
}

void writeFlag(parm::ParmRecord& parm, const char* key, bool on) { writeFlags(parm, {{key, on}}); }

void writeFlags(parm::ParmRecord& parm, std::initializer_list<std::pair<const char*, bool>> flags) {
    editFresh(parm);
    for (const auto& [key, on] : flags) parm.set(key, letter(on));
    parm.update();
}

std::optional<Program> nextProgram(const RunFlags& f, Step current) {
    const std::pair<Step, bool> later[] = {{Step::Codes, f.codes}, {Step::Reports, f.reports}, {Step::Labels, f.labels}};
    for (const auto& [step, flagged] : later)
        if (step > current && flagged) return programOf(step);
    return std::nullopt;
}

namespace {
bool startCommand(const QString& cmd, const StartFailed& onFailure) {
    db::Database::commitAll();
    QString error;
    if (platform::launcher().start(cmd, &error)) return true;
    if (onFailure) onFailure(cmd.toStdString(), error.toStdString());
    return false;
}
}  // namespace

bool startProgram(Program p, const StartFailed& onFailure) {
    return startCommand(QString::fromLatin1(command(p)), onFailure);
}

bool startProgram(Program p, char argument, const StartFailed& onFailure) {
    return startCommand(QString::fromLatin1(command(p)) + u' ' + QChar::fromLatin1(argument), onFailure);
}

bool closeAndStart(std::unique_ptr<db::Database>& db, Program p, const StartFailed& onFailure) {
    // The next program must find every change: a close whose commit fails
    // starts nothing.
    if (db) {
        std::string failure;
        try {
            db->close();
        } catch (const db::DbError& e) {
            failure = "the changes could not be saved first: " + e.description();
        }
        db.reset();
        if (!failure.empty()) {
            if (onFailure) onFailure(command(p), failure);
            return false;
        }
    }
    return startProgram(p, onFailure);
}

HandedOver handOver(std::unique_ptr<db::Database>& db, std::unique_ptr<parm::ParmRecord>& parm, Step current,
                    bool stopped, const StartFailed& onFailure) {
    RunFlags flags;
    if (parm) {
        try {
            flags = readRunFlags(*parm);
        } catch (const db::DbError&) {
            // An unreadable row hands nothing on.
        }
    }
    if (!flags.alone) return HandedOver::NotInRun;
    const std::optional<Program> next = stopped ? std::nullopt : nextProgram(flags, current);
    if (!next) {
        // The end of the run is stored or the failure raised: a RunAlone left
        // "Y" would let a step started alone later run the rest of the job.
        if (parm) writeFlag(*parm, parm::key::RunAlone, false);
        parm.reset();
        if (db) db->save();
        closeQuietly(db);
        return HandedOver::SequenceEnded;
    }
    parm.reset();
    return closeAndStart(db, *next, onFailure) ? HandedOver::Started : HandedOver::StartFailed;
}

}  // namespace qv::start
