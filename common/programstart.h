// How a suite program starts and ends around the shared database: the open
// for sole or shared use with its refusal, the run flags that hand a job on
// from one step program to the next, and the close-then-start of the next
// program. Plain code: what the program shows, and what it does when the next
// program cannot be started, stays with the program.
#pragma once

#include "common/db/database.h"
#include "common/parm/parmrecord.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace qv::start {

// ---- The programs of the suite -------------------------------------------------------

enum class Program { Console, RefImport, Designer, Coding, Params, Sortation, Labels, Duplicates, MergeExport, Layouts };

struct ProgramInfo {
    Program program;
    const char* name;     // the file name: "kavrin"
    const char* command;  // how another program starts it: "kavrin.exe"
};

// The one table of program names.
inline constexpr ProgramInfo Programs[] = {
    {Program::Console, "quorvel", "quorvel.exe"},
    {Program::RefImport, "lurrow", "lurrow.exe"},
    {Program::Designer, "dovanet", "dovanet.exe"},
    {Program::Coding, "kavrin", "kavrin.exe"},
    {Program::Params, "pelgrin", "pelgrin.exe"},
    {Program::Sortation, "zolbern", "zolbern.exe"},
    {Program::Labels, "mistrel", "mistrel.exe"},
    {Program::Duplicates, "fennick", "fennick.exe"},
    {Program::MergeExport, "shoravel", "shoravel.exe"},
    {Program::Layouts, "corvath", "Corvath.exe"},  // the console's Utilities start it so spelled
};

const ProgramInfo& info(Program p);
// "kavrin.exe"
inline const char* command(Program p) { return info(p).command; }

// ---- Opening the database --------------------------------------------------------------

inline constexpr const char* DatabaseName = "mailsort.mdb";

// The outcome of a program's open: the database, or the error that refused it.
struct Opened {
    std::unique_ptr<db::Database> db;  // null when refused
    int error = 0;                     // the refusal's number
    std::string description;

    explicit operator bool() const { return db != nullptr; }
    // 3356 or 3045: another program of the suite holds the file.
    bool heldElsewhere() const { return db::isHeldElsewhere(error); }
    // The message every program shows for the refusal: the held-elsewhere
    // text, the file's own refusal as it stands (db::isFileRefusal: a
    // read-only file, a lock file that cannot be made), or the
    // unexpected-error text with the number and description.
    std::string refusal() const;
};

// The same message for a database error met later on: the held-elsewhere
// text for 3356 and 3045, the description of a file's refusal, else the
// unexpected-error text.
std::string refusalText(int error, const std::string& description);

// Opens the database in the current folder (by bare name, as the database
// layer matches it). Never throws a DbError: a refusal comes back in Opened.
Opened openDatabase(db::OpenMode mode, const std::string& name = DatabaseName);

// The guard before a job starts: an open for sole use, closed again at once
// (the console's run guard, the sortation's start). `db` is always null;
// `error` is 0 when no other program holds the file.
Opened testSoleUse(const std::string& name = DatabaseName);

// Closes and lets the database go, passing over any failure: the way out of a
// failed start, and before a hand-over.
void closeQuietly(std::unique_ptr<db::Database>& db);

// ---- Run flags and the next step ------------------------------------------------------------

// The job steps in their fixed order, with the program of each.
enum class Step { Parameters, Codes, Reports, Labels };
Program programOf(Step s);

// RunAlone, RunCodes, RunReports, RunLabels of parmcode.
struct RunFlags {
    bool alone = false;
    bool codes = false;
    bool reports = false;
    bool labels = false;
    bool operator==(const RunFlags&) const = default;
};

// Reads the four flags: "Y" is true, anything else (Null too) false.
RunFlags readRunFlags(const parm::ParmRecord& parm);
// Writes all four flags in one edit and update.
void writeRunFlags(parm::ParmRecord& parm, const RunFlags& flags);
// Writes one flag "Y" or "N" in one edit and update; an edit in progress is
// given up first.
void writeFlag(parm::ParmRecord& parm, const char* key, bool on);
// Several flags in one edit and update: writeFlags(parm, {{RunAlone, false}, {RunReports, false}}).
void writeFlags(parm::ParmRecord& parm, std::initializer_list<std::pair<const char*, bool>> flags);

// The program of the first flagged step after `current`, or none. The flags
// of steps up to `current` are not looked at; RunAlone is not either.
std::optional<Program> nextProgram(const RunFlags& flags, Step current);

// ---- Starting the next program ---------------------------------------------------------------

// What the caller does when a program could not be started: given the
// command and the launcher's description, after the database was closed.
using StartFailed = std::function<void(const std::string& command, const std::string& error)>;

// Starts a program of the suite by its command, committing every open
// database first. On failure calls `onFailure` when given (else the failure
// is not looked at) and returns false.
bool startProgram(Program p, const StartFailed& onFailure = {});
// The same with the one argument letter the program takes ("lurrow.exe C").
bool startProgram(Program p, char argument, const StartFailed& onFailure = {});

// Closes the database, then starts the program; a close whose commit fails
// starts nothing and is reported through `onFailure`.
bool closeAndStart(std::unique_ptr<db::Database>& db, Program p, const StartFailed& onFailure = {});

// What a hand-over did.
enum class HandedOver { NotInRun, Started, StartFailed, SequenceEnded };

// The end of a step program's job in a run sequence: when RunAlone is "Y",
// the next flagged step after `current` is started once the database is
// closed (unless `stopped`); with no step to start, RunAlone is set to "N",
// saved (a failure to save throws the DbError) and the database closed. Outside a run nothing is written or started and
// the database stays open. `parm` is let go before the database closes.
HandedOver handOver(std::unique_ptr<db::Database>& db, std::unique_ptr<parm::ParmRecord>& parm, Step current,
                    bool stopped, const StartFailed& onFailure = {});

}  // namespace qv::start
