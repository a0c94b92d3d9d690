#include "common/testing/scratch.h"

#include "common/dbbuild/builder.h"

#include <QDir>
#include <QString>

#include <sstream>

namespace qv::testkit {

ScratchFolder::ScratchFolder(Databases databases) : TempFolder(Current::Enter) {
    if (databases == Databases::Fresh) {
        std::ostringstream out, err;
        EXPECT_EQ(dbbuild::makeDatabases({QV_DATA_DIR, dir(), false}, out, err), 0) << err.str();
    }
}

std::unique_ptr<db::Database> ScratchFolder::open(db::OpenMode mode) const {
    return db::Database::open("mailsort.mdb", mode);  // the current folder
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
