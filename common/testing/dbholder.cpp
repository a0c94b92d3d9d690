// Test helper: another program of the suite holding mailsort.mdb of a folder,
// shared or for its sole use, until its standard input closes. Writes "held"
// once it holds it, or "failed <number> <description>".
#include "common/db/database.h"

#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: qvdbholder <folder> exclusive|shared\n";
        return 2;
    }
    std::filesystem::current_path(argv[1]);
    const auto mode = std::string(argv[2]) == "exclusive" ? qv::db::OpenMode::Exclusive : qv::db::OpenMode::Shared;
    try {
        auto db = qv::db::Database::open("mailsort.mdb", mode);
        std::cout << "held" << std::endl;
        std::string line;
        while (std::getline(std::cin, line)) {
        }
    } catch (const qv::db::DbError& e) {
        std::cout << "failed " << e.number() << " " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
