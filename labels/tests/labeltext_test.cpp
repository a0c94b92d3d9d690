// The pieces of a label run that need no database: the address label, the
// bag and bundle boxes, the row buffer, the geometry and the percentage.
#include "labels/addresslabel.h"
#include "labels/bagbox.h"
#include "labels/labelkeys.h"
#include "labels/labelrun.h"
#include "labels/rowbuffer.h"
#include "platform/testing/qtprint.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qv::labels {
namespace {

QString blanks(int n) { return QString(n, u' '); }

// ---- Address label ---------------------------------------------------------

AddressRecord address() {
    AddressRecord r;
    r.name = "Mr A Smith";
    r.address1 = "1 High Street";
    r.address2 = "Little Village";
    r.address3 = "";
    r.town = "NEWTOWN";
    r.county = "Shire";
    r.postcode = "AB1 2CD";
    r.mscode = "123";
    r.rgcode = 5;
    return r;
}

struct Placed {
    QStringList lines;  // lines 1 to 8 of a 30-character row
};

Placed place(const AddressRecord& r, const LabelKeys& k, double bag, double& counter, int width = 30) {
    RowBuffer row;
    row.reset(width);
    printLabel(row, r, k, width, 1, bag, counter);
    Placed p;
    for (int i = 1; i <= 8; ++i) p.lines << row.line(i);
    return p;
}

TEST(AddressLabel, FirstLineStandsOneBlankShortOfTheRightEdge) {
    struct Case {
        const char* what;
        bool mailsort, bagNum2, ref;
        int rgcode;
        double bag;
        const char* refText;
        QString line1;
    };
    const Case cases[] = {
        {"nothing on", false, false, false, 5, 1, "", blanks(30)},
        {"code", true, false, false, 5, 1, "", blanks(26) + "123 "},
        {"no region", true, false, false, 99, 1, "", blanks(25) + "None "},
        {"bag number alone", false, true, false, 5, 7, "", blanks(22) + blanks(6) + "7 "},
        {"code and bag", true, true, false, 5, 12, "", blanks(17) + "  123     12 "},
        {"reference", false, false, true, 5, 1, "REF9", blanks(25) + "REF9 "},
        {"all three", true, true, true, 5, 3, "R1", blanks(14) + "  123      3 R1 "},
    };
    for (const Case& c : cases) {
        LabelKeys k;
        k.mailsort = c.mailsort;
        k.bagNum2 = c.bagNum2;
        k.ref = c.ref;
        AddressRecord r = address();
        r.rgcode = c.rgcode;
        r.ref = c.refText;
        double counter = 0;
        const Placed p = place(r, k, c.bag, counter);
        EXPECT_EQ(p.lines[0], c.line1) << c.what;
        EXPECT_EQ(p.lines[1], "Mr A Smith" + blanks(20)) << c.what;
    }
}

TEST(AddressLabel, LabelsWithoutReferenceAreNumberedOnFromRunToRun) {
    LabelKeys k;
    k.ref = true;
    AddressRecord r = address();
    r.ref = "";
    double counter = 0;
    QStringList firsts;
    for (int i = 0; i < 3; ++i) firsts << place(r, k, 1, counter).lines[0].trimmed();
    EXPECT_EQ(firsts, QStringList({"1", "2", "3"}));
    // A later run from the same dialog goes on counting.
    EXPECT_EQ(place(r, k, 1, counter).lines[0], blanks(26) + "  4 ");
    r.ref = "X";
    EXPECT_EQ(place(r, k, 1, counter).lines[0], blanks(28) + "X ");
    EXPECT_EQ(counter, 4);
}

TEST(AddressLabel, AddressLinesCloseUpAndAreCutToTheLabel) {
    LabelKeys k;
    double counter = 0;
    AddressRecord r = address();
    r.address2 = "   ";  // blanks only take no line
    r.county = "";
    r.name = "A name much longer than the label is wide";
    const Placed p = place(r, k, 1, counter);
    EXPECT_EQ(p.lines[1], "A name much longer than the la");
    EXPECT_EQ(p.lines[2], "1 High Street" + blanks(17));
    EXPECT_EQ(p.lines[3], "NEWTOWN" + blanks(23));
    EXPECT_EQ(p.lines[4], "AB1 2CD" + blanks(23));
    for (int i = 5; i < 8; ++i) EXPECT_EQ(p.lines[i], blanks(30)) << i;
}

TEST(AddressLabel, FullAddressFillsEightLines) {
    LabelKeys k;
    double counter = 0;
    AddressRecord r = address();
    r.address3 = "  Far End  ";
    const Placed p = place(r, k, 1, counter);
    QStringList got;
    for (const QString& l : p.lines) got << l.trimmed();
    EXPECT_EQ(got, QStringList({"", "Mr A Smith", "1 High Street", "Little Village", "Far End", "NEWTOWN", "Shire",
                                "AB1 2CD"}));
}

TEST(AddressLabel, FirstLineAsLongAsTheLabelIsCutAndTheLabelKept) {
    LabelKeys k;
    k.ref = true;
    k.mailsort = true;
    double counter = 0;
    AddressRecord r = address();
    r.ref = "ABCDEFGHIJKLMNOPQRST";
    const Placed p = place(r, k, 1, counter, 12);
    EXPECT_EQ(p.lines[0], "  123 ABCDE ");
    EXPECT_EQ(p.lines[1], "Mr A Smith  ");
    EXPECT_EQ(p.lines[6], "AB1 2CD     ");
    // Exactly as long as the label: cut too.
    r.ref = "ABCDEF";  // "  123 ABCDEF" is 12
    EXPECT_EQ(place(r, k, 1, counter, 12).lines[0], "  123 ABCDE ");
    r.ref = "ABCDE";  // 11: fits
    EXPECT_EQ(place(r, k, 1, counter, 12).lines[0], "  123 ABCDE ");
    r.ref = "ABCD";
    EXPECT_EQ(place(r, k, 1, counter, 12).lines[0], "   123 ABCD ");
}

TEST(AddressLabel, NullCodeAndPostcodeReadAsEmpty) {
    LabelKeys k;
    k.mailsort = true;
    double counter = 0;
    AddressRecord r = address();
    r.mscode = QString();
    r.postcode = QString();
    const Placed p = place(r, k, 1, counter);
    EXPECT_EQ(p.lines[0], blanks(30));
    EXPECT_EQ(p.lines[5], "Shire" + blanks(25));
    EXPECT_EQ(p.lines[6], blanks(30));
}

// ---- Row buffer ------------------------------------------------------------

TEST(RowBuffer, WritesInPlaceAndNeverGrows) {
    RowBuffer row;
    row.reset(10);
    EXPECT_FALSE(row.holdsRow());
    row.place(2, 8, u"ABCDE");
    EXPECT_EQ(row.line(2), "       ABC");
    row.place(2, 1, u"xy");
    EXPECT_EQ(row.line(2), "xy     ABC");
    row.place(3, 0, u"z");  // below 1 counts as 1
    EXPECT_EQ(row.line(3), "z         ");
    row.place(4, 11, u"lost");  // past the end
    EXPECT_EQ(row.line(4), blanks(10));
    row.clear();
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(row.line(i), blanks(10));
    EXPECT_FALSE(row.holdsRow());
}

TEST(RowBuffer, ALabelFarRightStillMakesARow) {
    RowBuffer row;
    row.reset(60);
    row.place(2, 20, u"Name");  // the first 15 characters of line 2 stay blank
    EXPECT_TRUE(row.holdsRow());
}

// ---- Bag and bundle boxes --------------------------------------------------

LabelKeys boxKeys() {
    LabelKeys k;
    k.service = "M1";
    k.format = "LE";
    k.itemCnt = true;
    k.itemCnt2 = true;
    k.bagNum = true;
    k.bundleNum = true;
    k.extraTextNull = true;
    return k;
}

BoxFacts facts(BoxKind kind, const char* ms, const char* rs, const char* sf) {
    BoxFacts f;
    f.kind = kind;
    f.mscode = ms;
    f.rscode = rs;
    f.sflag = sf;
    f.bagNumber = 3;
    f.bundleNumber = 2;
    f.bagItems = 12;
    f.bundleItems = 4;
    f.description = "NEWTOWN RESIDUE AREA WITH A LONG NAME TO SPLIT";
    return f;
}

const QString Top = "************************************";
const QString Rule = "*----------------------------------*";

void expectBox(const std::array<QString, 8>& got, const QStringList& want, const char* what) {
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(got[std::size_t(i)], want[i]) << what << " line " << (i + 1);
        if (!want[i].isEmpty()) {
            EXPECT_EQ(want[i].size(), 36) << what << " (expected text) line " << (i + 1);
        }
    }
}

TEST(BagBox, BagLabelsOfEachKindOfSelection) {
    const QString d1 = "* NEWTOWN RESIDUE AREA WITH        *";
    const QString d2 = "*  A LONG NAME TO SPLIT            *";
    const QString letter = "* Mail Format: Letter              *";
    {
        BagBox box;
        expectBox(box.build(facts(BoxKind::Bag, "12345", "", "N"), boxKeys()),
                  {Top, "* Direct Selection Bag  No:      3 *", Rule, "*   (M1) 12345       Items:     12 *", d1, d2,
                   letter, ""},
                  "direct");
    }
    {
        BagBox box;
        expectBox(box.build(facts(BoxKind::Bag, "123", "123", "N"), boxKeys()),
                  {Top, "* Residue Selection Bag No:      3 *", Rule, "*   (M1)   123       Items:     12 *", d1, d2,
                   letter, ""},
                  "residue by code");
    }
    {
        BagBox box;
        expectBox(box.build(facts(BoxKind::Bag, "12345", "", "Y"), boxKeys()),
                  {Top, "* Residue Selection Bag No:      3 *", Rule, "*   (M1) 12345       Items:     12 *", d1, d2,
                   letter, ""},
                  "moved to its residue");
    }
    {
        BagBox box;
        expectBox(box.build(facts(BoxKind::Bag, "1", "", "N"), boxKeys()),
                  {Top, "* Letter Post           No:      3 *", Rule, "*   (M1) None        Items:     12 *",
                   "* Letter Post                      *", "*                                  *", letter, ""},
                  "letter post");
    }
    {
        BagBox box;
        LabelKeys k = boxKeys();
        k.itemCnt = false;
        k.bagNum = false;
        k.format = "A3";
        expectBox(box.build(facts(BoxKind::Bag, "1", "", "N"), k),
                  {Top, "* Letter Post                      *", Rule, "*   (M1) None                      *",
                   "* Letter Post                      *", "*                                  *",
                   "* Mail Format: A3 Packet           *", ""},
                  "letter post without numbers");
        expectBox(box.build(facts(BoxKind::Bag, "12345", "", "N"), k),
                  {Top, "* Direct Selection Bag             *", Rule, "*   (M1) 12345                     *", d1, d2,
                   "* Mail Format: A3 Packet           *", ""},
                  "direct without numbers");
        expectBox(box.build(facts(BoxKind::Bag, "123", "123", "N"), k),
                  {Top, "* Residue Selection Bag            *", Rule, "*   (M1)   123                     *", d1, d2,
                   "* Mail Format: A3 Packet           *", ""},
                  "residue without numbers");
    }
}

TEST(BagBox, BundleLabels) {
    BagBox box;
    LabelKeys k = boxKeys();
    k.deferDel = true;  // never on a bundle
    k.deferDate = "24/12/26";
    k.format = "LL";
    expectBox(box.build(facts(BoxKind::Bundle, "123", "123", "Y"), k),
              {Top, "* Residue Bundle        No:      2 *", Rule, "*   (M1)   123       Items:      4 *",
               "* NEWTOWN RESIDUE AREA WITH        *", "*  A LONG NAME TO SPLIT            *",
               "* Mail Format: Large Letter        *", ""},
              "bundle");
    k.bundleNum = false;
    k.itemCnt2 = false;
    k.itemCnt = true;  // bag labels only
    expectBox(box.build(facts(BoxKind::Bundle, "123", "123", "Y"), k),
              {Top, "* Residue Bundle                   *", Rule, "*   (M1)   123                     *",
               "* NEWTOWN RESIDUE AREA WITH        *", "*  A LONG NAME TO SPLIT            *",
               "* Mail Format: Large Letter        *", ""},
              "bundle without numbers");
}

TEST(BagBox, DeferredDeliveryAndExtraText) {
    struct Case {
        const char* what;
        bool deferred;
        db::Value extra;
        QString line3, line7, line8;
    };
    const QString defer = "* Defer Until: 24/12/26            *";
    const QString fmt = "* Mail Format: Packet              *";
    const QString d2 = "*  A LONG NAME TO SPLIT            *";
    const Case cases[] = {
        {"deferred, extra text", true, "Handle with care", defer, d2, "* Handle with care                 *"},
        {"deferred, no extra text", true, db::Value(), defer, d2, fmt},
        {"deferred, five blanks", true, "     later", defer, d2, fmt},
        {"deferred, empty extra text", true, "", defer, d2, fmt},
        {"deferred, three blanks", true, "   ", defer, d2, fmt},
        {"deferred, a short text", true, "ab", defer, d2, "* ab                               *"},
        {"not deferred, empty extra text", false, "", Rule, fmt, ""},
        {"not deferred, long extra text", false, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", Rule, fmt,
         "* ABCDEFGHIJKLMNOPQRSTUVWXY        *"},
        {"not deferred, no extra text", false, db::Value(), Rule, fmt, ""},
    };
    for (const Case& c : cases) {
        BagBox box;
        LabelKeys k = boxKeys();
        k.format = "PK";
        k.deferDel = c.deferred;
        k.deferDate = "24/12/26";
        k.extraTextNull = c.extra.isNull();
        k.extraText = QString::fromStdString(c.extra.toString());
        const auto lines = box.build(facts(BoxKind::Bag, "123", "123", "Y"), k);
        EXPECT_EQ(lines[2], c.line3) << c.what;
        EXPECT_EQ(lines[6], c.line7) << c.what;
        EXPECT_EQ(lines[7], c.line8) << c.what;
    }
}

TEST(BagBox, LongNumbersKeepTheirFirstSixDigits) {
    BagBox box;
    BoxFacts f = facts(BoxKind::Bag, "12345", "", "N");
    f.bagNumber = 1234567;
    f.bagItems = 7654321;
    const auto lines = box.build(f, boxKeys());
    EXPECT_EQ(lines[1], "* Direct Selection Bag  No: 123456 *");
    EXPECT_EQ(lines[3], "*   (M1) 12345       Items: 765432 *");
}

TEST(BagBox, DescriptionSplitsIntoTwoLinesOf25) {
    auto s = BagBox::splitDescription("123", "SHORT");
    EXPECT_EQ(s[0], "SHORT" + blanks(20));
    EXPECT_EQ(s[1], blanks(25));
    s = BagBox::splitDescription("12345", QString(30, u'x') + QString(50, u'y'));
    EXPECT_EQ(s[0], QString(25, u'x'));
    EXPECT_EQ(s[1], QString(5, u'x') + QString(20, u'y'));
    s = BagBox::splitDescription("1", "IGNORED");
    EXPECT_EQ(s[0], "Letter Post" + blanks(14));
    EXPECT_EQ(s[1], blanks(25));
}

// ---- Geometry --------------------------------------------------------------

TEST(Geometry, DotMatrixColumnsAndRowWidth) {
    LabelKeys k;
    k.leftMarg = 3;
    k.addOffset = 1;
    k.labelWidth = 32;
    k.horGap = 5;
    struct Case {
        const char* across;
        int rowWidth;
    };
    for (const Case c : {Case{"1", 42}, Case{"2", 79}, Case{"3", 116}, Case{"4", 148}}) {
        k.labAcross = c.across;
        const Geometry g = dotGeometry(k);
        EXPECT_EQ(g.col1Base, 4) << c.across;
        EXPECT_EQ(g.col1, 5) << c.across;
        EXPECT_EQ(g.col2, 42) << c.across;
        EXPECT_EQ(g.col3, 79) << c.across;
        EXPECT_EQ(g.col4, 116) << c.across;
        EXPECT_EQ(g.rowWidth, c.rowWidth) << c.across;
        EXPECT_FALSE(geometryRefusal(k, g)) << c.across;
    }
}

// The first laser preset (63.5 x 38.1 mm, 3 across) at 8 points, a character
// of 1.6933 mm: the labels begin 6, 72 and 138 mm into the printable area
// (2 mm in from the paper), their text 2 mm further in.
TEST(Geometry, LaserColumnsOfTheFirstLaserPreset) {
    LabelKeys k;
    k.laser = true;
    k.labelHeight = 38.1;
    k.labelWidth = 63.5;
    k.horGap = 2.5;
    k.topMarg = 19;
    k.leftMarg = 8;
    k.addOffset = 2;
    k.labAcross = "3";
    k.labelsPage = 7;
    const Geometry g = laserGeometry(k, 8 * 0.6 * 25.4 / 72);
    // Column 5 starts 6.77 mm into the printable area, 0.77 mm inside the
    // label; column 6 would stand 2.47 mm inside, past the offset.
    EXPECT_EQ(g.col1, 5);
    EXPECT_EQ(g.col1Base, 5);  // bag and bundle labels stand with the address text
    EXPECT_EQ(g.col2, 44);
    EXPECT_EQ(g.col3, 83);
    EXPECT_EQ(g.charsAt(1), 37);
    EXPECT_EQ(g.charsAt(2), 37);
    EXPECT_EQ(g.charsAt(3), 36);
    EXPECT_EQ(g.rowWidth, 82 + 36);
}

// On both laser presets at every font size the program offers, each label's
// lines start at a whole column inside the label, within a character of the
// address offset, and end with the last character that ends inside it.
TEST(Geometry, LaserLabelsStandInsideTheirLabels) {
    struct Case {
        double width, leftMarg, addOffset;
        const char* across;
    };
    for (const Case c : {Case{63.5, 8, 2, "3"}, Case{99.1, 4, 2, "2"}, Case{63.5, 1.5, 0, "3"},
                         Case{50, 12, 5.3, "4"}})
        for (double points : {8.0, 10.0, 12.0}) {
            LabelKeys k;
            k.laser = true;
            k.labelWidth = c.width;
            k.horGap = 2.5;
            k.leftMarg = c.leftMarg;
            k.addOffset = c.addOffset;
            k.labAcross = c.across;
            const double cw = points * 0.6 * 25.4 / 72;
            const Geometry g = laserGeometry(k, cw);
            ASSERT_FALSE(geometryRefusal(k, g)) << c.width << " at " << points;
            for (int col = 1; col <= g.across; ++col) {
                const std::string at = std::to_string(c.width) + " mm, margin " + std::to_string(c.leftMarg) +
                                       " at " + std::to_string(points) + " pt, column " + std::to_string(col);
                // Millimetres into the printable area.
                const double left = std::max(0.0, c.leftMarg - 2 + (col - 1) * (c.width + 2.5));
                const double right = c.leftMarg - 2 + (col - 1) * (c.width + 2.5) + c.width;
                const double start = (g.column(col) - 1) * cw;
                const double end = start + g.charsAt(col) * cw;
                EXPECT_EQ(g.column(col), std::round(g.column(col))) << at;
                EXPECT_GE(start, left - 1e-9) << at;
                EXPECT_LT(std::abs(start - (left + c.addOffset)), cw) << at;
                EXPECT_LE(end, right + 1e-9) << at;
                EXPECT_GT(end + cw, right) << at << ": one more character would fit";
            }
            EXPECT_EQ(g.rowWidth, g.column(g.across) - 1 + g.charsAt(g.across));
        }
    // A label edge on a character's edge keeps that character.
    LabelKeys k;
    k.labelWidth = 2.54 * 20;
    k.leftMarg = 2 + 2.54 * 3;
    k.labAcross = "1";
    const Geometry g = laserGeometry(k, 2.54);
    EXPECT_EQ(g.col1, 4);
    EXPECT_EQ(g.charsAt(1), 20);
}

// More than four labels across print as four; fewer than one cannot print.
TEST(Geometry, LabelsAcrossAboveFourPrintFourAcross) {
    LabelKeys k;
    k.leftMarg = 3;
    k.addOffset = 1;
    k.labelWidth = 32;
    k.horGap = 5;
    k.labAcross = "4";
    const Geometry four = dotGeometry(k);
    for (const char* across : {"5", "9", "4.5", "250"}) {
        k.labAcross = across;
        const Geometry g = dotGeometry(k);
        EXPECT_EQ(g.across, 4) << across;
        EXPECT_EQ(g.rowWidth, four.rowWidth) << across;
        EXPECT_EQ(g.following(4), 1) << across;
        EXPECT_FALSE(geometryRefusal(k, g)) << across;
        k.laser = true;
        EXPECT_EQ(laserGeometry(k, 2.54).across, 4) << across;
        k.laser = false;
    }
}

TEST(Geometry, RefusesWhatARowCannotHold) {
    LabelKeys k;
    k.labelWidth = 36;
    k.horGap = 2;
    struct Case {
        const char* across;
        double width;
        QString message;
    };
    const Case cases[] = {
        {"0", 36,
         "Labels across is \"0\": it must be 1, 2, 3 or 4 (a larger number prints 4 across). Change it in the "
         "label configuration, then print the labels again."},
        {"-2", 36,
         "Labels across is \"-2\": it must be 1, 2, 3 or 4 (a larger number prints 4 across). Change it in the "
         "label configuration, then print the labels again."},
        {"2.5", 36,
         "Labels across is \"2.5\": it must be 1, 2, 3 or 4 (a larger number prints 4 across). Change it in the "
         "label configuration, then print the labels again."},
        {"", 36,
         "Labels across is \"\": it must be 1, 2, 3 or 4 (a larger number prints 4 across). Change it in the "
         "label configuration, then print the labels again."},
        {"4", 63,
         "A row of labels would be 259 characters wide; at most 255 can be printed. Change the label "
         "configuration, then print the labels again."},
    };
    for (const Case& c : cases) {
        k.labAcross = c.across;
        k.labelWidth = c.width;
        const auto why = geometryRefusal(k, dotGeometry(k));
        ASSERT_TRUE(why) << c.across;
        EXPECT_EQ(*why, c.message);
    }
    k.labAcross = "4";
    k.labelWidth = 61;  // 1 + 3 * 63 + 61 + 0 = 251... fits
    EXPECT_FALSE(geometryRefusal(k, dotGeometry(k)));

    // A label less than one character wide (a stored "0.0", or a few tenths
    // of a millimetre on the laser) would print nothing but blank labels.
    const QString noWidth =
        "The labels have no width. Change the label configuration, then print the labels again.";
    k.labAcross = "2";
    for (double width : {0.0, 0.4, 0.5}) {
        k.labelWidth = width;
        const auto why = geometryRefusal(k, dotGeometry(k));
        ASSERT_TRUE(why) << width;
        EXPECT_EQ(*why, noWidth) << width;
    }
    k.labelWidth = 0.6;
    EXPECT_FALSE(geometryRefusal(k, dotGeometry(k)));
    k.labelWidth = 1.2;  // millimetres: under half a character of 2.54 mm
    const auto laser = geometryRefusal(k, laserGeometry(k, 2.54));
    ASSERT_TRUE(laser);
    EXPECT_EQ(*laser, noWidth);
    k.labelWidth = 63.5;
    EXPECT_FALSE(geometryRefusal(k, laserGeometry(k, 2.54)));
}

// ---- Percentage ------------------------------------------------------------

TEST(Percent, MeasuredAgainstTheRangeOrTheJob) {
    struct Case {
        const char* what;
        PercentInputs in;
        double previous, expected;
    };
    auto A = [](double records, double job) {
        PercentInputs p;
        p.printType = 'A';
        p.records = records;
        p.jobRecords = job;
        return p;
    };
    auto L = [](double from, double to, double total, double label) {
        PercentInputs p;
        p.printType = 'L';
        p.from = from;
        p.to = to;
        p.labelTotal = total;
        p.labelNumber = label;
        return p;
    };
    auto B = [](double from, double to, double rows, double bag) {
        PercentInputs p;
        p.printType = 'B';
        p.from = from;
        p.to = to;
        p.bagRows = rows;
        p.bagNumber = bag;
        return p;
    };
    const Case cases[] = {
        {"all, 50 of 200", A(50, 200), 0, 25},
        {"all, empty job leaves it", A(1, 0), 12, 12},
        {"label range within the job", L(101, 301, 500, 201), 0, 50},
        {"label range before it starts", L(101, 301, 500, 50), 0, 0},
        {"label range wider than the job", L(1, 5000, 501, 250), 0, 50},
        {"label range past the end", L(1, 5000, 501, 900), 0, 100},
        {"one label, not reached", L(7, 7, 500, 6), 0, 0},
        {"one label, reached", L(7, 7, 500, 7), 0, 100},
        {"a job of one label", L(1, 10, 1, 1), 3, 3},
        {"bag range within the job", B(2, 4, 10, 3), 0, 50},
        {"bag range wider than the job", B(2, 40, 10, 5), 0, 50},
        {"one bag, not reached", B(3, 3, 10, 2), 0, 0},
        {"one bag, reached", B(3, 3, 10, 3), 0, 100},
        {"no bag rows", B(1, 40, 0, 5), 7, 7},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(percentAfter(c.previous, c.in), c.expected) << c.what;
}

}  // namespace
}  // namespace qv::labels
