// Shared set-up of the console's tests: a fresh shipped database in a
// temporary folder that is the current folder for the test, helpers to read
// and write parmcode, and another program holding the database.
#pragma once

#include "common/db/database.h"
#include "common/testing/scratch.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <string>

namespace qv::console::testing {

namespace fs = std::filesystem;

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string parmText(const std::string& key);
    void setParm(const std::string& key, const db::Value& v);

    static void writeFile(const fs::path& p, const std::string& content);
    static std::string readFile(const fs::path& p);
    // The names in the test folder, sorted.
    QStringList folderNames() const;

    const fs::path& dir() const { return dir_; }

private:
    std::unique_ptr<testkit::ScratchFolder> scratch_;
    fs::path dir_;
};

// Shows a form and waits until it is the active window, as a user would
// meet it before typing.
::testing::AssertionResult showActive(QWidget* w);

// Waits until the form is the application's active window. (A dialog over
// the main window counts as active to QTest as soon as its parent is.)
bool waitActive(QWidget* w);

// Clicks a check box or option button on its indicator.
void clickIndicator(QWidget* w);

// Texts of the message boxes shown so far.
QStringList shownMessages();

// Another program of the suite holding mailsort.mdb in the current folder,
// for as long as the object lives.
using OtherProgram = testkit::DatabaseHolder;

}  // namespace qv::console::testing
