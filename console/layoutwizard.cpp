#include "console/layoutwizard.h"

#include "console/layoutfile.h"
#include "console/positionlimit.h"

#include "common/layoutrow/layoutrow.h"
#include "common/text/chars.h"
#include "common/text/lines.h"

#include <algorithm>
#include <iterator>
#include <system_error>

namespace qv::console::wizard {

namespace {

// The parts a proposal fills, in its order, with the length each is cut to
// (0 = not cut). Postcode 2 is never proposed.
struct Proposed {
    Part part;
    int cap;
};
constexpr Proposed kProposal[] = {{Name, 45}, {Add1, 45}, {Add2, 45}, {Add3, 45}, {Town, 30},
                                  {County, 30}, {Postcode1, 0}, {Ref, 0}};
constexpr int kProposed = 8;

// The row's from- and length-fields of each part.
constexpr const char* kFields[PartCount] = {"name1", "address11", "address21", "address31", "town",
                                            "county", "postcode1", "postcode2", "ref"};

// The record as characters, each one UTF-8 sequence.
std::vector<std::string> characters(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

constexpr const char* kNames[PartCount] = {"Name", "Address Line 1", "Address Line 2", "Address Line 3", "Town",
                                           "County", "Postcode 1", "Postcode 2", "Reference"};

}  // namespace

const char* partName(Part p) { return kNames[p]; }

std::optional<Refusal> checkLimits(const Parts& parts) {
    for (int p = 0; p < PartCount; ++p) {
        const PartValues& v = parts[std::size_t(p)];
        if (v.start > LastColumn)
            return Refusal{beyondLastColumn(Position::Start, kNames[p], v.start), Part(p), true};
        if (v.length > LastColumn)
            return Refusal{beyondLastColumn(Position::Length, kNames[p], v.length), Part(p), false};
    }
    return std::nullopt;
}

std::string rulerTens() {
    std::string line(190, ' ');
    for (int n = 10; n <= 190; n += 10) {
        const std::string digits = std::to_string(n);
        line.replace(std::size_t(n) - digits.size(), digits.size(), digits);
    }
    return line;
}

std::string rulerUnits() {
    std::string line;
    for (int i = 0; i < 20; ++i) line += "1234567890";
    return line;
}

std::vector<std::string> firstRecords(const std::string& path) {
    const FileTest t = testFile(path);
    if (t.missing()) throw FileUnreadable("The file " + path + " cannot be found.");
    if (!t.ok()) throw FileUnreadable("The file " + path + " cannot be read.  " + t.description);
    std::vector<std::string> lines;
    try {
        LineReader in(t.file);
        std::string line;
        while (int(lines.size()) < RecordsShown && in.readLine(line)) lines.push_back(line);
    } catch (const std::exception& e) {
        throw FileUnreadable("The file " + path + " cannot be read.  " + e.what());
    }
    return lines;
}

Parts DoAscii(const std::string& record) {
    Parts parts{};
    bool finished[kProposed] = {};
    bool gap = false;
    const std::vector<std::string> ch = characters(record);
    const int L = int(ch.size());
    auto blank = [&](int column) { return column >= 1 && column <= L && ch[std::size_t(column - 1)] == " "; };

    for (int c = 1; c <= L - 1; ++c) {
        if (gap && blank(c)) continue;
        gap = false;
        int k = 0;
        while (k < kProposed && finished[k]) ++k;
        if (k == kProposed) continue;
        PartValues& current = parts[kProposal[k].part];
        if (current.start == 0) {
            current.start = c;
            if (k > 0) {
                PartValues& before = parts[kProposal[k - 1].part];
                int length = current.start - before.start;
                if (kProposal[k - 1].cap != 0 && length > kProposal[k - 1].cap) length = kProposal[k - 1].cap;
                before.length = length;
            }
        }
        current.shown += ch[std::size_t(c - 1)];
        if (blank(c) && blank(c + 1) && blank(c + 2) && blank(c + 3) && blank(c + 4)) {
            finished[k] = true;
            gap = true;
        }
    }

    // The last part found runs to the end of the record, less its last column.
    auto done = [&](Part p) {
        for (int k = 0; k < kProposed; ++k)
            if (kProposal[k].part == p) return finished[k];
        return false;
    };
    Part last = Ref;
    if (!done(Town) || parts[County].start == 0) last = Town;
    else if (!done(County) || parts[Postcode1].start == 0) last = County;
    else if (!done(Postcode1) || parts[Ref].start == 0) last = Postcode1;
    parts[last].length = L - parts[last].start;

    // No postcode found: the parts found move down to end at postcode 1.
    if (parts[Postcode1].shown.empty()) {
        if (!parts[County].shown.empty()) {
            parts[Postcode1] = parts[County];
            parts[County] = parts[Town];
            parts[Town] = parts[Add3];
            parts[Add3] = PartValues{};
        } else {
            parts[Postcode1] = parts[Town];
            parts[County] = parts[Add3];
            parts[Town] = parts[Add2];
            parts[Add2] = PartValues{};
            parts[Add3] = PartValues{};
        }
    }
    return parts;
}

std::string cut(const std::string& record, int start, int length) {
    if (start < 1 || length <= 0) return {};
    return mid(record, std::size_t(start), std::size_t(length));
}

void ShowParts(const std::string& record, Parts& parts) {
    for (PartValues& p : parts)
        if (p.start != 0) p.shown = cut(record, p.start, p.length);
}

namespace {

// Whether the row the wizard overwrites (the first in storage order) lays out
// a delimited file.
bool overwritesDelimitedRow(db::Database& db) {
    auto rs = db.openTable(layout::Table);
    if (rs->recordCount() == 0) return false;
    rs->moveFirst();
    return !equalsIgnoreCase(trim(rs->get(layout::TypeField).toString()), "A");
}

}  // namespace

void applyLayout(db::Database& db, const std::string& file, const Parts& parts) {
    layout::LayoutWrite w{layout::Target::FirstInStorageOrder, file, {}, true};
    for (int p = 0; p < PartCount; ++p) {
        w.fields.emplace_back(std::string(kFields[p]) + "from", parts[std::size_t(p)].start);
        w.fields.emplace_back(std::string(kFields[p]) + "length", parts[std::size_t(p)].length);
    }
    // The further pieces of a fixed-column row stay, but those of a delimited
    // row are field numbers: read as columns they would add stray text to
    // every name and address of the file, so they are cleared.
    if (overwritesDelimitedRow(db)) {
        for (int p = 0; p < layout::PartCount; ++p) {
            const std::string name = layout::kPartFields[std::size_t(p)].name;
            if (std::find(std::begin(kFields), std::end(kFields), name) != std::end(kFields)) continue;
            w.fields.emplace_back(layout::fromField(p), 0);
            w.fields.emplace_back(layout::lengthField(p), 0);
        }
    }
    w.fields.emplace_back(layout::SkipFirstField, "N");
    w.fields.emplace_back(layout::TypeField, "A");
    layout::writeLayout(db, w);
}

}  // namespace qv::console::wizard
