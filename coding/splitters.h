// Address fields of one imported record, and the two splitters of the
// comma-delimited layouts: rmvquotes ("C", fields may be in double quotes;
// two quotes in a row inside one are one quote of its text) and rmvcomma
// ("N", quotes optional and never stored).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv::coding {

// The nine address fields of an mmwork row, in table order.
struct AddressFields {
    std::string name, address1, address2, address3, address4, town, county, postcode, ref;
};

// The 18 layout parts, in the order every reader and writer handles them.
enum Part : int {
    Name1, Name2, Name3,
    Address11, Address12, Address13,
    Address21, Address22, Address23,
    Address31, Address32, Address33,
    Address4, Town, County, Postcode1, Postcode2, Ref,
    PartCount
};

// Record field number of each part: 0 = not used, 1 = the first field.
using FieldNumbers = std::array<std::uint8_t, PartCount>;

void rmvcomma(std::string_view record, const FieldNumbers& numbers, AddressFields& out);
void rmvquotes(std::string_view record, const FieldNumbers& numbers, AddressFields& out);

}  // namespace qv::coding
