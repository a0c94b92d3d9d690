// The failure that ends a sortation run as failed: something the run must
// store or write could not be (or mmwork could not be walked on). Nothing is
// handed on after it. what() names what and gives the cause:
// "POFILE.DAT could not be written: No space left on device".
#pragma once

#include "common/db/database.h"

#include <stdexcept>
#include <string>

namespace qv::sortation {

class RunFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Commits the open transaction, if any, with the indexes of the tables it
// made, and saves (Database::save); a failure is a RunFailure, "<what> could
// not be stored: <cause>".
inline void saveOrFail(db::Database& db, const std::string& what) {
    try {
        if (db.inTransaction()) {
            db.buildIndexes();
            db.commitTransaction();
        }
        db.save();
    } catch (const db::DbError& e) {
        throw RunFailure(what + " could not be stored: " + e.description());
    }
}

}  // namespace qv::sortation
