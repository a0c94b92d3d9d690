// What the key-field form finds in the chosen file: its format, its fields
// (for a fixed-column file, the columns from its first three records) and
// the entries of the key list. No widgets; the form shows the result.
//
// Records are UTF-8 as LineReader returns them; positions count characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::duplicates {

// The key list has at most 30 entries, and a fixed-column file at most 30
// columns.
inline constexpr int MaxColumns = 30;

// Format and columns of the chosen file, as the run reads it.
struct FileLayout {
    std::string fileType;                      // "2" quoted, "3" plain, "" fixed columns
    std::array<int, MaxColumns + 2> start{};   // 1..30: first position of column i, 0 none
    std::array<int, MaxColumns + 2> end{};     // 1..30: last position of column i (inclusive), 0 none
    int fields = 0;                            // entries of the key list: fields of the first record

    bool delimited() const;
};

// GetFileType: "2", "3" or "" (fixed columns), the suite's one test.
std::string GetFileType(std::string_view firstRecord);

// The fields the first record gives the list: their texts (the headings),
// one per list entry.
struct FirstFields {
    std::vector<std::string> texts;  // texts[0] is field 1
};

// SplitFirst: the comma split of the first record, at most 30 entries.
FirstFields SplitFirst(std::string_view firstRecord);

// FindColumns: the columns of a fixed-column file from its first three
// records. A column begins at the first character, in any of the three
// records, that follows four blanks there; columns are separated where all
// three records are blank and the first stays blank for four more positions.
// Text that would start a 31st column stays in the 30th, which the run takes
// to the end of every record.
FirstFields FindColumns(std::string_view r1, std::string_view r2, std::string_view r3, FileLayout& layout);

// The caption of list entry i (1-based): the field's text unchanged with
// headings, else "Column A" .. "Column Z", "Column AA", "Column BB",
// "Column CC", "Column DD".
std::string keyCaption(int i, bool headings, const std::string& fieldText);

// Why a chosen file cannot be used.
enum class ScanProblem {
    None,
    NotFound,
    NotRegular,  // a FIFO, a folder or a device
    CannotOpen,
    NotText,
    Empty,
    EmptyFirstRecord,
    TooFewLines,  // fixed columns need three records to find them
    TextAfterEnd, // an end-of-file mark (Ctrl-Z) with records after it, on `line`
};

struct KeyScan {
    ScanProblem problem = ScanProblem::None;
    std::uint64_t line = 0;  // TextAfterEnd
    FileLayout layout;
    std::vector<std::string> captions;  // the key list, in field order
};

// Form_Load's reading of the chosen file: the first record (and for fixed
// columns the second and third), the format test, the split or the column
// finder, and the list's captions.
KeyScan scanKeyFields(const std::string& path, bool headings);

}  // namespace qv::duplicates
