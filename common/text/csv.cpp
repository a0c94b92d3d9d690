#include "common/text/csv.h"

namespace qv {

namespace {

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string csvQuoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    appendQuoted(out, text);
    return out;
}

CsvWriter::CsvWriter(const std::filesystem::path& file, LineEnd end, TextWriter::Mode mode)
    : out_(file, end, mode) {}

void CsvWriter::separate() {
    if (!first_) line_ += ',';
    first_ = false;
}

CsvWriter& CsvWriter::quoted(std::string_view text) {
    separate();
    // Straight into the line: no string of its own for every field of every record.
    appendQuoted(line_, text);
    return *this;
}

CsvWriter& CsvWriter::bare(std::string_view text) {
    // A bare value that would split or open a field is quoted instead, so
    // that the record stays well-formed and reads back as the same value.
    if (text.find_first_of(",\"\r\n") != std::string_view::npos) return quoted(text);
    separate();
    line_ += text;
    return *this;
}

CsvWriter& CsvWriter::null() { return bare("#NULL#"); }

void CsvWriter::endRecord() {
    out_.writeLine(line_);
    line_.clear();
    first_ = true;
}

void CsvWriter::flush() { out_.flush(); }

void CsvWriter::close() { out_.close(); }

std::vector<std::string> parseCsvRecord(std::string_view line) {
    std::vector<std::string> fields;
    std::string field;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        field.clear();
        if (i < n && line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            // anything between the closing quote and the comma belongs to the field
            while (i < n && line[i] != ',') field += line[i++];
        } else {
            while (i < n && line[i] != ',') field += line[i++];
        }
        fields.push_back(field);
        if (i >= n) break;
        ++i;  // the comma
    }
    return fields;
}

}  // namespace qv
