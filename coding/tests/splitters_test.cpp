#include "coding/fixedcols.h"
#include "coding/splitters.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace qv::coding;

namespace {

FieldNumbers numbers(const std::map<int, int>& parts) {
    FieldNumbers n{};
    for (auto [p, f] : parts) n[std::size_t(p)] = std::uint8_t(f);
    return n;
}

// The usual one-field-a-part layout: name, three lines, town, county, postcode, ref.
const FieldNumbers kUsual = numbers({{Name1, 1}, {Address11, 2}, {Address21, 3}, {Address31, 4}, {Town, 5},
                                     {County, 6}, {Postcode1, 7}, {Ref, 8}});

std::string repeat(const std::string& s, int n) {
    std::string r;
    while (n-- > 0) r += s;
    return r;
}

struct SplitCase {
    const char* what;
    char type;  // 'N' rmvcomma, 'C' rmvquotes
    std::string record;
    FieldNumbers numbers;
    AddressFields expected;
};

void check(const SplitCase& c) {
    AddressFields a;
    a.town = "left over";  // nothing carries over from a previous record
    if (c.type == 'N') rmvcomma(c.record, c.numbers, a);
    else rmvquotes(c.record, c.numbers, a);
    const auto& e = c.expected;
    EXPECT_EQ(a.name, e.name) << c.what;
    EXPECT_EQ(a.address1, e.address1) << c.what;
    EXPECT_EQ(a.address2, e.address2) << c.what;
    EXPECT_EQ(a.address3, e.address3) << c.what;
    EXPECT_EQ(a.address4, e.address4) << c.what;
    EXPECT_EQ(a.town, e.town) << c.what;
    EXPECT_EQ(a.county, e.county) << c.what;
    EXPECT_EQ(a.postcode, e.postcode) << c.what;
    EXPECT_EQ(a.ref, e.ref) << c.what;
}

AddressFields named(std::string name) {
    AddressFields a;
    a.name = std::move(name);
    return a;
}

TEST(Splitters, PlainCommaRecords) {
    AddressFields full{"Mr J Smith", "1 High St", "Little Wick", "", "", "LEEDS", "W YORKS", "LS1 4AB", "R1"};
    AddressFields quotedComma = named(" ");
    quotedComma.address1 = "1, High Street";
    AddressFields joined = named(" ");
    joined.address1 = "two three";
    AddressFields open = named("a");
    open.address1 = "b,c,d";
    AddressFields inner = named("ab");
    inner.address1 = "c";
    AddressFields pcLead = named("x");
    pcLead.postcode = "LS1 4AB";
    AddressFields pcTwo = named("x");
    pcTwo.postcode = " LS1 4AB";
    AddressFields pcParts = named("x");
    pcParts.postcode = "LS1 4AB";
    AddressFields shared = named("x");
    shared.town = "LEEDS";
    AddressFields longTown = named("x");
    longTown.town = repeat("T", 30);
    AddressFields beyond = named("x");
    AddressFields ref300 = named(" ");
    ref300.ref = "f255f256f257f258f259";
    AddressFields blanksKept = named("  J  ");
    blanksKept.address1 = " 1 ";
    AddressFields tabs = named("a\tb");

    const SplitCase cases[] = {
        {"empty record", 'N', "", kUsual, named(" ")},
        {"one field a part", 'N', "Mr J Smith,1 High St,Little Wick,,LEEDS,W YORKS,LS1 4AB,R1",
         numbers({{Name1, 1}, {Address11, 2}, {Address21, 3}, {Address31, 4}, {Town, 5}, {County, 6},
                  {Postcode1, 7}, {Ref, 8}}),
         full},
        {"field's own blank and the join blank", 'N', "John, Smith", numbers({{Name1, 1}, {Name2, 2}}),
         named("John  Smith")},
        {"quoted field holds a comma", 'N', "Smith,\"1, High Street\"", numbers({{Address11, 2}}), quotedComma},
        {"joined in record order", 'N', "one,two,three", numbers({{Address11, 3}, {Address12, 2}}), joined},
        {"a quote left open", 'N', "a,\"b,c,d", numbers({{Name1, 1}, {Address11, 2}}), open},
        {"quotes inside a field vanish", 'N', "a\"\"b,c", numbers({{Name1, 1}, {Address11, 2}}), inner},
        {"one leading blank of the postcode goes", 'N', "x, LS1 4AB", numbers({{Name1, 1}, {Postcode1, 2}}),
         pcLead},
        {"only one leading blank goes", 'N', "x,  LS1 4AB", numbers({{Name1, 1}, {Postcode1, 2}}), pcTwo},
        {"postcode in two fields", 'N', "x,,,,,,LS1,4AB", numbers({{Name1, 1}, {Postcode1, 7}, {Postcode2, 8}}),
         pcParts},
        {"two parts on one field: the first takes it", 'N', "x,,,,LEEDS",
         numbers({{Name1, 1}, {Town, 5}, {County, 5}}), shared},
        {"a town cut to 30", 'N', "x," + repeat("T", 35), numbers({{Name1, 1}, {Town, 2}}), longTown},
        {"a part beyond the last field", 'N', "x,y", numbers({{Name1, 1}, {Town, 9}}), beyond},
        {"fields from the 255th on are one", 'N',
         [] {
             std::string r;
             for (int i = 1; i <= 300; ++i) r += (i > 1 ? "," : "") + std::string("f") + std::to_string(i);
             return r;
         }(),
         numbers({{Ref, 255}}), ref300},
        {"blanks at the ends of a field stay", 'N', "  J  , 1 ", numbers({{Name1, 1}, {Address11, 2}}),
         blanksKept},
        {"a tab is data", 'N', "a\tb", numbers({{Name1, 1}}), tabs},
    };
    for (const auto& c : cases) check(c);
}

TEST(Splitters, QuotedRecords) {
    AddressFields mixed = named("a  ");
    mixed.address1 = "12";
    mixed.town = "b";
    AddressFields blankAfterQuote = named("a  ");
    AddressFields doubled = named("say \"hi\"  ");
    AddressFields oldMill = named("Mr J Smith  ");
    oldMill.address1 = "The \"Old\" Mill";
    oldMill.address2 = "Roath";
    oldMill.town = "CARDIFF";
    oldMill.postcode = "CF24 3AA";
    oldMill.ref = "R7";
    AddressFields leadingQuote = named("x  ");
    leadingQuote.address1 = "\"Old\" Mill, Roath";
    leadingQuote.town = "CARDIFF";
    AddressFields oneQuote = named("x  ");
    oneQuote.address1 = "\"";
    oneQuote.town = "b";
    AddressFields full = named("Mr J Smith  ");
    full.address1 = "1, High St";
    full.town = "LEEDS";
    full.postcode = "LS1 4AB";
    full.ref = "R1";
    AddressFields pcLead = named("x  ");
    pcLead.postcode = "LS1 4AB";

    const SplitCase cases[] = {
        {"empty record", 'C', "", kUsual, named("  ")},
        {"empty middle piece", 'C', "\"Mr\",\"\",\"Smith\"", numbers({{Name1, 1}, {Name2, 2}, {Name3, 3}}),
         named("Mr  Smith")},
        {"one piece", 'C', "\"J Smith\"", numbers({{Name1, 1}, {Name2, 2}, {Name3, 3}}), named("J Smith  ")},
        {"pieces are trimmed", 'C', "\"  J \",\" Smith  \"", numbers({{Name1, 1}, {Name2, 2}}), named("J Smith ")},
        {"pieces in part order", 'C', "\"Smith\",\"Mr\"", numbers({{Name1, 2}, {Name2, 1}}), named("Mr Smith ")},
        {"quoted, unquoted and empty fields", 'C', "\"a\",12,,\"\",\"b\"",
         numbers({{Name1, 1}, {Address11, 2}, {Address21, 3}, {Address31, 4}, {Town, 5}}), mixed},
        {"the character after a closing quote is skipped", 'C', "\"a\" ,\"b\"", numbers({{Name1, 1}, {Town, 2}}),
         blankAfterQuote},
        // Two quotes in a row inside a quoted field are one quote of its text.
        {"doubled quotes are one quote", 'C', "\"say \"\"hi\"\"\"",
         numbers({{Name1, 1}, {Address11, 2}, {Address21, 3}}), doubled},
        {"doubled quotes keep the later fields in place", 'C',
         "\"Mr J Smith\",\"The \"\"Old\"\" Mill\",\"Roath\",\"\",\"CARDIFF\",\"\",\"CF24 3AA\",\"R7\"", kUsual, oldMill},
        {"a doubled quote first in the field, a comma inside", 'C',
         "\"x\",\"\"\"Old\"\" Mill, Roath\",\"CARDIFF\"", numbers({{Name1, 1}, {Address11, 2}, {Town, 3}}), leadingQuote},
        {"a field of one quote", 'C', "\"x\",\"\"\"\",\"b\"", numbers({{Name1, 1}, {Address11, 2}, {Town, 3}}), oneQuote},
        {"the usual record", 'C', "\"Mr J Smith\",\"1, High St\",,,\"LEEDS\",,\"LS1 4AB\",\"R1\"", kUsual, full},
        {"the name is cut to 45", 'C', "\"" + repeat("N", 30) + "\",\"" + repeat("N", 30) + "\"",
         numbers({{Name1, 1}, {Name2, 2}}), [] {
             AddressFields a = named(std::string(30, 'N') + " " + std::string(14, 'N'));
             return a;
         }()},
        {"postcode's leading blank", 'C', "\"x\",\" LS1 4AB\"", numbers({{Name1, 1}, {Postcode1, 2}}), pcLead},
    };
    for (const auto& c : cases) check(c);
}

TEST(Splitters, WidthsCountCharactersNotBytes) {
    AddressFields a;
    rmvcomma("x," + repeat("é", 35), numbers({{Name1, 1}, {Town, 2}}), a);
    EXPECT_EQ(a.town, repeat("é", 30));
}

// ---- Fixed columns ----------------------------------------------------------------

FixedLayout columns(const std::map<int, std::pair<int, int>>& parts) {
    FixedLayout l{};
    for (auto [p, fl] : parts) l[std::size_t(p)] = {std::int16_t(fl.first), std::int16_t(fl.second)};
    return l;
}

TEST(FixedColumns, JoinsAndCutsThePieces) {
    const std::string forty = "Mr John             Smith               ";  // two columns of 20
    std::string pcRecord(70, ' ');
    pcRecord.replace(0, 4, "Name");
    pcRecord.replace(59, 4, "AB12");
    pcRecord.replace(64, 3, "3CD");
    struct Case {
        const char* what;
        std::string record;
        FixedLayout layout;
        const char* field;
        std::string expected;
    };
    const Case cases[] = {
        {"two name columns of 20", forty, columns({{Name1, {1, 20}}, {Name2, {21, 20}}}), "name",
         forty.substr(0, 20) + " " + forty.substr(20)},
        {"first part 0: the others are not looked at", forty, columns({{Name2, {21, 20}}}), "name", ""},
        {"postcode halves", pcRecord, columns({{Name1, {1, 4}}, {Postcode1, {60, 4}}, {Postcode2, {65, 3}}}),
         "postcode", "AB12 3CD"},
        {"a long postcode1 keeps 8", "AB12 3CDXYZ", columns({{Name1, {1, 1}}, {Postcode1, {1, 10}}}), "postcode",
         "AB12 3CD"},
        {"address4 keeps 30", repeat("a", 40), columns({{Name1, {1, 1}}, {Address4, {1, 40}}}), "address4",
         repeat("a", 30)},
        {"town keeps 30", repeat("t", 40), columns({{Name1, {1, 1}}, {Town, {1, 40}}}), "town", repeat("t", 30)},
        {"county keeps 30", repeat("c", 40), columns({{Name1, {1, 1}}, {County, {1, 40}}}), "county",
         repeat("c", 30)},
        {"ref keeps 20", repeat("r", 40), columns({{Name1, {1, 1}}, {Ref, {1, 40}}}), "ref", repeat("r", 20)},
        {"address lines keep 45", repeat("x", 60), columns({{Name1, {1, 1}}, {Address11, {1, 30}}, {Address12, {31, 30}}}),
         "address1", repeat("x", 30) + " " + repeat("x", 14)},
        {"short record: fewer characters", "abc", columns({{Name1, {2, 10}}}), "name", "bc"},
        {"record shorter than every start: one part", "ab", columns({{Name1, {5, 3}}}), "name", ""},
        {"record shorter than every start: blanks for further parts", "ab",
         columns({{Name1, {5, 3}}, {Name2, {9, 3}}, {Name3, {12, 3}}}), "name", "  "},
        {"part 0 in the middle adds no blank", "abcdef", columns({{Name1, {1, 2}}, {Name3, {5, 2}}}), "name",
         "ab ef"},
        {"length 0", "abcdef", columns({{Name1, {1, 0}}, {Name2, {3, 2}}}), "name", " cd"},
        {"characters, not bytes", "ÄÖÜabc", columns({{Name1, {2, 3}}}), "name", "ÖÜa"},
    };
    for (const auto& c : cases) {
        AddressFields a;
        cutFixed(c.record, c.layout, a);
        const std::map<std::string, std::string*> f = {
            {"name", &a.name}, {"address1", &a.address1}, {"address4", &a.address4}, {"town", &a.town},
            {"county", &a.county}, {"postcode", &a.postcode}, {"ref", &a.ref}};
        EXPECT_EQ(*f.at(c.field), c.expected) << c.what;
    }
}

TEST(FixedColumns, NegativeColumnsOfUsedPartsAreFaults) {
    EXPECT_EQ(invalidFixedPart(columns({{Name1, {1, 5}}})), -1);
    EXPECT_EQ(invalidFixedPart(columns({{Name1, {-1, 5}}})), Name1);
    EXPECT_EQ(invalidFixedPart(columns({{Name1, {1, 5}}, {Name2, {3, -2}}})), Name2);
    // Parts that are never looked at may hold anything.
    EXPECT_EQ(invalidFixedPart(columns({{Name2, {-3, -2}}})), -1);
    EXPECT_EQ(invalidFixedPart(columns({{Name1, {1, 1}}, {Name2, {0, -2}}})), -1);
}

}  // namespace
