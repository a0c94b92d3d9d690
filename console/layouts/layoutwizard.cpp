#include "console/layouts/layoutwizard.h"

#include "console/layouts/layoutfile.h"
#include "console/layouts/positionlimit.h"

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

namespace {

// Reads the file's first records, handing each to `take` until it returns
// false; FileUnreadable when the file cannot be read.
template <class Take>
void readFirst(const std::string& path, Take take) {
    const FileTest t = testFile(path);
    if (t.missing()) throw FileUnreadable("The file " + path + " cannot be found.");
    if (!t.ok()) throw FileUnreadable("The file " + path + " cannot be read.  " + t.description);
    try {
        LineReader in(t.file);
        std::string line;
        for (int n = 1; n <= RecordsShown && in.readLine(line); ++n)
            if (!take(n, line)) break;
    } catch (const std::exception& e) {
        throw FileUnreadable("The file " + path + " cannot be read.  " + e.what());
    }
}

}  // namespace

std::string shownRecord(const std::string& record) {
    // One line a record, a column a character, under the ruler: whatever the
    // box would break a line at or widen (a lone CR, a tab, the line and
    // paragraph separators) shows as a blank.
    const std::string first = left(record, ShownColumns);
    std::string out;
    out.reserve(first.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        const auto b = static_cast<unsigned char>(first[i]);
        if (b < 0x20) {
            out += ' ';
        } else if (b == 0xE2 && first.compare(i, 2, "\xE2\x80") == 0 && i + 2 < first.size() &&
                   (first[i + 2] == '\xA8' || first[i + 2] == '\xA9')) {
            out += ' ';  // U+2028, U+2029
            i += 2;
        } else {
            out += first[i];
        }
    }
    return out;
}

FirstRecords firstRecords(const std::string& path) {
    FirstRecords out;
    readFirst(path, [&](int n, std::string& line) {
        out.shown.push_back(shownRecord(line));
        if (n == 1) out.first = std::move(line);
        return true;
    });
    return out;
}

std::optional<std::string> readRecord(const std::string& path, int n) {
    std::optional<std::string> record;
    readFirst(path, [&](int at, std::string& line) {
        if (at < n) return true;
        record = std::move(line);
        return false;
    });
    return record;
}

Parts DoAscii(const std::string& record) {
    Parts parts{};
    bool finished[kProposed] = {};
    bool gap = false;
    // A part's text is the run of characters it took, one after the other, so
    // the scan keeps where each run lies in the record and copies it once: a
    // record of megabytes is never taken apart character by character.
    std::size_t from[PartCount] = {}, to[PartCount] = {};
    const std::size_t n = record.size();
    const int L = int(charLength(record));
    // A blank is one byte, so the four characters after a blank at byte i are
    // blanks exactly when the four bytes after it are.
    auto blanksFollow = [&](std::size_t i) { return i + 4 < n && record.compare(i + 1, 4, "    ") == 0; };

    std::size_t i = 0;
    for (int c = 1; c <= L - 1; ++c) {
        std::size_t next = i + 1;
        // A stray continuation byte counts with the character before it.
        while (next < n && isContinuation(record[next])) ++next;
        const bool blank = record[i] == ' ';
        if (!(gap && blank)) {
            gap = false;
            int k = 0;
            while (k < kProposed && finished[k]) ++k;
            if (k == kProposed) break;  // every part found: the rest changes nothing
            const Part part = kProposal[k].part;
            PartValues& current = parts[part];
            if (current.start == 0) {
                current.start = c;
                from[part] = i;
                if (k > 0) {
                    PartValues& before = parts[kProposal[k - 1].part];
                    int length = current.start - before.start;
                    if (kProposal[k - 1].cap != 0 && length > kProposal[k - 1].cap) length = kProposal[k - 1].cap;
                    before.length = length;
                }
            }
            to[part] = next;
            if (blank && blanksFollow(i)) {
                finished[k] = true;
                gap = true;
            }
        }
        i = next;
    }
    for (int p = 0; p < PartCount; ++p)
        if (parts[std::size_t(p)].start != 0) parts[std::size_t(p)].shown = record.substr(from[p], to[p] - from[p]);

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
            parts[Postcode1] = std::move(parts[County]);
            parts[County] = std::move(parts[Town]);
            parts[Town] = std::move(parts[Add3]);
            parts[Add3] = PartValues{};
        } else {
            parts[Postcode1] = std::move(parts[Town]);
            parts[County] = std::move(parts[Add3]);
            parts[Town] = std::move(parts[Add2]);
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
