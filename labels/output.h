// Where a label run's rows go: the dot-matrix printer on LPT1 or the laser
// printer. The walk decides what each row holds and when a page is full; an
// output only puts rows on paper.
#pragma once

#include "labels/labelkeys.h"
#include "labels/rowbuffer.h"

#include <QString>

namespace qv::labels {

class LabelOutput {
public:
    virtual ~LabelOutput() = default;

    // Laser outputs place rows on pages of LabelsPage rows.
    virtual bool laser() const = 0;
    // Opens the device for a run. False when it cannot be used (error()).
    virtual bool begin(const LabelKeys& keys) = 0;
    // Laser: the printed width of "1" in the label font, in millimetres
    // (known after begin). Dot matrix: 0.
    virtual double characterWidthMm() const { return 0; }
    // Writes a row. `last` is the laser's closing row at the end of the
    // job, which moves the position no further. False when the device
    // failed (error()).
    virtual bool writeRow(const RowBuffer& row, bool last) = 0;
    // Laser: the rows that follow go on a new page.
    virtual void newPage() {}
    // Ends the run's output (closes the port, ends the document) and puts
    // it in place. False when that failed.
    virtual bool finish() = 0;
    // Ends a run that failed: nothing of it is put in place (a plain LPT1
    // file keeps the earlier one, the laser document is thrown away).
    virtual void abandon() = 0;
    // True when what was written before a failure has been printed all the
    // same (a printer's device written directly), false when abandon()
    // throws it away.
    virtual bool keepsWhatItWrote() const { return false; }
    virtual QString error() const = 0;
};

}  // namespace qv::labels
