// The merge file for a word processor's letter merge: the job's coded
// addresses in label order (mmwork by Key2) with their Mailsort code.
#pragma once

#include "common/db/database.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace qv::mergeexport {

inline constexpr const char* MergeFileName = "DOVODEDOD.DAT";

struct ExportResult {
    enum class Status {
        Done,       // every row written
        Cancelled,  // stopped by the user; the file holds the rows written so far
        NotReady,   // no mmwork, no row in it, or not sorted (no bags); the file is left empty
        KeysChanged,  // sorted by other job keys than now (error names them); the file is left empty
        Failed,     // the file or the database failed (see error); an earlier file stays as it was
    };
    Status status = Status::Done;
    std::uint64_t rows = 0;  // address lines written
    std::string error;
    int errorNumber = 0;     // the database's error number, 0 for a file error
};

// Called after each row with the rows written and the total; returning false
// stops the export before the next row.
using RowProgress = std::function<bool(std::uint64_t written, std::uint64_t total)>;

// Writes the heading line and one line per mmwork row into `file`, reading
// mmwork from the open database. The new file replaces an earlier one (or a
// link of that name) only when it is complete, cancelled or left empty; a
// failure leaves the earlier file whole.
ExportResult writeMergeFile(db::Database& db, const std::filesystem::path& file,
                            const RowProgress& progress = {});

// The program's job: opens mailsort.mdb shared in the current folder and
// writes DOVODEDOD.DAT there. A database held by another program comes back
// as Failed with its error number (3356 / 3045).
ExportResult exportMergeFile(const RowProgress& progress = {});

}  // namespace qv::mergeexport
