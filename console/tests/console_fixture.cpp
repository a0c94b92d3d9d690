#include "console_fixture.h"

#include "common/testing/parmkeys.h"
#include "platform/drives.h"
#include "platform/launcher.h"

#include <QApplication>
#include <QDir>

#include <fstream>
#include <sstream>

namespace qv::console::testing {

void ConsoleTest::SetUp() {
    scratch_ = std::make_unique<testkit::ScratchFolder>();
    dir_ = scratch_->dir();
}

void ConsoleTest::TearDown() {
    platform::resetDriveFolders();
    platform::setBeforeProgramStart({});
    scratch_.reset();
}

std::string ConsoleTest::parmText(const std::string& key) { return testkit::parmKeyText(key); }

void ConsoleTest::setParm(const std::string& key, const db::Value& v) { testkit::setParmKeys({{key, v}}); }

void ConsoleTest::writeFile(const fs::path& p, const std::string& content) {
    std::ofstream f(p, std::ios::binary);
    f << content;
}

std::string ConsoleTest::readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

QStringList ConsoleTest::folderNames() const {
    QStringList names;
    for (const auto& e : fs::directory_iterator(dir_)) names << QString::fromStdString(e.path().filename().string());
    names.sort();
    return names;
}

bool waitActive(QWidget* w) {
    return QTest::qWaitFor([w] { return QApplication::activeWindow() == w->window(); }, 5000);
}

::testing::AssertionResult showActive(QWidget* w) {
    w->show();
    w->activateWindow();
    if (!waitActive(w)) return ::testing::AssertionFailure() << "window never became active";
    return ::testing::AssertionSuccess();
}

void clickIndicator(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); }

QStringList shownMessages() { return platform::testing::scriptedMessages().texts(); }

}  // namespace qv::console::testing
