// The Post Office's Mailsort files as records: the splitting of a
// comma-delimited line, the fixed columns, and which value of a record goes
// where. Plain C++ and QtCore's character classes; the database side is in
// refload.h.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qv::refimport {

// The form of all four files of one run, from the program's argument.
enum class FileForm { Comma, Fixed };

// The four files in the order they are loaded: region must be complete
// before the sectors and places look their region numbers up in it.
enum class PoFile { D, A, B, C };
constexpr std::array<PoFile, 4> kLoadOrder{PoFile::D, PoFile::A, PoFile::B, PoFile::C};

// "msortd.dat" ... as the readers name them (found without regard to case).
const char* poFileName(PoFile f);

enum class SplitFault {
    None,
    UnclosedQuote,  // a field has no closing quote
    SingleField,    // nothing after the first field
};

struct SplitLine {
    std::array<std::string, 4> field;  // field[0] is field 1
    SplitFault fault = SplitFault::None;
    int fields = 0;                    // how many were read, 1 to 4 (an empty one counts)
};

// Splits one comma-delimited line into four fields: quoted fields separated
// by commas, a field left empty by two adjacent commas, no quote inside a
// field. Position 1 is taken to be the opening quote of field 1. Fields 3
// and 4 are read only while their start lies before the last character.
SplitLine splitup(std::string_view line);

// A line that holds nothing (or only blanks) is no record.
bool isBlankLine(std::string_view line);

// The values of one record, cut from its columns or taken from its fields.
struct RegionRecord {       // msortd.dat
    std::string type, letter, residue;
};
struct SectorRecord {       // msorta.dat
    std::string outward, sector, selection;
    std::string key() const;  // mpcode: the first 5 characters of outward and sector joined
};
struct LabelRecord {        // msortb.dat
    std::string type, code, description, sortString;
    bool addsSequence() const { return type == "3"; }
};
struct PlaceRecord {        // msortc.dat
    std::string name, residue;
};

// Fixed columns, 1-based and inclusive; nothing trimmed, a short line gives
// shorter or empty values.
RegionRecord fixedRegion(std::string_view line);
SectorRecord fixedSector(std::string_view line);
LabelRecord fixedLabel(std::string_view line);
PlaceRecord fixedPlace(std::string_view line);

// The same from a split comma-delimited line (the outward code padded to 4).
RegionRecord commaRegion(const SplitLine& s);
SectorRecord commaSector(const SplitLine& s);
LabelRecord commaLabel(const SplitLine& s);
PlaceRecord commaPlace(const SplitLine& s);

// What keeps a record the reader takes from fitting its file's form, in
// words that follow "is not a valid record: "; nullopt when it fits (and for
// the records msortd.dat passes over). A field that must be a number must be
// one of its width in digits (the region letter one of A to P); the line, or
// the comma-delimited fields, must reach the record's last number, while
// text after it may be cut short or missing. The comma form's outward code
// has at most 4 characters; the outward code holds no control character
// (a NUL, a tab, ...) and no punctuation, the sector digit no control
// character before its own check. Blank keys and names are left to the
// reader.
std::optional<std::string> fixedMisfit(PoFile file, std::string_view line);
std::optional<std::string> commaMisfit(PoFile file, const SplitLine& s);

// Only type-6 records of msortd.dat give a region.
inline bool takesRegion(const RegionRecord& r) { return r.type == "6"; }

// The region number of a letter: its character code minus 64 ("A" 1, "P"
// 16). The code is the letter's Windows-1252 code, "?" for a character that
// has none; an empty letter has no number.
std::optional<int> regionNumber(std::string_view letter);

}  // namespace qv::refimport
