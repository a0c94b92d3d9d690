#include "console/layoutfile.h"

#include "common/text/chars.h"
#include "common/text/files.h"

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

// Only a plain file may be opened: a pipe would wait for a writer, a device
// for input. (The one place to switch to a shared check of input files.)
bool refusedKind(const fs::path& p, std::string& why) {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec) {
        why = ec.message();
        return true;
    }
    if (fs::is_regular_file(st)) return false;
    why = fs::is_directory(st) ? "is a folder, not a file" : "is not a plain file";
    return true;
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
        std::string why;
        // A folder or device under the very name is refused, not taken as missing.
        if (fs::exists(fs::symlink_status(given, ec)) && refusedKind(given, why))
            return failed(fileerror::PathFileAccess, "Path/File access error: " + path + " " + why);
        const auto name = findFile(utf8FromPath(given.filename()), folder.empty() ? fs::path(".") : folder);
        if (!name) return t;
        const fs::path file = folder.empty() ? fs::path(*name) : folder / *name;
        if (refusedKind(file, why))
            return failed(fileerror::PathFileAccess, "Path/File access error: " + utf8FromPath(file) + " " + why);
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
