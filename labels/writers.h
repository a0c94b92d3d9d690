// The two label printers: a dot-matrix printer on LPT1, which takes rows as
// lines of text, and a laser printer through the printer object, which takes
// them as lines on pages, in millimetres.
#pragma once

#include "labels/labelrun.h"
#include "labels/output.h"
#include "platform/lptport.h"
#include "platform/printer.h"

namespace qv::labels {

// Each row takes LabelHeight lines: its lines up to VertGap (at most 8), each
// the whole row wide, then lines of one blank. TopMarg lines of one blank go
// once before the first row of the run.
class DotWriter : public LabelOutput {
public:
    explicit DotWriter(platform::LinePort& port) : port_(port) {}
    bool laser() const override { return false; }
    bool begin(const LabelKeys& keys) override;
    bool writeRow(const RowBuffer& row, bool last) override;
    bool finish() override;
    void abandon() override;
    bool keepsWhatItWrote() const override { return port_.writesThrough(); }
    QString error() const override { return error_; }

private:
    bool put(const QString& line);
    platform::LinePort& port_;
    LabelKeys keys_;
    bool open_ = false;
    bool topDone_ = false;
    QString error_;
};

// Rows in "Courier New" at FontSize. Every line starts at the left edge of
// the printable area (the row's blanks place the labels); the eight lines of
// a row stand a line height apart, closer when eight would not fit
// LabelHeight; each row starts LabelHeight + VertGap below the one before,
// and the first row of a page at TopMarg - 2 mm (0.1 mm when TopMarg is
// below 2).
class LaserWriter : public LabelOutput {
public:
    explicit LaserWriter(platform::Printer& printer) : printer_(printer) {}
    bool laser() const override { return true; }
    bool begin(const LabelKeys& keys) override;
    double characterWidthMm() const override { return charWidth_; }
    bool writeRow(const RowBuffer& row, bool last) override;
    // The page is changed when the next row comes, so a run never ends on
    // an empty page.
    void newPage() override { pageDue_ = true; }
    bool finish() override;
    void abandon() override { printer_.killDoc(); }
    QString error() const override { return error_; }

private:
    bool fail();
    platform::Printer& printer_;
    LabelKeys keys_;
    double charWidth_ = 0;
    bool pageDue_ = false;
    bool pageFresh_ = true;
    QString error_;
};

// The program's label run: the dot-matrix run on the program's LPT1 port,
// or, when parmcode Printer is "L", the laser run on its printer.
RunResult printLabels(db::Database& db, const RunRequest& request, const RunCallbacks& callbacks, Session& session);

}  // namespace qv::labels
