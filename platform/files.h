// Files of the platform: an output file written whole or not at all, the
// system's text for an error number, and UTF-8 text as a path. Plain C++ over
// POSIX, the lowest floor of the suite (library qv_files).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace qv {

// An output file written whole or not at all: the text goes to a temporary
// file in the final file's folder, and commit() renames it over the final
// name in one step. Until then an earlier file of that name stays as it
// was; a failure or a kill leaves it so, and a link under the final name is
// replaced rather than followed. Destroyed without commit(), the temporary
// file is removed; one a killed run left (no writer holds its lock) is
// removed by the next writer of that name. Errors throw std::system_error
// with the cause.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::filesystem::path& final);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    std::FILE* stream() const { return file_; }
    const std::filesystem::path& finalPath() const { return final_; }
    const std::filesystem::path& temporaryPath() const { return temp_; }

    // Flushes, syncs and closes the temporary file and renames it over the
    // final name; on failure the temporary file is removed and the final
    // name keeps its earlier file.
    void commit();
    // The same under a name chosen only now, in the same folder (a PDF is
    // named after the time it was finished).
    void commit(const std::filesystem::path& final);
    // Closes and removes the temporary file (no error is raised).
    void discard();

private:
    [[noreturn]] void fail(int error, const std::string& what);
    std::filesystem::path final_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
};

// The system's text for an errno value ("No space left on device").
std::string errorText(int error);

// UTF-8 text <-> path, on every platform.
std::filesystem::path pathFromUtf8(std::string_view s);
std::string utf8FromPath(const std::filesystem::path& p);

}  // namespace qv
