// Laser labels to PDF through the printer: rows of 3 labels across, 8 lines
// each, 7 rows a page, as the label run prints them. The same rows go once
// through the suite's PDF printer and once, as the baseline, through Qt's own
// PDF writer (QPdfWriter painted page by page with the same metrics). Each
// run is a child process of its own, so its peak resident memory and CPU
// time are its own; reports labels a second, peak memory and the file size.
//
//   printer_bench [rows]      (default 333334 rows: 1,000,002 labels)
#include "platform/app.h"
#include "platform/pagepainter.h"
#include "platform/printer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace qv::platform;

namespace {

long peakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Qt's PDF writer behind the printer object: A4 with 2 mm margins at 1200 dpi,
// as the suite's PDF printer lays its pages out, each page painted with
// QPainter as it is finished.
class QtPdfPrinter : public Printer {
public:
    explicit QtPdfPrinter(const QString& file) : writer_(file) {
        writer_.setResolution(1200);
        writer_.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(2, 2, 2, 2),
                                          QPageLayout::Millimeter));
        metrics_.setDevice(&writer_);
    }

protected:
    QSizeF pageSizePt() const override { return writer_.pageLayout().paintRect(QPageLayout::Point).size(); }
    double dotsPerInch() const override { return 1200; }
    double textWidthPt(const QString& line, const PrintFont& f) const override { return metrics_.textWidthPt(line, f); }
    double lineHeightPt(const PrintFont& f) const override { return metrics_.lineHeightPt(f); }
    bool beginOutput(QString*) override { return painter_.begin(&writer_); }
    bool outputPage(const std::vector<PrintedLine>& lines, QString*) override {
        if (pages_++ > 0) writer_.newPage();
        metrics_.paint(painter_, lines);
        return true;
    }
    bool endOutput(QString*) override { return painter_.end(); }
    void discardOutput() override { painter_.end(); }

private:
    QPdfWriter writer_;
    PagePainter metrics_;
    QPainter painter_;
    long pages_ = 0;
};

struct Result {
    long labels = 0;
    double total = 0, ending = 0, cpu = 0;
    double pdfMb = 0;
    bool ok = false;
};

Result printLabels(Printer& p, long rows, const QString& pdfFile) {
    constexpr int across = 3, lines = 8, rowsPerPage = 7;
    constexpr double labelWidth = 70, labelHeight = 38.1, topMarg = 17, leftMarg = 3;
    p.setDocumentTitle("Labels");
    p.setScaleMode(ScaleMode::Millimeters);
    p.setFontName("Courier New");
    p.setFontSize(8);
    const double lineHeight = p.textHeight();
    Result r;
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (long row = 0; row < rows; ++row) {
        if (row > 0 && row % rowsPerPage == 0) p.newPage();
        const double top = topMarg + double(row % rowsPerPage) * labelHeight;
        for (int col = 0; col < across; ++col) {
            ++r.labels;
            const QString n = QString::number(r.labels);
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
        if (row % 50000 == 0 && row > 0) std::printf("  %ld rows, peak %ld MB\n", row, peakMb()), std::fflush(stdout);
    }
    const auto t1 = std::chrono::steady_clock::now();
    r.ok = p.endDoc();
    if (!r.ok) std::fprintf(stderr, "endDoc failed: %s\n", qPrintable(p.lastError()));
    const auto t2 = std::chrono::steady_clock::now();
    r.ending = std::chrono::duration<double>(t2 - t1).count();
    r.total = std::chrono::duration<double>(t2 - t0).count();
    r.cpu = cpuSeconds() - cpu0;
    r.pdfMb = double(QFileInfo(pdfFile).size()) / 1048576.0;
    return r;
}

// One run in a child process; the result comes back through a pipe, the
// peak memory from the child's own resource usage.
struct ChildRun {
    Result result;
    long peakMb = 0;
};

bool runInChild(bool qtWriter, long rows, int argc, char** argv, const QString& folder, ChildRun& out) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        QGuiApplication app(argc, argv);
        installFontSubstitutions();  // "Courier New" as the suite resolves it
        Result r;
        if (qtWriter) {
            const QString file = QDir(folder).filePath("qt-writer.pdf");
            QtPdfPrinter p(file);
            r = printLabels(p, rows, file);
        } else {
            PdfPrinter p;
            p.setPdfFolder(folder);
            r = printLabels(p, rows, QString());
            r.pdfMb = double(QFileInfo(p.lastPdfFile()).size()) / 1048576.0;
        }
        const bool sent = write(fds[1], &r, sizeof r) == ssize_t(sizeof r);
        std::fflush(stdout);
        _exit(sent && r.ok ? 0 : 1);
    }
    close(fds[1]);
    const bool got = read(fds[0], &out.result, sizeof out.result) == ssize_t(sizeof out.result);
    close(fds[0]);
    int status = 0;
    rusage u{};
    if (pid < 0 || wait4(pid, &status, 0, &u) != pid) return false;
    out.peakMb = u.ru_maxrss / 1024;
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const long rows = argc > 1 ? std::atol(argv[1]) : 333334;
    constexpr int across = 3, rowsPerPage = 7;
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    std::printf("printing %ld rows of %d labels (%ld labels), %ld pages, each run in a process of its own\n", rows,
                across, rows * across, (rows + rowsPerPage - 1) / rowsPerPage);
    ChildRun ours, qt;
    std::printf("the suite's PDF printer:\n");
    if (!runInChild(false, rows, argc, argv, dir.path(), ours)) {
        std::fprintf(stderr, "the run through the suite's PDF printer failed\n");
        return 1;
    }
    std::printf("Qt's PDF writer (baseline):\n");
    if (!runInChild(true, rows, argc, argv, dir.path(), qt)) {
        std::fprintf(stderr, "the run through Qt's PDF writer failed\n");
        return 1;
    }
    const auto line = [](const char* what, const ChildRun& c) {
        const Result& r = c.result;
        std::printf("%-28s labels: %ld  time: %.1f s (endDoc %.2f s)  labels/s: %.0f (%.0f a CPU second)  peak "
                    "memory: %ld MB  PDF: %.0f MB\n",
                    what, r.labels, r.total, r.ending, double(r.labels) / r.total, double(r.labels) / r.cpu,
                    c.peakMb, r.pdfMb);
    };
    std::printf("\n");
    line("suite's PDF printer:", ours);
    line("baseline, Qt's PDF writer:", qt);
    std::printf("suite / baseline: %.1fx the labels a second\n", qt.result.total / ours.result.total);
    std::printf("goal: peak under 100 MB whatever the length, at least 20000 labels/s\n");
    return 0;
}
