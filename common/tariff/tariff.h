// The tariff rules two programs share: which weight step of the Mailsort
// tariff `Price` prices an item, which volume band adds to the direct
// discount, and which weight step of the standard tariff `poprice` applies.
//
// The rules read a row through a FieldReader, one field at a time and only
// the fields the chosen step needs, so that each caller decides what an
// unreadable field means. What the prices then become (whole pence or
// fractions, which class, how they are rounded) stays with each caller.
#pragma once

#include "common/db/database.h"

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qv::tariff {

inline constexpr const char* PriceTable = "Price";
inline constexpr const char* PriceIndex = "PrimaryKey";
inline constexpr const char* StandardTable = "poprice";
inline constexpr const char* FrankingField = "Franking Surcharge";

// A field of a tariff row that holds no number.
class EmptyField : public std::runtime_error {
public:
    explicit EmptyField(std::string field)
        : std::runtime_error("The tariff field '" + field + "' holds no value."), field_(std::move(field)) {}
    const std::string& field() const { return field_; }

private:
    std::string field_;
};

// Gives the number a named field of one tariff row holds.
using FieldReader = std::function<double(const std::string& field)>;

// Reads the current row of a recordset; a Null field throws EmptyField.
// The recordset must outlive the reader.
FieldReader rowReader(const db::Recordset& row);

enum class MailFormat { Letter, LargeLetter, A3Packet, Packet };

// The job's format code, compared exactly, letter case included: "LE",
// "LL", "A3", "PK". Any other code has no format.
std::optional<MailFormat> mailFormat(std::string_view code);

// The family prefix of a format's fields in `Price`: "Le", "LL", "A3", "PK".
const char* pricePrefix(MailFormat f);

// ---- the Mailsort tariff, one row per service ----------------------------------

// The row of a service code ("M1", "M1 120", blanks after the code or not),
// found by an equality seek on PrimaryKey; nullptr when there is none.
std::unique_ptr<db::Recordset> findPriceRow(db::Database& db, const std::string& serviceCode);

// The Mailsort price of one item in pence by the weight step: a letter
// costs LeBase1 at any weight; a large letter or A3 packet FBase1 up to
// FWgt1, FBase2 up to FWgt2, then FBase2 plus FExt1 a gram above FWgt2; a
// packet PKBase1 up to PKWgt1, PKBase2 up to PKWgt2, PKBase2 plus PKExt1 a
// gram above PKWgt2 while below PKWgt3, and from PKWgt3 on PKBase3 plus
// PKExt2 a gram above PKWgt3.
double mailsortItemPrice(const FieldReader& row, MailFormat f, double weight);

// The volume band of a mailing with `directItems` items in direct
// selections: the first band n of 1 to 5 whose limit FQtyn is not below
// it, 0 when it lies above FQty5.
int volumeBand(const FieldReader& row, MailFormat f, double directItems);

// Direct selection discount per cent: FDPtg1 plus the band's FQnVRD1.
double directPercent(const FieldReader& row, MailFormat f, double directItems);

// Residue selection discount per cent: FRPtg1 (no bands).
double residuePercent(const FieldReader& row, MailFormat f);

// Surcharge per cent when franked by Royal Mail.
double frankingPercent(const FieldReader& row);

// ---- the standard tariff, one row of weight steps -------------------------------

// The first row of poprice; nullptr when the table has none.
std::unique_ptr<db::Recordset> firstStandardRow(db::Database& db);

// The standard prices of the step that applies to an item, as stored
// (fractions kept), with the names of the two fields they came from.
struct StandardStep {
    std::string firstField;
    std::string secondField;
    double first = 0;
    double second = 0;
};

// The standard tariff's step for an item of `weight` grams: "LE" always
// the letter step; "LL" the first of steps 1 to 3 whose weight is at least
// the item's, above LLWgt3 step 4 whatever the weight; any other code the
// first of the nine packet steps whose weight is at least the item's, and
// nullopt above PkWgt9 (the item has no standard price).
std::optional<StandardStep> standardStep(const FieldReader& row, std::string_view formatCode, double weight);

}  // namespace qv::tariff
