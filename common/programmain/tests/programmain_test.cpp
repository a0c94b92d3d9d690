// The program start every main uses: an exception that reaches the event
// loop, or comes from the work before it, shows the unexpected-error message
// and ends the program with a non-zero status. Each test runs the start as a
// program does, with its own application object.
#include "common/db/database.h"
#include "common/parm/parmrecord.h"
#include "common/programmain/programmain.h"
#include "common/programstart.h"
#include "common/testing/scratch.h"
#include "platform/testing/scriptedmessages.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace qv::platform;
using qv::db::DbError;

namespace {

const QString kSuiteLead = QStringLiteral(
    "An unexpected error has occurred.  Please make a note of the following error details and contact Brackwith "
    "Mailing Services.  Error number: ");
const QString kCheckerLead = QStringLiteral(
    "An unexpected error occured.  Please report the following details to Brackwith Mailing Services:  Error "
    "number: ");

// A program run in the test: scripted boxes, and an end that leaves the
// event loop with the status instead of ending the test process.
class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        messages_->setAutoAcceptOk(true);
        setMessageService(messages_);
        Application::setEnd([this](int status) {
            ended_ = status;
            QCoreApplication::exit(status);
        });
    }
    void TearDown() override {
        Application::setEnd(nullptr);
        setMessageService(nullptr);
    }
    int run(const std::function<int()>& body, ErrorWording wording = ErrorWording::Suite) {
        return runProgram(argc_, argv_, QStringLiteral("Mistrel"), body, wording);
    }

    std::shared_ptr<ScriptedMessageService> messages_ = std::make_shared<ScriptedMessageService>();
    int ended_ = -1;
    char name_[8] = "mistrel";
    char* argv_[2] = {name_, nullptr};
    int argc_ = 1;
};

}  // namespace

TEST(UnexpectedErrorText, NumberAndDescriptionOfEachKind) {
    struct Case {
        std::exception_ptr error;
        ErrorWording wording;
        QString text;
    };
    const Case cases[] = {
        {std::make_exception_ptr(DbError(3021, "No current record.")), ErrorWording::Suite,
         kSuiteLead + "3021  Description: No current record."},
        {std::make_exception_ptr(std::runtime_error("LPT1 went away")), ErrorWording::Suite,
         kSuiteLead + "0  Description: LPT1 went away"},
        {std::make_exception_ptr(42), ErrorWording::Suite,
         kSuiteLead + "0  Description: An exception of unknown type"},
        {std::make_exception_ptr(DbError(3011, "Table 'work' not found.")), ErrorWording::DuplicateChecker,
         kCheckerLead + "3011  Description: Table 'work' not found."},
        {std::make_exception_ptr(std::bad_alloc()), ErrorWording::DuplicateChecker,
         kCheckerLead + "0  Description: std::bad_alloc"},
    };
    for (const Case& c : cases) EXPECT_EQ(unexpectedErrorText(c.error, c.wording), c.text);
}

// The label program's case: a handler (here a button's click, as the run
// button is) reads the database and the read throws.
TEST_F(ProgramRun, AnExceptionFromAClickHandlerShowsTheMessageAndEndsTheProgram) {
    bool after = false;
    const int status = run([&] {
        QPushButton button(QStringLiteral("OK"));
        QObject::connect(&button, &QPushButton::clicked, [] { throw DbError(3021, "No current record."); });
        button.show();
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(&button, Qt::LeftButton);
            after = true;
        });
        return QApplication::exec();
    });
    EXPECT_NE(status, 0);
    EXPECT_EQ(ended_, status);
    ASSERT_EQ(messages_->messages().size(), 1u);
    const auto& box = messages_->messages().front();
    EXPECT_EQ(box.text, kSuiteLead + "3021  Description: No current record.");
    EXPECT_EQ(box.buttons, Buttons::OkOnly);
    EXPECT_EQ(box.icon, Icon::None);
    EXPECT_TRUE(after);  // the event loop went on to its end, not std::terminate
}

// A modal window's own loop: the whole program ends, not only the window.
TEST_F(ProgramRun, AnExceptionInsideAModalWindowEndsTheWholeProgram) {
    const int status = run([&] {
        QTimer::singleShot(0, [] {
            QDialog dialog;
            QTimer::singleShot(0, &dialog, [] { throw std::runtime_error("The run flags could not be read"); });
            dialog.exec();
        });
        return QApplication::exec();
    });
    EXPECT_NE(status, 0);
    EXPECT_EQ(messages_->texts(), QStringList{kSuiteLead + "0  Description: The run flags could not be read"});
}

// The work a main does before the event loop (opening a database, reading
// the parameters, loading the first window).
TEST_F(ProgramRun, AnExceptionBeforeTheEventLoopIsReportedTheSameWay) {
    bool reached = false;
    const int status = run(
        [&]() -> int {
            throw DbError(3024, "Could not find file 'mailsort.mdb'.");
            reached = true;
            return 0;
        },
        ErrorWording::DuplicateChecker);
    EXPECT_FALSE(reached);
    EXPECT_NE(status, 0);
    EXPECT_EQ(messages_->texts(), QStringList{kCheckerLead + "3024  Description: Could not find file 'mailsort.mdb'."});
}

TEST_F(ProgramRun, AProgramWithoutErrorsEndsWithItsOwnStatus) {
    EXPECT_EQ(run([] {
                  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
                  return QApplication::exec();
              }),
              0);
    EXPECT_EQ(run([] { return 2; }), 2);
    EXPECT_TRUE(messages_->messages().empty());
    EXPECT_EQ(ended_, -1);
}

// Under `ulimit -f` a write past the limit must fail, so that the program's
// own message is shown, rather than the signal ending it with the file cut.
TEST_F(ProgramRun, AWritePastAFileSizeLimitFailsInsteadOfKillingTheProgram) {
    std::signal(SIGXFSZ, SIG_DFL);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int error = 0;
    run([&] {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit lim = old;
        lim.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &lim);
        const int fd = ::open(QFile::encodeName(dir.filePath("out")).constData(), O_WRONLY | O_CREAT, 0644);
        const std::string bytes(1000, 'x');
        ssize_t n = ::write(fd, bytes.data(), 100);
        if (n == 100) n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) error = errno;
        ::close(fd);
        setrlimit(RLIMIT_FSIZE, &old);
        return 0;
    });
    EXPECT_EQ(error, EFBIG);
}

// The real end: the message, every open database committed, and the
// process gone at once with a non-zero status; nothing after the throw runs.
TEST(ProgramEndDeathTest, WhatWasStoredStaysAndTheProcessEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "fast");
    qv::testkit::ScratchFolder scratch;
    class ToStderr : public ScriptedMessageService {
    public:
        Answer msgBox(const QString& text, Buttons, Icon, const QString&) override {
            std::fprintf(stderr, "box: %s\n", text.toUtf8().constData());
            return Answer::Ok;
        }
    };
    const auto program = [] {
        setMessageService(std::make_shared<ToStderr>());
        char name[] = "zolbern";
        char* argv[] = {name, nullptr};
        int argc = 1;
        runProgram(argc, argv, QStringLiteral("Zolbern"), [] {
            auto db = qv::db::Database::open("mailsort.mdb", qv::db::OpenMode::Shared);
            qv::parm::ParmRecord parm(*db);
            qv::start::writeFlag(parm, qv::parm::key::RunLabels, true);
            QTimer::singleShot(0, [] { throw DbError(3022, "Duplicate key in bags"); });
            QApplication::exec();
            std::fprintf(stderr, "went on\n");
            return 0;
        });
        std::fprintf(stderr, "went on\n");
        std::_Exit(0);
    };
    EXPECT_EXIT(program(), ::testing::ExitedWithCode(UnexpectedErrorStatus),
                "box: An unexpected error has occurred.*Error number: 3022  Description: Duplicate key in bags\n$");
    auto db = scratch.open(qv::db::OpenMode::Shared);
    qv::parm::ParmRecord parm(*db);
    EXPECT_TRUE(qv::start::readRunFlags(parm).labels);
}
