// Holds mailsort.mdb of the current folder for its sole use until its input
// closes: the other program a form test needs. Writes "y" once it holds it.
#include "common/db/database.h"

#include <cstdio>
#include <iostream>

int main() {
    try {
        auto db = qv::db::Database::open("mailsort.mdb", qv::db::OpenMode::Exclusive);
        std::cout << "y" << std::endl;
        std::string line;
        while (std::getline(std::cin, line)) {
        }
    } catch (const qv::db::DbError& e) {
        std::cout << "n " << e.number() << std::endl;
        return 1;
    }
    return 0;
}
