// The copy of the line listing "pofile.dat" to the root of a diskette.
#pragma once

#include <QString>

#include <optional>

namespace qv::console {

// Copies "pofile.dat" from the current folder to the root of the drive the
// letter names, replacing a file of that name there. Refuses while the job in
// mailsort.mdb has been imported and not sorted since, whose listing it is
// not. Returns the failure's description, nothing on success.
std::optional<QString> copyLineListing(const QString& drive);

}  // namespace qv::console
