// GoogleTest main for form tests: an offscreen QApplication, and fresh
// scripted / recording services before every test.
#include "platform/app.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace qv::platform::testing {

namespace {
std::shared_ptr<ScriptedMessageService> g_messages;
std::shared_ptr<RecordingLauncher> g_launcher;
std::shared_ptr<RecordingPrinter> g_printer;

class FreshServices : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { installTestServices(); }
};
}  // namespace

void installTestServices() {
    g_messages = std::make_shared<ScriptedMessageService>();
    g_launcher = std::make_shared<RecordingLauncher>();
    g_printer = std::make_shared<RecordingPrinter>();
    setMessageService(g_messages);
    setLauncher(g_launcher);
    setPrinter(g_printer);
}

ScriptedMessageService& scriptedMessages() { return *g_messages; }
RecordingLauncher& recordingLauncher() { return *g_launcher; }
RecordingPrinter& recordingPrinter() { return *g_printer; }

}  // namespace qv::platform::testing

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    qv::platform::setProgramTitle(QStringLiteral("Quorvel Test"));
    qv::platform::installFontSubstitutions();
    // A box nobody scripted fails the running test instead of blocking it.
    qv::platform::setScriptFailureHandler(
        [](const QString& what) { ADD_FAILURE() << what.toStdString(); });
    ::testing::UnitTest::GetInstance()->listeners().Append(new qv::platform::testing::FreshServices);
    qv::platform::testing::installTestServices();
    return RUN_ALL_TESTS();
}
