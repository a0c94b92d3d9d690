// The layout wizard on a large record: a file of fixed-column records run
// together with no line end, so the whole file is one record. Measures the
// opening of the wizard (read, records box, proposal, first paint) and the
// record buttons, each with its peak memory, beside the baseline: one plain
// read of the file by the line reader. Each measurement runs in a process of
// its own, so each peak is its own.
//
//   wizard_bench [megabytes]   (default 20)
#include "console/layouts/layoutwizardwindow.h"

#include "common/text/lines.h"
#include "platform/app.h"

#include <QApplication>
#include <QPixmap>
#include <QRadioButton>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long peakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

long residentMb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
    return -1;
}

// Records of five parts apart by runs of blanks, one after the other.
void writeOneLineFile(const fs::path& file, long megabytes) {
    const std::string record = "Mr A Jones     1 High St      Leeds       LS1 4AB     R1    ";
    std::ofstream out(file, std::ios::binary);
    const long bytes = megabytes * 1024 * 1024;
    for (long written = 0; written < bytes; written += long(record.size())) out << record;
}

int baseline(const char* file) {
    const auto t0 = std::chrono::steady_clock::now();
    qv::LineReader in{fs::path(file)};
    std::string line;
    std::size_t bytes = 0;
    while (in.readLine(line)) bytes += line.size();
    std::printf("baseline, one read by the line reader: %.3f s, %zu bytes, peak %ld MB\n", seconds(t0), bytes,
                peakMb());
    return 0;
}

// Lets the window lay out and paint what it shows.
void settle(QWidget* w) {
    QApplication::processEvents();
    (void)w->grab();
    QApplication::processEvents();
}

int wizard(int argc, char** argv, const char* file) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qv::platform::initPlatform(QStringLiteral("Quorvel"));
    const long before = residentMb();

    auto t0 = std::chrono::steady_clock::now();
    auto* w = qv::console::LayoutWizardWindow::open(QString::fromLocal8Bit(file));
    if (!w) {
        std::fprintf(stderr, "the wizard did not open\n");
        return 1;
    }
    settle(w);
    std::printf("wizard opened: %.3f s, peak %ld MB (%ld MB before it)\n", seconds(t0), peakMb(), before);

    // Record 2 lies beyond the end of the file: the sample stays and is
    // proposed again, as a click on any other record button does.
    for (int n : {2, 1}) {
        auto* button = w->findChild<QRadioButton*>(QStringLiteral("optRec%1").arg(n));
        t0 = std::chrono::steady_clock::now();
        button->click();
        settle(w);
        std::printf("record button %d: %.3f s, peak %ld MB\n", n, seconds(t0), peakMb());
    }
    w->close();
    return 0;
}

int runChild(const char* self, const char* mode, const char* file) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(self, self, mode, file, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--baseline") == 0) return baseline(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--wizard") == 0) return wizard(argc, argv, argv[2]);

    const long megabytes = argc > 1 ? std::atol(argv[1]) : 20;
    const fs::path dir = fs::temp_directory_path() / ("wizard_bench." + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "oneline.txt";
    writeOneLineFile(file, megabytes);
    std::printf("a file of %ld MB with no line end: %s\n", megabytes, file.c_str());

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    int rc = runChild(self.c_str(), "--baseline", file.c_str());
    if (rc == 0) rc = runChild(self.c_str(), "--wizard", file.c_str());
    fs::remove_all(dir);
    return rc;
}
