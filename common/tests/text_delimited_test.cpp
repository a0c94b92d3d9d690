#include "common/text/delimited.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qv::DoubledQuote;

std::vector<std::string> split(const std::string& record, DoubledQuote rule) {
    std::vector<std::string> f;
    qv::splitCommaFields(record, f, rule);
    return f;
}

TEST(SplitCommaFields, BothRules) {
    struct Case {
        const char* record;
        std::vector<std::string> toggles;
        std::vector<std::string> oneQuote;
    };
    const Case cases[] = {
        {R"("Smith, J",42,"Leeds")", {"Smith, J", "42", "Leeds"}, {"Smith, J", "42", "Leeds"}},
        {"a,,c", {"a", "", "c"}, {"a", "", "c"}},
        {"", {""}, {""}},
        {",", {"", ""}, {"", ""}},
        {" a , b ", {" a ", " b "}, {" a ", " b "}},
        {R"("O""Brien",x)", {"OBrien", "x"}, {"O\"Brien", "x"}},
        {R"("say ""hi""",2)", {"say hi", "2"}, {"say \"hi\"", "2"}},
        {R"(a,"",b)", {"a", "", "b"}, {"a", "", "b"}},        // an empty quoted field
        {R"("""",x)", {"", "x"}, {"\"", "x"}},                 // a field of one quote
        {R"(plain "in, side" text,2)", {"plain in, side text", "2"}, {"plain in, side text", "2"}},
        {R"(ab"cd,ef)", {"abcd,ef"}, {"abcd,ef"}},              // an unclosed quote runs on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split(c.record, DoubledQuote::Toggles), c.toggles) << c.record;
        EXPECT_EQ(split(c.record, DoubledQuote::IsOneQuote), c.oneQuote) << c.record;
    }
}

TEST(SplitCommaFields, KeepsEveryFieldAndReusesTheVector) {
    std::string rec;
    for (int i = 1; i <= 40; ++i) rec += (i > 1 ? "," : "") + std::to_string(i);
    std::vector<std::string> f;
    qv::splitCommaFields(rec, f);
    ASSERT_EQ(f.size(), 40u);
    EXPECT_EQ(f[39], "40");
    qv::splitCommaFields("x,y", f);  // a shorter record after a longer one
    EXPECT_EQ(f, (std::vector<std::string>{"x", "y"}));
}

}  // namespace
