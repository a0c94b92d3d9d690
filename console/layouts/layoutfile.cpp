#include "console/layouts/layoutfile.h"

#include "common/text/chars.h"
#include "common/text/files.h"
#include "platform/files.h"

#include <fstream>

namespace qv::console {

namespace fs = std::filesystem;

namespace {

FileTest failed(int number, std::string description) {
    FileTest t;
    t.result = FileTest::Result::Failed;
    t.number = number;
    t.description = std::move(description);
    return t;
}

}  // namespace

FileTest testFile(const std::string& path) {
    FileTest t;
    if (trim(path).empty()) return t;
    try {
        const fs::path given = pathFromUtf8(path);
        const fs::path folder = given.parent_path();
        std::error_code ec;
        if (!folder.empty() && !fs::is_directory(folder, ec)) return t;
        // A pipe would wait for a writer, a device for input: only a regular
        // file is opened. A folder or device of that name is refused, not missing.
        try {
            refuseNonRegular(given);
        } catch (const NotRegularFile& e) {
            return failed(fileerror::PathFileAccess, e.what());
        }
        const auto name = findFile(utf8FromPath(given.filename()), folder.empty() ? fs::path(".") : folder);
        if (!name) return t;
        const fs::path file = folder.empty() ? fs::path(*name) : folder / *name;
        std::ifstream in(file, std::ios::binary);
        if (!in) return failed(fileerror::PermissionDenied, "Permission denied: " + utf8FromPath(file) + " cannot be read");
        t.result = FileTest::Result::Ok;
        t.file = file;
        return t;
    } catch (const fs::filesystem_error& e) {
        return failed(fileerror::PathFileAccess, std::string("Path/File access error: ") + e.what());
    }
}

}  // namespace qv::console
