// The wizard's proposal where a record ends: blanks padding the record after
// its last part, and a postcode followed by a reference, whose length is
// never cut.
#include "console/layouts/layoutwizard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace qv::console::wizard;

struct Expect {
    Part part;
    const char* shown;
    int start, length;
};

TEST(WizardProposalEnds, PaddedRecordsAndALongPostcode) {
    struct Case {
        const char* what;
        std::string record;
        std::vector<Expect> parts;  // every other part "", 0, 0
    };
    const Case cases[] = {
        // Five parts and padding: the town ends the scan finished while the
        // county never started, so the town runs to the end, then all move down.
        {"five parts padded", "A     B     C     D     E      ",
         {{Name, "A ", 1, 6}, {Add1, "B ", 7, 6}, {Town, "C ", 13, 6}, {County, "D ", 19, 6},
          {Postcode1, "E ", 25, 6}}},
        // Six parts and padding: the county runs to the end, and moves down.
        {"six parts padded", "A     B     C     D     E     F      ",
         {{Name, "A ", 1, 6}, {Add1, "B ", 7, 6}, {Add2, "C ", 13, 6}, {Town, "D ", 19, 6},
          {County, "E ", 25, 6}, {Postcode1, "F ", 31, 6}}},
        // Seven parts and padding: postcode 1 runs to the end; no reference.
        {"seven parts padded", "A     B     C     D     E     F     G      ",
         {{Name, "A ", 1, 6}, {Add1, "B ", 7, 6}, {Add2, "C ", 13, 6}, {Add3, "D ", 19, 6},
          {Town, "E ", 25, 6}, {County, "F ", 31, 6}, {Postcode1, "G ", 37, 6}}},
        // Postcode 1's length is the distance to the reference, not cut to 8.
        {"long postcode", "A     B     C     D     E     F     PC34567890123     R!",
         {{Name, "A ", 1, 6}, {Add1, "B ", 7, 6}, {Add2, "C ", 13, 6}, {Add3, "D ", 19, 6},
          {Town, "E ", 25, 6}, {County, "F ", 31, 6}, {Postcode1, "PC34567890123 ", 37, 18}, {Ref, "R", 55, 1}}},
    };
    for (const Case& c : cases) {
        const Parts got = DoAscii(c.record);
        for (int p = 0; p < PartCount; ++p) {
            Expect e{Part(p), "", 0, 0};
            for (const Expect& x : c.parts)
                if (x.part == p) e = x;
            EXPECT_EQ(got[std::size_t(p)].shown, e.shown) << c.what << ", part " << p;
            EXPECT_EQ(got[std::size_t(p)].start, e.start) << c.what << ", part " << p;
            EXPECT_EQ(got[std::size_t(p)].length, e.length) << c.what << ", part " << p;
        }
    }
}

}  // namespace
