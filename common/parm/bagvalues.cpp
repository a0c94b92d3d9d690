#include "common/parm/bagvalues.h"

#include "common/text/numtext.h"

#include <cmath>

namespace qv::parm {

BagKeys BagKeys::read(const ParmRecord& p) {
    return {p.text(key::Weight), p.text(key::BagMax), p.text(key::BundleMax), p.text(key::Selection)};
}

namespace {

constexpr const char* kCorrect = " Correct it in the job parameters (\"Update Parameters\"), then run this option again.";

// The key's number when the whole text is one number above 0.
std::optional<double> positive(const std::string& text) {
    double d = 0;
    if (!parseNumber(text, d) || !(d > 0) || !std::isfinite(d)) return std::nullopt;
    return d;
}

std::string shown(const std::string& text) { return text.empty() ? "nothing" : "\"" + text + "\""; }

}  // namespace

BagValuesOrRefusal bagValues(const BagKeys& k) {
    const auto weight = positive(k.weight);
    if (!weight)
        return {std::nullopt, "The item weight of this job is " + shown(k.weight) +
                                  ", not a number of grams above 0, so its items cannot be put into bags." + kCorrect};
    const auto bagMax = positive(k.bagMax);
    if (!bagMax)
        return {std::nullopt, "The bag maximum of this job is " + shown(k.bagMax) +
                                  ", not a number of grams above 0, so its items cannot be put into bags." + kCorrect};
    const auto bundleMax = positive(k.bundleMax);
    if (!bundleMax)
        return {std::nullopt, "The bundle maximum of this job is " + shown(k.bundleMax) +
                                  ", not a number of items above 0, so its items cannot be bundled." + kCorrect};
    // Whole items per bag; a 32-bit count, as the bag labels number them.
    const double perBag = std::floor(*bagMax / *weight);
    if (perBag < 1)
        return {std::nullopt, "The bag maximum of this job (" + k.bagMax + " grams) is below the weight of one item (" +
                                  k.weight + " grams), so no item fits into a bag." + kCorrect};
    BagValues v;
    v.bagitems = perBag > 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(perBag);
    v.bundleMax = *bundleMax;
    v.bagbundles = roundNumber(double(v.bagitems) / *bundleMax, 0);
    v.minSelection = leadingNumber(k.selection);
    return {v, {}};
}

}  // namespace qv::parm
