// The order of text keys: without regard to case (ASCII and the Latin-1
// letters), trailing blanks ignored. One copy, used by the database layer
// (collation KEYTEXT) and by the loadable extension that gives the sqlite3
// shell the same collation (qvkeytext).
#pragma once

#include <string_view>

namespace qv::db {

inline constexpr const char* kKeyTextCollation = "KEYTEXT";

// Below zero, zero or above zero as a sorts before, with or after b. The
// form of a SQLite collation, registered as it is (the first argument unused).
int keyTextCollation(void*, int na, const void* a, int nb, const void* b);

inline int compareKeyText(std::string_view a, std::string_view b) {
    return keyTextCollation(nullptr, int(a.size()), a.data(), int(b.size()), b.data());
}

}  // namespace qv::db
