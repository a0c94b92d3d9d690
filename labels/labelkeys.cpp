#include "labels/labelkeys.h"

#include "common/parm/labelsheet.h"
#include "common/text/numtext.h"
#include "labels/rowbuffer.h"
#include "platform/strings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace qv::labels {

namespace key = parm::key;

namespace {

using qv::platform::qs;

double number(const parm::ParmRecord& parm, const char* name) {
    const db::Value v = parm.value(name);
    if (v.isNumber()) return v.toDouble();
    return leadingNumber(v.toString());
}

double rounded(double d) { return double(roundHalfEven(d).value_or(0)); }

}  // namespace

double LabelKeys::acrossNumber() const {
    double d = 0;
    return parseNumber(labAcross.toStdString(), d) ? d : std::numeric_limits<double>::quiet_NaN();
}

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

// One geometry key and the range its printer takes.
struct KeyRange {
    const char* key;
    const char* name;  // as the message names it
    const char* unit;  // "lines", "characters", "millimetres"; nullptr: a plain count
    double low, high;
    bool whole = false;
};

// Dot matrix: whole lines and characters, each counted in a byte.
constexpr KeyRange kDotKeys[] = {
    {key::LabelHeight, "label height", "lines", 1, 255, true},
    {key::LabelWidth, "label width", "characters", 1, 255, true},
    {key::VertGap, "vertical gap", "lines", 1, 255, true},  // the lines printed of each label: 0 prints blank labels
    {key::HorGap, "horizontal gap", "characters", 0, 255, true},
    {key::TopMarg, "top margin", "lines", 0, 255, true},
    {key::LeftMarg, "left margin", "characters", 0, 255, true},
    {key::AddOffset, "address offset", "characters", 0, 255, true},
};

// Laser: millimetres on an A4 sheet (210 by 297 mm).
constexpr KeyRange kLaserKeys[] = {
    {key::LabelHeight, "label height", "millimetres", 1, 297},
    {key::LabelWidth, "label width", "millimetres", 1, 210},
    {key::VertGap, "vertical gap", "millimetres", 0, 297},
    {key::HorGap, "horizontal gap", "millimetres", 0, 210},
    {key::TopMarg, "top margin", "millimetres", 0, 297},
    {key::LeftMarg, "left margin", "millimetres", 0, 210},
    {key::AddOffset, "address offset", "millimetres", 0, 210},
    {key::LabelsPage, "number of rows per page", nullptr, 1, 999, true},
};

// The whole stored value as a number: a stored number, or a text that is
// one number and nothing else.
std::optional<double> numberOf(const db::Value& v) {
    double d = 0;
    if (v.isNumber()) d = v.toDouble();
    else if (v.isNull() || !parseNumber(v.toString(), d)) return std::nullopt;
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

QString shownValue(const db::Value& v) {
    const std::string text = v.isNull() ? std::string() : v.toString();
    return text.empty() ? QStringLiteral("nothing") : QStringLiteral("\"%1\"").arg(qs(text));
}

QString againText() {
    return QStringLiteral(" Change it in the label configuration, then print the labels again.");
}

QString shownNumber(double d) { return QString::fromStdString(numberText(d)); }

std::optional<QString> rangeRefusal(const parm::ParmRecord& parm, const KeyRange& r) {
    const db::Value v = parm.value(r.key);
    const auto d = numberOf(v);
    if (d && *d >= r.low && *d <= r.high && (!r.whole || *d == std::floor(*d))) return std::nullopt;
    QString what = r.whole ? QStringLiteral("a whole number") : QStringLiteral("a number");
    if (r.unit) what += QStringLiteral(" of ") + QString::fromLatin1(r.unit);
    return QStringLiteral("The %1 is %2, not %3 from %4 to %5.")
               .arg(QString::fromLatin1(r.name), shownValue(v), what, shownNumber(r.low), shownNumber(r.high)) +
           againText();
}

}  // namespace

std::optional<QString> geometryKeysRefusal(const parm::ParmRecord& parm) {
    const bool laser = parm.text(key::Printer) == "L";
    for (const KeyRange& r : laser ? std::span<const KeyRange>(kLaserKeys) : std::span<const KeyRange>(kDotKeys))
        if (auto why = rangeRefusal(parm, r)) return why;
    if (laser) {
        // The label configuration offers these three sizes; the labels are
        // placed by the width of the font's characters.
        const db::Value v = parm.value(key::FontSize);
        const auto d = numberOf(v);
        if (!d || (*d != 8 && *d != 10 && *d != 12))
            return QStringLiteral("The font size is %1, not 8, 10 or 12.").arg(shownValue(v)) + againText();
    }
    return std::nullopt;
}

namespace {

int acrossOf(const LabelKeys& keys) { return parm::labelsAcross(keys.acrossNumber()); }

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

std::optional<QString> sheetRefusal(const LabelKeys& keys) {
    parm::LaserSheet sheet;
    sheet.leftMarg = keys.leftMarg;
    sheet.labelWidth = keys.labelWidth;
    sheet.horGap = keys.horGap;
    sheet.topMarg = keys.topMarg;
    sheet.labelHeight = keys.labelHeight;
    sheet.vertGap = keys.vertGap;
    sheet.across = acrossOf(keys);
    sheet.rows = keys.labelsPage;
    const auto why = parm::sheetOverrun(sheet);
    if (!why) return std::nullopt;
    return qs(why->text) + QStringLiteral(" Change the label configuration, then print the labels again.");
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
