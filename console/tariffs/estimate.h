// The cost estimate: what a mailing would cost at the standard Royal Mail
// rate and under a Mailsort or Presstream service, and what it saves. The
// estimator's forms collect the entries and show these texts; the
// arithmetic is here, each figure in the kind the estimate has always used:
// money (four decimals) for the prices and the two totals, floating point
// for the item counts, discounts and surcharge.
#pragma once

#include "common/db/database.h"
#include "common/text/money.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qv::console::estimate {

// A fault that leaves nothing to estimate (a missing tariff row, an empty
// or unusable tariff figure); what() is the message for the user.
class EstimateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The entries of the estimator input form, as its boxes hold them.
struct Entries {
    std::string addresses;      // number of addresses
    std::string weight;         // grams of one item
    std::string format;         // "LE", "LL", "A3" or "PK"
    std::string serviceCode;    // key of the Price row: "M1", "M1 120", ...
    bool firstClass = false;    // Mailsort 1 or Presstream 1 chosen (not Mailsort 1 120)
    bool service120 = false;    // one of the three 120 services chosen
    std::string directPercent;  // the accepted direct-selection percentage
    bool royalMailFrank = false;
};

// The texts of the result form's seven lines.
struct Lines {
    std::string standardCount, standardPrice, standardTotal;
    std::string straightCount, straightPrice, straightTotal;
    std::string directCount, directPercent, directTotal;
    std::string residueCount, residuePercent, residueTotal;
    std::string frankingCount, frankingPercent, frankingTotal;
    std::string netCost, saving;
    bool directLineShown = true;  // not for a 120 service
};

// The standard price of one item in whole pence, as a money value: the
// step of poprice for the format and weight, first class for Mailsort 1 and
// Presstream 1, else second class. A stored fraction goes to the nearest
// whole penny, a half to the even one; a packet above the last step is 0.
// Throws EstimateError when poprice has no row, the figure needed is empty,
// or the price lies outside -32768 to 32767 pence.
Money getPrice(db::Database& db, std::string_view format, std::int16_t weight, bool firstClass);

// Works out the seven lines from the tariffs in db.
Lines workOut(db::Database& db, const Entries& entries);

// The estimate's plain entry point: opens mailsort.mdb in the current
// folder shared, works out the lines and closes it again. A database that
// cannot be opened is a db::DbError; a tariff fault an EstimateError.
Lines estimate(const Entries& entries);

// The likely direct-selection percentage for a mailing of `addresses`
// items, from table Break: the row at or below the count and the next one,
// interpolated and rounded to a whole number (a half to the even one);
// the letter column for "LE", the other column for any other format.
// Without a row at or below the count, or a row after it, the suggestion
// stays `held` (the last one this form worked out). Kept within 0 to 100.
int suggestedPercent(db::Database& db, double addresses, std::string_view format, int held);

// The user's answer to the direct-selection question.
enum class PercentAnswer { Empty, NotNumeric, OutOfRange, Accepted };
PercentAnswer readPercentAnswer(std::string_view answer);

}  // namespace qv::console::estimate
