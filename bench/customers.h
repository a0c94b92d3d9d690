// A deterministic customer's file over the synthetic Post Office set, for the
// benchmarks that need a million addresses to import, code and sort.
#pragma once

#include "common/text/chars.h"
#include "refimport/pogen.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qv::bench {

struct Customer {
    std::string name, address1, address2, town, county, postcode, ref;
};

// Most addresses with a full postcode of a known sector, some to be matched
// by town or county, a few that cannot be coded.
class Customers {
public:
    explicit Customers(const pogen::PoData& po) : po_(po), unknown_(pogen::unknownSectorPostcodes(po, 2000, 3)) {}

    Customer make(std::uint64_t i) const {
        const std::uint64_t h = (i + 1) * 0x9E3779B97F4A7C15ull;
        const auto& s = po_.sectors[(h >> 16) % po_.sectors.size()];
        Customer c;
        c.name = "Mr A Customer " + std::to_string(i + 1);
        c.address1 = std::to_string((h >> 40) % 300 + 1) + " High Street";
        c.address2 = "Little Wickham";
        c.town = po_.towns[std::size_t(s.town)].name;
        c.county = po_.counties[std::size_t(s.county)].name;
        c.ref = "R" + std::to_string(i + 1);
        const unsigned kind = unsigned(h % 100);
        if (kind < 90) {
            c.postcode = pogen::postcode(s, unsigned(h >> 24));
        } else if (kind < 94 && !unknown_.empty()) {
            c.postcode = unknown_[(h >> 20) % unknown_.size()];  // sector unknown: coded by county or town
        } else if (kind < 97) {
            c.postcode = s.outward;  // outward code only
        } else if (kind < 99) {
            c.postcode.clear();
        } else {
            c.postcode = "XX";
            c.town = "NOWHERE";
            c.county.clear();
        }
        return c;
    }

private:
    const pogen::PoData& po_;
    std::vector<std::string> unknown_;
};

// The same n addresses in fixed columns (name 1-30, address1 31-60, address2
// 61-90, town 91-110, county 111-140, postcode 141-148, ref 149-158) and as
// quoted CSV; either path may be empty.
inline void writeCustomers(const Customers& gen, std::uint64_t n, const std::filesystem::path& fixed,
                           const std::filesystem::path& csv) {
    std::ofstream f, c;
    if (!fixed.empty()) f.open(fixed, std::ios::binary);
    if (!csv.empty()) c.open(csv, std::ios::binary);
    std::string line;
    for (std::uint64_t i = 0; i < n; ++i) {
        const Customer x = gen.make(i);
        if (f.is_open()) {
            line = padRight(x.name, 30) + padRight(x.address1, 30) + padRight(x.address2, 30) + padRight(x.town, 20) +
                   padRight(x.county, 30) + padRight(x.postcode, 8) + x.ref;
            f << line << "\r\n";
        }
        if (c.is_open())
            c << '"' << x.name << "\",\"" << x.address1 << "\",\"" << x.address2 << "\",\"" << x.town << "\",\""
              << x.county << "\",\"" << x.postcode << "\",\"" << x.ref << "\"\r\n";
    }
}

}  // namespace qv::bench
