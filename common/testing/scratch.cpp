#include "common/testing/scratch.h"

#include "common/dbbuild/builder.h"

#include <unistd.h>

#include <QDir>
#include <QString>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace qv::testkit {

namespace {
std::string folderName() {
    std::string name = "qvtest-" + std::to_string(getpid());
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
        name += std::string("-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name)
        if (c == '/' || c == ' ') c = '_';
    return name;
}
}  // namespace

ScratchFolder::ScratchFolder(Databases databases) {
    dir_ = fs::temp_directory_path() / folderName();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    previous_ = fs::current_path();
    fs::current_path(dir_);
    if (databases == Databases::Fresh) {
        std::ostringstream out, err;
        EXPECT_EQ(dbbuild::makeDatabases({QV_DATA_DIR, dir_, false}, out, err), 0) << err.str();
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(dir_, ec);
}

std::unique_ptr<db::Database> ScratchFolder::open(db::OpenMode mode) const {
    return db::Database::open("mailsort.mdb", mode);  // the current folder
}

std::string ScratchFolder::writeLines(const std::string& name, const std::vector<std::string>& lines) const {
    std::string bytes;
    for (const auto& l : lines) bytes += l + "\r\n";
    return writeBytes(name, bytes);
}

std::string ScratchFolder::writeBytes(const std::string& name, const std::string& bytes) const {
    const fs::path p = dir_ / name;
    std::ofstream f(p, std::ios::binary);
    f << bytes;
    return p.string();
}

std::string ScratchFolder::readBytes(const std::string& name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> ScratchFolder::names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

DatabaseHolder::DatabaseHolder(db::OpenMode mode, const fs::path& folder) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(QV_DBHOLDER),
                   {QString::fromStdString(folder.string()),
                    mode == db::OpenMode::Exclusive ? QStringLiteral("exclusive") : QStringLiteral("shared")});
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

DatabaseHolder::~DatabaseHolder() { release(); }

void DatabaseHolder::release() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) process_.kill();
    holding_ = false;
}

}  // namespace qv::testkit
