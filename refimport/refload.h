// Loading the four Post Office files into the reference tables region,
// pcode, label, sequence and cntytown of an open database.
#pragma once

#include "refimport/pofiles.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qv::db {
class Database;
}

namespace qv::refimport {

// Why a load stopped. The message names the file (and the line where there
// is one) and is fit to show the user as it stands.
class LoadError : public std::runtime_error {
public:
    enum class Kind { FileMissing, FileUnreadable, BadLine, Database };
    LoadError(Kind kind, std::string message, std::filesystem::path file = {}, std::uint64_t line = 0)
        : std::runtime_error(message), kind_(kind), file_(std::move(file)), line_(line) {}
    Kind kind() const { return kind_; }
    const std::filesystem::path& file() const { return file_; }
    std::uint64_t line() const { return line_; }

private:
    Kind kind_;
    std::filesystem::path file_;
    std::uint64_t line_;
};

// Records of a file passed over because their key was already in the table.
struct PassedOver {
    PoFile file;
    std::string table;
    std::int64_t count = 0;
};

// The path of a Post Office file in the folder the drive box names; the name
// is matched without regard to case. A name that is not there comes back as
// given, so that the message names what was looked for.
std::filesystem::path poFilePath(const std::filesystem::path& folder, PoFile file);

// Empties and refills the reference tables through an open database. Each
// reader empties its tables row by row, then reads its file; a duplicate key
// keeps the first row. The caller keeps the readers inside one transaction:
// a LoadError leaves the tables half done.
class ReferenceLoader {
public:
    ReferenceLoader(db::Database& db, FileForm form, std::filesystem::path folder);

    void msortd();  // region
    void msorta();  // pcode
    void msortb();  // label and sequence
    void msortc();  // cntytown
    void load(PoFile file);

    // Tables and files that had repeated keys, in load order.
    std::vector<PassedOver> passedOver() const;

private:
    void forEachRecord(PoFile file, const std::function<void(const std::string& line)>& take);
    std::string here() const;                       // "Line 3 of file ..."
    SplitLine split(const std::string& line) const;  // LoadError for a malformed line
    // A record that does not fit its file's form stops the load at its line.
    void refuseMisfit(const std::optional<std::string>& why) const;
    template <class Rec>
    Rec record(PoFile file, const std::string& line, Rec (*fixed)(std::string_view),
               Rec (*comma)(const SplitLine&)) const {
        if (form_ == FileForm::Fixed) {
            refuseMisfit(fixedMisfit(file, line));
            return fixed(line);
        }
        const SplitLine s = split(line);
        refuseMisfit(commaMisfit(file, s));
        return comma(s);
    }
    void count(PoFile file, const std::string& table);
    // A record whose key or code is empty is a malformed line.
    void require(const std::string& value, const char* what) const;
    // A file that gave its table no record at all is refused.
    void requireSome(int taken, const char* what, const char* table) const;

    db::Database& db_;
    FileForm form_;
    std::filesystem::path folder_;
    std::filesystem::path current_;     // the file being read, for messages
    std::uint64_t lineNo_ = 0;
    std::vector<PassedOver> passedOver_;
};

// Runs the four readers in order inside one transaction: on any failure
// every table keeps what it held and the error is raised.
// `beforeFile` is told which file comes next (the form shows it).
std::vector<PassedOver> loadReferenceData(db::Database& db, FileForm form, const std::filesystem::path& folder,
                                          const std::function<void(PoFile)>& beforeFile = {});

// "3 records of msorta.dat ..." lines for the user.
std::string passedOverMessage(const std::vector<PassedOver>& passed);

}  // namespace qv::refimport
