#include "coding/postcode.h"

#include <gtest/gtest.h>

using qv::coding::checkoutward;
using qv::coding::checkpc;

namespace {

TEST(Checkpc, RatesAndSplitsPostcodes) {
    struct Case {
        const char* postcode;
        char status;
        const char* key;   // nullptr: not looked at
        char sector;
    };
    const Case cases[] = {
        {"", 'N', "", ' '},
        {"     ", 'N', "", ' '},
        {"AB1 2CD", 'F', "AB1 ", '2'},
        {"EC1A 1BB", 'F', "EC1A ", '1'},
        {"W1 1AA", 'F', "W1 ", '1'},
        {"AB1", 'O', "AB1 ", ' '},       // a postcode that ends ends its key with a blank
        {"AB1 ", 'O', "AB1 ", ' '},
        {"AB1 2", 'O', "AB1 ", '2'},
        {"AB1 2C", 'O', "AB1 ", '2'},
        {"AB1 22D", 'O', "AB1 ", '2'},   // second inward character a digit
        {"AB1 2 D", 'O', "AB1 ", '2'},
        {"AB1 2C3", 'O', "AB1 ", '2'},
        {"AB1 X2D", 'O', "AB1 ", ' '},   // no sector digit
        {"AB1  2CD", 'F', "AB1 ", '2'},  // the extra blank is skipped
        {"AB1 2CD ", 'F', "AB1 ", '2'},
        {"AB1 2cd", 'F', "AB1 ", '2'},
        {"AB1 2$%", 'F', "AB1 ", '2'},   // neither digits nor blanks will do
        {"ab1 2cd", 'F', "ab1 ", '2'},
        {"AB12CD", 'N', nullptr, ' '},   // no blank among the first five
        {"ABCDE 1XX", 'N', nullptr, ' '},
        {"1AB 2CD", 'N', "1AB ", ' '},
        {"A 1AA", 'N', "A ", ' '},
        {"AAAA 1AA", 'N', "AAAA ", ' '},
        {" AB1 2CD", 'N', "", ' '},
        {"BFPO 123", 'O', "BFPO ", ' '},
        {"BFPO", 'O', "BFPO ", ' '},
        {"GIR 0AA", 'F', "GIR ", '0'},
        {"bfpo 12", 'N', "bfpo ", ' '},  // the two special codes are capitals
        {"SW1A 2AA", 'F', "SW1A ", '2'},
        {"M1 1AE", 'F', "M1 ", '1'},
        {"B33 8TH", 'F', "B33 ", '8'},
        {"CR2 6XH", 'F', "CR2 ", '6'},
        {"DN55 1PT", 'F', "DN55 ", '1'},
        {"ÄB1 2CD", 'F', "ÄB1 ", '2'},   // characters, not bytes
    };
    for (const auto& c : cases) {
        const auto r = checkpc(c.postcode);
        EXPECT_EQ(r.status, c.status) << '"' << c.postcode << '"';
        if (c.key) {
            EXPECT_EQ(r.outwardKey, c.key) << '"' << c.postcode << '"';
        }
        EXPECT_EQ(r.sector, c.sector) << '"' << c.postcode << '"';
    }
}

TEST(Checkpc, ScanPositionFollowsTheKey) {
    EXPECT_EQ(checkpc("AB1 2CD").scanPosition, 7);
    EXPECT_EQ(checkpc("AB1").scanPosition, 5);
    EXPECT_EQ(checkpc("EC1A 1BB").scanPosition, 8);
}

TEST(Checkoutward, AcceptsTheSixPatternsAndTheTwoSpecialCodes) {
    struct Case {
        const char* key;
        char status;
    };
    const Case cases[] = {
        {"W1 ", 'O'},    {"W12 ", 'O'},  {"AB1 ", 'O'},  {"AB12 ", 'O'}, {"W1A ", 'O'},  {"EC1A ", 'O'},
        {"BFPO ", 'O'},  {"GIR ", 'O'},  {"GIR", 'O'},   {"", 'N'},      {"W ", 'N'},    {"1W ", 'N'},
        {"WA ", 'N'},    {"ABC ", 'N'},  {"A1B2 ", 'N'}, {"AAAA ", 'N'}, {"A12A ", 'N'}, {"AB1C ", 'O'},
        {"ANNN ", 'N'},  {" W1 ", 'O'},
    };
    for (const auto& c : cases) EXPECT_EQ(checkoutward(c.key), c.status) << '"' << c.key << '"';
}

}  // namespace
