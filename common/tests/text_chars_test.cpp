#include "common/text/chars.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(Chars, Length) {
    EXPECT_EQ(charLength(""), 0u);
    EXPECT_EQ(charLength("abc"), 3u);
    EXPECT_EQ(charLength("Zoë"), 3u);
    EXPECT_EQ(charLength("€5"), 2u);
    EXPECT_EQ(charLength("😀x"), 2u);
    EXPECT_TRUE(isAscii("plain ascii text, long enough for words"));
    EXPECT_FALSE(isAscii("plain ascii text, long enough for wordsé"));
}

TEST(Chars, Mid) {
    struct { const char* s; std::size_t start, len; const char* r; } cases[] = {
        {"Hello", 2, 3, "ell"}, {"Hello", 1, 100, "Hello"}, {"Hello", 5, 1, "o"}, {"Hello", 6, 1, ""},
        {"Hello", 99, 1, ""}, {"Hello", 0, 2, "He"}, {"Hello", 3, 0, ""}, {"", 1, 1, ""},
        {"Zoë Smith", 3, 3, "ë S"}, {"€1€2€3", 2, 3, "1€2"}, {"€1€2€3", 7, 1, ""}, {"aé", 2, 5, "é"},
    };
    for (const auto& c : cases) EXPECT_EQ(mid(c.s, c.start, c.len), c.r) << c.s << " " << c.start;
    EXPECT_EQ(mid("Hello", 3), "llo");
    EXPECT_EQ(mid("Zoë Smith", 3), "ë Smith");
}

TEST(Chars, LeftRight) {
    EXPECT_EQ(left("Hello", 2), "He");
    EXPECT_EQ(left("Hello", 9), "Hello");
    EXPECT_EQ(left("Hello", 0), "");
    EXPECT_EQ(left("Zoë", 3), "Zoë");
    EXPECT_EQ(left("ëëë", 2), "ëë");
    EXPECT_EQ(right("Hello", 2), "lo");
    EXPECT_EQ(right("Hello", 9), "Hello");
    EXPECT_EQ(right("Hello", 0), "");
    EXPECT_EQ(right("Zoë", 1), "ë");
    EXPECT_EQ(right("€1€2", 3), "1€2");
}

TEST(Chars, Padding) {
    struct { const char* s; std::size_t n; const char* r; const char* l; } cases[] = {
        // s, n, padRight (left-justified), padLeft (right-aligned)
        {"abc", 5, "abc  ", "  abc"},
        {"abc", 3, "abc", "abc"},
        {"abcdef", 3, "abc", "abc"},  // a longer text keeps its first n characters
        {"", 2, "  ", "  "},
        {"abc", 0, "", ""},
        {"Zoë", 5, "Zoë  ", "  Zoë"},  // 4 bytes, 3 characters
        {"Zoëééé", 4, "Zoëé", "Zoëé"},
        {"£12", 6, "£12   ", "   £12"},
        {"€", 1, "€", "€"},
        {"12", 6, "12    ", "    12"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(padRight(c.s, c.n), c.r) << c.s << " " << c.n;
        EXPECT_EQ(padLeft(c.s, c.n), c.l) << c.s << " " << c.n;
        EXPECT_EQ(charLength(padLeft(c.s, c.n)), c.n);
    }
}

TEST(Chars, Trim) {
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(ltrim("  a b  "), "a b  ");
    EXPECT_EQ(rtrim("  a b  "), "  a b");
    EXPECT_EQ(trim("    "), "");
    EXPECT_EQ(ltrim(""), "");
    EXPECT_EQ(rtrim(" "), "");
    EXPECT_EQ(trim("\tx\t"), "\tx\t");  // blanks only
    EXPECT_EQ(trim(" Zoë "), "Zoë");
}

TEST(Chars, Case) {
    struct { const char* s; const char* up; const char* low; } cases[] = {
        {"abc XYZ 123", "ABC XYZ 123", "abc xyz 123"},
        {"zoë", "ZOË", "zoë"},
        {"àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ", "àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ"},
        {"×÷ß", "×÷ß", "×÷ß"},
        {"ÿšœž", "ŸŠŒŽ", "ÿšœž"},
        {"ŸŠŒŽ", "ŸŠŒŽ", "ÿšœž"},
        {"€ £ ¥ ©", "€ £ ¥ ©", "€ £ ¥ ©"},
        {"ä[@`{", "Ä[@`{", "ä[@`{"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ucase(c.s), c.up) << c.s;
        EXPECT_EQ(lcase(c.up), c.low) << c.s;
    }
    EXPECT_TRUE(equalsIgnoreCase("MailSort.MDB", "mailsort.mdb"));
    EXPECT_TRUE(equalsIgnoreCase("Zoë.txt", "ZOË.TXT"));
    EXPECT_FALSE(equalsIgnoreCase("a.txt", "b.txt"));
    EXPECT_FALSE(equalsIgnoreCase("a", "a "));
    EXPECT_FALSE(equalsIgnoreCase("[", "{"));
}

TEST(Chars, AnOverLongValueIsQuotedByItsStart) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"SHORT", "SHORT"},
        {std::string(40, 'x'), std::string(40, 'x')},
        {std::string(41, 'x'), std::string(40, 'x') + "..."},
        {std::string(100'000'000, 'y'), std::string(40, 'y') + "..."},
        // Characters, not bytes, are counted.
        {std::string(39, 'a') + "\xC3\xA9\xC3\xA9", std::string(39, 'a') + "\xC3\xA9..."},
        {"\xE2\x82\xAC" + std::string(40, 'b'), "\xE2\x82\xAC" + std::string(39, 'b') + "..."},
    };
    for (const auto& [value, quoted] : cases) EXPECT_EQ(quotedStart(value), quoted) << value.size();
    EXPECT_EQ(quotedStart("abcdef", 3), "abc...");
}

TEST(CharsOf, OneEntryPerCharacter) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(qv::charsOf(""), V{});
    EXPECT_EQ(qv::charsOf("ab "), (V{"a", "b", " "}));
    EXPECT_EQ(qv::charsOf("Ünï €"), (V{"Ü", "n", "ï", " ", "€"}));
    EXPECT_EQ(qv::charsOf("a\x80" "b"), (V{"a\x80", "b"}));  // a stray continuation byte stays with its character
}
