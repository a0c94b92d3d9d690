#include "common/db/compaction.h"

#include "common/db/database.h"
#include "common/text/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace qv::db {

namespace fs = std::filesystem;

namespace {

// The file's data, or the folder's entries, on the disk before we go on.
void flush(const fs::path& p, bool folder) {
    int fd = ::open(p.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot open " + p.string());
    int rc = ::fsync(fd);
    int e = errno;
    ::close(fd);
    if (rc != 0) throw std::system_error(e, std::generic_category(), "cannot flush " + p.string());
}

void removeQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

// The log files SQLite would have made beside a database file.
void removeLogs(const fs::path& file) {
    for (const char* log : {"-wal", "-shm", "-journal"}) removeQuietly(file.string() + log);
}

// Every spelling of a name in the folder, with the log files SQLite would
// have made beside it.
void removeEverySpelling(const fs::path& folder, const std::string& name) {
    try {
        for (int i = 0; i < 16; ++i) {
            auto found = findFile(name, folder);
            if (!found) break;
            fs::remove(folder / *found);
        }
    } catch (const std::exception&) {
    }
    removeLogs(folder / name);
}

// The backup: the same file under a second name where the file system
// allows, otherwise a copy of it.
void makeBackup(const fs::path& database, const fs::path& backup) {
    if (::link(database.c_str(), backup.c_str()) == 0) return;
    try {
        fs::copy_file(database, backup);
        flush(backup, false);
    } catch (...) {
        removeQuietly(backup);
        throw;
    }
}

std::string describe(const std::exception& e) { return e.what(); }

}  // namespace

Compactor defaultCompactor() {
    return [](const std::string& source, const std::string& target) { Database::vacuumInto(source, target); };
}

CompactionResult compactThroughBackup(const CompactionOptions& o) {
    CompactionResult r;
    auto step = [&](CompactionStep s) {
        if (o.afterStep) o.afterStep(s);
    };
    std::string found;
    try {
        found = Database::resolve(o.database);
    } catch (const DbError& e) {
        r.failure = e.description();
        return r;
    }
    if (found.empty()) {
        r.failure = "Could not find the database file '" + o.database + "'.";
        return r;
    }
    const fs::path dbPath = fs::absolute(found).lexically_normal();
    const fs::path folder = dbPath.parent_path();
    // The compacted file takes the database's own spelling, so that every
    // program finds the same file, and the same lock, afterwards.
    const fs::path temp = folder / (dbPath.filename().string() + ".compacting");
    const fs::path backup = folder / o.backup;
    bool backedUp = false;
    std::unique_ptr<DatabaseLock> hold;
    try {
        hold = DatabaseLock::exclusive(found);
        step(CompactionStep::Held);

        // No rename while a log is open: a log left beside the new file would
        // be applied to it.
        Database::settle(found);
        if (!Database::selfContained(found))
            throw DbError(err::WriteFailed, "The log of the database could not be folded back into it.");
        removeQuietly(dbPath.string() + "-shm");
        std::vector<std::string> tables;
        {
            auto source = Database::open(found, OpenMode::Shared);
            tables = source->tableNames();
            source->close();
        }
        step(CompactionStep::Settled);

        removeEverySpelling(folder, o.backup);
        removeEverySpelling(folder, temp.filename().string());
        makeBackup(dbPath, backup);
        backedUp = true;
        step(CompactionStep::BackedUp);

        o.compact(dbPath.string(), temp.string());
        {
            // The result must be a database with the same tables before it
            // takes the name.
            auto check = Database::open(temp.string(), OpenMode::Exclusive);
            const bool same = check->tableNames() == tables;
            check->close();
            if (!same) throw DbError(err::WriteFailed, "The compacted database does not hold every table.");
        }
        if (!Database::selfContained(temp.string()))
            throw DbError(err::WriteFailed, "The compacted database was left with a log.");
        step(CompactionStep::Written);

        flush(temp, false);
        step(CompactionStep::Flushed);

        fs::rename(temp, dbPath);
        flush(folder, true);
        step(CompactionStep::Replaced);
    } catch (const std::exception& e) {
        r.failure = describe(e);
        removeQuietly(temp);
        removeLogs(temp);
        // The database was never moved: the backup is only a second name of it.
        if (backedUp) removeEverySpelling(folder, o.backup);
        return r;
    }
    if (!o.keepBackup) {
        removeEverySpelling(folder, o.backup);
        try {
            flush(folder, true);
        } catch (const std::exception&) {
        }
    }
    r.compacted = true;
    return r;
}

}  // namespace qv::db
