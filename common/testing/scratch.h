// Test fixtures every folder shares: a scratch folder that is the current
// folder for one test, holding fresh delivered databases, and another program
// holding the database in it.
#pragma once

#include "common/db/database.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qv::testkit {

namespace fs = std::filesystem;

// A folder of its own for the running test (named after it and the process),
// made the current folder while the object lives, as the programs expect to
// run. With Databases::Fresh it holds a fresh mailsort.mdb and DupWork.mdb.
class ScratchFolder {
public:
    enum class Databases { Fresh, None };
    explicit ScratchFolder(Databases databases = Databases::Fresh);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& dir() const { return dir_; }
    fs::path path(const std::string& name) const { return dir_ / name; }

    std::unique_ptr<db::Database> open(db::OpenMode mode = db::OpenMode::Shared) const;

    // Writes lines with CRLF ends, as the customers' and the Post Office's files
    // come; returns the full path.
    std::string writeLines(const std::string& name, const std::vector<std::string>& lines) const;
    std::string writeBytes(const std::string& name, const std::string& bytes) const;
    std::string readBytes(const std::string& name) const;
    // The names in the folder, sorted.
    std::vector<std::string> names() const;

private:
    fs::path dir_;
    fs::path previous_;
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
