// The record machinery behind the layout designer: cutting a record into its
// fields (at most 30; the type test and the comma split are shared), finding
// the columns of a fixed-column file from its first three records, the sample
// texts an assignment gives, and the caption -> field number lookup.
//
// Records are UTF-8 text as LineReader returns them; positions count
// characters, as the import counts them.
#pragma once

#include "common/text/delimited.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv::designer {

inline constexpr int MaxFields = 30;
inline constexpr const char* EndMarker = "END";

// The file type test is the suite's one (common/text/delimited.h).
using qv::DetectType;
using qv::isDelimited;
using qv::TypeFixed;
using qv::TypePlain;
using qv::TypeQuoted;

// Slots 0 to 31. Slot 0 is never written. The slot after the last field holds
// "END"; markerAt remembers which, so that a field whose text happens to be
// "END" is not taken for the end of the list.
struct FieldTable {
    std::array<std::string, MaxFields + 2> slot;
    int markerAt = 0;  // 0: no marker (more than 30 fields, or cut by DoAscii)

    const std::string& operator[](int n) const { return slot.at(static_cast<std::size_t>(n)); }
    bool isEnd(int n) const { return n != 0 && n == markerAt; }
    // Number of fields the list shows: up to the marker, never more than 30.
    int listLength() const;
    void clear();
};

// The comma split into slots 1 to 30 and the end marker; a doubled quote
// disappears, as the designer has always shown it.
void SplitFields(std::string_view record, FieldTable& fields);

// Start and end positions of the columns of a fixed-column file, slots 1 to
// 30; a start of 0 means no column, an end of 0 that no end was recorded.
struct Columns {
    std::array<int, MaxFields + 1> start{};
    std::array<int, MaxFields + 1> end{};
    int lastColumn = 0;          // the column the scan of the first record ended in
    int firstRecordLength = 0;   // in characters
};

enum class ScanResult { Ok, TooManyColumns };

// Finds the columns from the first three records; fills the start, end and
// field tables and the end marker. More than 30 columns is refused.
ScanResult DoFirstAscii(std::string_view record1, std::string_view record2, std::string_view record3,
                        FieldTable& fields, Columns& columns);

// A later record of a fixed-column file, cut at the columns found.
void DoAscii(std::string_view record, const Columns& columns, FieldTable& fields);

// The 18 address parts, in the order every reader and writer takes them.
enum Part : int {
    Name1, Name2, Name3,
    Add11, Add12, Add13,
    Add21, Add22, Add23,
    Add31, Add32, Add33,
    Add4, Town, County, Post1, Post2, Ref,
    PartCount
};
// Field number of each part: 0 none, 1 to 30 a field (fldName1 .. fldRef).
using PartNumbers = std::array<std::uint8_t, PartCount>;

struct SampleTexts {
    std::string name, add1, add2, add3, add4, town, county, post, ref;
};

SampleTexts ShowSample(const FieldTable& fields, const PartNumbers& parts);

// Captions of the field list by field number, slots 1 to 30 (slot 0 unused).
using CaptionTable = std::array<std::string, MaxFields + 1>;

// The first position 1..30 whose caption equals `caption` exactly; 0 if none.
int FieldNumber(const CaptionTable& captions, std::string_view caption);

// "Column A" .. "Column Z", then "Column AA" .. "Column DD".
std::string columnCaption(int n);

// Caption of field n: its column name without headings; with headings the
// heading itself, or "Field" and the number when the heading is blank (a
// blank caption could never be told apart or assigned).
std::string fieldCaption(int n, bool headings, const std::string& fieldText);

}  // namespace qv::designer
