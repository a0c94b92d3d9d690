#include "common/text/csv.h"
#include "platform/testing/tempfolder.h"
#include "sortation/linereport.h"
#include "sortation/sequencing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::sortation {
namespace {

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// The bytes a Post Office file holds with these records, as the report's writer writes them.
std::string written(const std::vector<CsvRecord>& records) {
    const testkit::TempFolder folder;
    {
        CsvWriter out(folder.path("POLINE.CSV"));
        for (const CsvRecord& r : records) writeRecord(out, r);
        out.close();
    }
    return folder.readBytes("POLINE.CSV");
}

BagValues values(int bagitems, double bagbundles, double bundleMax) {
    BagValues v;
    v.bagitems = bagitems;
    v.bagbundles = bagbundles;
    v.bundleMax = bundleMax;
    return v;
}

TEST(BagsAndBundles, OfASelection) {
    struct Case {
        double items;
        int bagitems;
        double bagbundles, bundleMax, bags, bundles;
    };
    const Case cases[] = {
        {250, 100, 4, 25, 3, 10},  // the last bag holds 50: 2 x 4 + 2
        {100, 100, 4, 25, 1, 4},   // exactly one bag
        {101, 100, 4, 25, 2, 5},   // one item over: a bag of its own, one bundle
        {1, 100, 4, 25, 1, 1},
        {33, 33, 2, 30, 1, 2},     // 33 / 30 raised
        {7, 1, 1, 1, 7, 7},
    };
    for (const Case& c : cases) {
        const BagCount b = bagsAndBundles(c.items, values(c.bagitems, c.bagbundles, c.bundleMax));
        EXPECT_EQ(b.bags, c.bags) << c.items << " / " << c.bagitems;
        EXPECT_EQ(b.bundles, c.bundles) << c.items << " / " << c.bagitems;
    }
    EXPECT_EQ(bagsOf(0, 100), 0);
    EXPECT_EQ(bagsOf(201, 100), 3);
}

TEST(BagNumbering, LabelsWithBagLabelsOnly) {
    // 120, 80 and 300 items, 100 a bag: 2, 1 and 3 bags.
    BagNumbering n("Y", "N");
    EXPECT_EQ(n.selection(120, 2, 0, 10), (BagRow{1, 1, 122, std::nullopt, 10}));
    EXPECT_EQ(n.selection(200, 3, 0, 20), (BagRow{3, 122, 203, std::nullopt, 20}));
    EXPECT_EQ(n.selection(500, 6, 0, 30), (BagRow{4, 203, 506, std::nullopt, 30}));
}

TEST(BagNumbering, NoLabelsCountAddressesFromZero) {
    BagNumbering n("N", "N");
    EXPECT_EQ(n.selection(30, 3, 0, 1), (BagRow{1, 0, 30, std::nullopt, 1}));
    EXPECT_EQ(n.selection(55, 6, 4, 2), (BagRow{4, 30, 55, std::nullopt, 2}));
    // A key that is neither "Y" nor "N" starts from 1 but adds nothing.
    BagNumbering odd("", "N");
    EXPECT_EQ(odd.selection(30, 3, 0, 1).labelStart, 1);
    EXPECT_EQ(odd.selection(40, 4, 0, 1).labelNumber, 40);
}

TEST(BagNumbering, BundleNumbersCountResidueBundlesOnly) {
    BagNumbering n("N", "Y");
    // direct first, residue of 3 bundles, residue of 2, direct again
    const BagRow direct = n.selection(30, 3, 0, 1);
    const BagRow res1 = n.selection(40, 4, 3, 2);
    const BagRow res2 = n.selection(50, 5, 5, 3);
    const BagRow later = n.selection(80, 8, 5, 4);
    EXPECT_EQ(direct.bundleNumber, 0);
    EXPECT_EQ(res1.bundleNumber, 1);
    EXPECT_EQ(res2.bundleNumber, 4);
    EXPECT_EQ(later.bundleNumber, 6);
    EXPECT_EQ(direct.labelStart, 1);
    EXPECT_EQ(res1.labelNumber, 43);  // 40 addresses and 3 bundle labels
    EXPECT_EQ(later.labelNumber, 85);
    EXPECT_EQ(later.labelStart, res2.labelNumber);
}

TEST(BagNumbering, LetterPostRow) {
    BagNumbering n("Y", "Y");
    n.selection(30, 3, 2, 1);
    EXPECT_EQ(n.letterPost(30, 12, 5, 2, 99000001), (BagRow{5, std::nullopt, 30 + 12 + 5 + 2, 2, 99000001}));
    BagNumbering plain("N", "N");
    EXPECT_EQ(plain.letterPost(0, 12, 2, 0, 7), (BagRow{2, std::nullopt, 12, std::nullopt, 7}));
}

TEST(LineTexts, SelectionLineColumns) {
    SelectionLine l{"12345", "NEWTOWN DIRECT", 30, 130, 3, 13, "     "};
    EXPECT_EQ(selectionLineText(l), "12345" + blanks(6) + "NEWTOWN DIRECT" + blanks(36) + blanks(6) + "    30" +
                                        blanks(4) + "   130" + blanks(2) + "     3" + blanks(4) + "    13" +
                                        blanks(5));
    EXPECT_EQ(selectionLineText(l).size(), 106u);
    // A long description keeps its first 50 characters; a residue code is padded.
    SelectionLine r{"123", std::string(60, 'D'), 5, 5, 1, 1, "   07"};
    EXPECT_EQ(selectionLineText(r), "123  " + blanks(6) + std::string(50, 'D') + blanks(6) + "     5" + blanks(4) +
                                        "     5" + blanks(2) + "     1" + blanks(4) + "     1" + "   07");
}

TEST(LineTexts, NumbersWiderThanTheirColumnWidenTheLine) {
    SelectionLine l{"12345", "X", 1234567, 12345678, 123457, 1234567, "     "};
    const std::string text = selectionLineText(l);
    EXPECT_EQ(text, "12345" + blanks(6) + "X" + blanks(49) + blanks(6) + "1234567" + blanks(4) + "12345678" +
                        blanks(2) + "123457" + blanks(4) + "1234567" + blanks(5));
    EXPECT_EQ(written({polineRecord(l)}), "\"12345\",\"X\",\"1234567\",\"12345678\",\"123457\",\"1234567\"\r\n");
    EXPECT_EQ(letterPostLineText(1000000, 2000000, 10000, 20000, false),
              "None       Letter Post" + blanks(45) + "1000000" + blanks(4) + "2000000" + blanks(2) + " 10000" +
                  blanks(4) + " 20000");
}

TEST(LineTexts, LetterPostHeadersAndEnd) {
    EXPECT_EQ(letterPostLineText(12, 142, 2, 15, true),
              "None       Letter Post" + blanks(45) + "    12" + blanks(4) + "   142" + blanks(2) + "     2" +
                  blanks(4) + "    15" + "   99");
    EXPECT_EQ(letterPostLineText(12, 142, 2, 15, false).size(), 101u);
    EXPECT_EQ(titleLine("10/12/2026", 3),
              "10/12/2026                       Mailsort Line Report                         Page: 3");
    EXPECT_EQ(std::string(ColumnHeading), "Code" + blanks(64) + "Items  Cum Item    Bags  Cum Bags  Seq#");
    EXPECT_EQ(std::string(EndLine), blanks(44) + "<<< End of Report >>>");
    const std::pair<const char*, const char*> formats[] = {
        {"LE", "Letter"}, {"LL", "Large Letter"}, {"A3", "A3 Packet"}, {"PK", "Packet"}, {"le", ""}, {"", ""}};
    for (const auto& [code, name] : formats) EXPECT_EQ(formatName(code), name) << code;
}

TEST(LineTexts, SeqColumnShowsTwoDigitsRightAligned) {
    EXPECT_EQ(seqColumn(7), "   07");
    EXPECT_EQ(seqColumn(99), "   99");
    EXPECT_EQ(seqColumn(123), "  123");
    EXPECT_EQ(seqColumn(db::Value()), "     ");
}

TEST(CentreKeys, AsGetseqLooksThemUp) {
    struct Case {
        const char *postcode, *sector, *outward;
    };
    const Case cases[] = {
        {"AB1 2CD", "AB1 2", "AB1"},  {"B1 2CD", "B1  2", "B1"},   {"AB12 3CD", "AB123", "AB12"},
        {"AB12 ", "AB12", "AB12"},    // outward code only: no sector digit
        {"AB12CD", "AB1 2", "AB1 "},  // typed without its blank: split as the job parameters split it
        {"B12CD", "B1  2", "B1  "},   {"AB123CD", "AB123", "AB12"},
        {"XYZ", "XYZ  ", "XYZ "},     // an outward code alone, no sector digit
        {"ABCDEFG", "ABCDEFG", "ABCDEFG"},  // cannot be split: the whole text
        {"", "     ", "    "},
    };
    for (const Case& c : cases) {
        const CentreKeys k = centreKeys(c.postcode);
        EXPECT_EQ(k.sector, c.sector) << c.postcode;
        EXPECT_EQ(k.outward, c.outward) << c.postcode;
    }
}

TEST(Residue, WhichGroupsGoToResidue) {
    struct Case {
        const char *code, *service, *m120, *resOnly;
        double count, minimum;
        bool residue;
    };
    const Case cases[] = {
        {"12345", "M1", "N", "N", 25, 25, false}, {"12345", "M1", "N", "N", 24, 25, true},
        {"12345", "M2", "Y", "N", 500, 1, true},  {"12345", "M3", "Y", "N", 500, 1, true},
        {"12345", "P1", "Y", "N", 500, 5, false}, {"12345", "P2", "Y", "N", 4, 5, true},
        {"12345", "M1", "N", "Y", 500, 25, true}, {"1", "M1", "Y", "Y", 1, 25, false},
        {"123", "M1", "N", "N", 3, 25, true},
    };
    for (const Case& c : cases) {
        JobKeys k;
        k.service = c.service;
        k.mailsort120 = c.m120;
        k.resOnly = c.resOnly;
        EXPECT_EQ(goesToResidue(c.code, c.count, k, c.minimum), c.residue)
            << c.code << " " << c.service << " " << c.m120 << " " << c.resOnly << " " << c.count;
    }
}

}  // namespace
}  // namespace qv::sortation
