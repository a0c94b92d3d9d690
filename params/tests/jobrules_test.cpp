#include "params/jobrules.h"

#include <gtest/gtest.h>

#include <set>

using namespace qv::params;
using SO = ServiceOption;

namespace {

std::optional<std::string> none() { return std::nullopt; }

const char* name(Box b) {
    switch (b) {
    case Box::DefDate: return "txtDefDate";
    case Box::Postcode: return "txtPostcode";
    case Box::Format: return "TxtFormat";
    case Box::Selection: return "txtSelection";
    case Box::Weight: return "txtWeight";
    case Box::BagMax: return "txtBagMax";
    case Box::BundleMax: return "txtBundleMax";
    }
    return "?";
}

std::string describe(const std::vector<Failure>& fs) {
    std::string s;
    for (const Failure& f : fs) s += std::string("[") + f.message + " -> " + name(f.box) + "] ";
    return s;
}

}  // namespace

TEST(ServiceOnLoad, PairsSelectTheirOption) {
    struct Case {
        std::optional<std::string> service, ms120;
        SO expected;
    };
    const Case cases[] = {
        {"M1", "N", SO::M1},       {"M2", "N", SO::M2},       {"M3", "", SO::M3},
        {"M3", "y", SO::M3},  // only a capital Y is the 120 variant
        {"M1", "Y", SO::M1120},    {"M2", "Y", SO::M2120},    {"M3", "Y", SO::M3120},
        {"P1", "Y", SO::P1},       {"P2", none(), SO::P2},    {"P1", "N", SO::P1},
        {"M1", none(), SO::None},  // a Null compares with nothing
        {none(), "N", SO::None},   {"m1", "N", SO::None},     {"X9", "N", SO::None},
        {"", "", SO::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(serviceOnLoad(c.service, c.ms120), c.expected)
            << c.service.value_or("<Null>") << "/" << c.ms120.value_or("<Null>");
}

TEST(ServiceOnLoad, CodesStoredForEachOption) {
    const std::pair<SO, const char*> cases[] = {
        {SO::M1, "M1"}, {SO::M1120, "M1"}, {SO::M2, "M2"}, {SO::M2120, "M2"}, {SO::M3, "M3"},
        {SO::M3120, "M3"}, {SO::P1, "P1"}, {SO::P2, "P2"}, {SO::None, "P2"},
    };
    for (const auto& [o, code] : cases) EXPECT_EQ(serviceCode(o), code) << int(o);
}

TEST(CentrePostcode, KeysOfEachShape) {
    struct Case {
        const char* typed;
        const char* outward;  // nullptr: no lookup at all
        const char* sector;
    };
    const Case cases[] = {
        {"AB1 2CD", "AB1 ", "AB1 2"},   {"B1 2CD", "B1  ", "B1  2"},  {"AB12 3CD", "AB12", "AB123"},
        {"AB123CD", "AB12", "AB123"},   {"AB12CD", "AB1 ", "AB1 2"},  {"B12CD", "B1  ", "B1  2"},
        {"B1  2CD", "B1  ", "B1  2"},   // a second blank: the sector digit follows it
        {"AB12", "AB12", "AB12 "},      // outward code only
        {"AB1234CD", "AB123", "AB1234"},  // a five-character outward code is not cut
        {"", "    ", "     "},         // nothing typed: keys of blanks only
        {"ABCDEFG", nullptr, nullptr},  {"AB12C3D", nullptr, nullptr}, {"B12cd", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const auto keys = sectorKeys(c.typed);
        if (!c.outward) {
            EXPECT_FALSE(keys.has_value()) << c.typed;
            continue;
        }
        ASSERT_TRUE(keys.has_value()) << c.typed;
        EXPECT_EQ(keys->outward, c.outward) << c.typed;
        EXPECT_EQ(keys->sector, c.sector) << c.typed;
    }
}

TEST(CentrePostcode, ValidWhenEitherKeyIsInTheSectorTable) {
    const std::set<std::string> pcode{"B1  2", "AB1 "};
    std::vector<std::string> asked;
    const SectorLookup lookup = [&](const std::string& k) {
        asked.push_back(k);
        return pcode.count(k) > 0;
    };
    const std::pair<const char*, bool> cases[] = {
        {"B1 2CD", true}, {"B12CD", true},   {"B1 9CD", false}, {"AB1 9ZZ", true},
        {"ABCDEFG", false}, {"", false},     {"C1 2CD", false},
    };
    for (const auto& [typed, valid] : cases) EXPECT_EQ(isValidCentrePostcode(typed, lookup), valid) << typed;

    asked.clear();
    isValidCentrePostcode("B1 9CD", lookup);
    EXPECT_EQ(asked, (std::vector<std::string>{"B1  ", "B1  9"}));
    asked.clear();
    isValidCentrePostcode("ABCDEFG", lookup);
    EXPECT_TRUE(asked.empty());
}

TEST(DeferDate, PictureOnLeavingTheBox) {
    const std::pair<const char*, const char*> cases[] = {
        {"311299", "31/12/99"}, {"010199", "1/01/99"}, {"10199", "1/01/99"},  {"00311299", "31/12/99"},
        {"31/12/99", "31/12/99"}, {"1/01/99", "1/01/99"}, {"311/299", "311/299"},   // a "/" in place 2, 3 or 6
        {"3112/99", "3112/99"}, {"", ""},               {"31-12-99", "31-12-99"}, // not a whole number
        {"abc", "abc"},         {"3112199", "3112199"}, // the picture would not fit the box
        {"12345678", "12345678"},
    };
    for (const auto& [typed, shown] : cases) EXPECT_EQ(deferDatePicture(typed), shown) << typed;
}

TEST(DeferDate, ReadAsDayMonthYear) {
    const std::pair<const char*, bool> cases[] = {
        {"31/12/99", true},  {"1/01/99", true},  {"01/01/2027", true}, {"29/02/00", true},
        {"29/02/99", false}, {"31/02/99", false}, {"12/31/99", false},  {"311299", false},
        {"", false},         {"31/12", false},    {"ab/cd/ef", false},
    };
    for (const auto& [typed, valid] : cases) EXPECT_EQ(isValidDeferDate(typed), valid) << typed;
}

TEST(LeaveRules, WeightLimitsAndSelectionWarnings) {
    const std::pair<const char*, bool> weights[] = {
        {"9", false}, {"10", true}, {"2000", true}, {"2001", false}, {"", false}, {"0150", true},
    };
    for (const auto& [w, ok] : weights) EXPECT_EQ(!weightLeaveMessage(w).has_value(), ok) << w;
    EXPECT_EQ(weightLeaveMessage("5").value_or(""), msg::WeightRange);

    EXPECT_EQ(limitLeaveMessage("0").value_or(""), msg::MustEnter);
    EXPECT_EQ(limitLeaveMessage("").value_or(""), msg::MustEnter);
    EXPECT_FALSE(limitLeaveMessage("12").has_value());

    struct Sel {
        const char* selection;
        const char* format;
        const char* warning;  // nullptr: none
    };
    const Sel sels[] = {
        {"0", "LE", msg::WarnSelection25}, {"25", "LE", nullptr}, {"5", "LE", msg::WarnSelection25},
        {"0", "PK", msg::WarnSelection5},  {"5", "PK", nullptr},  {"25", "A3", msg::WarnSelection5},
        {"5", "", nullptr},                {"5", "le", nullptr},  // only "LE" is the letter format
    };
    for (const Sel& s : sels) {
        const auto w = selectionWarning(s.selection, s.format);
        EXPECT_EQ(w.value_or("<none>"), s.warning ? s.warning : "<none>") << s.selection << "/" << s.format;
    }
}

namespace {

JobEntries validLetterJob() {
    JobEntries e;
    e.service = SO::M1;
    e.format = "LE";
    e.selection = "25";
    e.weight = "60";
    e.bagMax = "10000";
    e.bundleMax = "50";
    return e;
}

}  // namespace

TEST(CheckEntries, EveryFailureInOrder) {
    using F = Failure;
    struct Case {
        const char* what;
        std::function<void(JobEntries&)> change;
        std::vector<Failure> expected;
    };
    const Case cases[] = {
        {"valid letter job", [](JobEntries&) {}, {}},
        {"selection 30 on letters", [](JobEntries& e) { e.selection = "30"; },
         {F{msg::Selection25, Box::Selection}}},
        {"selection 5 on letters", [](JobEntries& e) { e.selection = "5"; }, {F{msg::Selection25, Box::Selection}}},
        {"packets with 5", [](JobEntries& e) { e.format = "PK", e.selection = "5"; }, {}},
        {"packets with 25", [](JobEntries& e) { e.format = "PK", e.selection = "25"; },
         {F{msg::Selection5, Box::Selection}}},
        {"incorrect format", [](JobEntries& e) { e.format = "XX"; },
         {F{msg::FormatIncorrect, Box::Format}, F{msg::Selection5, Box::Selection}}},
        {"lower-case format", [](JobEntries& e) { e.format = "le"; },
         {F{msg::FormatIncorrect, Box::Format}, F{msg::Selection5, Box::Selection}}},
        {"120 on large letters: no selection check",
         [](JobEntries& e) { e.service = SO::M1120, e.format = "LL", e.selection = "7", e.weight = "751"; },
         {F{msg::Format120, Box::Format}, F{msg::Weight750, Box::Weight}}},
        {"120 letters with any selection", [](JobEntries& e) { e.service = SO::M3120, e.selection = "0"; }, {}},
        {"letter 100 g", [](JobEntries& e) { e.weight = "100"; }, {}},
        {"letter 101 g", [](JobEntries& e) { e.weight = "101"; }, {F{msg::Weight100, Box::Weight}}},
        {"A3 750 g", [](JobEntries& e) { e.format = "A3", e.selection = "5", e.weight = "750"; }, {}},
        {"A3 751 g", [](JobEntries& e) { e.format = "A3", e.selection = "5", e.weight = "751"; },
         {F{msg::Weight750, Box::Weight}}},
        {"large letter 751 g", [](JobEntries& e) { e.format = "LL", e.selection = "5", e.weight = "751"; },
         {F{msg::Weight750, Box::Weight}}},
        {"packet 2000 g", [](JobEntries& e) { e.format = "PK", e.selection = "5", e.weight = "2000"; }, {}},
        {"Presstream 2 letters of 150 g", [](JobEntries& e) { e.service = SO::P2, e.weight = "150"; },
         {F{msg::Weight100, Box::Weight}, F{msg::Presstream, Box::Format}}},
        {"Presstream 1 packets", [](JobEntries& e) { e.service = SO::P1, e.format = "PK", e.selection = "5"; }, {}},
        {"no service chosen: a valid letter job is stored", [](JobEntries& e) { e.service = SO::None; }, {}},
        {"defer ticked, bad date", [](JobEntries& e) { e.deferTicked = true, e.deferDate = "31/02/99"; },
         {F{msg::DeferDate, Box::DefDate}}},
        {"defer ticked, empty date", [](JobEntries& e) { e.deferTicked = true; }, {F{msg::DeferDate, Box::DefDate}}},
        {"defer ticked, picture's own date", [](JobEntries& e) { e.deferTicked = true, e.deferDate = "1/01/99"; }, {}},
        {"defer not ticked, junk date", [](JobEntries& e) { e.deferDate = "junk"; }, {}},
        {"weight below 10", [](JobEntries& e) { e.weight = "5"; }, {F{msg::WeightRange, Box::Weight}}},
        {"empty weight", [](JobEntries& e) { e.weight = ""; }, {F{msg::WeightRange, Box::Weight}}},
        {"packet above 2000 g", [](JobEntries& e) { e.format = "PK", e.selection = "5", e.weight = "2500"; },
         {F{msg::WeightRange, Box::Weight}}},
        {"bag limit 0", [](JobEntries& e) { e.bagMax = "0"; }, {F{msg::MustEnter, Box::BagMax}}},
        {"empty bundle limit", [](JobEntries& e) { e.bundleMax = ""; }, {F{msg::MustEnter, Box::BundleMax}}},
        {"bag below the item weight", [](JobEntries& e) { e.bagMax = "59"; },
         {F{msg::BagBelowWeight, Box::BagMax}}},
        {"bag equal to the item weight", [](JobEntries& e) { e.bagMax = "60"; }, {}},
        {"every leave check at once",
         [](JobEntries& e) { e.format = "PK", e.selection = "5", e.weight = "3000", e.bagMax = "", e.bundleMax = "0"; },
         {F{msg::WeightRange, Box::Weight}, F{msg::MustEnter, Box::BagMax}, F{msg::MustEnter, Box::BundleMax}}},
    };
    const SectorLookup noLookup = [](const std::string& k) -> bool {
        ADD_FAILURE() << "looked up " << k;
        return false;
    };
    for (const Case& c : cases) {
        JobEntries e = validLetterJob();
        c.change(e);
        const auto got = checkEntries(e, noLookup);
        EXPECT_EQ(got, c.expected) << c.what << ": " << describe(got);
    }
}

TEST(CheckEntries, CentrePostcodeOnlyWhenTickedShownAndTheDeferDatePassed) {
    std::vector<std::string> asked;
    const SectorLookup lookup = [&](const std::string& k) {
        asked.push_back(k);
        return k == "B1  2";
    };
    JobEntries e = validLetterJob();
    e.geogTicked = true;
    e.postcode = "B1 2CD";
    EXPECT_TRUE(checkEntries(e, lookup).empty());
    EXPECT_EQ(asked, (std::vector<std::string>{"B1  ", "B1  2"}));

    e.postcode = "B1 9CD";
    EXPECT_EQ(checkEntries(e, lookup), (std::vector<Failure>{{msg::Postcode, Box::Postcode}}));

    // A failed defer date skips the lookup; the later checks still run.
    asked.clear();
    e.deferTicked = true;
    e.deferDate = "31/02/99";
    e.format = "XX";
    EXPECT_EQ(checkEntries(e, lookup),
              (std::vector<Failure>{{msg::DeferDate, Box::DefDate},
                                    {msg::FormatIncorrect, Box::Format},
                                    {msg::Selection5, Box::Selection}}));
    EXPECT_TRUE(asked.empty());

    // While its group is hidden the centre postcode is not the sortation's business.
    e = validLetterJob();
    e.geogTicked = true;
    e.geogShown = false;
    e.postcode = "NONSENSE";
    EXPECT_TRUE(checkEntries(e, lookup).empty());
    EXPECT_TRUE(asked.empty());
}
