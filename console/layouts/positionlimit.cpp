#include "console/layouts/positionlimit.h"

namespace qv::console {

std::string beyondLastColumn(Position which, const std::string& part, long value) {
    const std::string limit = std::to_string(LastColumn);
    const std::string of = " of " + part + " (" + std::to_string(value) + ") is beyond ";
    switch (which) {
    case Position::Start: return "The start" + of + "column " + limit + ", the last a layout can hold.";
    case Position::Length: return "The length" + of + limit + " characters, the most a layout can hold.";
    case Position::FieldNumber: return "The field number" + of + limit + ", the last a layout can hold.";
    }
    return {};
}

}  // namespace qv::console
