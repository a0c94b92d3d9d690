#include "common/dbbuild/builder.h"
#include "common/parm/parmrecord.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace qv::db;
using qv::parm::ParmRecord;
namespace fs = std::filesystem;
namespace key = qv::parm::key;

namespace {

class ParmTest : public ::testing::Test {
protected:
    std::unique_ptr<Database> shipped() {
        std::ostringstream out, err;
        qv::dbbuild::MakeOptions o{QV_DATA_DIR, dir_, false};
        EXPECT_EQ(qv::dbbuild::makeDatabases(o, out, err), 0) << err.str();
        return Database::open(path("mailsort.mdb"));
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    static int code(const std::function<void()>& f) {
        try {
            f();
        } catch (const DbError& e) {
            return e.number();
        }
        return 0;
    }

    qv::testkit::TempFolder folder_;
    const fs::path dir_ = folder_.dir();
};

TEST_F(ParmTest, ReadsKeysByNameWithoutRegardToCase) {
    auto db = shipped();
    ParmRecord p(*db);
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"Service", "M1"}, {"SERVICE", "M1"}, {"postcode", ""},     {"Company Name", "Quorvel Demo Company"},
        {"add offset", "2"}, {"Lab Across", "3"}, {"FontSize", "8"}, {"MailFile", "CUSTQUOTED.CSV"},
    };
    for (const auto& c : cases) EXPECT_EQ(p.text(c.name), c.text) << c.name;
    EXPECT_TRUE(p.yes(key::LayWin));
    EXPECT_FALSE(p.yes(key::RunAlone));
    EXPECT_EQ(code([&] { p.value("NoSuchKey"); }), err::ItemNotFound);
}

TEST_F(ParmTest, WritesThroughEditAndUpdate) {
    {
        auto db = shipped();
        ParmRecord p(*db);
        p.edit();
        EXPECT_TRUE(p.editing());
        p.set(key::RunAlone, "Y");
        p.set(key::DeferDate, Value());
        p.set(key::FontSize, 12);
        p.update();
        EXPECT_FALSE(p.editing());
        EXPECT_EQ(p.text(key::RunAlone), "Y");  // the row stays current after the update
    }
    auto db = Database::open(path("Mailsort.mdb"));
    ParmRecord p(*db);
    EXPECT_EQ(p.text(key::RunAlone), "Y");
    EXPECT_TRUE(p.value(key::DeferDate).isNull());
    EXPECT_EQ(p.text(key::DeferDate), "");  // Null reads as the empty text
    EXPECT_EQ(p.value(key::FontSize), Value(12));
    EXPECT_EQ(db->openTable("parmcode")->recordCount(), 1);  // edited in place, never added to
}

TEST_F(ParmTest, SetOutsideAnEditIsRefused) {
    auto db = shipped();
    ParmRecord p(*db);
    EXPECT_NE(code([&] { p.set(key::RunAlone, "Y"); }), 0);
    EXPECT_EQ(p.text(key::RunAlone), "N");
}

TEST_F(ParmTest, MissingTableOrRowIsTheDatabaseError) {
    auto db = Database::create(path("empty.mdb"));
    EXPECT_EQ(code([&] { ParmRecord p(*db); }), err::TableNotFound);

    TableDef t;
    t.name = "Parmcode";  // the programs name it either way
    FieldDef f;
    f.name = "RunAlone";
    f.type = FieldType::Text;
    f.size = 1;
    t.fields = {f};
    db->createTable(t);
    EXPECT_EQ(code([&] { ParmRecord p(*db); }), err::NoCurrentRecord);

    auto rs = db->openTable("parmcode");
    rs->addNew();
    rs->set("RunAlone", "N");
    rs->update();
    ParmRecord p(*db);
    EXPECT_EQ(p.text("runalone"), "N");
}

}  // namespace
