// The advisory lock on "<database file>.lock" that keeps programs apart: a
// shared hold per open, an exclusive one for an exclusive open. Within one
// process the holds are counted in the registry.
#pragma once

#include "common/db/database.h"

#include <memory>
#include <string>

namespace qv::db {

struct LockHandle {
    std::string key;
    int fd = -1;
    bool exclusive = false;
    bool held = false;
    ~LockHandle();
};

// Takes the hold or refuses it (FileInUse, ExclusivelyHeld, CannotOpen).
std::unique_ptr<LockHandle> acquireLock(const std::string& dbPath, OpenMode mode);

}  // namespace qv::db
