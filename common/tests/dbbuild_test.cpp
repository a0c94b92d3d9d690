#include "common/dbbuild/builder.h"
#include "common/parm/parmrecord.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

using namespace qv::dbbuild;
using qv::db::Database;
using qv::db::FieldType;
using qv::db::OpenMode;
using qv::db::TableDef;
using qv::db::Value;

namespace {

const fs::path kData = QV_DATA_DIR;

class TempDir : public ::testing::Test {
protected:
    int run(const std::vector<std::string>& args, std::string* errText = nullptr) {
        std::ostringstream out, err;
        int rc = runCommand(args, kData, dir_, out, err);
        if (errText) *errText = err.str();
        return rc;
    }
    static void write(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }

    qv::testkit::TempFolder folder_;
    const fs::path dir_ = folder_.dir();
};

// The line and message of the ParseError a parse throws ("" when none).
template <class F>
std::pair<int, std::string> failure(F f) {
    try {
        f();
    } catch (const ParseError& e) {
        return {e.line(), e.message()};
    }
    return {-1, ""};
}

TableDef oneTable(const std::string& text) {
    Schema s = parseSchema(text, "t.schema");
    return s.tables.at(0);
}

// ---- schema text ----

TEST(SchemaText, ReadsEveryKindOfFieldAndIndex) {
    Schema s = parseSchema(R"(# settings
table parmcode
field RunAlone text 1
field "Company Name" text 50 nonempty   # a blank in the name
field file text 255 exact default ""
field n byte default 7
field FontSize INTEGER
field x long default -3
field s single
field d double default 2.5
field c currency
field m memo nonempty
index PrimaryKey primary RunAlone
index Key1 unique "Company Name" n
index Key2 file

table other
field a text 2 default "N"
)",
                           "t.schema");
    ASSERT_EQ(s.tables.size(), 2u);
    const TableDef& t = s.tables[0];
    EXPECT_EQ(t.name, "parmcode");
    struct Want {
        const char* name;
        FieldType type;
        int size;
        bool zeroLength, exact;
        Value def;
    };
    const Want want[] = {
        {"RunAlone", FieldType::Text, 1, true, false, {}},
        {"Company Name", FieldType::Text, 50, false, false, {}},
        {"file", FieldType::Text, 255, true, true, Value("")},
        {"n", FieldType::Byte, 0, true, false, Value(7)},
        {"FontSize", FieldType::Integer, 0, true, false, {}},
        {"x", FieldType::Long, 0, true, false, Value(-3)},
        {"s", FieldType::Single, 0, true, false, {}},
        {"d", FieldType::Double, 0, true, false, Value(2.5)},
        {"c", FieldType::Currency, 0, true, false, {}},
        {"m", FieldType::Memo, 0, false, false, {}},
    };
    ASSERT_EQ(t.fields.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(t.fields[i].name, want[i].name);
        EXPECT_EQ(t.fields[i].type, want[i].type);
        if (want[i].type == FieldType::Text) { EXPECT_EQ(t.fields[i].size, want[i].size); }
        EXPECT_EQ(t.fields[i].allowZeroLength, want[i].zeroLength);
        EXPECT_EQ(t.fields[i].exactCompare, want[i].exact);
        EXPECT_EQ(t.fields[i].defaultValue, want[i].def);
    }
    ASSERT_EQ(t.indexes.size(), 3u);
    EXPECT_EQ(t.indexes[0].name, "PrimaryKey");
    EXPECT_TRUE(t.indexes[0].primary && t.indexes[0].unique);
    EXPECT_EQ(t.indexes[1].fields, (std::vector<std::string>{"Company Name", "n"}));
    EXPECT_TRUE(t.indexes[1].unique && !t.indexes[1].primary);
    EXPECT_FALSE(t.indexes[2].unique || t.indexes[2].primary);
    EXPECT_EQ(s.tables[1].fields[0].defaultValue, Value("N"));
    EXPECT_EQ(s.find("PARMCODE"), &s.tables[0]);
    EXPECT_EQ(s.find("mmwork"), nullptr);
}

TEST(SchemaText, EachFaultIsReportedAtItsLine) {
    struct Case {
        const char* text;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"field a text 5", 1, "before any table"},
        {"tabel t", 1, "expected table, field or index"},
        {"table t.x", 1, "not allowed in names"},
        {"table t\nfield a txt 5", 2, "unknown field type 'txt'"},
        {"table t\nfield a text", 2, "needs a size"},
        {"table t\nfield a text 256", 2, "must be 1 to 255"},
        {"table t\nfield a text 0", 2, "must be 1 to 255"},
        {"table t\nfield a integer 5", 2, "only text fields take a size"},
        {"table t\nfield a text 5\nfield A long", 3, "appears twice"},
        {"table t\nfield a long default x", 2, "needs a whole number"},
        {"table t\nfield a byte default 256", 2, "outside the byte range"},
        {"table t\nfield a integer default 40000", 2, "outside the integer range"},
        {"table t\nfield a text 2 default \"abc\"", 2, "more than its size 2"},
        {"table t\nfield a text 2 default \"\" nonempty", 2, "does not take the empty text"},
        {"table t\nfield a long exact", 2, "exact applies to text fields only"},
        {"table t\nfield a long nonempty", 2, "nonempty applies to text and memo"},
        {"table t\nfield a text 5 bogus", 2, "unknown field option 'bogus'"},
        {"table t\nfield \"a b text 5", 2, "unterminated"},
        {"table t\nfield a text 5\nindex k b", 3, "no field 'b'"},
        {"table t\nfield a text 5\nindex k", 3, "needs a name and at least one field"},
        {"table t\nfield a text 5\nindex k primary a\nindex j primary a", 4, "already has a primary index"},
        {"table t\nfield a text 5\nindex k a\nindex K a", 4, "appears twice"},
        {"table t\nfield m memo\nindex k m", 3, "cannot be indexed"},
        {"table t\nfield a text 5\nindex k a\nfield b long", 4, "fields come before the indexes"},
        {"table t\n\ntable u\nfield a long", 1, "has no fields"},
        {"table t\nfield a long\n# end\ntable T", 4, "appears twice"},
        {"table t\nfield a long\ntable u", 3, "has no fields"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto [line, message] = failure([&] { parseSchema(c.text, "t.schema"); });
        EXPECT_EQ(line, c.line);
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
}

TEST(SchemaText, ErrorTextNamesFileAndLine) {
    try {
        parseSchema("table t\nfield a txt 5\n", "data/mailsort.schema");
        FAIL();
    } catch (const ParseError& e) {
        EXPECT_STREQ(e.what(), "data/mailsort.schema:2: unknown field type 'txt'");
    }
}

// ---- rows text ----

const char* kRowsSchema = R"(table t
field code text 6
field "Lab Across" text 3
field n integer default 0
field d double
field big long
field m memo
field ne text 4 nonempty
)";

TEST(RowsText, ReadsRowsWithEscapesAndNull) {
    TableDef t = oneTable(kRowsSchema);
    TableRows r = parseRows("# comment\n"
                            "code\tLab Across\tn\td\tm\n"
                            "M1\t3\t-12\t2.5\tC:\\\\dir\\tx\\ny\n"
                            "\n"
                            "\\#1\t\t7\t\\N\t\\N\n",
                            t, "t.tsv");
    EXPECT_EQ(r.table, "t");
    EXPECT_EQ(r.fields, (std::vector<std::string>{"code", "Lab Across", "n", "d", "m"}));
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.lines, (std::vector<int>{3, 5}));
    EXPECT_EQ(r.rows[0][0], Value("M1"));
    EXPECT_EQ(r.rows[0][1], Value("3"));      // a text field keeps digits as text
    EXPECT_EQ(r.rows[0][2], Value(-12));
    EXPECT_EQ(r.rows[0][3], Value(2.5));
    EXPECT_EQ(r.rows[0][4], Value("C:\\dir\tx\ny"));
    EXPECT_EQ(r.rows[1][0], Value("#1"));
    EXPECT_EQ(r.rows[1][1], Value(""));       // empty text, not Null
    EXPECT_TRUE(r.rows[1][3].isNull());
    EXPECT_TRUE(r.rows[1][4].isNull());
}

TEST(RowsText, ByFieldLayoutGivesTheSameRows) {
    TableDef t = oneTable(kRowsSchema);
    TableRows r = parseRows("%by-field\r\n"
                            "CODE\tM1\tM1 120\r\n"
                            "# numbers\r\n"
                            "n\t1\t2\r\n"
                            "Lab Across\t\t\\N\r\n",
                            t, "t.tsv");
    EXPECT_EQ(r.fields, (std::vector<std::string>{"code", "n", "Lab Across"}));  // the schema's spelling
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[1][0], Value("M1 120"));
    EXPECT_EQ(r.rows[1][1], Value(2));
    EXPECT_EQ(r.rows[0][2], Value(""));
    EXPECT_TRUE(r.rows[1][2].isNull());
    EXPECT_TRUE(parseRows("# nothing\n", t, "t.tsv").rows.empty());
}

TEST(RowsText, EachFaultIsReportedAtItsLine) {
    TableDef t = oneTable(kRowsSchema);
    struct Case {
        const char* text;
        int line;
        const char* message;
    };
    const Case cases[] = {
        {"code\tbogus\n", 1, "no field 'bogus' in table 't'"},
        {"code\tCODE\n", 1, "named twice"},
        {"code\tn\nM1\t1\nM2\n", 3, "row has 1 values, the header names 2"},
        {"code\tn\nM1\t1\t\n", 2, "row has 3 values"},
        {"code\nM\\x\n", 2, "unknown escape \\x"},
        {"code\n# c\nM1\\\n", 3, "lone backslash"},
        {"code\nA\\N\n", 2, "Null only as a whole value"},
        {"n\n40000\n", 2, "outside the integer range"},
        {"n\n1.5\n", 2, "needs a whole number"},
        {"n\n\n\n\n", 0, ""},  // blank lines are no rows
        {"d\nabc\n", 2, "needs a number"},
        {"d\n\t\n", 2, "row has 2 values"},
        {"big\n3000000000\n", 2, "outside the long range"},
        {"code\nABCDEFG\n", 2, "7 characters, more than its size 6"},
        {"ne\n\n# x\n\n", 0, ""},
        {"code\tne\nA\t\n", 2, "does not take the empty text"},
        {"%by-field\ncode\tA\tB\nn\t1\n", 3, "field 'n' has 1 values, the first field 2"},
        {"%sideways\ncode\n", 1, "unknown directive"},
        {"%by-field\nnope\t1\n", 2, "no field 'nope'"},
        {"%by-field\ncode\tA\nd\tx\n", 3, "needs a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto [line, message] = failure([&] { parseRows(c.text, t, "t.tsv"); });
        if (c.line == 0) {
            EXPECT_EQ(line, -1) << message;
            continue;
        }
        EXPECT_EQ(line, c.line);
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
}

TEST(RowsText, CharacterCountNotBytesLimitsText) {
    TableDef t = oneTable("table t\nfield a text 3\n");
    EXPECT_EQ(parseRows("a\n\xC2\xA3\xC2\xA3\xC2\xA3\n", t, "t.tsv").rows.size(), 1u);  // three pound signs
    EXPECT_EQ(failure([&] { parseRows("a\n\xC2\xA3\xC2\xA3\xC2\xA3x\n", t, "t.tsv"); }).first, 2);
}

// ---- the shipped databases ----

class Shipped : public TempDir {
protected:
    void SetUp() override {
        TempDir::SetUp();
        std::string err;
        ASSERT_EQ(run({}, &err), 0) << err;
    }
    std::unique_ptr<Database> open(const char* name) { return Database::open((dir_ / name).string(), OpenMode::Shared); }
    static int64_t count(Database& db, const char* table) { return db.openTable(table)->recordCount(); }
};

TEST_F(Shipped, EveryTableIsBuiltAsItsSchemaSays) {
    for (const auto& d : loadShipped(kData)) {
        SCOPED_TRACE(d.fileName);
        auto db = open(d.fileName.c_str());
        std::set<std::string> names;
        for (const auto& n : db->tableNames()) names.insert(n);
        std::set<std::string> want;
        for (const auto& t : d.schema.tables) want.insert(t.name);
        EXPECT_EQ(names, want);
        for (const auto& t : d.schema.tables) {
            SCOPED_TRACE(t.name);
            TableDef got = db->tableDef(t.name);
            ASSERT_EQ(got.fields.size(), t.fields.size());
            for (size_t i = 0; i < t.fields.size(); ++i) {
                SCOPED_TRACE(t.fields[i].name);
                EXPECT_EQ(got.fields[i].name, t.fields[i].name);
                EXPECT_EQ(got.fields[i].type, t.fields[i].type);
                if (t.fields[i].type == FieldType::Text) { EXPECT_EQ(got.fields[i].size, t.fields[i].size); }
                EXPECT_EQ(got.fields[i].allowZeroLength, t.fields[i].allowZeroLength);
                EXPECT_EQ(got.fields[i].exactCompare, t.fields[i].exactCompare);
            }
            ASSERT_EQ(got.indexes.size(), t.indexes.size());
            for (size_t i = 0; i < t.indexes.size(); ++i) {
                EXPECT_EQ(got.indexes[i].name, t.indexes[i].name);
                EXPECT_EQ(got.indexes[i].fields, t.indexes[i].fields);
                EXPECT_EQ(got.indexes[i].unique, t.indexes[i].unique);
                EXPECT_EQ(got.indexes[i].primary, t.indexes[i].primary);
            }
        }
    }
}

TEST_F(Shipped, TablesFieldsAndIndexesTheProgramsNameAreThere) {
    auto db = open("mailsort.mdb");
    auto dup = open("DupWork.mdb");
    struct FieldCase {
        Database* db;
        const char* table;
        const char* field;
        FieldType type;
        int size;          // text only
        bool zeroLength;
        bool exact;
    };
    const FieldCase fields[] = {
        {db.get(), "parmcode", "Company Name", FieldType::Text, 50, true, false},
        {db.get(), "Parmcode", "add offset", FieldType::Text, 6, true, false},
        {db.get(), "parmcode", "Lab Across", FieldType::Text, 6, true, false},
        {db.get(), "parmcode", "FontSize", FieldType::Integer, 0, true, false},
        {db.get(), "parmcode", "MailFile", FieldType::Text, 255, true, false},
        {db.get(), "parmcode", "ExtraText", FieldType::Text, 25, true, false},
        {db.get(), "data", "file", FieldType::Text, 255, true, true},
        {db.get(), "data", "postcode2length", FieldType::Integer, 0, true, false},
        {db.get(), "pcode", "mpcode", FieldType::Text, 5, true, false},
        {db.get(), "label", "mdlab", FieldType::Text, 75, true, false},
        {db.get(), "sequence", "mdsorts", FieldType::Text, 32, true, false},
        {db.get(), "cntytown", "mname", FieldType::Text, 10, true, false},
        {db.get(), "region", "mdreg", FieldType::Integer, 0, true, false},
        {db.get(), "Price", "ServiceCode", FieldType::Text, 6, true, false},
        {db.get(), "price", "Franking Surcharge", FieldType::Double, 0, true, false},
        {db.get(), "Price", "PkExt2", FieldType::Double, 0, true, false},
        {db.get(), "Poprice", "PkW9Snd", FieldType::Double, 0, true, false},
        {db.get(), "Break", "Addres", FieldType::Long, 0, true, false},
        {dup.get(), "work", "RecNum", FieldType::Double, 0, true, false},
        {dup.get(), "work", "Field4", FieldType::Text, 250, false, false},
        {dup.get(), "CSV", "Field31", FieldType::Memo, 0, true, false},
        {dup.get(), "CSV", "More", FieldType::Memo, 0, true, false},
    };
    for (const auto& c : fields) {
        SCOPED_TRACE(std::string(c.table) + "." + c.field);
        auto rs = c.db->openTable(c.table);
        const auto& f = rs->fieldDef(rs->fieldIndex(c.field));
        EXPECT_EQ(f.type, c.type);
        if (c.type == FieldType::Text) { EXPECT_EQ(f.size, c.size); }
        EXPECT_EQ(f.allowZeroLength, c.zeroLength);
        EXPECT_EQ(f.exactCompare, c.exact);
    }
    EXPECT_EQ(db->tableDef("Price").fields.size(), 75u);   // the key, 69 edited and 5 tier fields
    EXPECT_EQ(db->tableDef("poprice").fields.size(), 42u);
    EXPECT_EQ(dup->tableDef("CSV").fields.size(), 33u);
    EXPECT_FALSE(db->hasTable("mmwork"));
    EXPECT_FALSE(db->hasTable("bags"));

    struct IndexCase {
        Database* db;
        const char* table;
        const char* index;
        std::vector<std::string> fields;
        bool unique, primary;
    };
    const IndexCase indexes[] = {
        {db.get(), "region", "PrimaryKey", {"mdres"}, true, true},
        {db.get(), "pcode", "PrimaryKey", {"mpcode"}, true, true},
        {db.get(), "label", "PrimaryKey", {"mdselc"}, true, true},
        {db.get(), "sequence", "PrimaryKey", {"mdresc"}, true, true},
        {db.get(), "cntytown", "PrimaryKey", {"mname"}, true, true},
        {db.get(), "Price", "PrimaryKey", {"ServiceCode"}, true, true},
        {db.get(), "data", "File", {"file"}, false, false},
        {db.get(), "Break", "NoAdd", {"Addres"}, true, false},
        {dup.get(), "work", "Key1", {"Field1", "Field2", "Field3", "Field4"}, false, false},
        {dup.get(), "CSV", "Key1", {"RecNum"}, false, false},
    };
    for (const auto& c : indexes) {
        SCOPED_TRACE(std::string(c.table) + "." + c.index);
        TableDef t = c.db->tableDef(c.table);
        const qv::db::IndexDef* ix = nullptr;
        for (const auto& i : t.indexes)
            if (i.name == c.index) ix = &i;
        ASSERT_NE(ix, nullptr);
        EXPECT_EQ(ix->fields, c.fields);
        EXPECT_EQ(ix->unique, c.unique);
        EXPECT_EQ(ix->primary, c.primary);
        c.db->openTable(c.table)->setIndex(c.index);
    }
}

TEST_F(Shipped, RowCountsAreAsDelivered) {
    auto db = open("mailsort.mdb");
    auto dup = open("DupWork.mdb");
    struct Case {
        Database* db;
        const char* table;
        int64_t rows;
    };
    const Case cases[] = {
        {db.get(), "parmcode", 1}, {db.get(), "Price", 8},    {db.get(), "poprice", 1},
        {db.get(), "data", 1},     {db.get(), "region", 0},   {db.get(), "pcode", 0},
        {db.get(), "label", 0},    {db.get(), "sequence", 0}, {db.get(), "cntytown", 0},
        {dup.get(), "work", 0},    {dup.get(), "CSV", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(count(*c.db, c.table), c.rows) << c.table;
    EXPECT_GE(count(*db, "Break"), 2);
}

TEST_F(Shipped, ParmcodeHoldsAValueInEveryKeyTheFormsRead) {
    auto db = open("mailsort.mdb");
    qv::parm::ParmRecord p(*db);
    namespace k = qv::parm::key;
    // DeferDate included: the shipped row carries the empty text, not Null.
    const char* keys[] = {
        k::RunAlone,   k::RunCodes,    k::RunReports, k::RunLabels,   k::UpdDate,   k::Service,    k::Mailsort120,
        k::Selection,  k::Format,      k::Weight,     k::BagMax,      k::BundleMax, k::ResOnly,    k::Geog,
        k::Postcode,   k::DeferDel,    k::DeferDate,  k::ExtraText,   k::JobRef,    k::Printer,    k::AddressLab,
        k::BagLab,     k::BundleLab,   k::BagNum,     k::BundleNum,   k::ItemCnt,   k::ItemCnt2,   k::BagNum2,
        k::Mailsort,   k::Ref,         k::RoyalMail,  k::MailFile,    k::LayWin,    k::CompanyName, k::LabelHeight,
        k::LabelWidth, k::VertGap,     k::HorGap,     k::TopMarg,     k::LeftMarg,  k::AddOffset,  k::LabAcross,
        k::FontSize,   k::LabelsPage,  k::Labfrom,    k::Labto,       k::Labopt,
    };
    EXPECT_EQ(db->tableDef("parmcode").fields.size(), std::size(keys));
    for (const char* key : keys) EXPECT_FALSE(p.value(key).isNull()) << key;

    struct Case {
        const char* key;
        const char* text;
    };
    const Case values[] = {
        {k::RunAlone, "N"},  {k::RunCodes, "N"},   {k::RunReports, "N"}, {k::RunLabels, "N"},
        {k::Service, "M1"},  {k::Mailsort120, "N"}, {k::Format, "LE"},   {k::Selection, "25"},
        {k::Printer, "L"},   {k::LayWin, "Y"},      {k::Labopt, "A"},    {k::FontSize, "8"},
        {k::LabelsPage, "7"}, {k::LabAcross, "3"},
    };
    for (const auto& c : values) EXPECT_EQ(p.text(c.key), c.text) << c.key;
    EXPECT_TRUE(p.value(k::FontSize).isInt());
    int weight = std::stoi(p.text(k::Weight));
    EXPECT_TRUE(weight >= 10 && weight <= 100) << weight;  // a letter the job parameters accept
    EXPECT_GT(std::stoi(p.text(k::BagMax)), 0);
    EXPECT_GT(std::stoi(p.text(k::BundleMax)), 0);

    // The import finds its layout by MailFile.
    auto data = db->openTable("data");
    data->setIndex("file");
    data->seek("=", p.value(k::MailFile));
    ASSERT_FALSE(data->noMatch());
    EXPECT_EQ(data->get("type"), Value("C"));
    for (int i = 0; i < data->fieldCount(); ++i)
        if (data->fieldDef(i).type == FieldType::Integer) { EXPECT_FALSE(data->get(i).isNull()) << data->fieldDef(i).name; }
}

TEST_F(Shipped, PriceHasOneRowPerServiceFoundPaddedOrNot) {
    auto db = open("mailsort.mdb");
    auto rs = db->openTable("Price");
    rs->setIndex("PrimaryKey");
    const char* codes[] = {"M1", "M2", "M3", "P1", "P2", "M1 120", "M2 120", "M3 120"};
    for (const char* code : codes) {
        SCOPED_TRACE(code);
        std::string padded = code;
        padded.resize(6, ' ');
        for (const std::string& key : {std::string(code), padded}) {
            rs->seek("=", Value(key));
            ASSERT_FALSE(rs->noMatch());
            EXPECT_EQ(rs->get("ServiceCode"), Value(code));
        }
        for (int i = 0; i < rs->fieldCount(); ++i) EXPECT_FALSE(rs->get(i).isNull()) << rs->fieldDef(i).name;
    }
    rs->seek("=", Value("M4"));
    EXPECT_TRUE(rs->noMatch());
}

TEST_F(Shipped, TariffFiguresSuitEveryPriceRule) {
    auto db = open("mailsort.mdb");
    auto price = db->openTable("Price");
    price->setIndex("PrimaryKey");
    auto at = [&](const char* code, const char* field) {
        price->seek("=", Value(code));
        EXPECT_FALSE(price->noMatch()) << code;
        return price->get(field).toDouble();
    };
    for (const char* code : {"M1", "M2", "M3", "P1", "P2", "M1 120", "M2 120", "M3 120"}) {
        SCOPED_TRACE(code);
        for (const char* f : {"LL", "A3"}) {
            std::string p = f;
            EXPECT_LT(at(code, (p + "Wgt1").c_str()), at(code, (p + "Wgt2").c_str()));
            EXPECT_LT(at(code, (p + "Base1").c_str()), at(code, (p + "Base2").c_str()));
            EXPECT_GT(at(code, (p + "Ext1").c_str()), 0);
        }
        EXPECT_LT(at(code, "PKWgt1"), at(code, "PKWgt2"));
        EXPECT_LT(at(code, "PKWgt2"), at(code, "PKWgt3"));
        // The third price line joins the second without a drop.
        EXPECT_GE(at(code, "PKBase3"), at(code, "PKBase2") + (at(code, "PKWgt3") - at(code, "PKWgt2")) * at(code, "PKExt1") - 1);
        for (const char* f : {"Le", "LL", "A3", "PK"})
            for (int b = 1; b < 5; ++b) {
                std::string p = f;
                EXPECT_LT(at(code, (p + "Qty" + std::to_string(b)).c_str()), at(code, (p + "Qty" + std::to_string(b + 1)).c_str()));
            }
        EXPECT_GT(at(code, "Franking Surcharge"), 0);
    }
    for (const char* field : {"LeBase1", "LLBase1", "LLBase2", "A3Base1", "PKBase1", "PKBase3"}) {
        EXPECT_GT(at("M1", field), at("M2", field)) << field;  // first class above second
        EXPECT_GT(at("P1", field), at("P2", field)) << field;
    }
    for (const char* code : {"M1 120", "M2 120", "M3 120"}) {
        EXPECT_LE(at(code, "Qty1"), at(code, "Qty2"));
        EXPECT_GT(at(code, "LeQ1DPtg1"), 0);
    }

    auto po = db->openTable("poprice");
    po->moveFirst();
    auto num = [&](const std::string& f) { return po->get(f).toDouble(); };
    EXPECT_GT(num("LeW1Fst"), num("LeW1Snd"));
    for (int i = 1; i <= 4; ++i) {
        std::string s = std::to_string(i);
        EXPECT_GT(num("LLW" + s + "Fst"), num("LLW" + s + "Snd")) << i;
        if (i < 4) { EXPECT_LT(num("LLWgt" + s), num("LLWgt" + std::to_string(i + 1))) << i; }
    }
    for (int i = 1; i <= 9; ++i) {
        std::string s = std::to_string(i);
        EXPECT_GT(num("PkW" + s + "Fst"), num("PkW" + s + "Snd")) << i;
        if (i < 9) { EXPECT_LT(num("PkWgt" + s), num("PkWgt" + std::to_string(i + 1))) << i; }
    }
    EXPECT_GE(num("PkWgt9"), 2000);  // the heaviest item the job parameters accept has a price

    auto brk = db->openTable("Break");
    brk->setIndex("NoAdd");
    brk->moveFirst();
    EXPECT_EQ(brk->get("Addres").toInt(), 4000);
    int64_t last = 0;
    for (; !brk->eof(); brk->moveNext()) {
        EXPECT_GT(brk->get("Addres").toInt(), last);
        last = brk->get("Addres").toInt();
        EXPECT_FALSE(brk->get("LetPtg").isNull());
        EXPECT_FALSE(brk->get("PkPtg").isNull());
    }
}

// ---- the command ----

TEST_F(TempDir, RefusesToOverwriteUnlessForced) {
    ASSERT_EQ(run({}), 0);
    EXPECT_FALSE(fs::exists(dir_ / "mailsort.mdb.new"));
    EXPECT_FALSE(fs::exists(dir_ / "mailsort.mdb.new.lock"));
    {
        auto db = Database::open((dir_ / "mailsort.mdb").string());
        qv::parm::ParmRecord p(*db);
        p.edit();
        p.set("RunAlone", "Y");
        p.update();
    }
    auto runAlone = [&] {
        auto db = Database::open((dir_ / "mailsort.mdb").string());
        return qv::parm::ParmRecord(*db).text("RunAlone");
    };
    std::string err;
    EXPECT_EQ(run({}, &err), 1);
    EXPECT_NE(err.find("already exists; use --force"), std::string::npos) << err;
    EXPECT_EQ(runAlone(), "Y");

    EXPECT_EQ(run({"--force"}, &err), 0) << err;
    EXPECT_EQ(runAlone(), "N");
}

TEST_F(TempDir, AnExistingFileInAnotherCaseCountsAndNothingIsWritten) {
    write(dir_ / "MAILSORT.MDB", "not a database");
    std::string err;
    EXPECT_EQ(run({}, &err), 1);
    EXPECT_NE(err.find("MAILSORT.MDB already exists"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir_ / "DupWork.mdb"));

    EXPECT_EQ(run({"--force"}, &err), 0) << err;
    EXPECT_FALSE(fs::exists(dir_ / "MAILSORT.MDB"));
    EXPECT_TRUE(fs::exists(dir_ / "mailsort.mdb"));
    EXPECT_TRUE(fs::exists(dir_ / "DupWork.mdb"));
}

TEST_F(TempDir, ForceRefusesADatabaseInUse) {
    ASSERT_EQ(run({}), 0);
    auto held = Database::open((dir_ / "DupWork.mdb").string(), OpenMode::Exclusive);
    std::string err;
    EXPECT_EQ(run({"--force"}, &err), 1);
    EXPECT_NE(err.find("in use"), std::string::npos) << err;
}

TEST_F(TempDir, BadTextWritesNothingAndSaysWhere) {
    fs::path data = dir_ / "text";
    fs::copy(kData, data, fs::copy_options::recursive);
    write(data / "mailsort.rows" / "Break.tsv", "Addres\tLetPtg\tPkPtg\n4000\t20\t15\n4000\t21\t16\n");
    fs::path out = dir_ / "out";
    fs::create_directories(out);
    std::ostringstream o, e;
    EXPECT_EQ(runCommand({"--data", data.string()}, kData, out, o, e), 1);
    EXPECT_NE(e.str().find("Break.tsv:3: row 2 refused"), std::string::npos) << e.str();
    EXPECT_TRUE(fs::is_empty(out));

    write(data / "mailsort.rows" / "Break.tsv", "Addres\tLetPtg\n4000\tx\n");
    std::ostringstream o2, e2;
    EXPECT_EQ(runCommand({"--data=" + data.string()}, kData, out, o2, e2), 1);
    EXPECT_NE(e2.str().find("Break.tsv:2: 'LetPtg' needs a whole number"), std::string::npos) << e2.str();

    write(data / "mailsort.rows" / "Brake.tsv", "Addres\n1\n");
    std::ostringstream o3, e3;
    EXPECT_EQ(runCommand({"--data", data.string()}, kData, out, o3, e3), 1);
    EXPECT_NE(e3.str().find("no table Brake"), std::string::npos) << e3.str();
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(TempDir, UsageFaults) {
    struct Case {
        std::vector<std::string> args;
        int rc;
        const char* message;
    };
    const Case cases[] = {
        {{"--forse"}, 2, "unknown argument --forse"},
        {{"--data"}, 2, "--data needs a folder"},
        {{"--data", "/no/such/folder"}, 1, "no data folder"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(run(c.args, &err), c.rc);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
    EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
