// The bag and bundle values of a job, worked out from its job keys, and the
// one check of those keys: the sortation bags the job by them and the label
// program places its bag and bundle labels by them, so both refuse the same
// keys with the same message.
#pragma once

#include "common/parm/parmrecord.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qv::parm {

// The keys as stored (Null reads as the empty text).
struct BagKeys {
    std::string weight, bagMax, bundleMax, selection;

    static BagKeys read(const ParmRecord& parm);
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
BagValuesOrRefusal bagValues(const BagKeys& keys);

}  // namespace qv::parm
