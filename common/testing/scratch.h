// Test fixtures every folder shares: a scratch folder that is the current
// folder for one test, holding fresh delivered databases, and another program
// holding the database in it.
#pragma once

#include "common/db/database.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <memory>

namespace qv::testkit {

// The running test's own folder (TempFolder), made the current folder while
// the object lives, as the programs expect to run. With Databases::Fresh it
// holds a fresh mailsort.mdb and DupWork.mdb.
class ScratchFolder : public TempFolder {
public:
    enum class Databases { Fresh, None };
    explicit ScratchFolder(Databases databases = Databases::Fresh);

    std::unique_ptr<db::Database> open(db::OpenMode mode = db::OpenMode::Shared) const;
};

// A GoogleTest fixture working in a scratch folder.
class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override { scratch_ = std::make_unique<ScratchFolder>(); }
    void TearDown() override { scratch_.reset(); }
    ScratchFolder& scratch() { return *scratch_; }
    const fs::path& dir() const { return scratch_->dir(); }

private:
    std::unique_ptr<ScratchFolder> scratch_;
};

// Another program of the suite holding mailsort.mdb of a folder (the current
// one by default) for as long as the object lives.
class DatabaseHolder {
public:
    explicit DatabaseHolder(db::OpenMode mode, const fs::path& folder = fs::current_path());
    ~DatabaseHolder();
    DatabaseHolder(const DatabaseHolder&) = delete;
    DatabaseHolder& operator=(const DatabaseHolder&) = delete;

    bool holding() const { return holding_; }
    // Lets the database go and waits until the holder has ended.
    void release();

private:
    QProcess process_;
    bool holding_ = false;
};

}  // namespace qv::testkit
