// Imports and codes a generated customer's file of a million addresses, in
// fixed columns and as quoted CSV, as kavrin does, over the synthetic
// national Post Office data; prints the rate beside merely reading and
// splitting the same file, and reading, splitting and coding it without
// storing a row. Both forms start from the same database file (a copy of
// the one the reference load left), and the import is set beside a baseline:
// the same coded rows stored with raw SQLite prepared statements in one
// transaction, the table and both indexes, with the layer's connection
// settings. Whatever codes prints the coding report as a real import does,
// as a PDF in the benchmark's folder.
//
//   coding_bench [addresses] [folder]   (default 1000000, a new folder in the temp directory)

#include "bench/customers.h"
#include "bench/rawsqlite.h"
#include "coding/codingjob.h"
#include "coding/fixedcols.h"
#include "coding/importwindow.h"
#include "coding/importer.h"
#include "coding/report.h"
#include "coding/splitters.h"
#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "common/parm/parmrecord.h"
#include "common/text/chars.h"
#include "common/text/lines.h"
#include "platform/platform.h"
#include "platform/printer.h"
#include "refimport/pogen.h"
#include "refimport/refload.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>
#include <array>

using namespace qv;
using namespace qv::coding;
using qv::bench::Customers;
using qv::bench::writeCustomers;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }


// name 1-30, address1 31-60, address2 61-90, town 91-110, county 111-140,
// postcode 141-148, ref 149-158.
const std::map<int, std::pair<int, int>> kFixedParts = {{Name1, {1, 30}},    {Address11, {31, 30}},
                                                        {Address21, {61, 30}}, {Town, {91, 20}},
                                                        {County, {111, 30}}, {Postcode1, {141, 8}},
                                                        {Ref, {149, 10}}};
const std::map<int, std::pair<int, int>> kCsvParts = {{Name1, {1, 1}}, {Address11, {2, 2}}, {Address21, {3, 3}},
                                                      {Town, {4, 4}},  {County, {5, 5}},    {Postcode1, {6, 6}},
                                                      {Ref, {7, 7}}};

LayoutRow layoutRow(const std::string& type, const std::map<int, std::pair<int, int>>& parts) {
    LayoutRow r;
    r.type = type;
    r.skipFirst = "N";
    for (int p = 0; p < PartCount; ++p) {
        auto it = parts.find(p);
        r.from[std::size_t(p)] = it == parts.end() ? 0 : it->second.first;
        r.length[std::size_t(p)] = it == parts.end() ? 0 : it->second.second;
    }
    return r;
}

// The printer a real import prints its report on when there is no printer:
// a PDF, here in the benchmark's folder.
std::shared_ptr<platform::PdfPrinter> reportPrinter() {
    auto p = std::make_shared<platform::PdfPrinter>();
    p->setPdfFolder(QDir::currentPath());
    return p;
}

// Reading and splitting alone; with `code`, also the coding of every record
// and its report.
double readAndSplit(const fs::path& file, const LayoutRow& layout, bool code, Counters& counters) {
    auto start = Clock::now();
    std::unique_ptr<db::Database> db;
    std::unique_ptr<ReferenceLookup> ref;
    const auto printer = reportPrinter();
    CodingReport report(*printer);
    if (code) {
        db = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
        ref = std::make_unique<ReferenceLookup>(*db);
        report.begin();
    }
    const bool fixed = layout.type.toString() == "A";
    const FixedLayout columns = fixed ? fixedLayout(layout) : FixedLayout{};
    const FieldNumbers numbers = fixed ? FieldNumbers{} : fieldNumbers(layout);
    LineReader in(file);
    std::string line;
    AddressFields a;
    std::size_t sum = 0;
    while (in.readLine(line)) {
        counters.processed += 1;
        if (fixed) cutFixed(line, columns, a);
        else rmvquotes(line, numbers, a);
        sum += a.name.size() + a.postcode.size();
        if (code) resreg(a, *ref, report, counters);
    }
    if (code) report.summary(counters);
    if (sum == 0) std::puts("");
    return secondsSince(start);
}

// The whole import as the program runs it: the exclusive open, mmwork
// re-created, every record read, split, coded and stored, the report (a
// PDF), and the close that makes the rows and their indexes durable.
struct ImportTimes {
    double total = 0, records = 0, close = 0;
    double reportMb = 0;  // the coding report's PDF
};

ImportTimes importAndCode(const fs::path& file, const std::string& type,
                          const std::map<int, std::pair<int, int>>& parts, Counters& counters, std::uint64_t& rows) {
    {
        auto db = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
        auto data = db->openTable("data");
        data->moveFirst();
        data->edit();
        data->set("file", file.string());
        data->set("type", type);
        data->set("SkipFirst", "N");
        for (int p = 0; p < PartCount; ++p) {
            auto it = parts.find(p);
            data->set(qv::layout::fromField(p), it == parts.end() ? 0 : it->second.first);
            data->set(qv::layout::lengthField(p), it == parts.end() ? 0 : it->second.second);
        }
        data->update();
        parm::ParmRecord parm(*db);
        parm.edit();
        parm.set(parm::key::MailFile, file.string());
        parm.update();
    }
    ImportTimes t;
    auto start = Clock::now();
    const auto printer = reportPrinter();
    CodingReport report(*printer);
    {
        auto db = db::Database::open("Mailsort.mdb ", db::OpenMode::Exclusive);
        auto phase = Clock::now();
        std::uint64_t statuses = 0;
        JobOptions options;
        options.status = [&](const std::string&) { ++statuses; };
        const JobResult r = runCodingJob(*db, report, counters, options);
        if (r.outcome != JobOutcome::Done) throw std::runtime_error("the import did not finish");
        t.records = secondsSince(phase);
        phase = Clock::now();
        db->close();
        t.close = secondsSince(phase);
    }
    t.total = secondsSince(start);
    if (printer->lastPdfFile().isEmpty()) throw std::runtime_error("the import printed no coding report");
    t.reportMb = double(QFileInfo(printer->lastPdfFile()).size()) / 1048576.0;
    auto db = db::Database::open("mailsort.mdb");
    rows = std::uint64_t(db->openTable("mmwork")->recordCount());
    return t;
}

// The same through the program's window, offscreen, on the layout row that
// importAndCode left: the status text and the yield every 10 records included.
double throughWindow() {
    platform::setPrinter(reportPrinter());
    ImportWindow form;
    if (!form.Form_Load()) throw std::runtime_error("the window refused to start");
    form.show();
    auto start = Clock::now();
    form.cmdImport_Click();
    const double t = secondsSince(start);
    form.close();
    return t;
}

// The rows an import stored, as their texts and numbers.
struct StoredRow {
    std::array<std::string, 14> text;  // every field but seq; Null as an empty text
    std::array<bool, 14> null{};
    double seq = 0;
};

std::vector<StoredRow> storedRows() {
    auto db = db::Database::open("mailsort.mdb");
    auto rs = db->openTable("mmwork");
    std::vector<StoredRow> rows;
    rows.reserve(std::size_t(rs->recordCount()));
    const int seq = rs->fieldIndex("seq");
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        StoredRow r;
        for (int i = 0, k = 0; i < rs->fieldCount(); ++i) {
            if (i == seq) continue;
            const db::Value v = rs->get(i);
            r.null[std::size_t(k)] = v.isNull();
            r.text[std::size_t(k++)] = v.isNull() ? std::string() : v.toString();
        }
        r.seq = rs->get(seq).toDouble();
        rows.push_back(std::move(r));
    }
    return rows;
}

// The baseline: the same rows stored with raw SQLite on a connection set up
// as the layer's, the indexes built after the load.
double rawStore(const std::vector<StoredRow>& rows) {
    for (const char* f : {"raw-baseline.mdb", "raw-baseline.mdb-wal", "raw-baseline.mdb-shm"}) fs::remove(f);
    auto start = Clock::now();
    sqlite3* h = bench::openLikeTheLayer("raw-baseline.mdb", true);
    sqlite3_exec(h,
                 "CREATE TABLE mmwork (name TEXT, address1 TEXT, address2 TEXT, address3 TEXT, address4 TEXT,"
                 " town TEXT, county TEXT, postcode TEXT, ref TEXT, mscode TEXT, rscode TEXT, rgcode INTEGER,"
                 " sflag TEXT, pcflag TEXT, seq DOUBLE); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO mmwork VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr);
    for (const StoredRow& r : rows) {
        for (int k = 0; k < 14; ++k) {
            if (r.null[std::size_t(k)]) sqlite3_bind_null(ins, k + 1);
            else if (k == 11) sqlite3_bind_int64(ins, k + 1, std::atoll(r.text[11].c_str()));
            else sqlite3_bind_text(ins, k + 1, r.text[std::size_t(k)].data(), int(r.text[std::size_t(k)].size()),
                                   SQLITE_STATIC);
        }
        sqlite3_bind_double(ins, 15, r.seq);
        if (sqlite3_step(ins) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(h));
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    if (sqlite3_exec(h, "CREATE INDEX k1 ON mmwork(mscode COLLATE NOCASE); CREATE INDEX k2 ON mmwork(seq); COMMIT",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(h));
    sqlite3_close(h);
    const double t = secondsSince(start);
    for (const char* f : {"raw-baseline.mdb", "raw-baseline.mdb-wal", "raw-baseline.mdb-shm"}) fs::remove(f);
    return t;
}

// Every form starts from the database the reference load left.
void freshDatabase() {
    fs::copy_file("mailsort.start", "mailsort.mdb", fs::copy_options::overwrite_existing);
}

void line(const char* what, double fixedSec, double csvSec, std::uint64_t n) {
    std::printf("%-40s %8.2f s %10.0f/s   %8.2f s %10.0f/s\n", what, fixedSec, double(n) / fixedSec, csvSec,
                double(n) / csvSec);
}

void detail(const char* what, double fixedSec, double csvSec) {
    std::printf("%-40s %8.2f s %22.2f s\n", what, fixedSec, csvSec);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::uint64_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const fs::path folder = argc > 2 ? fs::path(argv[2])
                                     : fs::temp_directory_path() / ("coding-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
    try {
        std::ostringstream out, err;
        if (dbbuild::makeDatabases({QV_DATA_DIR, folder, true}, out, err) != 0) {
            std::cerr << err.str();
            return 1;
        }
        auto t = Clock::now();
        const pogen::PoData po = pogen::generate({.seed = 7, .sectors = pogen::kNationalSectors});
        pogen::writeFiles(po, pogen::Form::Fixed, folder / "podata");
        {
            auto db = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
            refimport::loadReferenceData(*db, refimport::FileForm::Fixed, folder / "podata");
            if (db->hasTable("mmwork")) db->dropTable("mmwork");
        }
        // Compacted, so that no form starts on pages another freed.
        fs::remove("mailsort.start");
        db::Database::compact("mailsort.mdb", "mailsort.start");
        std::printf("reference data: %zu sectors, %zu places loaded in %.2f s\n", po.sectors.size(),
                    po.places.size(), secondsSince(t));

        t = Clock::now();
        const Customers gen(po);
        const fs::path fixed = folder / "customers.dat", csv = folder / "customers.csv";
        writeCustomers(gen, n, fixed, csv);
        std::printf("customer files: %llu addresses, %.0f MB fixed, %.0f MB csv, written in %.2f s\n",
                    static_cast<unsigned long long>(n), double(fs::file_size(fixed)) / 1e6,
                    double(fs::file_size(csv)) / 1e6, secondsSince(t));
        std::printf("folder: %s\n\n", folder.string().c_str());

        const LayoutRow fixedLayoutRow = layoutRow("A", kFixedParts), csvLayoutRow = layoutRow("C", kCsvParts);
        struct Form {
            const char* name;
            fs::path file;
            std::string type;
            const std::map<int, std::pair<int, int>>* parts;
            const LayoutRow* layout;
            double split = 0, code = 0, window = 0, raw = 0;
            ImportTimes first, again;
            Counters counters;
            std::uint64_t rows = 0;
        };
        Form forms[] = {{"fixed", fixed, "A", &kFixedParts, &fixedLayoutRow},
                        {"csv", csv, "C", &kCsvParts, &csvLayoutRow}};
        for (Form& f : forms) {
            Counters c1, c2, c3;
            freshDatabase();  // the first job: no mmwork yet
            f.split = readAndSplit(f.file, *f.layout, false, c1);
            f.code = readAndSplit(f.file, *f.layout, true, c2);
            f.first = importAndCode(f.file, f.type, *f.parts, c3, f.rows);
            f.raw = rawStore(storedRows());
            f.again = importAndCode(f.file, f.type, *f.parts, f.counters, f.rows);
            f.window = throughWindow();
        }
        const Form &x = forms[0], &y = forms[1];
        std::printf("%-40s %21s   %21s\n", "", "fixed columns", "quoted CSV");
        line("read and split", x.split, y.split, n);
        line("read, split and code (nothing stored)", x.code, y.code, n);
        line("import and code, the first job", x.first.total, y.first.total, n);
        detail("  of which the job", x.first.records, y.first.records);
        detail("  of which the closing commit", x.first.close, y.first.close);
        line("import and code, replacing a job", x.again.total, y.again.total, n);
        detail("  of which the job", x.again.records, y.again.records);
        detail("  of which the closing commit", x.again.close, y.again.close);
        line("the same through the window, offscreen", x.window, y.window, n);
        line("raw SQLite store of the same rows", x.raw, y.raw, n);
        std::printf("%-40s %8.2fx %24.2fx\n", "first job / raw SQLite store", x.first.total / x.raw,
                    y.first.total / y.raw);
        std::printf("%-40s %8.2fx %24.2fx\n", "first job / read and split", x.first.total / x.split,
                    y.first.total / y.split);
        for (const Form& f : forms)
            std::printf("\n%-5s rows stored %llu; processed %.0f, postcoded %.0f, fully postcoded %.0f, matched on "
                        "address %.0f, in error %.0f; coding report %.1f MB of PDF",
                        f.name, static_cast<unsigned long long>(f.rows), f.counters.processed, f.counters.postcoded,
                        f.counters.fullyPostcoded, f.counters.matched, f.counters.inError, f.again.reportMb);
        std::printf("\n");
    } catch (const std::exception& e) {
        std::cerr << "coding_bench: " << e.what() << "\n";
        return 1;
    } catch (const ReaderFailure& e) {
        std::cerr << "coding_bench: import failed: " << e.number << " " << e.description << e.path << "\n";
        return 1;
    }
    if (argc <= 2) {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(folder);
    }
    return 0;
}
