#include "refimport/pofiles.h"

#include <gtest/gtest.h>

using namespace qv::refimport;

namespace {

TEST(RefSplitup, SplitsQuotedFieldsByTheirRules) {
    struct Case {
        const char* line;
        std::array<const char*, 4> fields;
    };
    const Case cases[] = {
        {R"("6","A","XYZ")", {"6", "A", "XYZ", ""}},
        {R"("1",,"X")", {"1", "", "X", ""}},
        {R"("1","","X")", {"1", "", "X", ""}},
        {R"("2","A,B","C")", {"2", "A,B", "C", ""}},
        {R"("3","101","NORTH","0102")", {"3", "101", "NORTH", "0102"}},
        {R"("1","A")", {"1", "A", "", ""}},
        {R"("1","A",,"X")", {"1", "A", "", "X"}},
        {R"("1","A","B","C","D")", {"1", "A", "B", "C"}},
        {R"("1","CAFÉ","ÄÖ")", {"1", "CAFÉ", "ÄÖ", ""}},
        {R"("1",,)", {"1", "", "", ""}},
        // A field that starts on the last character is not read.
        {R"("1","A",X)", {"1", "A", "", ""}},
        {R"("1","A","")", {"1", "A", "", ""}},
        {R"("1"," B1 ","  ")", {"1", " B1 ", "  ", ""}},
    };
    for (const auto& c : cases) {
        SplitLine s = splitup(c.line);
        EXPECT_EQ(s.fault, SplitFault::None) << c.line;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(s.field[std::size_t(i)], c.fields[std::size_t(i)]) << c.line << " field " << i + 1;
    }
}

// A field left empty still counts; one that is never reached does not.
TEST(RefSplitup, CountsTheFieldsItRead) {
    const std::pair<const char*, int> cases[] = {
        {R"("6","A","XYZ")", 3},      {R"("1",,"X")", 3},       {R"("1","A")", 2},
        {R"("1",,)", 2},              {R"("1","A",X)", 2},      {R"("1","A","")", 3},
        {R"("1","A",,"X")", 4},       {R"("1","A","B","C","D")", 4},
    };
    for (const auto& [line, fields] : cases) EXPECT_EQ(splitup(line).fields, fields) << line;
}

TEST(RefSplitup, FindsMalformedLines) {
    struct Case {
        const char* line;
        SplitFault fault;
    };
    const Case cases[] = {
        {R"("6")", SplitFault::SingleField},
        {R"("6",)", SplitFault::SingleField},
        {R"("6)", SplitFault::UnclosedQuote},
        {R"("6","A)", SplitFault::UnclosedQuote},
        {R"("1","A","XYZ)", SplitFault::UnclosedQuote},
        {R"("1","A","B","CD)", SplitFault::UnclosedQuote},
        {"6,A,123", SplitFault::UnclosedQuote},
        {"\"", SplitFault::UnclosedQuote},
    };
    for (const auto& c : cases) EXPECT_EQ(splitup(c.line).fault, c.fault) << c.line;
}

TEST(RefRecords, CutFixedColumnsUnchanged) {
    auto d = fixedRegion("6AXYZ");
    EXPECT_EQ(d.type, "6");
    EXPECT_EQ(d.letter, "A");
    EXPECT_EQ(d.residue, "XYZ");
    EXPECT_TRUE(takesRegion(d));
    EXPECT_FALSE(takesRegion(fixedRegion("5AXYZ")));

    auto a = fixedSector("1B1  212345");
    EXPECT_EQ(a.outward, "B1  ");
    EXPECT_EQ(a.key(), "B1  2");
    EXPECT_EQ(a.selection, "12345");
    EXPECT_EQ(fixedSector("1AB123ABCDEFG").key(), "AB123");
    // A short line has shorter values.
    auto shortA = fixedSector("1AB1");
    EXPECT_EQ(shortA.outward, "AB1");
    EXPECT_EQ(shortA.sector, "");
    EXPECT_EQ(shortA.key(), "AB1");
    EXPECT_EQ(shortA.selection, "");

    const std::string desc75(75, 'D'), desc50(50, 'E'), sorts = "01020304050607080910111213141516";
    auto sel = fixedLabel("212345" + desc75 + "XX");
    EXPECT_EQ(sel.code, "12345");
    EXPECT_EQ(sel.description, desc75);
    EXPECT_FALSE(sel.addsSequence());
    auto res = fixedLabel("3123" + desc50 + sorts + "XX");
    EXPECT_EQ(res.code, "123");
    EXPECT_EQ(res.description, desc50);
    EXPECT_EQ(res.sortString, sorts);
    EXPECT_TRUE(res.addsSequence());
    auto other = fixedLabel("4901" + desc50 + sorts);
    EXPECT_EQ(other.code, "901");
    EXPECT_EQ(other.sortString, "");  // kept for type 3 only
    EXPECT_FALSE(other.addsSequence());

    auto c = fixedPlace("1ZORFORD   101");
    EXPECT_EQ(c.name, "ZORFORD   ");
    EXPECT_EQ(c.residue, "101");
}

TEST(RefRecords, CommaOutwardCodesArePaddedToFour) {
    struct Case {
        const char* line;
        const char* key;
    };
    const Case cases[] = {
        {R"("1","B1","2","10101")", "B1  2"},
        {R"("1","AB1","2","10101")", "AB1 2"},
        {R"("1","AB12","3","10101")", "AB123"},
        {R"("1","EC1A","1","10101")", "EC1A1"},
        {R"("1","ABCDE","1","10101")", "ABCDE"},
        {R"("1","B1","","10101")", "B1  "},
    };
    for (const auto& c : cases) EXPECT_EQ(commaSector(splitup(c.line)).key(), c.key) << c.line;
    EXPECT_EQ(commaSector(splitup(R"("1","B1","2","10101")")).selection, "10101");

    auto d = commaRegion(splitup(R"("6","ABC","101")"));
    EXPECT_EQ(d.letter, "A");  // its first character
    EXPECT_EQ(d.residue, "101");
    auto other = commaLabel(splitup(R"("4","901","MIXED","0102")"));
    EXPECT_EQ(other.sortString, "");
    auto res = commaLabel(splitup(R"("3","101","NORTH","0102")"));
    EXPECT_EQ(res.sortString, "0102");
    auto place = commaPlace(splitup(R"("1","ZORFORD","101")"));
    EXPECT_EQ(place.name, "ZORFORD");
}

TEST(RefRecords, RegionNumbersFromLetters) {
    struct Case {
        const char* letter;
        std::optional<int> number;
    };
    // By its Windows-1252 code: the specials 0x80..0x9F, the five bytes that
    // code page leaves undefined, Latin-1 from 0xA0; '?' for anything else.
    const Case cases[] = {{"A", 1}, {"B", 2}, {"P", 16}, {"a", 33}, {"AB", 1}, {"é", 233 - 64}, {"€", 0x80 - 64},
                          {"Ÿ", 0x9F - 64}, {"\xC2\x81", 0x81 - 64}, {"\xC2\xA0", 0xA0 - 64}, {"ÿ", 0xFF - 64},
                          {"\xC2\x80", '?' - 64}, {"Ω", '?' - 64}, {"\xF0\x9F\x98\x80", '?' - 64},
                          {"", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(regionNumber(c.letter), c.number) << c.letter;
}

TEST(RefRecords, BlankLinesAreNoRecords) {
    EXPECT_TRUE(isBlankLine(""));
    EXPECT_TRUE(isBlankLine("    "));
    EXPECT_FALSE(isBlankLine(" 6"));
}

}  // namespace
