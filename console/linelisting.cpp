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

// The listing goes to the Post Office only as the line listing of the job in
// hand, sorted by the keys it has now: after a new import it is an earlier
// job's (the import drops the bags the sortation makes with it, and a
// cancelled sortation leaves them empty); after a change of the keys it
// lists bags the labels will not print. Why not, or nothing when it is.
std::optional<QString> notThisJobsListing() {
    jobtables::SortState sort;
    try {
        auto db = db::Database::open(start::DatabaseName, db::OpenMode::Shared);
        sort = jobtables::sortState(*db);
    } catch (const db::DbError& e) {
        return QStringLiteral("POFILE.DAT has not been copied: the database cannot be read to tell whether it is the "
                              "line listing of the job in hand. ") +
               QString::fromStdString(start::refusalText(e.number(), e.description()));
    }
    using Kind = jobtables::SortState::Kind;
    switch (sort.kind) {
        case Kind::Sorted: return std::nullopt;
        case Kind::NoAddresses:
            return QStringLiteral("POFILE.DAT is the line listing of no job in hand: the job's work table is missing "
                                  "or empty. Run Apply Mailsort Codes and Print PO Reports first, then copy the "
                                  "listing.");
        case Kind::NotSorted:
            return QStringLiteral("POFILE.DAT is the line listing of an earlier job: the job imported since has not "
                                  "been sorted. Run Print PO Reports first, then copy the listing.");
        case Kind::KeysChanged:
            return QStringLiteral("POFILE.DAT lists the job as it was sorted, and the job's keys have changed since: ") +
                   QString::fromStdString(jobtables::changesText(sort.changes)) +
                   QStringLiteral(". Run Print PO Reports again, then copy the listing.");
    }
    return std::nullopt;
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
    if (auto why = notThisJobsListing()) return why;

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
