#include "mergeexport/mergewindows.h"
#include "common/progress/progresswindow.h"
#include "common/testing/scratch.h"
#include "mergefixture.h"
#include "platform/platform.h"
#include "platform/testing/test_services.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace qv::mergeexport;
using namespace qv::platform;
using qv::platform::testing::scriptedMessages;
namespace fs = std::filesystem;

namespace {

class MergeForms : public fixture::JobFolder {
protected:
    // Shows frmMerge, clicks OK and waits for the export to end.
    void runExport(MergeWindow& form) {
        form.show();
        QSignalSpy done(&form, &MergeWindow::exportFinished);
        QTest::mouseClick(child<QPushButton>(&form, "cmdOK"), Qt::LeftButton);
        ASSERT_TRUE(done.wait(5000));
    }
};

}  // namespace

TEST_F(MergeForms, CaptionsAsWritten) {
    MergeWindow form;
    EXPECT_EQ(form.windowTitle(), "Create Dovodedod File");
    EXPECT_EQ(child<QLabel>(&form, "Label1")->text(),
              "This option will produce a file in mailsort sequence, suitable for shoravele.");
    EXPECT_FALSE(child<QLabel>(&form, "Label2")->text().isEmpty());
    EXPECT_EQ(child<QPushButton>(&form, "cmdOK")->text(), "OK");
    EXPECT_EQ(child<QPushButton>(&form, "cmdCancel")->text(), "Cancel");
}

TEST_F(MergeForms, AnExportShowsItsProgressAndReturnsToTheStartForm) {
    makeJobOf(3);
    auto& messages = scriptedMessages();
    MergeWindow form;
    form.show();
    QSignalSpy done(&form, &MergeWindow::exportFinished);
    QTest::mouseClick(child<QPushButton>(&form, "cmdOK"), Qt::LeftButton);
    auto* progress = form.progressWindow();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), "Creating Dovodedod File");
    EXPECT_EQ(progress->objectName(), "frmComplete");
    QPointer<qv::progress::ProgressWindow> watch(progress);
    QString lastText;
    QObject::connect(&form, &MergeWindow::exportFinished, [&] {
        if (watch) lastText = watch->percentText();
    });
    ASSERT_TRUE(done.wait(5000));
    EXPECT_EQ(form.lastResult().status, ExportResult::Status::Done);
    EXPECT_EQ(form.lastResult().rows, 3u);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(form.progressWindow(), nullptr);
    EXPECT_EQ(lastText, "100.00 percent complete");
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MergeForms, NoJobShowsTheNotReadyMessage) {
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok, QStringLiteral("Files not ready for shoravele yet, run options 2 and 3 first."));
    MergeWindow form;
    runExport(form);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].icon, Icon::Exclamation);
    EXPECT_EQ(form.progressWindow(), nullptr);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MergeForms, AFileThatCannotBeWrittenIsNotPassedOver) {
    makeJobOf(2);
    fs::create_directory("DOVODEDOD.DAT");
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok);
    MergeWindow form;
    runExport(form);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_TRUE(messages.messages()[0].text.startsWith("The file DOVODEDOD.DAT could not be written: "));
}

TEST_F(MergeForms, ADatabaseHeldByAnotherProgramGivesTheSuitesMessage) {
    makeJobOf(2);
    qv::testkit::DatabaseHolder other(qv::db::OpenMode::Exclusive, dir_);
    ASSERT_TRUE(other.holding());
    auto& messages = scriptedMessages();
    messages.answer(Answer::Ok);
    MergeWindow form;
    runExport(form);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text,
              "Another option is currently running, wait until it has finished then try again.");
    EXPECT_EQ(form.lastResult().status, ExportResult::Status::Failed);
    EXPECT_EQ(form.progressWindow(), nullptr);
    EXPECT_TRUE(form.isVisible());
}
