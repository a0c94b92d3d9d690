// Builds the delivered databases from their text form (see dbtext.h) and the
// qvmakedb command that writes them into a folder.
#pragma once

#include "common/dbbuild/dbtext.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qv::dbbuild {

namespace fs = std::filesystem;

// One database file and the text it is built from.
struct Dataset {
    std::string fileName;          // "mailsort.mdb"
    Schema schema;
    std::vector<TableRows> rows;   // tables without a rows file stay empty
};

// A schema file; ParseError on a fault or when it cannot be read.
Schema loadSchema(const fs::path& file);
// Every <table>.tsv in dir (none when dir does not exist). A file that names
// no table of the schema, or a second file for one table, is a ParseError.
std::vector<TableRows> loadRows(const fs::path& dir, const Schema& schema);

// The databases the suite ships: mailsort.mdb from mailsort.schema and
// mailsort.rows/, DupWork.mdb from dupwork.schema (and dupwork.rows/ if any).
std::vector<Dataset> loadShipped(const fs::path& dataDir);

// Creates the file (which must not exist) with every table and row. A row
// the database refuses is reported as a ParseError against its line; the
// database's other refusals come as db::DbError. Leaves no file on failure.
void writeDatabase(const fs::path& path, const Dataset& data);

// The entry of dir whose name equals name without regard to case or
// trailing blanks, as the programs open their databases.
std::optional<fs::path> findExisting(const fs::path& dir, const std::string& name);

struct MakeOptions {
    fs::path dataDir;
    fs::path targetDir;
    bool force = false;   // replace databases already there
};

// Writes every shipped database into targetDir. Nothing is written unless
// all the text is sound and, without force, none of the files exists yet.
// Returns the exit status: 0 done, 1 refused or failed (reason on err).
int makeDatabases(const MakeOptions& options, std::ostream& out, std::ostream& err);

// qvmakedb [--force] [--data DIR]: 0 done, 1 refused or failed, 2 bad usage.
int runCommand(const std::vector<std::string>& args, const fs::path& defaultDataDir, const fs::path& targetDir,
               std::ostream& out, std::ostream& err);

}  // namespace qv::dbbuild
