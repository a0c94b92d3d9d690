// The one row of parmcode: the suite's settings and the hand-over between
// its programs. Every program reads and writes it the same way: open the
// table, stand on the first row, take fields by name, edit/set/update.
#pragma once

#include "common/db/database.h"

#include <memory>
#include <string>

namespace qv::parm {

inline constexpr const char* TableName = "parmcode";

// Field names of the row. Names are matched without regard to case; three
// hold a blank and must be written with it.
namespace key {
// run flags
inline constexpr const char* RunAlone = "RunAlone";
inline constexpr const char* RunCodes = "RunCodes";
inline constexpr const char* RunReports = "RunReports";
inline constexpr const char* RunLabels = "RunLabels";
// date of the Post Office reference data
inline constexpr const char* UpdDate = "UpdDate";
// job keys
inline constexpr const char* Service = "Service";
inline constexpr const char* Mailsort120 = "Mailsort120";
inline constexpr const char* Selection = "Selection";
inline constexpr const char* Format = "Format";
inline constexpr const char* Weight = "Weight";
inline constexpr const char* BagMax = "BagMax";
inline constexpr const char* BundleMax = "BundleMax";
inline constexpr const char* ResOnly = "ResOnly";
inline constexpr const char* Geog = "Geog";
inline constexpr const char* Postcode = "Postcode";
inline constexpr const char* DeferDel = "DeferDel";
inline constexpr const char* DeferDate = "DeferDate";   // may be Null
inline constexpr const char* ExtraText = "ExtraText";
inline constexpr const char* JobRef = "JobRef";
inline constexpr const char* Printer = "Printer";
inline constexpr const char* AddressLab = "AddressLab";
inline constexpr const char* BagLab = "BagLab";
inline constexpr const char* BundleLab = "BundleLab";
inline constexpr const char* BagNum = "BagNum";
inline constexpr const char* BundleNum = "BundleNum";
inline constexpr const char* ItemCnt = "ItemCnt";
inline constexpr const char* ItemCnt2 = "ItemCnt2";
inline constexpr const char* BagNum2 = "BagNum2";
inline constexpr const char* Mailsort = "Mailsort";
inline constexpr const char* Ref = "Ref";
inline constexpr const char* RoyalMail = "RoyalMail";
// customer's file and layout hint
inline constexpr const char* MailFile = "MailFile";
inline constexpr const char* LayWin = "LayWin";
// label configuration
inline constexpr const char* CompanyName = "Company Name";
inline constexpr const char* LabelHeight = "LabelHeight";
inline constexpr const char* LabelWidth = "LabelWidth";
inline constexpr const char* VertGap = "VertGap";
inline constexpr const char* HorGap = "HorGap";
inline constexpr const char* TopMarg = "TopMarg";
inline constexpr const char* LeftMarg = "LeftMarg";
inline constexpr const char* AddOffset = "Add Offset";
inline constexpr const char* LabAcross = "Lab Across";
inline constexpr const char* FontSize = "FontSize";      // a whole number, not a text
inline constexpr const char* LabelsPage = "LabelsPage";
// last label print range
inline constexpr const char* Labfrom = "Labfrom";
inline constexpr const char* Labto = "Labto";
inline constexpr const char* Labopt = "Labopt";
}  // namespace key

// A recordset on parmcode standing on its first row. Keep the database open
// for as long as this lives.
class ParmRecord {
public:
    // Opens the table and moves to the first row: DbError 3011 when there is
    // no such table, 3021 when it has no row.
    explicit ParmRecord(db::Database& db);

    db::Value value(const std::string& name) const;   // may be Null
    std::string text(const std::string& name) const;  // Null reads as ""
    bool yes(const std::string& name) const { return text(name) == "Y"; }

    void edit();
    void set(const std::string& name, const db::Value& v);
    void update();
    bool editing() const;

    db::Recordset& recordset() { return *rs_; }

private:
    std::unique_ptr<db::Recordset> rs_;
};

}  // namespace qv::parm
