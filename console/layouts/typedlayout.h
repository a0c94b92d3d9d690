// The typed layout of a customer's file: for eight address parts a start
// position and a length (fixed columns) or a field number and a number of
// fields (comma-delimited), one row of `data` per file. The checks made
// before a row is stored, and the row's fields.
#pragma once

#include "common/db/database.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qv::console::typed {

// The eight parts in the order every check visits them.
enum Part : int { Name, Address1, Address2, Address3, Town, County, Postcode, Ref, PartCount };
inline constexpr int BoxCount = 2 * PartCount;  // first box, second box, part by part

// The layout type, stored in `type` as "A", "C" or "N".
enum class Kind { Fixed, Comma, NoQuotes };
std::string typeCode(Kind k);
// "A" is Fixed, "C" Comma, any other value NoQuotes.
Kind kindOf(const std::string& type);

// The row's field of each box ("namefrom", "namelength", ... "reflength").
const std::array<std::string, BoxCount>& boxFields();

// The caption of each box's label for a layout type.
const char* caption(int box, Kind k);

// A box's number: its text read as digits, an empty text 0.
long boxValue(const std::string& text);

// What a failed check asks of the form.
struct CheckFailure {
    enum class Focus { FileBox, Box, Stay };
    std::string message;
    Focus focus = Focus::Stay;
    int box = -1;  // Focus::Box: the box to correct
};

// The checks before storing, in their order: the file test, then the limits
// of the layout type, part by part; at most one failure.
std::optional<CheckFailure> valid(const std::string& file, Kind kind, const std::array<std::string, BoxCount>& boxes);

// The stored files, in the order of index File.
std::vector<std::string> listFiles(db::Database& db);

// A stored row: its type and the sixteen numbers as box texts.
struct Stored {
    std::string type;
    std::array<std::string, BoxCount> boxes;
};
std::optional<Stored> load(db::Database& db, const std::string& file);

// Stores type and the sixteen numbers in the file's row, or a new row with
// the file; nothing else of the row is touched. DbError on failure.
void store(db::Database& db, const std::string& file, Kind kind, const std::array<std::string, BoxCount>& boxes);

// Deletes the file's row; false when it has none.
bool remove(db::Database& db, const std::string& file);

}  // namespace qv::console::typed
