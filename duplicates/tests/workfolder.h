// The checker's tests work in the shared scratch folder, which holds the
// delivered DupWork.mdb.
#pragma once

#include "common/testing/scratch.h"

#include <string>
#include <vector>

namespace qv::duplicates::test {

class WorkFolder : public qv::testkit::ScratchFolder {
public:
    std::string write(const std::string& name, const std::vector<std::string>& lines) const {
        return writeLines(name, lines);
    }
    // A file's bytes; "<missing>" when there is no such file.
    std::string read(const std::string& name) const {
        return std::filesystem::exists(path(name)) ? readBytes(name) : "<missing>";
    }
};

}  // namespace qv::duplicates::test
