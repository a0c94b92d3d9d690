#include "designer/records.h"

#include "common/text/chars.h"

#include <vector>

namespace qv::designer {

namespace {

// A position beyond the record holds no character, which is not a blank.
bool blankAt(const std::vector<std::string_view>& rec, int p) {
    return p >= 1 && p <= static_cast<int>(rec.size()) && rec[static_cast<std::size_t>(p - 1)] == " ";
}

bool blanksFrom(const std::vector<std::string_view>& rec, int from, int to) {
    for (int q = from; q <= to; ++q)
        if (!blankAt(rec, q)) return false;
    return true;
}

}  // namespace

int FieldTable::listLength() const {
    if (markerAt == 0) return MaxFields;
    return markerAt - 1 < MaxFields ? markerAt - 1 : MaxFields;
}

void FieldTable::clear() {
    for (int n = 1; n <= MaxFields + 1; ++n) slot[static_cast<std::size_t>(n)].clear();
    markerAt = 0;
}

void SplitFields(std::string_view record, FieldTable& fields) {
    fields.clear();
    std::vector<std::string> split;
    splitCommaFields(record, split, DoubledQuote::Toggles);
    const int n = static_cast<int>(split.size());
    for (int i = 1; i <= n && i <= MaxFields; ++i) fields.slot[static_cast<std::size_t>(i)] = std::move(split[static_cast<std::size_t>(i - 1)]);
    if (n <= MaxFields) {
        fields.slot[static_cast<std::size_t>(n + 1)] = EndMarker;
        fields.markerAt = n + 1;
    }
}

ScanResult DoFirstAscii(std::string_view record1, std::string_view record2, std::string_view record3,
                        FieldTable& fields, Columns& columns) {
    const auto r1 = qv::charsOf(record1);
    const auto r2 = qv::charsOf(record2);
    const auto r3 = qv::charsOf(record3);
    const std::vector<std::string_view>* all[] = {&r1, &r2, &r3};

    fields.clear();
    columns = Columns{};
    columns.start[1] = 1;
    const int len = static_cast<int>(r1.size());
    columns.firstRecordLength = len;
    int n = 1;
    bool inColumn = true;

    for (int p = 1; p <= len; ++p) {
        if (!inColumn) {
            const int lo = p <= 5 ? 1 : p - 4;
            const int hi = p <= 5 ? 4 : p - 1;
            bool starts = false;
            for (const auto* rec : all)
                if (blanksFrom(*rec, lo, hi) && !blankAt(*rec, p)) starts = true;
            if (!starts) continue;
            if (n > MaxFields) return ScanResult::TooManyColumns;
            columns.start[static_cast<std::size_t>(n)] = p;
            columns.end[static_cast<std::size_t>(n - 1)] = p - 1;
            inColumn = true;
        }
        std::string& field = fields.slot[static_cast<std::size_t>(n)];
        field += r1[static_cast<std::size_t>(p - 1)];
        if (blankAt(r1, p) && blankAt(r2, p) && blankAt(r3, p) && blanksFrom(r1, p + 1, p + 4)) {
            if (qv::trim(field).empty()) field = "Field" + std::to_string(n);
            ++n;
            inColumn = false;
        }
    }

    if (n <= MaxFields) {
        columns.end[static_cast<std::size_t>(n)] = len;
        columns.lastColumn = n;
    }
    // A gap after the 30th column with nothing after it opens no 31st column.
    const int marker = n <= MaxFields ? n + 1 : MaxFields + 1;
    fields.slot[static_cast<std::size_t>(marker)] = EndMarker;
    fields.markerAt = marker;
    return ScanResult::Ok;
}

void DoAscii(std::string_view record, const Columns& columns, FieldTable& fields) {
    for (int i = 1; i <= MaxFields; ++i) {
        std::string& field = fields.slot[static_cast<std::size_t>(i)];
        field.clear();
        const int start = columns.start[static_cast<std::size_t>(i)];
        if (start == 0) continue;
        const bool closed = i < MaxFields && columns.start[static_cast<std::size_t>(i + 1)] != 0;
        if (closed)
            field = qv::mid(record, static_cast<std::size_t>(start),
                            static_cast<std::size_t>(columns.end[static_cast<std::size_t>(i)] - start));
        else
            field = qv::mid(record, static_cast<std::size_t>(start));
    }
    if (fields.markerAt <= MaxFields) fields.markerAt = 0;
}

SampleTexts ShowSample(const FieldTable& fields, const PartNumbers& parts) {
    // A short record leaves the end marker in a slot: never show it.
    auto text = [&](Part p) -> std::string {
        const int n = parts[p];
        return fields.isEnd(n) ? std::string() : fields[n];
    };
    auto join3 = [&](Part a, Part b, Part c) {
        return qv::trim(text(a)) + " " + qv::trim(text(b)) + " " + qv::trim(text(c));
    };
    SampleTexts s;
    s.name = join3(Name1, Name2, Name3);
    s.add1 = join3(Add11, Add12, Add13);
    s.add2 = join3(Add21, Add22, Add23);
    s.add3 = join3(Add31, Add32, Add33);
    s.add4 = text(Add4);
    s.town = text(Town);
    s.county = text(County);
    const bool end1 = fields.isEnd(parts[Post1]);
    const bool end2 = fields.isEnd(parts[Post2]);
    if (!end1 && !end2)
        s.post = text(Post1) + " " + text(Post2);
    else if (!end1)
        s.post = text(Post1);
    s.ref = text(Ref);
    return s;
}

int FieldNumber(const CaptionTable& captions, std::string_view caption) {
    for (int n = 1; n <= MaxFields; ++n)
        if (captions[static_cast<std::size_t>(n)] == caption) return n;
    return 0;
}

std::string columnCaption(int n) {
    if (n >= 1 && n <= 26) return std::string("Column ") + static_cast<char>(64 + n);
    const char c = static_cast<char>(n + 38);
    return std::string("Column ") + c + c;
}

std::string fieldCaption(int n, bool headings, const std::string& fieldText) {
    if (!headings) return columnCaption(n);
    if (qv::trim(fieldText).empty()) return "Field" + std::to_string(n);
    return fieldText;
}

}  // namespace qv::designer
