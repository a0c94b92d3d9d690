// A label output for tests: keeps each row's lines as the walk handed them
// over, with its page, and counts how often the output was begun, finished
// and abandoned.
#pragma once

#include "labels/output.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace qv::labels {

// Keeps each row's eight lines as they stood, with page breaks.
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
    void abandon() override { ++abandons_; }
    QString error() const override { return {}; }

    const std::vector<Row>& rows() const { return rows_; }
    int begins() const { return begins_; }
    int finishes() const { return finishes_; }
    int abandons() const { return abandons_; }
    // The label columns' text of every row: each row's lines with trailing
    // blanks removed, rows one after another, lines without text dropped.
    QStringList texts() const;

private:
    bool laser_;
    double charWidth_;
    bool pageDue_ = false;
    int page_ = 1;
    int begins_ = 0, finishes_ = 0, abandons_ = 0;
    std::vector<Row> rows_;
};

}  // namespace qv::labels
