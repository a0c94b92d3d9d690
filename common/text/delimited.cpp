#include "common/text/delimited.h"

namespace qv {

std::string DetectType(std::string_view record) {
    std::string result;
    bool quoteSeen = false, quoteComma = false, hit = false, commaSeen = false;
    int counter = 0;
    for (std::size_t i = 0; i < record.size() && result.empty(); ++i) {
        const char c = record[i];
        if (c == '"') {
            if (quoteComma)
                hit = true;
            else
                quoteSeen = true;
        } else if (c == ',') {
            commaSeen = true;
            if (quoteSeen) quoteComma = true;
        } else {
            hit = quoteSeen = commaSeen = quoteComma = false;
        }
        if (hit) result = TypeQuoted;
        if (commaSeen && ++counter == 4) result = TypePlain;
    }
    return result;
}

void splitCommaFields(std::string_view record, std::vector<std::string>& fields, DoubledQuote doubled) {
    // Reuse the strings already there: a run splits a million records.
    std::size_t n = 0;
    auto field = [&]() -> std::string& {
        if (fields.size() <= n) fields.emplace_back();
        return fields[n];
    };
    field().clear();
    bool inQuotes = false;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const char c = record[i];
        if (c == '"') {
            if (inQuotes && doubled == DoubledQuote::IsOneQuote && doubledQuoteAt(record, i)) {
                field() += '"';
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
        } else if (c == ',' && !inQuotes) {
            ++n;
            field().clear();
        } else {
            field() += c;
        }
    }
    fields.resize(n + 1);
}

}  // namespace qv
