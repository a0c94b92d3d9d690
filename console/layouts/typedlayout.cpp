#include "console/layouts/typedlayout.h"

#include "console/layouts/layoutfile.h"
#include "console/layouts/positionlimit.h"

#include "common/layoutrow/layoutrow.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace qv::console::typed {

namespace {

struct PartRule {
    const char* field;      // "name": namefrom and namelength
    const char* name;       // as messages name the part
    int fixedLimit;         // fixed columns: greatest length
    int fieldLimit;         // comma-delimited: greatest number of fields
    const char* noLength;
    const char* tooLong;
    const char* tooManyFields;
    const char* captionFrom[2];   // fixed, delimited
    const char* captionLength[2];
};

const PartRule kRules[PartCount] = {
    {"name", "Name", 45, 3, "Must specify name length if entered start position", "Name length cannot be greater than 45",
     "Maximum number of fields for name is 3", {"Name start position", "Name field number"},
     {"Name length", "Number of fields"}},
    {"address1", "Address 1", 45, 2, "Must specify address1 length if entered start position",
     "Address 1 length cannot be greater than 45", "Maximum number of fields for address1 is 2",
     {"Address1 start position", "Address1 field number"}, {"Address1 length", "Number of fields"}},
    {"address2", "Address 2", 45, 1, "Must specify address2 length if entered start position",
     "Address 2 length cannot be greater than 45", "Maximum number of fields for address2 is 1",
     {"Address2 start position", "Address2 field number"}, {"Address2 length", "Number of fields"}},
    {"address3", "Address 3", 45, 1, "Must specify address3 length if entered start position",
     "Address 3 length cannot be greater than 45", "Maximum number of fields for address3 is 1",
     {"Address3 start position", "Address3 field number"}, {"Address3 length", "Number of fields"}},
    {"town", "Town", 30, 1, "Must specify town length if entered start position", "Town length cannot be greater than 30",
     "Maximum number of fields for town is 1", {"Town start position", "Town field number"},
     {"Town length", "Town number of fields"}},
    {"county", "County", 30, 1, "Must specify county length if entered start position",
     "County length cannot be greater then 30", "Maximum number of fields for county is 1",
     {"County start position", "County field number"}, {"County length", "Number of fields"}},
    {"postcode", "Postcode", 8, 2, "Must specify postcode length if entered start position",
     "Postcode length cannot be greater then 8", "Maximum number of fields for postcode is 2",
     {"Postcode start position", "Postcode field number"}, {"Postcode length", "Number of fields"}},
    {"ref", "Ref", 20, 1, "Must specify ref length if entered start position", "Ref length cannot be greater than 20",
     "Maximum number of fields for ref is 1", {"Ref start position", "Ref field number"},
     {"Ref length", "Number of fields"}},
};

constexpr const char* kUnexpectedLead = "An unexpected error occurred.  Error Number: ";
constexpr const char* kUnexpectedDescription = "  Description: ";

std::vector<std::string> fieldNames() {
    const auto& f = boxFields();
    return {f.begin(), f.end()};
}

// The number a field holds, as a box shows it; an empty field shows 0.
std::string boxText(const db::Value& v) {
    if (v.isNull() || (v.isText() && v.text().empty())) return "0";
    return v.toString();
}

layout::Fields rowFields(Kind kind, const std::array<std::string, BoxCount>& boxes) {
    layout::Fields out;
    const auto& names = boxFields();
    for (int b = 0; b < BoxCount; ++b) out.emplace_back(names[std::size_t(b)], db::Value(static_cast<std::int64_t>(boxValue(boxes[std::size_t(b)]))));
    out.emplace_back(layout::TypeField, typeCode(kind));
    return out;
}

}  // namespace

std::string typeCode(Kind k) { return k == Kind::Fixed ? "A" : k == Kind::Comma ? "C" : "N"; }

Kind kindOf(const std::string& type) {
    if (type == "A") return Kind::Fixed;
    if (type == "C") return Kind::Comma;
    return Kind::NoQuotes;
}

const std::array<std::string, BoxCount>& boxFields() {
    static const std::array<std::string, BoxCount> names = [] {
        std::array<std::string, BoxCount> n;
        for (int p = 0; p < PartCount; ++p) {
            n[std::size_t(2 * p)] = std::string(kRules[p].field) + "from";
            n[std::size_t(2 * p + 1)] = std::string(kRules[p].field) + "length";
        }
        return n;
    }();
    return names;
}

const char* caption(int box, Kind k) {
    const PartRule& r = kRules[box / 2];
    const int column = k == Kind::Fixed ? 0 : 1;
    return box % 2 == 0 ? r.captionFrom[column] : r.captionLength[column];
}

long boxValue(const std::string& text) {
    long v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        if (v > (std::numeric_limits<long>::max() - 9) / 10) return std::numeric_limits<long>::max();
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<CheckFailure> valid(const std::string& file, Kind kind, const std::array<std::string, BoxCount>& boxes) {
    const FileTest t = testFile(file);
    if (t.missing()) return CheckFailure{"A valid file must be entered", CheckFailure::Focus::FileBox};
    if (!t.ok())
        return CheckFailure{kUnexpectedLead + std::to_string(t.number) + kUnexpectedDescription + t.description,
                            CheckFailure::Focus::Stay};
    for (int p = 0; p < PartCount; ++p) {
        const long first = boxValue(boxes[std::size_t(2 * p)]);
        const long second = boxValue(boxes[std::size_t(2 * p + 1)]);
        const PartRule& r = kRules[p];
        // The second box is held far below this by the checks that follow.
        if (first > LastColumn)
            return CheckFailure{beyondLastColumn(kind == Kind::Fixed ? Position::Start : Position::FieldNumber,
                                                 r.name, first),
                                CheckFailure::Focus::Box, 2 * p};
        const char* message = nullptr;
        if (kind == Kind::Fixed) {
            if (first != 0 && second == 0) message = r.noLength;
            else if (second > r.fixedLimit) message = r.tooLong;
        } else if (second > r.fieldLimit) {
            message = r.tooManyFields;
        }
        if (message) return CheckFailure{message, CheckFailure::Focus::Box, 2 * p + 1};
    }
    return std::nullopt;
}

std::vector<std::string> listFiles(db::Database& db) { return layout::storedFiles(db); }

std::optional<Stored> load(db::Database& db, const std::string& file) {
    std::vector<std::string> names = fieldNames();
    names.push_back(layout::TypeField);
    const auto fields = layout::readFields(db, file, names);
    if (!fields) return std::nullopt;
    Stored s;
    for (int b = 0; b < BoxCount; ++b) s.boxes[std::size_t(b)] = boxText((*fields)[std::size_t(b)].second);
    s.type = fields->back().second.toString();
    return s;
}

void store(db::Database& db, const std::string& file, Kind kind, const std::array<std::string, BoxCount>& boxes) {
    layout::writeLayout(db, {layout::Target::RowOfFile, file, rowFields(kind, boxes), false});
}

bool remove(db::Database& db, const std::string& file) { return layout::deleteLayout(db, file); }

}  // namespace qv::console::typed
