// The job keys of parmcode that the parameters form stores: the job
// parameters program's main job, apart from its window.
#pragma once

#include "common/parm/parmrecord.h"
#include "params/jobrules.h"

#include <optional>
#include <string>

namespace qv::params {

struct JobKeys {
    ServiceOption service = ServiceOption::None;
    bool deferDel = false;
    std::optional<std::string> deferDate;  // none: stored as Null
    std::string selection;                 // stored "1" for the 120 services whatever it holds
    std::string format, weight, bagMax, bundleMax, extraText, postcode, jobRef;
    bool epson = false;  // the dot-matrix printer ("E"), else the laser ("L")
    bool resOnly = false, addressLab = false, bagLab = false, bundleLab = false, bagNum = false, itemCnt = false,
         bundleNum = false, itemCnt2 = false, bagNum2 = false, mailsort = false, ref = false, royalMail = false,
         geog = false;
};

// Sets every job key of the row, which must be in edit; the caller updates
// it. Flags are stored as "Y"/"N".
void storeJobKeys(parm::ParmRecord& parm, const JobKeys& keys);

}  // namespace qv::params
