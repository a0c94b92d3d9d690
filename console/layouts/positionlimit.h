// The largest number a layout's start or length can be: the stored fields
// are 16-bit, and a larger value would be cut or refused by the database
// after the user had been told nothing.
#pragma once

#include <string>

namespace qv::console {

inline constexpr long LastColumn = 32767;

// Which number of a part is too large, for the message.
enum class Position { Start, Length, FieldNumber };

// "The start of Town (40000) is beyond column 32767, the last a layout can
// hold." and its kin for a length and a field number.
std::string beyondLastColumn(Position which, const std::string& part, long value);

}  // namespace qv::console
