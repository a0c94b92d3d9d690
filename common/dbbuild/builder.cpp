#include "common/dbbuild/builder.h"

#include <algorithm>
#include <fstream>
#include <ostream>
#include <sstream>

namespace qv::dbbuild {

namespace {

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ParseError(file.string(), 0, "cannot be read");
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a byte-order mark some editors add
    return text;
}

void removeQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

std::string describe(const db::DbError& e) {
    return e.description() + " (error " + std::to_string(e.number()) + ")";
}

}  // namespace

Schema loadSchema(const fs::path& file) {
    return parseSchema(readFile(file), file.string());
}

std::vector<TableRows> loadRows(const fs::path& dir, const Schema& schema) {
    std::vector<TableRows> all;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return all;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name.empty() || name.front() == '.' || !entry.is_regular_file()) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        if (file.extension() != ".tsv")
            throw ParseError(file.string(), 0, "not a rows file (rows files are named <table>.tsv)");
        const db::TableDef* table = schema.find(file.stem().string());
        if (!table) throw ParseError(file.string(), 0, "no table " + file.stem().string() + " in the schema");
        for (const auto& done : all)
            if (done.table == table->name)
                throw ParseError(file.string(), 0, "second rows file for table " + table->name + " (first: " + done.source + ")");
        all.push_back(parseRows(readFile(file), *table, file.string()));
    }
    return all;
}

std::vector<Dataset> loadShipped(const fs::path& dataDir) {
    struct Source {
        const char* fileName;
        const char* schema;
        const char* rows;
    };
    static const Source sources[] = {
        {"mailsort.mdb", "mailsort.schema", "mailsort.rows"},
        {"DupWork.mdb", "dupwork.schema", "dupwork.rows"},
    };
    std::vector<Dataset> sets;
    for (const auto& s : sources) {
        Dataset d;
        d.fileName = s.fileName;
        d.schema = loadSchema(dataDir / s.schema);
        d.rows = loadRows(dataDir / s.rows, d.schema);
        sets.push_back(std::move(d));
    }
    return sets;
}

void writeDatabase(const fs::path& path, const Dataset& data) {
    try {
        auto db = db::Database::create(path.string());
        for (const auto& table : data.schema.tables) db->createTable(table);
        for (const auto& tr : data.rows) {
            auto rs = db->openTable(tr.table);
            std::vector<int> cols;
            for (const auto& f : tr.fields) cols.push_back(rs->fieldIndex(f));
            for (size_t r = 0; r < tr.rows.size(); ++r) {
                try {
                    rs->addNew();
                    for (size_t c = 0; c < cols.size(); ++c) rs->set(cols[c], tr.rows[r][c]);
                    rs->update();
                } catch (const db::DbError& e) {
                    throw ParseError(tr.source, tr.lines[r], "row " + std::to_string(r + 1) + " refused: " + describe(e));
                }
            }
            rs->close();
        }
        db->commit();
        db->close();
    } catch (...) {
        removeQuietly(path);
        throw;
    }
}

std::optional<fs::path> findExisting(const fs::path& dir, const std::string& name) {
    std::string found = db::Database::resolve((dir / name).string());
    if (found.empty()) return std::nullopt;
    return fs::path(found);
}

int makeDatabases(const MakeOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<Dataset> sets;
    try {
        sets = loadShipped(options.dataDir);
    } catch (const ParseError& e) {
        err << "qvmakedb: " << e.what() << "\n";
        return 1;
    }

    // Refuse before anything is written, so a refusal leaves the folder as it
    // was. A database being replaced stays held until its successor is in
    // place, so no program opens it half-way.
    std::vector<std::optional<fs::path>> existing;
    std::vector<std::unique_ptr<db::DatabaseLock>> holds;
    bool refused = false;
    for (const auto& d : sets) {
        existing.push_back(findExisting(options.targetDir, d.fileName));
        const auto& found = existing.back();
        if (!found) continue;
        if (!options.force) {
            err << "qvmakedb: " << found->string() << " already exists; use --force to replace it\n";
            refused = true;
            continue;
        }
        try {
            holds.push_back(db::DatabaseLock::exclusive(found->string()));
        } catch (const db::DbError& e) {
            err << "qvmakedb: " << found->string()
                << (db::isHeldElsewhere(e.number()) ? " is in use by another program; close it and try again"
                                                    : " cannot be replaced: " + describe(e))
                << "\n";
            refused = true;
        }
    }
    if (refused) return 1;

    // Each file is built under a side name first: an existing database is
    // replaced only once every new one is complete.
    std::vector<fs::path> built;
    auto discardBuilt = [&] {
        for (const auto& p : built) removeQuietly(p);
    };
    // The database layer leaves a lock file beside every file it opened;
    // the side name's own is of no use once it is renamed.
    auto dropLockFile = [](const fs::path& p) { removeQuietly(fs::path(p.string() + ".lock")); };
    for (const auto& d : sets) {
        fs::path temp = options.targetDir / (d.fileName + ".new");
        removeQuietly(temp);
        try {
            writeDatabase(temp, d);
            dropLockFile(temp);
        } catch (const ParseError& e) {
            dropLockFile(temp);
            discardBuilt();
            err << "qvmakedb: " << e.what() << "\n";
            return 1;
        } catch (const db::DbError& e) {
            dropLockFile(temp);
            discardBuilt();
            err << "qvmakedb: cannot write " << d.fileName << ": " << describe(e) << "\n";
            return 1;
        }
        built.push_back(temp);
    }
    for (size_t i = 0; i < sets.size(); ++i) {
        fs::path target = options.targetDir / sets[i].fileName;
        std::error_code ec;
        if (existing[i]) fs::remove(*existing[i], ec);
        if (!ec) fs::rename(built[i], target, ec);
        if (ec) {
            discardBuilt();
            err << "qvmakedb: cannot put " << target.string() << " in place: " << ec.message() << "\n";
            return 1;
        }
        size_t rows = 0;
        for (const auto& tr : sets[i].rows) rows += tr.rows.size();
        out << "wrote " << target.string() << ": " << sets[i].schema.tables.size() << " tables, " << rows << " rows\n";
    }
    return 0;
}

int runCommand(const std::vector<std::string>& args, const fs::path& defaultDataDir, const fs::path& targetDir,
               std::ostream& out, std::ostream& err) {
    static const char* usage =
        "usage: qvmakedb [--force] [--data DIR]\n"
        "Writes mailsort.mdb and DupWork.mdb into the current directory from the\n"
        "schema and rows text in DIR.\n"
        "  --force     replace databases that are already there\n"
        "  --data DIR  folder of the text files\n";
    MakeOptions options;
    options.dataDir = defaultDataDir;
    options.targetDir = targetDir;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--force") {
            options.force = true;
        } else if (a == "--data") {
            if (i + 1 >= args.size()) {
                err << "qvmakedb: --data needs a folder\n" << usage;
                return 2;
            }
            options.dataDir = args[++i];
        } else if (a.rfind("--data=", 0) == 0) {
            options.dataDir = a.substr(7);
        } else if (a == "--help" || a == "-h") {
            out << usage;
            return 0;
        } else {
            err << "qvmakedb: unknown argument " << a << "\n" << usage;
            return 2;
        }
    }
    std::error_code ec;
    if (!fs::is_directory(options.dataDir, ec)) {
        err << "qvmakedb: no data folder " << options.dataDir.string() << "\n";
        return 1;
    }
    return makeDatabases(options, out, err);
}

}  // namespace qv::dbbuild
