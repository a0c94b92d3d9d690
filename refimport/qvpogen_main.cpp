// qvpogen: writes synthetic Post Office Mailsort files into a folder.
#include "refimport/pogen.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return qv::pogen::runCommand(args, std::cout, std::cerr);
}
