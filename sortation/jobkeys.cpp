#include "sortation/jobkeys.h"

namespace qv::sortation {

namespace key = parm::key;

JobKeys JobKeys::read(const parm::ParmRecord& p) {
    JobKeys k;
    k.service = p.text(key::Service);
    k.mailsort120 = p.text(key::Mailsort120);
    k.selection = p.text(key::Selection);
    k.format = p.text(key::Format);
    k.weight = p.text(key::Weight);
    k.bagMax = p.text(key::BagMax);
    k.bundleMax = p.text(key::BundleMax);
    k.resOnly = p.text(key::ResOnly);
    k.geog = p.text(key::Geog);
    k.postcode = p.text(key::Postcode);
    k.companyName = p.text(key::CompanyName);
    k.jobRef = p.text(key::JobRef);
    k.printer = p.text(key::Printer);
    k.bagLab = p.text(key::BagLab);
    k.bundleLab = p.text(key::BundleLab);
    k.kept = jobtables::sortKeyValues(p);
    return k;
}

BagValuesOrRefusal bagValues(const JobKeys& k) {
    return parm::bagValues({k.weight, k.bagMax, k.bundleMax, k.selection});
}

}  // namespace qv::sortation
