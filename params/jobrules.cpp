#include "params/jobrules.h"

#include "common/text/chars.h"
#include "common/text/dates.h"
#include "common/text/numtext.h"

namespace qv::params {

bool is120(ServiceOption o) {
    return o == ServiceOption::M1120 || o == ServiceOption::M2120 || o == ServiceOption::M3120;
}

bool isPresstream(ServiceOption o) { return o == ServiceOption::P1 || o == ServiceOption::P2; }

std::string serviceCode(ServiceOption o) {
    switch (o) {
    case ServiceOption::M1:
    case ServiceOption::M1120: return "M1";
    case ServiceOption::M2:
    case ServiceOption::M2120: return "M2";
    case ServiceOption::M3:
    case ServiceOption::M3120: return "M3";
    case ServiceOption::P1: return "P1";
    case ServiceOption::P2:
    case ServiceOption::None: break;
    }
    return "P2";
}

ServiceOption serviceOnLoad(const std::optional<std::string>& service,
                            const std::optional<std::string>& mailsort120) {
    if (!service) return ServiceOption::None;
    const std::string& s = *service;
    // A Null Mailsort120 is neither "Y" nor "not Y".
    const bool plain = mailsort120 && *mailsort120 != "Y";
    const bool variant = mailsort120 && *mailsort120 == "Y";
    if (s == "M1" && plain) return ServiceOption::M1;
    if (s == "M2" && plain) return ServiceOption::M2;
    if (s == "M3" && plain) return ServiceOption::M3;
    if (s == "P1") return ServiceOption::P1;
    if (s == "P2") return ServiceOption::P2;
    if (s == "M1" && variant) return ServiceOption::M1120;
    if (s == "M2" && variant) return ServiceOption::M2120;
    if (s == "M3" && variant) return ServiceOption::M3120;
    return ServiceOption::None;
}

ServiceGroups serviceGroups(ServiceOption o) {
    switch (o) {
    case ServiceOption::M1: return {true, false, true};
    case ServiceOption::M1120: return {true, false, false};
    case ServiceOption::M2: return {false, false, true};
    case ServiceOption::M2120: return {false, false, false};
    case ServiceOption::M3: return {false, true, true};
    case ServiceOption::M3120: return {false, true, false};
    case ServiceOption::P1: return {true, false, true};
    case ServiceOption::P2: return {false, false, true};
    case ServiceOption::None: break;
    }
    return {true, true, true};
}

// ---- Box rules -------------------------------------------------------------

double boxNumber(std::string_view text) { return leadingNumber(text); }

std::optional<std::string> weightLeaveMessage(std::string_view weight) {
    const double w = boxNumber(weight);
    if (w < 10 || w > 2000) return std::string(msg::WeightRange);
    return std::nullopt;
}

std::optional<std::string> limitLeaveMessage(std::string_view limit) {
    if (boxNumber(limit) == 0) return std::string(msg::MustEnter);
    return std::nullopt;
}

std::optional<std::string> selectionWarning(std::string_view selection, std::string_view format) {
    const double n = boxNumber(selection);
    if (format == "LE") {
        if (n != 25) return std::string(msg::WarnSelection25);
    } else if (n != 5) {
        return std::string(msg::WarnSelection5);
    }
    return std::nullopt;
}

std::string deferDatePicture(const std::string& text) {
    if (text.empty()) return text;
    for (std::size_t pos : {2, 3, 6})
        if (mid(text, pos, 1) == "/") return text;
    const std::string digits = trim(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return text;
    const std::string picture = formatNumber(leadingNumber(digits), "##/##/##");
    // The box holds 8 characters; a longer picture would lose some of them.
    if (charLength(picture) > 8) return text;
    return picture;
}

bool isValidDeferDate(std::string_view text) { return parseTypedDate(text).has_value(); }

// ---- Centre postcode ---------------------------------------------------------

bool isValidCentrePostcode(std::string_view postcode, const SectorLookup& lookup) {
    const auto keys = sectorKeys(postcode);
    if (!keys) return false;
    return lookup(keys->outward) || lookup(keys->sector);
}

// ---- Checks before a job is stored --------------------------------------------

std::vector<Failure> checkEntries(const JobEntries& e, const SectorLookup& lookup) {
    std::vector<Failure> out;
    auto fail = [&](const char* message, Box box) { out.push_back({message, box}); };

    if (e.deferTicked && !isValidDeferDate(e.deferDate)) fail(msg::DeferDate, Box::DefDate);

    // A failed defer date skips the lookup.
    if (e.geogTicked && e.geogShown && out.empty() && !isValidCentrePostcode(e.postcode, lookup))
        fail(msg::Postcode, Box::Postcode);

    const std::string& format = e.format;
    if (is120(e.service)) {
        if (format != "LE") fail(msg::Format120, Box::Format);
    } else {
        if (format != "LE" && format != "LL" && format != "A3" && format != "PK")
            fail(msg::FormatIncorrect, Box::Format);
        const double selection = boxNumber(e.selection);
        if (format == "LE") {
            if (selection != 25) fail(msg::Selection25, Box::Selection);
        } else if (selection != 5) {
            fail(msg::Selection5, Box::Selection);
        }
    }

    const double weight = boxNumber(e.weight);
    if (format == "LE" && weight > 100) fail(msg::Weight100, Box::Weight);
    if ((format == "A3" || format == "LL") && weight > 750) fail(msg::Weight750, Box::Weight);

    const bool presstream = isPresstream(e.service);
    if (presstream && format == "LE") fail(msg::Presstream, Box::Format);

    // The leave checks again: a value loaded and never focused is stored as it stands.
    if (weightLeaveMessage(e.weight)) fail(msg::WeightRange, Box::Weight);
    const double bag = boxNumber(e.bagMax);
    if (bag == 0) fail(msg::MustEnter, Box::BagMax);
    if (limitLeaveMessage(e.bundleMax)) fail(msg::MustEnter, Box::BundleMax);
    // The sortation could not count a single item into such a bag.
    if (bag != 0 && bag < weight) fail(msg::BagBelowWeight, Box::BagMax);
    return out;
}

}  // namespace qv::params
