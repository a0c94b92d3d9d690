#include "designer/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qv::designer;

namespace {

std::vector<std::string> listed(const FieldTable& f) {
    std::vector<std::string> out;
    for (int n = 1; n <= f.listLength(); ++n) out.push_back(f[n]);
    return out;
}

TEST(DetectType, Cases) {
    struct Case {
        const char* record;
        const char* type;
    };
    const Case cases[] = {
        {R"("Smith","1 High St",Leeds)", "2"},          // quote, comma, quote
        {"Smith,1 High St,Leeds,West Yorks,LS1 1AA", "3"},  // fourth comma
        {"Smith,1 High St,Leeds", ""},                   // three commas: fixed
        {R"("Smith",1 High St,Leeds)", ""},              // quote-comma never followed by a quote
        {R"(",,"x)", "2"},                                // quote, two commas, quote
        {R"(",,,"x)", "3"},                               // the closing quote is also the fourth
        {R"("A",,"B")", "2"},
        {"Smith      1 High Street     Leeds", ""},
        {"", ""},
        {R"(a,"",b,c)", "3"},                             // quotes after a comma count on
        {R"("a" ,"b")", ""},                              // a blank between breaks the run
    };
    for (const auto& c : cases) EXPECT_EQ(DetectType(c.record), c.type) << c.record;
}

TEST(SplitFields, Cases) {
    struct Case {
        const char* record;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {R"("Smith, J",42,"Leeds")", {"Smith, J", "42", "Leeds"}},
        {"a,,c", {"a", "", "c"}},
        {"", {""}},
        {R"("O""Brien",x)", {"OBrien", "x"}},  // a doubled quote toggles twice
        {R"(plain "quoted, inside" text,2)", {"plain quoted, inside text", "2"}},
        {" a , b ", {" a ", " b "}},  // nothing trimmed
    };
    for (const auto& c : cases) {
        FieldTable f;
        SplitFields(c.record, f);
        EXPECT_EQ(listed(f), c.fields) << c.record;
        EXPECT_EQ(f[static_cast<int>(c.fields.size()) + 1], "END") << c.record;
    }
}

TEST(SplitFields, KeepsThirtyFieldsAtMost) {
    std::string rec;
    for (int i = 1; i <= 31; ++i) rec += (i > 1 ? "," : "") + std::to_string(i);
    FieldTable f;
    SplitFields(rec, f);
    EXPECT_EQ(f.listLength(), 30);
    EXPECT_EQ(f[30], "30");
    EXPECT_EQ(f.markerAt, 0);
    EXPECT_EQ(f[31], "");

    // Exactly 30 fields: the marker stands in slot 31.
    rec = rec.substr(0, rec.rfind(','));
    SplitFields(rec, f);
    EXPECT_EQ(f.listLength(), 30);
    EXPECT_TRUE(f.isEnd(31));
}

TEST(SplitFields, AFieldReadingEndIsNotTheEnd) {
    FieldTable f;
    SplitFields("Smith,END,Leeds", f);
    EXPECT_EQ(f.listLength(), 3);
    EXPECT_FALSE(f.isEnd(2));
}

struct Scan {
    FieldTable fields;
    Columns columns;
    ScanResult result;
};

Scan scan(const std::string& a, const std::string& b, const std::string& c) {
    Scan s;
    s.result = DoFirstAscii(a, b, c, s.fields, s.columns);
    return s;
}

TEST(DoFirstAscii, ThreeColumns) {
    // 10 characters, five blanks, 9 characters, five blanks, 6 characters.
    const std::string r = "ABCDEFGHIJ     KLMNOPQRS     TUVWXY";
    ASSERT_EQ(r.size(), 35u);
    const Scan s = scan(r, r, r);
    ASSERT_EQ(s.result, ScanResult::Ok);
    EXPECT_EQ(s.columns.start[1], 1);
    EXPECT_EQ(s.columns.start[2], 16);
    EXPECT_EQ(s.columns.start[3], 30);
    EXPECT_EQ(s.columns.end[1], 15);
    EXPECT_EQ(s.columns.end[2], 29);
    EXPECT_EQ(s.columns.end[3], 35);
    EXPECT_EQ(s.columns.lastColumn, 3);
    EXPECT_EQ(listed(s.fields), (std::vector<std::string>{"ABCDEFGHIJ ", "KLMNOPQRS ", "TUVWXY"}));
    EXPECT_TRUE(s.fields.isEnd(4));
}

TEST(DoFirstAscii, GapRules) {
    struct Case {
        const char* what;
        std::string r1, r2, r3;
        std::vector<int> starts;
    };
    const Case cases[] = {
        {"four blanks never separate", "AAAA    BBBB", "AAAA    BBBB", "AAAA    BBBB", {1}},
        {"five blanks do", "AAAA     BBBB", "AAAA     BBBB", "AAAA     BBBB", {1, 10}},
        {"a record with text in the gap keeps it closed", "AAAA     BBBB", "AAAAAAAAABBBB", "AAAA     BBBB", {1}},
        {"a short record never closes a column", "AAAA     BBBB", "AA", "AAAA     BBBB", {1}},
        {"a start seen in another record only", "AAAA              CCCC", "AAAA     BBBB         ",
         "AAAA     BBBB         ", {1, 10, 19}},
    };
    for (const auto& c : cases) {
        const Scan s = scan(c.r1, c.r2, c.r3);
        std::vector<int> starts;
        for (int n = 1; n <= MaxFields && s.columns.start[static_cast<std::size_t>(n)]; ++n)
            starts.push_back(s.columns.start[static_cast<std::size_t>(n)]);
        EXPECT_EQ(starts, c.starts) << c.what;
    }
}

TEST(DoFirstAscii, BlankColumnIsNamedField) {
    // Column 2 has text only in records 2 and 3.
    const Scan s = scan("AAAA              CCCC", "AAAA     BBBB     CCCC", "AAAA     BBBB     CCCC");
    ASSERT_EQ(s.columns.start[2], 10);
    EXPECT_EQ(s.fields[2], "Field2");
    EXPECT_EQ(s.fields[3], "CCCC");
}

TEST(DoFirstAscii, TrailingBlanksOpenAnUnstartedColumn) {
    const std::string r = "AAAA     BBBB       ";
    const Scan s = scan(r, r, r);
    EXPECT_EQ(s.columns.start[2], 10);
    EXPECT_EQ(s.columns.end[2], 0);  // never recorded
    EXPECT_EQ(s.columns.start[3], 0);
    EXPECT_EQ(s.columns.end[3], 20);
    EXPECT_EQ(s.fields[3], "");
    EXPECT_TRUE(s.fields.isEnd(4));
    EXPECT_EQ(s.columns.lastColumn, 3);
}

TEST(DoFirstAscii, EmptyFirstRecord) {
    const Scan s = scan("", "x", "y");
    EXPECT_EQ(s.columns.start[1], 1);
    EXPECT_EQ(s.columns.end[1], 0);
    EXPECT_EQ(s.fields[1], "");
    EXPECT_TRUE(s.fields.isEnd(2));
}

TEST(DoFirstAscii, ThirtyColumnsAndNoMore) {
    auto columns = [](int n, const char* tail) {
        std::string r;
        for (int i = 0; i < n; ++i) r += (i ? "     " : "") + std::string("XX");
        return r + tail;
    };
    const std::string thirty = columns(30, "");
    Scan s = scan(thirty, thirty, thirty);
    ASSERT_EQ(s.result, ScanResult::Ok);
    EXPECT_EQ(s.fields.listLength(), 30);
    EXPECT_EQ(s.columns.end[30], static_cast<int>(thirty.size()));

    // A gap after the 30th column with nothing after it is still 30 columns.
    const std::string padded = columns(30, "        ");
    s = scan(padded, padded, padded);
    ASSERT_EQ(s.result, ScanResult::Ok);
    EXPECT_EQ(s.fields.listLength(), 30);

    const std::string more = columns(31, "");
    s = scan(more, more, more);
    EXPECT_EQ(s.result, ScanResult::TooManyColumns);
}

TEST(DoFirstAscii, CountsCharactersNotBytes) {
    const std::string r = "Renée     Zoë";
    const Scan s = scan(r, r, r);
    EXPECT_EQ(s.columns.start[2], 11);
    EXPECT_EQ(s.columns.end[2], 13);
    EXPECT_EQ(s.fields[1], "Renée ");
}

TEST(DoAscii, CutsAtTheColumns) {
    const std::string r = "ABCDEFGHIJ     KLMNOPQRS     TUVWXY";
    Scan s = scan(r, r, r);
    FieldTable f = s.fields;
    struct Case {
        std::string record;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"Jane Smith     12 Oak Rd     Leeds", {"Jane Smith    ", "12 Oak Rd    ", "Leeds"}},
        {"Jane", {"Jane", "", ""}},                                       // shorter than a start
        {"Jane Smith     12 Oak Rd     Leeds LS1 1AA", {"Jane Smith    ", "12 Oak Rd    ", "Leeds LS1 1AA"}},
    };
    for (const auto& c : cases) {
        DoAscii(c.record, s.columns, f);
        EXPECT_EQ(f[1], c.fields[0]) << c.record;
        EXPECT_EQ(f[2], c.fields[1]) << c.record;
        EXPECT_EQ(f[3], c.fields[2]) << c.record;
        EXPECT_EQ(f[4], "") << c.record;
    }

    // The last started column of a first record that ended in a gap runs to the end.
    const std::string t = "AAAA     BBBB       ";
    s = scan(t, t, t);
    DoAscii("AAAA     BBBB  and more", s.columns, f);
    EXPECT_EQ(f[2], "BBBB  and more");
}

TEST(ShowSample, JoinsAndHidesTheMarker) {
    FieldTable f;
    SplitFields("Mr,John,Smith,1 Oak Rd,Leeds,LS1,1AA", f);
    PartNumbers p{};
    p[Name1] = 1;
    p[Name2] = 2;
    p[Name3] = 3;
    p[Add11] = 4;
    p[Town] = 5;
    p[Post1] = 6;
    p[Post2] = 7;
    SampleTexts s = ShowSample(f, p);
    EXPECT_EQ(s.name, "Mr John Smith");
    EXPECT_EQ(s.add1, "1 Oak Rd  ");  // missing parts keep their blanks
    EXPECT_EQ(s.town, "Leeds");
    EXPECT_EQ(s.post, "LS1 1AA");
    EXPECT_EQ(s.ref, "");

    // A shorter record leaves the marker in slot 6: no part shows it.
    SplitFields("Mr,John,Smith,1 Oak Rd,Leeds", f);
    p[Ref] = 6;
    p[Add12] = 6;
    s = ShowSample(f, p);
    EXPECT_EQ(s.post, "");
    EXPECT_EQ(s.ref, "");
    EXPECT_EQ(s.add1, "1 Oak Rd  ");
    p[Post1] = 5;
    p[Post2] = 6;
    EXPECT_EQ(ShowSample(f, p).post, "Leeds");
    p[Post2] = 0;
    EXPECT_EQ(ShowSample(f, p).post, "Leeds ");

    // Single boxes are not trimmed.
    FieldTable g;
    SplitFields(" Leeds ", g);
    PartNumbers q{};
    q[Town] = 1;
    EXPECT_EQ(ShowSample(g, q).town, " Leeds ");
}

TEST(FieldNumber, LowerPositionWins) {
    CaptionTable c{};
    c[1] = "Name";
    c[2] = "Town";
    c[3] = "Name";
    EXPECT_EQ(FieldNumber(c, "Name"), 1);
    EXPECT_EQ(FieldNumber(c, "Town"), 2);
    EXPECT_EQ(FieldNumber(c, "town"), 0);
    EXPECT_EQ(FieldNumber(c, "Nowhere"), 0);
}

TEST(Captions, Names) {
    EXPECT_EQ(columnCaption(1), "Column A");
    EXPECT_EQ(columnCaption(26), "Column Z");
    EXPECT_EQ(columnCaption(27), "Column AA");
    EXPECT_EQ(columnCaption(28), "Column BB");
    EXPECT_EQ(columnCaption(30), "Column DD");
    EXPECT_EQ(fieldCaption(3, false, "Town"), "Column C");
    EXPECT_EQ(fieldCaption(3, true, "Town "), "Town ");
    EXPECT_EQ(fieldCaption(3, true, "  "), "Field3");
    EXPECT_EQ(fieldCaption(3, true, ""), "Field3");
}

}  // namespace
