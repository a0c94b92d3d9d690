// Compacting mailsort.mdb through the backup mailsort.bak after an import.
#pragma once

#include <functional>
#include <string>

namespace qv::refimport {

// Compacts a closed database file into a new one (tests replace it).
using Compactor = std::function<void(const std::string& source, const std::string& target)>;
Compactor defaultCompactor();

// In the current folder, while no other program holds the database: the
// closed mailsort.mdb becomes mailsort.bak, is compacted back under its own
// name and opened once to prove it; then the backup is deleted. Returns false
// when the database was not compacted; the uncompacted database is then back
// under its name (or was never moved).
bool compactThroughBackup(const Compactor& compact = defaultCompactor());

}  // namespace qv::refimport
