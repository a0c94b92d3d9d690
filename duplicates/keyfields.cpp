#include "duplicates/keyfields.h"

#include "common/text/chars.h"
#include "common/text/delimited.h"
#include "common/text/lines.h"
#include "common/text/textfile.h"
#include "platform/files.h"

#include <system_error>

namespace qv::duplicates {

namespace {

using Chars = std::vector<std::string_view>;

// A position past the end of a record holds no character, which is not a blank.
bool blankAt(const Chars& rec, int p) {
    return p >= 1 && p <= static_cast<int>(rec.size()) && rec[static_cast<std::size_t>(p - 1)] == " ";
}

bool fourBlanksFrom(const Chars& rec, int from) {
    for (int q = from; q < from + 4; ++q)
        if (!blankAt(rec, q)) return false;
    return true;
}

// Text starts at p in this record: four blanks before it (positions 1 to 4
// while p is below 5) and no blank at p.
bool startsAt(const Chars& rec, int p) { return fourBlanksFrom(rec, p < 5 ? 1 : p - 4) && !blankAt(rec, p); }

}  // namespace

bool FileLayout::delimited() const { return qv::isDelimited(fileType); }

std::string GetFileType(std::string_view firstRecord) { return qv::DetectType(firstRecord); }

FirstFields SplitFirst(std::string_view firstRecord) {
    FirstFields f;
    qv::splitCommaFields(firstRecord, f.texts, qv::DoubledQuote::IsOneQuote);
    if (f.texts.size() > static_cast<std::size_t>(MaxColumns)) f.texts.resize(MaxColumns);
    return f;
}

FirstFields FindColumns(std::string_view record1, std::string_view record2, std::string_view record3,
                        FileLayout& layout) {
    const Chars r1 = qv::charsOf(record1), r2 = qv::charsOf(record2), r3 = qv::charsOf(record3);
    std::array<std::string, MaxColumns + 2> text;
    layout.start.fill(0);
    layout.end.fill(0);
    layout.start[1] = 1;
    int n = 1;
    bool inside = true;
    const int len = static_cast<int>(r1.size());
    auto idx = [](int i) { return static_cast<std::size_t>(i); };

    for (int p = 1; p < len; ++p) {
        if (!inside && !(startsAt(r1, p) || startsAt(r2, p) || startsAt(r3, p))) continue;
        if (!inside) {
            if (n > MaxColumns) continue;  // no 31st column: the 30th runs on
            layout.start[idx(n)] = p;
            if (n >= 2 && p > 1) layout.end[idx(n - 1)] = p - 1;
        }
        inside = true;
        text[idx(n)] += r1[idx(p - 1)];
        const bool ends = blankAt(r1, p) && blankAt(r2, p) && blankAt(r3, p) && fourBlanksFrom(r1, p + 1);
        if (ends) {
            if (qv::trim(text[idx(n)]).empty()) text[idx(n)] = "Field" + std::to_string(n);
            ++n;
            inside = false;
        }
    }
    if (len >= 1) {
        if (inside) text[idx(n)] += r1[idx(len - 1)];
        if (n <= MaxColumns) layout.end[idx(n)] = len;
    }

    FirstFields f;
    const int count = n <= MaxColumns ? n : MaxColumns;
    for (int i = 1; i <= count; ++i) f.texts.push_back(std::move(text[idx(i)]));
    return f;
}

std::string keyCaption(int i, bool headings, const std::string& fieldText) {
    if (headings) return fieldText;
    if (i >= 1 && i <= 26) return std::string("Column ") + static_cast<char>(64 + i);
    const char c = static_cast<char>(38 + i);
    return std::string("Column ") + c + c;
}

KeyScan scanKeyFields(const std::string& path, bool headings) {
    KeyScan scan;
    switch (qv::checkTextFile(path)) {
    case qv::FileProblem::None: break;
    case qv::FileProblem::NotFound: scan.problem = ScanProblem::NotFound; return scan;
    case qv::FileProblem::NotRegular: scan.problem = ScanProblem::NotRegular; return scan;
    case qv::FileProblem::CannotOpen: scan.problem = ScanProblem::CannotOpen; return scan;
    case qv::FileProblem::NotText: scan.problem = ScanProblem::NotText; return scan;
    case qv::FileProblem::Empty: scan.problem = ScanProblem::Empty; return scan;
    case qv::FileProblem::TextAfterEnd:
        scan.problem = ScanProblem::TextAfterEnd;
        scan.line = 1;
        return scan;
    }
    try {
        qv::LineReader in(qv::pathFromUtf8(path));
        std::string r1, r2, r3;
        const bool first = in.readLine(r1);
        const bool three = first && in.readLine(r2) && in.readLine(r3);
        // The run reads to the first Ctrl-Z: records after one would be
        // missing from OUTPUT.CSV, and may be the records the scan lacks.
        if (const std::uint64_t at = in.readRestForStrayCtrlZ()) {
            scan.problem = ScanProblem::TextAfterEnd;
            scan.line = at;
            return scan;
        }
        if (!first) {
            scan.problem = ScanProblem::Empty;
            return scan;
        }
        if (r1.empty()) {
            scan.problem = ScanProblem::EmptyFirstRecord;
            return scan;
        }
        scan.layout.fileType = GetFileType(r1);
        FirstFields fields;
        if (scan.layout.delimited()) {
            fields = SplitFirst(r1);
        } else {
            if (!three) {
                scan.problem = ScanProblem::TooFewLines;
                return scan;
            }
            fields = FindColumns(r1, r2, r3, scan.layout);
        }
        scan.layout.fields = static_cast<int>(fields.texts.size());
        for (int i = 1; i <= scan.layout.fields; ++i)
            scan.captions.push_back(keyCaption(i, headings, fields.texts[static_cast<std::size_t>(i - 1)]));
    } catch (const std::system_error&) {
        scan.problem = ScanProblem::CannotOpen;
    }
    return scan;
}

}  // namespace qv::duplicates
