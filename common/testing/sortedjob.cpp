#include "common/testing/sortedjob.h"

#include "common/db/database.h"
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"

namespace qv::testkit {

void writeSortedJob() {
    auto db = db::Database::open("mailsort.mdb");
    jobtables::dropIfThere(*db, jobtables::Mmwork);
    db->createTable(jobtables::mmworkDef());
    auto w = db->openTable(jobtables::Mmwork);
    w->addNew();
    w->set("name", "A Customer");
    w->update();
    jobtables::makeSort(*db, jobtables::sortKeyValues(parm::ParmRecord(*db)));
    auto b = db->openTable(jobtables::Bags);
    b->addNew();
    b->set(jobtables::bagfield::BagNumber, 1);
    b->update();
}

}  // namespace qv::testkit
