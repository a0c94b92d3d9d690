#include "sortation/jobkeys.h"

#include <gtest/gtest.h>

namespace qv::sortation {
namespace {

JobKeys keysOf(const char* weight, const char* bagMax, const char* bundleMax, const char* selection = "25") {
    JobKeys k;
    k.weight = weight;
    k.bagMax = bagMax;
    k.bundleMax = bundleMax;
    k.selection = selection;
    return k;
}

// The suite's one check (common/parm/bagvalues.h) is given the sortation's own keys.
TEST(BagValues, TheSortationsKeysGoToTheSuitesCheck) {
    const auto r = bagValues(keysOf("60", "2000", "30", "5"));
    ASSERT_TRUE(r.values) << r.refusal;
    EXPECT_EQ(r.values->bagitems, 33);
    EXPECT_EQ(r.values->bagbundles, 2);
    EXPECT_EQ(r.values->minSelection, 5);
    EXPECT_EQ(bagValues(keysOf("60", "abc", "30")).refusal,
              "The bag maximum of this job is \"abc\", not a number of grams above 0, so its items cannot be put into "
              "bags. Correct it in the job parameters (\"Update Parameters\"), then run this option again.");
}

TEST(JobKeys, GeographicOnlyForTheFirstServicesWithGeogY) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"M1", "Y", true}, {"P1", "Y", true}, {"M2", "Y", false}, {"M1", "N", false}, {"M1", "y", false},
        {"", "Y", false},
    };
    for (const auto& [service, geog, expected] : cases) {
        JobKeys k;
        k.service = service;
        k.geog = geog;
        EXPECT_EQ(k.geographic(), expected) << service << " " << geog;
    }
}

}  // namespace
}  // namespace qv::sortation
