// Where a label run's rows go: the dot-matrix printer on LPT1, the laser
// printer, or a recording for tests. The walk decides what each row holds
// and when a page is full; an output only puts rows on paper.
#pragma once

#include "labels/labelkeys.h"
#include "labels/rowbuffer.h"

#include <QString>
#include <QStringList>

#include <vector>

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
    // Ends the run's output (closes the port, ends the document). False
    // when that failed.
    virtual bool finish() = 0;
    virtual QString error() const = 0;
};

// For tests: keeps each row's eight lines as they stood, with page breaks.
class RecordingOutput : public LabelOutput {
public:
    struct Row {
        QStringList lines;  // lines 1 to 8, full width
        int page = 1;
        bool last = false;
    };

    explicit RecordingOutput(bool laser = false, double charWidthMm = 0) : laser_(laser), charWidth_(charWidthMm) {}

    bool laser() const override { return laser_; }
    bool begin(const LabelKeys& keys) override;
    double characterWidthMm() const override { return charWidth_; }
    bool writeRow(const RowBuffer& row, bool last) override;
    void newPage() override { pageDue_ = true; }
    bool finish() override;
    QString error() const override { return error_; }

    void setFailBegin(bool on) { failBegin_ = on; }
    void setFailAfterRows(int rows) { failAfter_ = rows; }

    const std::vector<Row>& rows() const { return rows_; }
    int begins() const { return begins_; }
    int finishes() const { return finishes_; }
    // The label columns' text of every row: each row's lines with trailing
    // blanks removed, rows one after another, lines without text dropped.
    QStringList texts() const;

private:
    bool laser_;
    double charWidth_;
    bool failBegin_ = false;
    int failAfter_ = -1;
    bool pageDue_ = false;
    int page_ = 1;
    int begins_ = 0, finishes_ = 0;
    std::vector<Row> rows_;
    QString error_;
};

}  // namespace qv::labels
