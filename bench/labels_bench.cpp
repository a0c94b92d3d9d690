// A label run of about a million labels through the label program's entry
// point, on the laser printer to PDF and on the dot-matrix printer to LPT1
// (a plain file): labels a second and peak memory of each, each run in a
// process of its own. Beside them the baseline: reading the same job in
// label order without printing.
//
//   labels_bench [labels] [folder]   (default 1000000, a new folder in the temp directory)
#include "common/db/database.h"
#include "common/dbbuild/builder.h"
#include "common/jobtables.h"
#include "common/parm/parmrecord.h"
#include "labels/writers.h"
#include "platform/app.h"
#include "platform/printer.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>
#include <string>

using namespace qv;
namespace fs = std::filesystem;
namespace key = parm::key;

namespace {

constexpr int SelectionSize = 250;
constexpr double Weight = 60, BagMax = 10000, BundleMax = 50;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A figure of /proc/self/status, in MB; -1 when it is not there.
long statusMb(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size()) / 1024;
    return -1;
}

// This process's own peak resident memory. getrusage's peak would not do: a
// process started by fork and exec keeps, as its floor, the parent's
// resident size at the fork (here the job just made), while VmHWM belongs to
// the program's own address space.
long peakMb() { return statusMb("VmHWM:"); }

// Resident memory that is not a mapped file (the database's pages are).
long anonMb() { return statusMb("RssAnon:"); }

// Selections of 250 addresses, direct and residue in turn, then a Letter
// Post tail; bags numbered as the sortation numbers them. Returns the labels.
// The job keys both printers' runs share, set before the job is "sorted" by them.
void setJobKeys(db::Database& db) {
    parm::ParmRecord p(db);
    p.edit();
    const std::pair<const char*, const char*> common[] = {
        {key::AddressLab, "Y"}, {key::BagLab, "Y"},   {key::BundleLab, "Y"},   {key::Weight, "60"},
        {key::BagMax, "10000"}, {key::BundleMax, "50"}, {key::Mailsort, "Y"}, {key::BagNum2, "Y"},
        {key::Ref, "Y"},        {key::ItemCnt, "Y"},  {key::ItemCnt2, "Y"},    {key::ExtraText, "Benchmark"}};
    for (const auto& [k, v] : common) p.set(k, v);
    p.update();
}

long makeJob(db::Database& db, long targetLabels, long& addresses) {
    setJobKeys(db);
    jobtables::dropIfThere(db, jobtables::Mmwork);
    db.createTable(jobtables::mmworkDef());
    jobtables::makeSort(db, jobtables::sortKeyValues(parm::ParmRecord(db)));
    auto w = db.openTable(jobtables::Mmwork);
    auto b = db.openTable(jobtables::Bags);
    auto lab = db.openTable("label");
    const long perBag = long(BagMax / Weight);
    long labels = 0, bag = 1, bundle = 0, n = 0;
    for (int s = 0; labels < targetLabels; ++s) {
        const bool residue = s % 2 == 1;
        const std::string code = residue ? std::to_string(100 + s % 800) : std::to_string(10000 + s);
        const double seq = residue ? (100 + s % 800) * 1000.0 + s * 1e6 : 10000 + s + s * 1e6;
        long items = std::min<long>(SelectionSize, std::max<long>(1, targetLabels - labels - 3));
        long bags = (items + perBag - 1) / perBag, bundles = 0;
        if (residue)
            for (long left = items; left > 0; left -= perBag)
                bundles += (std::min(left, perBag) + long(BundleMax) - 1) / long(BundleMax);
        b->addNew();
        b->set(jobtables::bagfield::BagNumber, double(bag));
        b->set(jobtables::bagfield::LabelStart, double(labels));
        b->set(jobtables::bagfield::LabelNumber, double(labels + items + bags + bundles));
        b->set(jobtables::bagfield::BundleNumber, double(bundle + 1));
        b->set(jobtables::bagfield::Seq, seq);
        b->update();
        if (!residue || s < 800) {  // residue codes come round again
            lab->addNew();
            lab->set("mdselc", code);
            lab->set("mdlab", "SELECTION " + code + " OF THE BENCHMARK JOB, ITS TOWNS");
            lab->update();
        }
        for (long i = 0; i < items; ++i, ++n) {
            const std::string id = std::to_string(n + 1);
            w->addNew();
            w->set("name", "Mr A Customer " + id);
            w->set("address1", id + " High Street");
            w->set("address2", "Little Wickham");
            w->set("town", "AMBRIDGE");
            w->set("county", "Borsetshire");
            w->set("postcode", "AB12 3CD");
            w->set("ref", "R" + id);
            w->set("mscode", code);
            w->set("rscode", residue ? code : "");
            w->set("sflag", residue ? "Y" : "N");
            w->set("rgcode", 5);
            w->set("seq", seq);
            w->update();
        }
        labels += items + bags + bundles;
        bag += bags;
        bundle += bundles;
    }
    addresses = n;
    db.commit();
    return labels;
}

void setKeys(bool laser) {
    auto db = db::Database::open("mailsort.mdb");
    parm::ParmRecord p(*db);
    p.edit();
    // The first laser preset, and the 24-label dot-matrix preset.
    const std::pair<const char*, const char*> laserKeys[] = {
        {key::Printer, "L"}, {key::LabelHeight, "38.1"}, {key::LabelWidth, "63.5"}, {key::VertGap, "0"},
        {key::HorGap, "2.5"}, {key::TopMarg, "19"},      {key::LeftMarg, "8"},     {key::AddOffset, "2"},
        {key::LabAcross, "3"}, {key::LabelsPage, "7"}};
    const std::pair<const char*, const char*> dotKeys[] = {
        {key::Printer, "E"}, {key::LabelHeight, "9"}, {key::LabelWidth, "32"}, {key::VertGap, "8"},
        {key::HorGap, "5"},  {key::TopMarg, "0"},     {key::LeftMarg, "0"},    {key::AddOffset, "1"},
        {key::LabAcross, "3"}};
    using Keys = std::span<const std::pair<const char*, const char*>>;
    for (const auto& [k, v] : laser ? Keys(laserKeys) : Keys(dotKeys)) p.set(k, v);
    p.set(key::FontSize, 8);
    p.update();
}

// The baseline: the job read in label order, the fields a label shows, nothing printed.
int readOnly() {
    auto db = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
    auto w = db->openTable(jobtables::Mmwork);
    w->setIndex("Key2");
    const auto t0 = std::chrono::steady_clock::now();
    std::size_t chars = 0;
    long n = 0;
    const char* fields[] = {"name", "address1", "address2", "address3", "town", "county", "postcode",
                            "ref", "mscode", "rscode", "sflag", "rgcode"};
    std::vector<int> idx;
    for (const char* f : fields) idx.push_back(w->fieldIndex(f));
    for (w->moveFirst(); !w->eof(); w->moveNext(), ++n)
        for (int i : idx) chars += QString::fromStdString(w->get(i).toString()).size();
    const double t = seconds(t0);
    std::printf("%-26s %9ld records %6.1f s  %8.0f records/s  (%zu characters)\n", "baseline, reading the job:", n,
                t, double(n) / t, chars);
    std::printf("%-26s peak %4ld MB (%ld MB not file-mapped at the end)\n", "", peakMb(), anonMb());
    return 0;
}

// One run, in a process of its own (so that each peak is its own).
int runOne(bool laser, int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    platform::installFontSubstitutions();
    auto pdf = std::make_shared<platform::PdfPrinter>();
    platform::setPrinter(pdf);
    setKeys(laser);
    const long before = peakMb();
    auto db = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
    labels::RunRequest req;
    req.printType = 'A';
    req.from = 1;
    req.to = 20;
    req.fromText = "1";
    req.toText = "20";
    labels::Session session;
    labels::RunCallbacks cb;
    cb.progress = [](double) {};
    cb.stopRequested = [] { return false; };
    const auto t0 = std::chrono::steady_clock::now();
    const labels::RunResult r = labels::printLabels(*db, req, cb, session);
    const double t = seconds(t0);
    if (r.status != labels::RunResult::Status::Completed) {
        std::fprintf(stderr, "run failed: %s\n", qPrintable(r.message));
        return 1;
    }
    const double size = laser ? double(QFileInfo(pdf->lastPdfFile()).size()) : double(fs::file_size("LPT1"));
    std::printf("%-26s %9.0f labels  %6.1f s  %8.0f labels/s  peak %4ld MB (%ld MB before the run, %ld MB not "
                "file-mapped at the end)  output %.0f MB\n",
                laser ? "laser to PDF:" : "dot matrix to LPT1:", r.labelNumber, t, r.labelNumber / t, peakMb(), before,
                anonMb(), size / 1048576.0);
    return 0;
}

void runChild(const char* self, const char* mode) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(self, self, "--run", mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::printf("  (the run failed)\n");
}

}  // namespace

int main(int argc, char** argv) {
    // A run in the current folder, started by the benchmark itself.
    if (argc == 3 && std::string(argv[1]) == "--run")
        return std::string(argv[2]) == "read" ? readOnly() : runOne(std::string(argv[2]) == "laser", argc, argv);
    const long target = argc > 1 ? std::atol(argv[1]) : 1000000;
    const fs::path dir = argc > 2 ? fs::path(argv[2])
                                  : fs::temp_directory_path() / ("qvlabels-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ostringstream out, err;
    if (!fs::exists("mailsort.mdb") && dbbuild::makeDatabases({QV_DATA_DIR, dir, false}, out, err) != 0) {
        std::cerr << err.str();
        return 1;
    }
    long addresses = 0, labels = 0;
    {
        auto db = db::Database::open("mailsort.mdb", db::OpenMode::Exclusive);
        const auto t0 = std::chrono::steady_clock::now();
        labels = makeJob(*db, target, addresses);
        std::printf("job: %ld addresses, %ld labels in %ld selections (made in %.1f s) in %s\n", addresses, labels,
                    (addresses + SelectionSize - 1) / SelectionSize, seconds(t0), dir.c_str());
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    runChild(self.c_str(), "read");
    runChild(self.c_str(), "laser");
    runChild(self.c_str(), "dot");
    std::printf("goal: at least 20000 labels/s to PDF, 200000 to LPT1, peak under 150 MB\n");
    if (argc <= 2) fs::remove_all(dir);
    return 0;
}
