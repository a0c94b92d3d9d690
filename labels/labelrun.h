// One label run: the job's addresses walked in label order (mmwork by Key2),
// every label numbered, address labels placed side by side in rows, a bag
// label wherever a bag closes and a bundle label wherever a bundle of a
// residue selection closes, each row handed to a LabelOutput; at the end the
// printed range is stored back in parmcode for the next run.
#pragma once

#include "common/db/database.h"
#include "common/runhooks.h"
#include "labels/output.h"

#include <QString>

#include <functional>

namespace qv::labels {

struct RunRequest {
    double from = 0, to = 0;
    char printType = 'A';       // 'A' all labels, 'B' a bag range, 'L' a label range
    QString fromText, toText;   // the boxes as typed: stored in Labfrom, Labto
    char option = 'A';          // the option chosen: stored in Labopt
};

struct RunCallbacks {
    // After every address record. The caller decides how often to repaint
    // and to let the user interface run.
    run::Progress progress;
    run::StopRequested stopRequested;
};

// What lasts from run to run while the program runs.
struct Session {
    double refCounter = 0;  // labels numbered in place of an empty reference
};

struct RunResult {
    // Cancelled: the message gives the last label printed. Refused: nothing
    // to print, bag values or a label setting that cannot be printed; no
    // walk. Failed: the printer or LPT1 failed, the database failed, or the
    // run flags could not be saved.
    using Status = run::Status;
    Status status = Status::Completed;
    QString message;              // to show the user; empty when completed
    // A failure of the database: the message is the unexpected-error
    // message, after which the program ends.
    bool unexpected = false;
    double lastLabelPrinted = 0;  // labels of the rows written out
    double labelNumber = 0;       // the last label counted
    double percent = 0;
};

// Picks the output for the run: the laser one when parmcode Printer is "L".
using OutputFor = std::function<LabelOutput&(bool laser)>;

// The run, on an open database (the caller holds it). Whatever happens,
// parmcode's RunAlone and RunLabels become "N", saved to the file before the
// run returns (a save that fails is added to the message, and a finished run
// then counts as failed); Labfrom, Labto and Labopt are written only when
// the labels were printed (or the run cancelled). Only a completed or
// cancelled run finishes its output; a failed one abandons it, so an
// earlier LPT1 file stays and no laser document is put in place.
RunResult runLabels(db::Database& db, const RunRequest& request, const OutputFor& outputFor,
                    const RunCallbacks& callbacks, Session& session);

// The run's percentage after a record, from the one before.
struct PercentInputs {
    char printType = 'A';
    double from = 0, to = 0;
    double records = 0;      // records handled so far
    double jobRecords = 0;   // records of mmwork
    double bagRows = 0;      // rows of bags
    double labelTotal = 0;   // the job's last label number
    double labelNumber = 0;  // the last label counted
    double bagNumber = 0;    // the bag in hand
};
double percentAfter(double previous, const PercentInputs& in);

}  // namespace qv::labels
