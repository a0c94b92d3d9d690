// Laser labels to PDF through the printer: rows of 3 labels across, 8 lines
// each, 7 rows a page, as the label run prints them. Reports labels a second
// and the peak resident memory.
//
//   printer_bench [rows]      (default 333334 rows: 1,000,002 labels)
#include "platform/app.h"
#include "platform/printer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace qv::platform;

namespace {
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 333334;
    constexpr int across = 3, lines = 8, rowsPerPage = 7;
    constexpr double labelWidth = 70, labelHeight = 38.1, topMarg = 17, leftMarg = 3;

    QTemporaryDir dir;
    PdfPrinter p;
    p.setPdfFolder(dir.path());
    p.setDocumentTitle("Labels");
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontName("Courier New");
    p.setFontSize(8);
    const double lineHeight = p.textHeight();
    std::printf("printing %ld rows of %d labels (%ld labels), %ld pages; memory before: %ld MB\n", rows, across,
                rows * across, (rows + rowsPerPage - 1) / rowsPerPage, peakMb());

    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    long label = 0;
    for (long row = 0; row < rows; ++row) {
        if (row > 0 && row % rowsPerPage == 0) p.newPage();
        const double top = topMarg + double(row % rowsPerPage) * labelHeight;
        for (int col = 0; col < across; ++col) {
            ++label;
            const QString n = QString::number(label);
            const QString text[lines] = {
                "Mr A Customer " + n,  n + " High Street", "Little Wickham", "Ambridge",
                "Borsetshire",         "AB12 3CD",         "Ref " + n,       "Bag 12 Bundle 345",
            };
            for (int i = 0; i < lines; ++i) {
                p.setCurrentX(leftMarg + col * labelWidth);
                p.setCurrentY(top + i * lineHeight);
                p.print(text[i]);
            }
        }
        if (row % 50000 == 0 && row > 0)
            std::printf("  %ld rows, peak %ld MB\n", row, peakMb()), std::fflush(stdout);
    }
    const auto t1 = std::chrono::steady_clock::now();
    if (!p.endDoc()) {
        std::fprintf(stderr, "endDoc failed: %s\n", qPrintable(p.lastError()));
        return 1;
    }
    const auto t2 = std::chrono::steady_clock::now();
    const double printing = std::chrono::duration<double>(t1 - t0).count();
    const double ending = std::chrono::duration<double>(t2 - t1).count();
    const double total = printing + ending;
    const double cpu = cpuSeconds() - cpu0;
    std::printf("labels: %ld  time: %.1f s (endDoc %.2f s)  labels/s: %.0f (%.0f a CPU second)  peak memory: %ld MB"
                "  PDF: %.0f MB\n",
                label, total, ending, double(label) / total, double(label) / cpu, peakMb(),
                double(QFileInfo(p.lastPdfFile()).size()) / 1048576.0);
    std::printf("goal: peak under 100 MB whatever the length, at least 20000 labels/s\n");
    std::printf("baseline (pages through Qt's PDF writer): 13833 labels/s, peak 21 MB, PDF 96 MB\n");
    return 0;
}
