#include "console_fixture.h"

#include "common/dbbuild/builder.h"
#include "common/parm/parmrecord.h"
#include "platform/drives.h"
#include "platform/launcher.h"

#include <QApplication>
#include <QDir>

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace qv::console::testing {

void ConsoleTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("qvconsole-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ostringstream out, err;
    qv::dbbuild::MakeOptions o{QV_DATA_DIR, dir_, false};
    ASSERT_EQ(qv::dbbuild::makeDatabases(o, out, err), 0) << err.str();
    previous_ = fs::current_path();
    fs::current_path(dir_);
}

void ConsoleTest::TearDown() {
    platform::resetDriveFolders();
    platform::setBeforeProgramStart({});
    fs::current_path(previous_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string ConsoleTest::parmText(const std::string& key) {
    auto db = db::Database::open("mailsort.mdb");
    parm::ParmRecord p(*db);
    return p.text(key);
}

void ConsoleTest::setParm(const std::string& key, const db::Value& v) {
    auto db = db::Database::open("mailsort.mdb");
    parm::ParmRecord p(*db);
    p.edit();
    p.set(key, v);
    p.update();
    db->close();
}

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

OtherProgram::OtherProgram(db::OpenMode mode) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(QV_DBHOLDER),
                   {QDir::currentPath(), mode == db::OpenMode::Exclusive ? "exclusive" : "shared"});
    if (!process_.waitForStarted(5000)) {
        ADD_FAILURE() << "the holding program did not start";
        return;
    }
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    const QByteArray line = process_.readLine().trimmed();
    holding_ = line == "held";
    EXPECT_TRUE(holding_) << line.toStdString();
}

OtherProgram::~OtherProgram() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) process_.kill();
}

}  // namespace qv::console::testing
