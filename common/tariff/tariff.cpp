#include "common/tariff/tariff.h"

namespace qv::tariff {

FieldReader rowReader(const db::Recordset& row) {
    return [&row](const std::string& field) {
        const db::Value v = row.get(field);
        if (v.isNull()) throw EmptyField(field);
        return v.toDouble();
    };
}

std::optional<MailFormat> mailFormat(std::string_view code) {
    if (code == "LE") return MailFormat::Letter;
    if (code == "LL") return MailFormat::LargeLetter;
    if (code == "A3") return MailFormat::A3Packet;
    if (code == "PK") return MailFormat::Packet;
    return std::nullopt;
}

const char* pricePrefix(MailFormat f) {
    switch (f) {
    case MailFormat::Letter: return "Le";
    case MailFormat::LargeLetter: return "LL";
    case MailFormat::A3Packet: return "A3";
    case MailFormat::Packet: return "PK";
    }
    return "";
}

namespace {

std::string field(MailFormat f, const char* name) { return std::string(pricePrefix(f)) + name; }
std::string field(MailFormat f, const char* before, int n, const char* after = "") {
    return std::string(pricePrefix(f)) + before + std::to_string(n) + after;
}

}  // namespace

std::unique_ptr<db::Recordset> findPriceRow(db::Database& db, const std::string& serviceCode) {
    auto rs = db.openTable(PriceTable);
    rs->setIndex(PriceIndex);
    rs->seek(db::SeekOp::Eq, std::vector<db::Value>{db::Value(serviceCode)});
    if (rs->noMatch()) return nullptr;
    return rs;
}

double mailsortItemPrice(const FieldReader& row, MailFormat f, double weight) {
    if (f == MailFormat::Letter) return row("LeBase1");
    const double w = weight;
    if (w <= row(field(f, "Wgt1"))) return row(field(f, "Base1"));
    if (w <= row(field(f, "Wgt2"))) return row(field(f, "Base2"));
    if (f != MailFormat::Packet) return row(field(f, "Base2")) + (w - row(field(f, "Wgt2"))) * row(field(f, "Ext1"));
    // The third packet line starts at its own weight.
    if (w < row("PKWgt3")) return row("PKBase2") + (w - row("PKWgt2")) * row("PKExt1");
    return row("PKBase3") + (w - row("PKWgt3")) * row("PKExt2");
}

int volumeBand(const FieldReader& row, MailFormat f, double directItems) {
    for (int n = 1; n <= 5; ++n)
        if (directItems <= row(field(f, "Qty", n))) return n;
    return 0;
}

double directPercent(const FieldReader& row, MailFormat f, double directItems) {
    double d = row(field(f, "DPtg1"));
    if (const int band = volumeBand(row, f, directItems)) d += row(field(f, "Q", band, "VRD1"));
    return d;
}

double residuePercent(const FieldReader& row, MailFormat f) { return row(field(f, "RPtg1")); }

double frankingPercent(const FieldReader& row) { return row(FrankingField); }

std::unique_ptr<db::Recordset> firstStandardRow(db::Database& db) {
    auto rs = db.openTable(StandardTable);
    if (rs->recordCount() == 0) return nullptr;
    rs->moveFirst();
    return rs;
}

std::optional<StandardStep> standardStep(const FieldReader& row, std::string_view formatCode, double weight) {
    auto step = [&](const char* prefix, int n) {
        StandardStep s;
        s.firstField = std::string(prefix) + "W" + std::to_string(n) + "Fst";
        s.secondField = std::string(prefix) + "W" + std::to_string(n) + "Snd";
        s.first = row(s.firstField);
        s.second = row(s.secondField);
        return s;
    };
    if (formatCode == "LE") return step("Le", 1);
    if (formatCode == "LL") {
        for (int n = 1; n <= 3; ++n)
            if (weight <= row("LLWgt" + std::to_string(n))) return step("LL", n);
        return step("LL", 4);
    }
    for (int n = 1; n <= 9; ++n)
        if (weight <= row("PkWgt" + std::to_string(n))) return step("Pk", n);
    return std::nullopt;
}

}  // namespace qv::tariff
