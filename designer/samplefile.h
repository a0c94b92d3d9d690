// The customer's file as the designer reads it: line by line with the suite's
// line reader (so the columns it finds are the import's), one line ahead so
// that it knows whether the line just read was the last.
#pragma once

#include "common/text/lines.h"
#include "common/text/textfile.h"

#include <memory>
#include <string>

namespace qv::designer {

// Looks at a file before the designer works on it (common/text/textfile.h).
using qv::FileProblem;
inline FileProblem checkSampleFile(const std::string& path) { return qv::checkTextFile(path); }

class SampleFile {
public:
    // Opens (or reopens) the file at its beginning; std::system_error when
    // it cannot be opened.
    void open(const std::string& path);
    void reopen() { open(path_); }
    void close();
    bool isOpen() const { return reader_ != nullptr; }

    // The next record; false when there is none left.
    bool readLine(std::string& line);
    // True when no record follows the one last read.
    bool atEnd() const { return !hasNext_; }

private:
    std::string path_;
    std::unique_ptr<LineReader> reader_;
    std::string next_;
    bool hasNext_ = false;
};

}  // namespace qv::designer
