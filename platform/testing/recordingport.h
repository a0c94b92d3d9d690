// A line port for tests (library qv_testing).
#pragma once

#include "platform/lptport.h"

namespace qv::platform {

// For tests: keeps the lines; can be told to refuse the open or a write.
class RecordingPort : public LinePort {
public:
    bool open() override;
    bool writeLine(const QString& line) override;
    bool close() override;
    void abandon() override;
    QString lastError() const override { return error_; }
    bool writesThrough() const override { return writesThrough_; }

    void setFailOpen(bool on) { failOpen_ = on; }
    void setWritesThrough(bool on) { writesThrough_ = on; }  // a printer's device rather than a plain file
    void setFailAfter(int lines) { failAfter_ = lines; }  // refuse writes after this many; -1 never
    const QStringList& lines() const { return lines_; }
    bool isOpen() const { return open_; }
    int opens() const { return opens_; }
    int abandons() const { return abandons_; }

private:
    QStringList lines_;
    QString error_;
    bool open_ = false;
    bool failOpen_ = false;
    bool writesThrough_ = false;
    int failAfter_ = -1;
    int opens_ = 0;
    int abandons_ = 0;
};

}  // namespace qv::platform
