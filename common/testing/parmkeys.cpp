#include "common/testing/parmkeys.h"

#include "common/db/database.h"
#include "common/parm/parmrecord.h"

namespace qv::testkit {

void setParmKeys(const std::map<std::string, db::Value>& values) {
    auto db = db::Database::open("mailsort.mdb");
    {
        parm::ParmRecord p(*db);
        p.edit();
        for (const auto& [k, v] : values) p.set(k, v);
        p.update();
    }
    // Closed here, so that a failed save fails the test rather than a log line.
    db->close();
}

std::string parmKeyText(const std::string& key) {
    auto db = db::Database::open("mailsort.mdb");
    return parm::ParmRecord(*db).text(key);
}

}  // namespace qv::testkit
