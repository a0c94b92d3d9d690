// The job keys of parmcode that the sortation reads, and the bag and bundle
// values it works out from them before the pass (the check the label program
// makes too, common/parm/bagvalues.h).
#pragma once

#include "common/jobtables.h"
#include "common/parm/bagvalues.h"
#include "common/parm/parmrecord.h"

#include <string>

namespace qv::sortation {

// The keys as stored (Null reads as the empty text). Comparisons with "Y",
// "1", "M1" and the like are of the whole text.
struct JobKeys {
    std::string service, mailsort120, selection, format, weight, bagMax, bundleMax;
    std::string resOnly, geog, postcode, companyName, jobRef, printer, bagLab, bundleLab;
    // Those that decide the bags, as read: kept with the bags the run makes.
    jobtables::KeyValues kept;

    static JobKeys read(const parm::ParmRecord& parm);

    // Mailsort 1 or Presstream 1 sorted round the centre postcode.
    bool geographic() const { return service.size() >= 2 && service[1] == '1' && geog == "Y"; }
    bool laser() const { return printer == "L"; }
};

using BagValues = parm::BagValues;
using BagValuesOrRefusal = parm::BagValuesOrRefusal;
BagValuesOrRefusal bagValues(const JobKeys& keys);

}  // namespace qv::sortation
