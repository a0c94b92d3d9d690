#include "common/parm/bagvalues.h"

#include <gtest/gtest.h>

namespace qv::parm {
namespace {

BagKeys keysOf(const char* weight, const char* bagMax, const char* bundleMax, const char* selection = "25") {
    return {weight, bagMax, bundleMax, selection};
}

TEST(BagValues, ItemsAndBundlesPerBag) {
    struct Case {
        const char *weight, *bagMax, *bundleMax, *selection;
        int bagitems;
        double bagbundles, minimum;
    };
    const Case cases[] = {
        {"60", "2000", "30", "25", 33, 2, 25},    // 33 / 30 raised to 2
        {"10", "1000", "25", "5", 100, 4, 5},     // exactly 4
        {"60", "60", "1", "1", 1, 1, 1},          // one item fills a bag
        {"70", "2000", "100", "25", 28, 1, 25},   // 28.57 items: the fraction is dropped
        {"10", "1000", "25", "25x", 100, 4, 25},  // the number at the start of Selection
        {"10", "1000", "25", "", 100, 4, 0},
    };
    for (const Case& c : cases) {
        const auto r = bagValues(keysOf(c.weight, c.bagMax, c.bundleMax, c.selection));
        ASSERT_TRUE(r.values) << c.weight << " " << c.bagMax << ": " << r.refusal;
        EXPECT_EQ(r.values->bagitems, c.bagitems) << c.weight << " " << c.bagMax;
        EXPECT_EQ(r.values->bagbundles, c.bagbundles) << c.weight << " " << c.bagMax << " " << c.bundleMax;
        EXPECT_EQ(r.values->minSelection, c.minimum) << c.selection;
    }
}

TEST(BagValues, KeysThatCannotBagAJobAreRefusedWithTheirReason) {
    const std::string correct = " Correct it in the job parameters (\"Update Parameters\"), then run this option again.";
    const std::string weightText = ", not a number of grams above 0, so its items cannot be put into bags.";
    struct Case {
        const char *weight, *bagMax, *bundleMax;
        std::string message;
    };
    const Case cases[] = {
        {"0", "2000", "30", "The item weight of this job is \"0\"" + weightText + correct},
        {"", "2000", "30", "The item weight of this job is nothing" + weightText + correct},
        {"6O", "2000", "30", "The item weight of this job is \"6O\"" + weightText + correct},
        {"60", "0", "30", "The bag maximum of this job is \"0\"" + weightText + correct},
        {"60", "abc", "30", "The bag maximum of this job is \"abc\"" + weightText + correct},
        {"60", "2000", "0",
         "The bundle maximum of this job is \"0\", not a number of items above 0, so its items cannot be bundled." +
             correct},
        {"60", "2000", "",
         "The bundle maximum of this job is nothing, not a number of items above 0, so its items cannot be "
         "bundled." + correct},
        {"60", "59", "30",
         "The bag maximum of this job (59 grams) is below the weight of one item (60 grams), so no item fits into "
         "a bag." + correct},
    };
    for (const Case& c : cases) {
        const auto r = bagValues(keysOf(c.weight, c.bagMax, c.bundleMax));
        EXPECT_FALSE(r.values) << c.weight << " " << c.bagMax << " " << c.bundleMax;
        EXPECT_EQ(r.refusal, c.message);
    }
}

}  // namespace
}  // namespace qv::parm
