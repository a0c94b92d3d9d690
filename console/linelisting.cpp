#include "console/linelisting.h"

#include "common/db/database.h"
#include "common/jobtables.h"
#include "common/programstart.h"
#include "common/text/files.h"
#include "platform/drives.h"
#include "platform/files.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace qv::console {

namespace {
constexpr const char* ListingName = "pofile.dat";

bool hasRows(db::Database& db, const char* table) {
    return db.hasTable(table) && db.openTable(table)->recordCount() > 0;
}

// A job imported and not sorted since (a new or an empty mmwork): the
// listing here is an earlier job's, as the import drops the bags the
// sortation makes with it, and a cancelled sortation leaves them empty. The
// clean-up drops mmwork with the listing. A database that cannot be read
// leaves the question to the copy.
bool listingOfAnEarlierJob() {
    try {
        auto db = db::Database::open(start::DatabaseName, db::OpenMode::Shared);
        return db->hasTable(jobtables::Mmwork) && !hasRows(*db, jobtables::Bags);
    } catch (const db::DbError&) {
        return false;
    }
}
}  // namespace

std::optional<QString> copyLineListing(const QString& drive) {
    const QString target = drive + QStringLiteral(":\\pofile.dat");
    try {
        refuseNonRegular(ListingName);
    } catch (const NotRegularFile& e) {
        return QString::fromStdString(e.what());
    }
    if (!fileExists(ListingName)) return QStringLiteral("File not found: pofile.dat");
    if (listingOfAnEarlierJob())
        return QStringLiteral("POFILE.DAT is the line listing of an earlier job: the job imported since has not "
                              "been sorted. Run Print PO Reports first, then copy the listing.");

    // The box holds one character: a drive letter or nothing at all.
    const QString folder = drive.size() == 1 ? platform::driveLetterFolder(drive.at(0)) : QString();
    if (folder.isEmpty()) return QStringLiteral("Bad file name or number: ") + target;
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("Path not found: drive %1 (%2) is not available").arg(drive.toUpper(), folder);

    const std::filesystem::path dir = pathFromUtf8(folder.toStdString());
    try {
        copyFile(ListingName, utf8FromPath(dir / ListingName));
    } catch (const std::filesystem::filesystem_error& e) {
        const auto code = e.code();
        const QString where = QString::fromStdString(utf8FromPath(dir / ListingName));
        if (code == std::errc::permission_denied || code == std::errc::read_only_file_system ||
            code == std::errc::operation_not_permitted)
            return QStringLiteral("Permission denied: ") + where;
        if (code == std::errc::no_space_on_device) return QStringLiteral("Disk full: ") + where;
        return QString::fromStdString(e.code().message()) + QStringLiteral(": ") + where;
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    }
    return std::nullopt;
}

}  // namespace qv::console
