// Damage done to a closed database file, as a failing disk or a hand edit
// would leave it: zeroed pages, and SQL run past the database layer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qv::testkit {

namespace fs = std::filesystem;

std::uint64_t pageSizeOf(const fs::path& file);
std::uint64_t pageCountOf(const fs::path& file);

// Zeroes the middle half of the pages after the first `from` (those a job
// added: its rows and indexes).
void zeroPagesAfter(const fs::path& file, std::uint64_t from);

// Zeroes one leaf page from the middle of a table.
void zeroLeafPageOf(const fs::path& file, const std::string& table);

// Runs SQL on the file straight through SQLite, with the layer's collation,
// for edits no program would make (a trigger, a view in a table's place).
void rawSql(const fs::path& file, const std::string& sql);

}  // namespace qv::testkit
