#include "params/jobkeys.h"

namespace qv::params {

namespace key = parm::key;

void storeJobKeys(parm::ParmRecord& parm, const JobKeys& k) {
    const auto yn = [](bool on) { return db::Value(on ? "Y" : "N"); };
    parm.set(key::Service, serviceCode(k.service));
    parm.set(key::DeferDel, yn(k.deferDel));
    parm.set(key::DeferDate, k.deferDate ? db::Value(*k.deferDate) : db::Value());
    parm.set(key::Selection, is120(k.service) ? db::Value("1") : db::Value(k.selection));
    parm.set(key::Format, k.format);
    parm.set(key::Weight, k.weight);
    parm.set(key::BagMax, k.bagMax);
    parm.set(key::BundleMax, k.bundleMax);
    parm.set(key::ExtraText, k.extraText);
    parm.set(key::Postcode, k.postcode);
    parm.set(key::JobRef, k.jobRef);
    parm.set(key::Printer, k.epson ? "E" : "L");
    parm.set(key::ResOnly, yn(k.resOnly));
    parm.set(key::AddressLab, yn(k.addressLab));
    parm.set(key::BagLab, yn(k.bagLab));
    parm.set(key::BundleLab, yn(k.bundleLab));
    parm.set(key::BagNum, yn(k.bagNum));
    parm.set(key::ItemCnt, yn(k.itemCnt));
    parm.set(key::BundleNum, yn(k.bundleNum));
    parm.set(key::ItemCnt2, yn(k.itemCnt2));
    parm.set(key::BagNum2, yn(k.bagNum2));
    parm.set(key::Mailsort, yn(k.mailsort));
    parm.set(key::Ref, yn(k.ref));
    parm.set(key::RoyalMail, yn(k.royalMail));
    parm.set(key::Mailsort120, yn(is120(k.service)));
    parm.set(key::Geog, yn(k.geog));
}

}  // namespace qv::params
