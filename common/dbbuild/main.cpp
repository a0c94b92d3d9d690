// qvmakedb: writes the delivered databases into the current directory.
#include "common/dbbuild/builder.h"

#include <iostream>

#ifndef QV_DATA_DIR
#error "QV_DATA_DIR must name the folder of the database text files"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return qv::dbbuild::runCommand(args, QV_DATA_DIR, std::filesystem::current_path(), std::cout, std::cerr);
}
