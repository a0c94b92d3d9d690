// One writer for every comma-separated file the suite hands to other
// programs (the Post Office files, the merge file, the duplicate checker's
// output), and the reader the tests read them back with.
//
// The caller marks each field: quoted text (a double quote inside is
// doubled, so every record stays well-formed), a bare value written as it
// stands (numbers), or the merge file's Null, #NULL# without quotes. Fields
// are separated by commas; endRecord() writes the line end the format gives.
// Write errors throw std::system_error (from TextWriter); call close() to see
// the ones that show only when the buffer is flushed.
#pragma once

#include "common/text/lines.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class CsvWriter {
public:
    explicit CsvWriter(const std::filesystem::path& file, LineEnd end = LineEnd::CRLF,
                       TextWriter::Mode mode = TextWriter::Mode::Truncate);

    CsvWriter& quoted(std::string_view text);  // "text", inner quotes doubled
    CsvWriter& bare(std::string_view text);    // as it stands (quoted if it holds a comma, quote or line end)
    CsvWriter& null();                         // #NULL#
    void endRecord();                          // the line end; the next field starts a record
    void flush();
    void close();  // a record not ended is not written: a failed run leaves whole records only

private:
    void separate();
    TextWriter out_;
    std::string line_;
    bool first_ = true;
};

// A double-quoted field as the writer writes it.
std::string csvQuoted(std::string_view text);

// Reads one record the way a spreadsheet does: commas separate fields, a
// field opened by a double quote runs to its closing quote, "" inside it is
// one quote. For tests and read-backs; a record is one line.
std::vector<std::string> parseCsvRecord(std::string_view line);

}  // namespace qv
