// Sorts a coded job of a million addresses as zolbern does (the allocation
// pass, the line report to a PDF file, bags and the three Post Office files)
// and prints the time beside one plain read of mmwork in Key2 order: through
// the database layer, and in raw SQLite with the layer's connection settings,
// the baseline each sortation's "/ raw" ratio divides by.
//
//   sortation_bench [addresses] [folder]   (default 1000000, a new folder in the temp directory;
//                                           a folder given again reuses the job made there)
//
// The job is made as kavrin makes it: a generated customer's file over the
// synthetic national Post Office set, imported and coded into mmwork.

#include "bench/customers.h"
#include "bench/nullprinter.h"
#include "bench/rawsqlite.h"
#include "coding/codingjob.h"
#include "coding/report.h"
#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "platform/printer.h"
#include "refimport/pogen.h"
#include "refimport/refload.h"
#include "sortation/sortrun.h"

#include <sqlite3.h>
#include <unistd.h>

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

using namespace qv;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void codedJob(const fs::path& folder, std::uint64_t n) {
    auto t = Clock::now();
    const pogen::PoData po = pogen::generate({.seed = 7, .sectors = pogen::kNationalSectors});
    pogen::writeFiles(po, pogen::Form::Fixed, folder / "podata");
    {
        auto db = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
        refimport::loadReferenceData(*db, refimport::FileForm::Fixed, folder / "podata");
    }
    const fs::path csv = folder / "customers.csv";
    bench::writeCustomers(bench::Customers(po), n, {}, csv);
    {
        auto db = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
        auto data = db->openTable("data");
        data->moveFirst();
        data->edit();
        data->set("file", csv.string());
        data->set("type", "C");
        data->set("SkipFirst", "N");
        const std::map<int, int> fields = {{coding::Name1, 1}, {coding::Address11, 2}, {coding::Address21, 3},
                                           {coding::Town, 4},  {coding::County, 5},    {coding::Postcode1, 6},
                                           {coding::Ref, 7}};
        for (int p = 0; p < coding::PartCount; ++p) {
            auto it = fields.find(p);
            const int v = it == fields.end() ? 0 : it->second;
            data->set(layout::fromField(p), v);
            data->set(layout::lengthField(p), v);
        }
        data->update();
        parm::ParmRecord parm(*db);
        parm.edit();
        parm.set(parm::key::MailFile, csv.string());
        parm.update();
        bench::NullPrinter printer;
        coding::CodingReport report(printer);
        coding::Counters counters;
        const coding::JobResult r = coding::runCodingJob(*db, report, counters);
        if (r.outcome != coding::JobOutcome::Done) throw std::runtime_error("the coding job did not finish");
    }
    std::printf("coded job: %llu addresses over %zu sectors, made in %.2f s\n", static_cast<unsigned long long>(n),
                po.sectors.size(), secondsSince(t));
}

void setJob(const std::map<std::string, db::Value>& keys) {
    auto db = db::Database::open("mailsort.mdb");
    parm::ParmRecord p(*db);
    p.edit();
    for (const auto& [k, v] : keys) p.set(k, v);
    p.update();
}

// One walk of mmwork in Key2 order reading every field, through the layer.
double plainRead(std::uint64_t& rows) {
    auto t = Clock::now();
    auto db = db::Database::open("mailsort.mdb");
    auto rs = db->openTable(jobtables::Mmwork);
    rs->setIndex("Key2");
    const int fields = rs->fieldCount();
    std::size_t sum = 0;
    rows = 0;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        for (int f = 0; f < fields; ++f) sum += rs->get(f).toString().size();
        ++rows;
    }
    if (sum == 0) std::puts("");
    return secondsSince(t);
}

// The same walk in raw SQLite on a connection set up as the layer's: the
// baseline the sortation is measured against.
double rawRead() {
    auto t = Clock::now();
    sqlite3* h = bench::openLikeTheLayer("mailsort.mdb");
    sqlite3_stmt* st = nullptr;
    bench::checkSqlite(sqlite3_prepare_v2(h, "SELECT * FROM mmwork ORDER BY seq", -1, &st, nullptr), h);
    std::size_t sum = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        for (int f = 0; f < sqlite3_column_count(st); ++f) sum += std::size_t(sqlite3_column_bytes(st, f));
    bench::checkSqlite(rc, h);
    sqlite3_finalize(st);
    sqlite3_close(h);
    if (sum == 0) std::puts("");
    return secondsSince(t);
}

struct SortTimes {
    double total = 0, pass = 0, report = 0;
    sortation::RunResult result;
    QString pdf;
};

SortTimes sortJob(const fs::path& folder) {
    SortTimes t;
    platform::PdfPrinter printer;
    printer.setPdfFolder(QString::fromStdString(folder.string()));
    auto start = Clock::now();
    Clock::time_point reportStart;
    {
        auto db = db::Database::open("mailsort.mdb");
        sortation::RunHooks hooks;
        hooks.reportStarting = [&] { reportStart = Clock::now(); };
        t.result = sortation::runSortation(*db, printer, hooks);
        db->close();
    }
    t.total = secondsSince(start);
    t.pass = std::chrono::duration<double>(reportStart - start).count();
    t.report = t.total - t.pass;
    t.pdf = printer.lastPdfFile();
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::uint64_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const fs::path folder = argc > 2 ? fs::path(argv[2])
                                     : fs::temp_directory_path() / ("sortation-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
    try {
        std::ostringstream out, err;
        if (!fs::exists("coded.mdb") && dbbuild::makeDatabases({QV_DATA_DIR, folder, true}, out, err) != 0) {
            std::cerr << err.str();
            return 1;
        }
        // A folder given again keeps its coded job: only the sortation is timed anew.
        if (!fs::exists("coded.mdb")) {
            codedJob(folder, n);
            fs::copy_file("mailsort.mdb", "coded.mdb", fs::copy_options::overwrite_existing);
        }

        struct Job {
            const char* name;
            std::map<std::string, db::Value> keys;
        };
        const std::map<std::string, db::Value> common = {
            {"Mailsort120", "N"}, {"Format", "LE"}, {"Weight", "50"}, {"BagMax", "10000"}, {"BundleMax", "50"},
            {"ResOnly", "N"},     {"Printer", "L"}, {"BagLab", "Y"},  {"BundleLab", "Y"}, {"JobRef", "BENCH"}};
        Job jobs[] = {
            {"Mailsort 1, minimum 25", {{"Service", "M1"}, {"Selection", "25"}, {"Geog", "N"}}},
            {"Mailsort 1, minimum 25, geographic", {{"Service", "M1"}, {"Selection", "25"}, {"Geog", "Y"}}},
            {"Mailsort 2 120 (all to residue)", {{"Service", "M2"}, {"Mailsort120", "Y"}, {"Selection", "1"}, {"Geog", "N"}}},
        };
        std::uint64_t rows = 0;
        const double plain = plainRead(rows);
        const double raw = rawRead();
        std::printf("\nplain read of mmwork in Key2 order (%llu rows): %.2f s through the database layer, %.2f s raw "
                    "SQLite with the layer's settings (the layer %.2fx raw)\n\n",
                    static_cast<unsigned long long>(rows), plain, raw, plain / raw);
        std::printf("%-38s %8s %8s %8s %8s   %s\n", "sortation", "total", "pass", "report", "/ raw", "selections");
        for (Job& j : jobs) {
            fs::copy_file("coded.mdb", "mailsort.mdb", fs::copy_options::overwrite_existing);
            auto keys = common;
            for (const auto& [k, v] : j.keys) keys[k] = v;
            // The centre of a geographic job: the first address's postcode.
            if (keys["Geog"].toString() == "Y") keys["Postcode"] = "";
            setJob(keys);
            if (keys["Geog"].toString() == "Y") {
                auto db = db::Database::open("mailsort.mdb");
                auto mm = db->openTable(jobtables::Mmwork);
                mm->moveFirst();
                while (!mm->eof() && mm->get("pcflag").toString() != "F") mm->moveNext();
                const std::string centre = mm->get("postcode").toString();
                mm.reset();
                db->close();
                setJob({{"Postcode", centre}});
            }
            for (const char* again : {"", "  the same again (a re-run)"}) {
                const SortTimes t = sortJob(folder);
                const auto& s = t.result.stats();
                std::printf("%-38s %7.2fs %7.2fs %7.2fs %7.2fx   %.0f direct, %.0f residue; %.0f to residue; "
                            "regorder %s\n",
                            *again ? again : j.name, t.total, t.pass, t.report, t.total / raw, s.dirsels, s.ressels,
                            t.result.pass.recoded, t.result.regorder.empty() ? "none" : "found");
            }
        }
        std::printf("\nfolder: %s\n", folder.string().c_str());
    } catch (const std::exception& e) {
        std::cerr << "sortation_bench: " << e.what() << "\n";
        return 1;
    } catch (const coding::ReaderFailure& e) {
        std::cerr << "sortation_bench: import failed: " << e.number << " " << e.description << e.path << "\n";
        return 1;
    }
    if (argc <= 2) {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(folder);
    }
    return 0;
}
