// Process-wide state of the layer: the open databases, the file locks this
// process holds, the tables' versions (seen by every handle on one file)
// and the commit interval. Guarded by its mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace qv::db {

class Database;

struct LockState {
    int shared = 0;
    int exclusive = 0;
    int heirFd = -1;  // an exclusive lock kept as shared for handles opened under it
};

struct Registry {
    std::mutex m;
    std::set<Database*> open;
    std::map<std::string, LockState> locks;
    std::map<std::string, std::shared_ptr<std::atomic<uint64_t>>> versions;
    int commitIntervalMs = 500;
};

Registry& registry();

// The version of a table of a database file, raised by every change to it.
std::shared_ptr<std::atomic<uint64_t>> versionOf(const std::string& dbPath, const std::string& lowerTable);
// Raises the version of every table of a database file.
void raiseVersions(const std::string& dbPath);

}  // namespace qv::db
