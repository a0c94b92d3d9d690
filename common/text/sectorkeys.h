// The keys of table pcode that a typed postcode is looked up by, split the
// one way every program splits a postcode that a user typed (with or without
// the blank between its outward and inward codes).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The outward code padded to 4 characters (never cut), and that followed by
// the sector digit. std::nullopt when the text cannot be split.
struct SectorKeys {
    std::string outward;
    std::string sector;
};
std::optional<SectorKeys> sectorKeys(std::string_view postcode);

}  // namespace qv
