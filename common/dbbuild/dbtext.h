// The text form of a delivered database: a schema file of tables, fields and
// indexes, and one rows file per filled table. Both are kept in the source
// tree so that every change to the shipped data shows in a diff.
//
// Schema, one statement a line, '#' to the end of the line is a comment:
//   table NAME
//   field NAME TYPE [SIZE] [nonempty] [exact] [default VALUE]
//   index NAME [primary|unique] FIELD...
// TYPE is byte, integer, long, single, double, currency, text (SIZE 1-255
// required) or memo. A name or value holding blanks goes in double quotes.
// Text fields take the empty text unless marked nonempty; exact makes a text
// key compare case- and blank-sensitively.
//
// Rows, tab-separated, blank lines and lines starting with '#' skipped. By
// default the first line names the fields and each further line is a row.
// A first line "%by-field" turns the file on its side: each line is a field
// name followed by that field's value in every row, which keeps wide tables
// of few rows readable. In a value: \N (the whole value) is Null, \t tab,
// \n line feed, \r carriage return, \\ backslash, \# a '#'. Fields a file
// does not name take their default (or Null).
#pragma once

#include "common/db/database.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv::dbbuild {

// A fault in a text file, with where it is.
class ParseError : public std::runtime_error {
public:
    ParseError(std::string source, int line, const std::string& message);
    const std::string& source() const { return source_; }
    int line() const { return line_; }      // 1-based; 0 when not tied to a line
    const std::string& message() const { return message_; }

private:
    std::string source_;
    int line_;
    std::string message_;
};

struct Schema {
    std::vector<db::TableDef> tables;
    // Table by name, without regard to case; nullptr when absent.
    const db::TableDef* find(std::string_view name) const;
};

struct TableRows {
    std::string table;                        // as the schema spells it
    std::vector<std::string> fields;          // as the schema spells them, in file order
    std::vector<std::vector<db::Value>> rows; // values converted to the field types
    std::vector<int> lines;                   // line of each row (its first value's line)
    std::string source;
};

// Throw ParseError on the first fault.
Schema parseSchema(std::string_view text, const std::string& source);
TableRows parseRows(std::string_view text, const db::TableDef& table, const std::string& source);

// The type's keyword in the schema ("integer", "text", ...).
const char* typeKeyword(db::FieldType type);

}  // namespace qv::dbbuild
