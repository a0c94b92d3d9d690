#include "console/tariffs/estimate.h"

#include "common/tariff/tariff.h"
#include "common/text/numtext.h"

#include <algorithm>

namespace qv::console::estimate {

namespace {

constexpr const char* Lead = "No estimate can be made: ";

[[noreturn]] void fail(const std::string& why) { throw EstimateError(Lead + why); }

std::string pounds(double v) { return formatNumber(v, "0.00"); }
std::string pounds(Money m) { return m.format("0.00"); }
// An amount as shown, read back.
double shown(const std::string& text) { return leadingNumber(text); }

}  // namespace

Money getPrice(db::Database& db, std::string_view format, std::int16_t weight, bool firstClass) {
    auto row = tariff::firstStandardRow(db);
    if (!row) fail("the standard Royal Mail tariff (PO Prices) has no prices.");
    std::optional<tariff::StandardStep> step;
    try {
        step = tariff::standardStep(tariff::rowReader(*row), format, weight);
    } catch (const tariff::EmptyField& e) {
        fail("the standard Royal Mail tariff (PO Prices) holds no value in " + e.field() + ".");
    }
    if (!step) return Money();
    const double stored = firstClass ? step->first : step->second;
    const auto pence = toInteger(stored);
    if (!pence)
        fail("the standard price " + numberText(stored) + " in " + (firstClass ? step->firstField : step->secondField) +
             " lies outside -32768 to 32767 pence.");
    return Money::fromWhole(*pence);
}

Lines workOut(db::Database& db, const Entries& in) {
    const auto format = tariff::mailFormat(in.format);
    if (!format) fail("the mail format " + in.format + " has no tariff.");
    const auto weight = toInteger(leadingNumber(in.weight));
    if (!weight) fail("the weight " + in.weight + " is out of range.");

    Lines out;
    try {
        const Money S = getPrice(db, in.format, *weight, in.firstClass);
        const double N = leadingNumber(in.addresses);
        out.standardCount = numberText(N);
        out.standardPrice = pounds(S);
        const Money T1 = (S * N) * 0.01;
        out.standardTotal = pounds(T1);

        auto row = tariff::findPriceRow(db, in.serviceCode);
        if (!row) fail("the Mailsort tariff has no row for service " + in.serviceCode + ".");
        const tariff::FieldReader price = tariff::rowReader(*row);
        try {
            out.directLineShown = !in.service120;

            Money M = Money::fromDouble(tariff::mailsortItemPrice(price, *format, *weight));
            M = Money::fromDouble(leadingNumber(round(M.toDouble(), 1)));
            const double m = M.toDouble();
            out.straightCount = numberText(N);
            out.straightPrice = pounds(M);
            const Money T2 = (M * N) * 0.01;
            out.straightTotal = pounds(T2);

            const double P = leadingNumber(in.directPercent);
            const double D = P * N / 100;
            out.directCount = numberText(D);
            const double R = N - shown(out.directCount);
            out.residueCount = numberText(R);

            const double d = tariff::directPercent(price, *format, D);
            const double r = tariff::residuePercent(price, *format);
            out.directPercent = pounds(d);
            out.residuePercent = pounds(r);
            out.directTotal = pounds(-(D * m * (d * 0.01) / 100));
            out.residueTotal = pounds(-(R * m * (r * 0.01) / 100));

            out.frankingCount = numberText(N);
            if (in.royalMailFrank) {
                const double f = tariff::frankingPercent(price);
                out.frankingPercent = pounds(f);
                out.frankingTotal = pounds(N * m * (f * 0.01) / 100);
            } else {
                out.frankingPercent = "0.00";
                out.frankingTotal = "0.00";
            }
        } catch (const tariff::EmptyField& e) {
            fail("the Mailsort tariff for service " + in.serviceCode + " holds no value in " + e.field() + ".");
        }

        const double C = shown(out.directTotal) + shown(out.straightTotal) + shown(out.residueTotal) +
                         shown(out.frankingTotal);
        out.netCost = pounds(C);
        out.saving = pounds(shown(out.standardTotal) - C);
    } catch (const std::overflow_error&) {
        fail("the figures are too large.");
    }
    return out;
}

Lines estimate(const Entries& entries) {
    auto db = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
    Lines lines = workOut(*db, entries);
    db->close();
    return lines;
}

int suggestedPercent(db::Database& db, double addresses, std::string_view format, int held) {
    const char* column = format == "LE" ? "LetPtg" : "PkPtg";
    auto rs = db.openTable("Break");
    rs->setIndex("NoAdd");
    rs->seek(db::SeekOp::Le, std::vector<db::Value>{db::Value(addresses)});
    if (rs->noMatch()) return held;
    const double low = rs->get("Addres").toDouble();
    const double lowP = double(rs->get(column).toInt());
    double v;
    if (addresses == low) {
        v = lowP;
    } else {
        rs->moveNext();
        if (rs->eof()) return held;
        const double up = rs->get("Addres").toDouble();
        const double upP = double(rs->get(column).toInt());
        if (up == low) return held;
        v = lowP + (upP - lowP) * (addresses - low) / (up - low);
    }
    const auto whole = roundHalfEven(v);
    if (!whole) return held;
    return int(std::clamp<std::int64_t>(*whole, 0, 100));
}

PercentAnswer readPercentAnswer(std::string_view answer) {
    if (answer.empty()) return PercentAnswer::Empty;
    double p;
    if (!parseNumber(answer, p)) return PercentAnswer::NotNumeric;
    if (!(p >= 0 && p <= 100)) return PercentAnswer::OutOfRange;
    return PercentAnswer::Accepted;
}

}  // namespace qv::console::estimate
