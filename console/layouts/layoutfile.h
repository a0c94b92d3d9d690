// The test the layout forms make of a customer's file before they use it:
// the file is opened for reading and closed again, nothing is read. A
// missing file is told apart from every other failure, which carries a
// number and a description.
#pragma once

#include <filesystem>
#include <string>

namespace qv::console {

struct FileTest {
    enum class Result { Ok, Missing, Failed };
    Result result = Result::Missing;
    int number = 0;            // Failed: the failure's number
    std::string description;   // Failed: what went wrong
    std::filesystem::path file;  // Ok: the file found (its name matched without regard to case)
    bool ok() const { return result == Result::Ok; }
    bool missing() const { return result == Result::Missing; }
};

// The failure numbers the test reports, those of the old runtime.
namespace fileerror {
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
}  // namespace fileerror

// An empty name, a folder that does not exist and a file that is not there
// all count as missing. The file name is matched without regard to case, as
// the import finds it (a name of exactly that spelling first). Anything but
// a regular file (a folder, a pipe, a device) is refused before it is
// opened, so that no open can hang: its description is then
// "File <path> is not a regular file."
FileTest testFile(const std::string& path);

}  // namespace qv::console
