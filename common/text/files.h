// The suite's own files, found without regard to case, as on the old
// platform: "dovodedod.dat" finds DOVODEDOD.DAT.
//
// A name may carry a folder part ("sub/x.txt"); only its last part (the file
// name) is matched without regard to case (ASCII and Latin-1 letters, see
// lcase in chars.h) and to trailing blanks; folders are taken as given.
// Relative names are taken in `folder` (by default the current directory).
// Names are UTF-8. A name that matches no file stands for a new file with the
// spelling given (trailing blanks removed). Failures of the file system throw
// std::filesystem::filesystem_error.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace qv {

// The name of the file (not folder) present whose name equals the last part
// of `name` ignoring case and trailing blanks, or nullopt.
std::optional<std::string> findFile(std::string_view name, const std::filesystem::path& folder = ".");

// The path to use for `name`: the matching file when there is one, else the
// name as given (trailing blanks removed) in its folder.
std::filesystem::path filePath(std::string_view name, const std::filesystem::path& folder = ".");

bool fileExists(std::string_view name, const std::filesystem::path& folder = ".");

// Opened in binary mode; std::filesystem::filesystem_error when there is no
// such file or it cannot be opened.
std::ifstream openForReading(std::string_view name, const std::filesystem::path& folder = ".");

// Deletes the matching file; false when there was none.
bool deleteFile(std::string_view name, const std::filesystem::path& folder = ".");

// Renames the matching file `from` (filesystem_error when there is none) to
// `to`. A file that already matches `to` is replaced, and the result keeps
// that file's spelling; otherwise the new name takes the spelling given.
// Renaming a file to its own name in another case changes its case.
void renameFile(std::string_view from, std::string_view to, const std::filesystem::path& folder = ".");

// Copies the matching file `from` (filesystem_error when there is none) to
// `to`, overwriting a file that matches `to` (which keeps its spelling).
void copyFile(std::string_view from, std::string_view to, const std::filesystem::path& folder = ".");

// Input files must be regular files: opening a FIFO waits for a writer for
// ever, and a folder or a device holds no records. Every reader of an input
// file refuses the others by name before it opens anything.
class NotRegularFile : public std::system_error {
public:
    explicit NotRegularFile(const std::filesystem::path& p);
    // "File <path> is not a regular file."
    const char* what() const noexcept override { return text_.c_str(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string text_;
};

// Throws NotRegularFile when `path` is there, or an entry of its folder
// matches its name without regard to case, and it is not a regular file
// (links are followed). Nothing there is no fault here.
void refuseNonRegular(const std::filesystem::path& path);

}  // namespace qv
