// The console's tests of the tariffs and the estimator: the shipped
// database with tariff figures set for the case at hand.
#pragma once

#include "console/tests/console_fixture.h"
#include "platform/testing/qtprint.h"

#include <initializer_list>
#include <ostream>
#include <utility>

namespace qv::console::testing {

class TariffTest : public ConsoleTest {
protected:
    // Sets fields of the Price row of a service code.
    void setPrice(const std::string& code, std::initializer_list<std::pair<const char*, db::Value>> fields);
    // Sets fields of the one poprice row.
    void setStandard(std::initializer_list<std::pair<const char*, db::Value>> fields);
    // Replaces the rows of Break: (Addres, LetPtg, PkPtg).
    void setBreak(std::initializer_list<std::tuple<int, int, int>> rows);
    // Empties a table.
    void emptyTable(const char* table);

    db::Value priceField(const std::string& code, const char* field);
    db::Value standardField(const char* field);
};

}  // namespace qv::console::testing
