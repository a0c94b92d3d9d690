#include "labels/labelkeys.h"

#include "common/text/numtext.h"
#include "labels/rowbuffer.h"

#include <cmath>

namespace qv::labels {

namespace key = parm::key;

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

double number(const parm::ParmRecord& parm, const char* name) {
    const db::Value v = parm.value(name);
    if (v.isNumber()) return v.toDouble();
    return leadingNumber(v.toString());
}

double rounded(double d) { return double(roundHalfEven(d).value_or(0)); }

}  // namespace

double LabelKeys::acrossNumber() const { return leadingNumber(labAcross.toStdString()); }

LabelKeys readKeys(const parm::ParmRecord& parm) {
    LabelKeys k;
    k.laser = parm.text(key::Printer) == "L";
    k.labelHeight = number(parm, key::LabelHeight);
    k.labelWidth = number(parm, key::LabelWidth);
    k.vertGap = number(parm, key::VertGap);
    k.horGap = number(parm, key::HorGap);
    k.topMarg = number(parm, key::TopMarg);
    k.leftMarg = number(parm, key::LeftMarg);
    k.addOffset = number(parm, key::AddOffset);
    k.labAcross = qs(parm.text(key::LabAcross));
    k.fontSize = number(parm, key::FontSize);
    k.labelsPage = number(parm, key::LabelsPage);
    k.addressLab = parm.yes(key::AddressLab);
    k.bagLab = parm.yes(key::BagLab);
    k.bundleLab = parm.yes(key::BundleLab);
    k.weight = number(parm, key::Weight);
    k.bagMax = number(parm, key::BagMax);
    k.bundleMax = number(parm, key::BundleMax);
    k.service = qs(parm.text(key::Service));
    k.format = qs(parm.text(key::Format));
    k.itemCnt = parm.yes(key::ItemCnt);
    k.itemCnt2 = parm.yes(key::ItemCnt2);
    k.bagNum = parm.yes(key::BagNum);
    k.bundleNum = parm.yes(key::BundleNum);
    k.deferDel = parm.yes(key::DeferDel);
    k.deferDate = qs(parm.text(key::DeferDate));
    const db::Value extra = parm.value(key::ExtraText);
    k.extraTextNull = extra.isNull();
    k.extraText = qs(extra.toString());
    k.mailsort = parm.yes(key::Mailsort);
    k.bagNum2 = parm.yes(key::BagNum2);
    k.ref = parm.yes(key::Ref);
    return k;
}

namespace {

// Labels side by side: more than 4 print 4 across; 0 when it cannot be
// printed (below 1, or a fraction).
int acrossOf(const LabelKeys& keys) {
    const double n = keys.acrossNumber();
    if (n >= 4) return 4;
    if (n == 1 || n == 2 || n == 3) return int(n);
    return 0;
}

Geometry columns(double col1Base, double width, double gap, double offset, int across) {
    Geometry g;
    g.col1Base = col1Base;
    g.offset = offset;
    g.col1 = col1Base + offset;
    g.col2 = col1Base + width + gap + offset;
    g.col3 = g.col2 + width + gap;
    g.col4 = g.col3 + width + gap;
    g.width = width;
    g.across = across;
    double w = 0;
    switch (across) {
        case 1: w = g.col2; break;
        case 2: w = g.col3; break;
        case 3: w = g.col4; break;
        case 4: w = g.col4 + width; break;
        default: w = 0;
    }
    // Held as a whole count of characters; beyond the limit it is refused.
    g.rowWidth = std::isfinite(w) && w < 1e9 ? int(rounded(w)) : 1 << 30;
    return g;
}

}  // namespace

Geometry dotGeometry(const LabelKeys& keys) {
    return columns(keys.leftMarg + 1, keys.labelWidth, keys.horGap, keys.addOffset, acrossOf(keys));
}

Geometry laserGeometry(const LabelKeys& keys, double charWidthMm) {
    // The printer's character unit is 1/12 inch whatever the font.
    const double base = keys.leftMarg >= 2 ? (keys.leftMarg - 2) * 12.0 / 25.4 : 1;
    const double cw = charWidthMm > 0 ? charWidthMm : 1;
    return columns(base, keys.labelWidth / cw, keys.horGap / cw, keys.addOffset / cw, acrossOf(keys));
}

std::optional<QString> geometryRefusal(const LabelKeys& keys, const Geometry& g) {
    if (acrossOf(keys) == 0)
        return QStringLiteral("Labels across is \"%1\": it must be 1, 2, 3 or 4 (a larger number prints 4 "
                              "across). Change it in the label configuration, then print the labels again.")
            .arg(keys.labAcross);
    if (g.rowWidth > MaxRowWidth)
        return QStringLiteral("A row of labels would be %1 characters wide; at most %2 can be printed. Change the "
                              "label configuration, then print the labels again.")
            .arg(g.rowWidth)
            .arg(MaxRowWidth);
    // A label narrower than one character would print rows of blank labels.
    if (g.rowWidth < 1 || wholeColumns(g.width) < 1)
        return QStringLiteral("The labels have no width. Change the label configuration, then print the labels "
                              "again.");
    return std::nullopt;
}

}  // namespace qv::labels
