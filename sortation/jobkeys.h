// The job keys of parmcode that the sortation reads, and the bag and bundle
// values it works out from them before the pass.
#pragma once

#include "common/parm/parmrecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv::sortation {

// The keys as stored (Null reads as the empty text). Comparisons with "Y",
// "1", "M1" and the like are of the whole text.
struct JobKeys {
    std::string service, mailsort120, selection, format, weight, bagMax, bundleMax;
    std::string resOnly, geog, postcode, companyName, jobRef, printer, bagLab, bundleLab;

    static JobKeys read(const parm::ParmRecord& parm);

    // Mailsort 1 or Presstream 1 sorted round the centre postcode.
    bool geographic() const { return service.size() >= 2 && service[1] == '1' && geog == "Y"; }
    bool laser() const { return printer == "L"; }
};

// Items per bag, bundles per bag and items per bundle, the minimum
// selection size.
struct BagValues {
    std::int32_t bagitems = 0;
    double bagbundles = 0;
    double bundleMax = 0;
    double minSelection = 0;
};

// The values, or the reason the job cannot be bagged: a weight, bag limit or
// bundle size that is empty, not a number or not above 0, or a bag limit
// that holds no single item.
struct BagValuesOrRefusal {
    std::optional<BagValues> values;
    std::string refusal;  // the message shown when values is empty
};
BagValuesOrRefusal bagValues(const JobKeys& keys);

}  // namespace qv::sortation
