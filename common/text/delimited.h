// What kind of file a customer's first record comes from, and the comma split
// of a record. The layout designer and the duplicate checker both decide the
// file type this way and cut delimited records this way; each keeps its own
// number of field slots and its own fixed-column cut.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// File types as DetectType gives them: blank = fixed columns.
inline constexpr const char* TypeFixed = "";
inline constexpr const char* TypeQuoted = "2";
inline constexpr const char* TypePlain = "3";

// "2" as soon as a double quote, one or more commas and a double quote stand
// together; "3" at the fourth character counted while a comma run is open
// (every comma, and every quote that follows one with only commas and quotes
// between); blank when the record reaches neither.
std::string DetectType(std::string_view record);
inline bool isDelimited(std::string_view fileType) { return fileType == TypeQuoted || fileType == TypePlain; }

// Inside a quoted field two double quotes in a row are one quote of the
// field's text, as spreadsheet and database programs write it: true when the
// quote at i is the first of such a pair. The import's quoted splitter and
// the duplicate checker both read a record so.
inline bool doubledQuoteAt(std::string_view record, std::size_t i) {
    return i + 1 < record.size() && record[i] == '"' && record[i + 1] == '"';
}

// What a doubled quote inside a quoted field is.
enum class DoubledQuote {
    Toggles,     // two toggles: it disappears
    IsOneQuote,  // one quote of the field's text, as a spreadsheet reads it
};

// Cuts a record at the commas outside double quotes into `fields` (cleared
// first, its storage reused). A double quote turns quoting over and is not
// kept; nothing is trimmed. Every field is kept: a record of n commas gives
// n + 1 fields, the empty record one empty field.
void splitCommaFields(std::string_view record, std::vector<std::string>& fields,
                      DoubledQuote doubled = DoubledQuote::Toggles);

}  // namespace qv
