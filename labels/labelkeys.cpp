#include "labels/labelkeys.h"

#include "common/text/numtext.h"
#include "labels/rowbuffer.h"

#include <algorithm>
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

// The dot matrix row width: the start of the column after the last label,
// or the end of the fourth.
int rowWidthOf(const Geometry& g, double width) {
    double w = 0;
    switch (g.across) {
        case 1: w = g.col2; break;
        case 2: w = g.col3; break;
        case 3: w = g.col4; break;
        case 4: w = g.col4 + width; break;
        default: w = 0;
    }
    // Held as a whole count of characters; beyond the limit it is refused.
    return std::isfinite(w) && w < 1e9 ? int(rounded(w)) : 1 << 30;
}

}  // namespace

Geometry dotGeometry(const LabelKeys& keys) {
    Geometry g;
    const double width = keys.labelWidth, gap = keys.horGap;
    g.col1Base = keys.leftMarg + 1;
    g.col1 = g.col1Base + keys.addOffset;
    g.col2 = g.col1Base + width + gap + keys.addOffset;
    g.col3 = g.col2 + width + gap;
    g.col4 = g.col3 + width + gap;
    g.across = acrossOf(keys);
    g.rowWidth = rowWidthOf(g, width);
    g.chars.fill(wholeColumns(width));
    return g;
}

Geometry laserGeometry(const LabelKeys& keys, double charWidthMm) {
    Geometry g;
    const double cw = charWidthMm > 0 ? charWidthMm : 1;
    g.across = acrossOf(keys);
    // Character i (from 0) of a line lies from i to i + 1 character widths
    // right of the printable area's left edge, 2 mm in from the paper's.
    // Measures in characters keep a hair of slack, so that a label ending
    // exactly on a character's edge keeps that character.
    constexpr double slack = 1e-6;
    const auto bounded = [](double d) { return std::clamp(d, -1e6, 1e6); };
    double cols[4] = {};
    for (int k = 0; k < 4; ++k) {
        const double left = bounded((keys.leftMarg - 2 + k * (keys.labelWidth + keys.horGap)) / cw);
        const double right = bounded(left + keys.labelWidth / cw);
        const double first = std::max(0.0, std::ceil(left - slack));
        const double start = std::max(first, std::floor(bounded(left + keys.addOffset / cw) + slack));
        cols[k] = start + 1;
        const double fit = std::floor(right + slack) - start;
        g.chars[std::size_t(k)] = fit >= 1 ? int(std::min(fit, 1e6)) : 0;
    }
    g.col1Base = g.col1 = cols[0];
    g.col2 = cols[1];
    g.col3 = cols[2];
    g.col4 = cols[3];
    // The row ends with the last label's last character.
    g.rowWidth = g.across >= 1 ? int(cols[g.across - 1]) - 1 + g.charsAt(g.across) : 0;
    return g;
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
    bool narrow = g.rowWidth < 1;
    for (int k = 1; k <= g.across; ++k) narrow = narrow || g.charsAt(k) < 1;
    if (narrow)
        return QStringLiteral("The labels have no width. Change the label configuration, then print the labels "
                              "again.");
    return std::nullopt;
}

}  // namespace qv::labels
