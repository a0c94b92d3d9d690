// Cutting a fixed-column record into the address fields by its layout: each
// part is a start column (1-based, 0 = no such part) and a length.
#pragma once

#include "coding/splitters.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace qv::coding {

struct ColumnPart {
    std::int16_t from = 0;
    std::int16_t length = 0;
};
using FixedLayout = std::array<ColumnPart, PartCount>;

// The first part of a field whose start column is negative, or a used part
// with a negative start or length (Mid would refuse it); -1 when none.
int invalidFixedPart(const FixedLayout& layout);

// Fills the nine fields from the record: the pieces of a field's parts joined
// by one blank, as they stand, cut to 45, 45, 45, 45, 30, 30, 30, 8 and 20
// characters. The layout must have passed invalidFixedPart.
void cutFixed(std::string_view record, const FixedLayout& layout, AddressFields& out);

}  // namespace qv::coding
