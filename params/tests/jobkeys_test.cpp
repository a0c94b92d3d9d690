// The job keys stored in parmcode, as the later steps read them.
#include "common/testing/scratch.h"
#include "params/jobkeys.h"

#include <gtest/gtest.h>

namespace qv::params {
namespace {

namespace key = parm::key;

class JobKeysStore : public testkit::ScratchTest {
protected:
    void store(const JobKeys& k) {
        auto db = scratch().open();
        parm::ParmRecord p(*db);
        p.edit();
        storeJobKeys(p, k);
        p.update();
    }
    db::Value stored(const char* name) {
        auto db = scratch().open();
        return parm::ParmRecord(*db).value(name);
    }
};

TEST_F(JobKeysStore, FlagsAsLettersAndTheServiceItsOwnWay) {
    JobKeys k;
    k.service = ServiceOption::M2;
    k.deferDel = true;
    k.deferDate = "31/12/99";
    k.selection = "5";
    k.format = "PK";
    k.weight = "1500";
    k.bagMax = "25000";
    k.bundleMax = "40";
    k.extraText = "FRAGILE";
    k.postcode = "B1 2CD";
    k.jobRef = "Spring catalogue 42";
    k.epson = true;
    k.bagLab = true;
    k.royalMail = true;
    store(k);
    const std::pair<const char*, db::Value> expected[] = {
        {key::Service, db::Value("M2")},      {key::Mailsort120, db::Value("N")}, {key::DeferDel, db::Value("Y")},
        {key::DeferDate, db::Value("31/12/99")}, {key::Selection, db::Value("5")}, {key::Format, db::Value("PK")},
        {key::Weight, db::Value("1500")},     {key::BagMax, db::Value("25000")},  {key::BundleMax, db::Value("40")},
        {key::ExtraText, db::Value("FRAGILE")}, {key::Postcode, db::Value("B1 2CD")},
        {key::JobRef, db::Value("Spring catalogue 42")}, {key::Printer, db::Value("E")},
        {key::ResOnly, db::Value("N")},       {key::AddressLab, db::Value("N")},  {key::BagLab, db::Value("Y")},
        {key::BundleLab, db::Value("N")},     {key::RoyalMail, db::Value("Y")},   {key::Geog, db::Value("N")},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(stored(name), value) << name;

    // A 120 service stores selection 1 and its own flag; no defer date is Null.
    k.service = ServiceOption::M3120;
    k.deferDate.reset();
    k.epson = false;
    store(k);
    EXPECT_EQ(stored(key::Service), db::Value("M3"));
    EXPECT_EQ(stored(key::Mailsort120), db::Value("Y"));
    EXPECT_EQ(stored(key::Selection), db::Value("1"));
    EXPECT_TRUE(stored(key::DeferDate).isNull());
    EXPECT_EQ(stored(key::Printer), db::Value("L"));
}

}  // namespace
}  // namespace qv::params
