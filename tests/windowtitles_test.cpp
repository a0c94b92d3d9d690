// The captions as the window system shows them: one window of each program,
// its title read back from the X server. A program title set as Qt's
// application display name would be added to every one of them.
#include "coding/importwindow.h"
#include "common/testing/scratch.h"
#include "console/mainwindow.h"
#include "designer/designerwindow.h"
#include "params/paramswindow.h"
#include "platform/app.h"
#include "refimport/refimportwindow.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// _NET_WM_NAME of the window, as xprop reads it from the server.
QString titleOnTheServer(QWidget& w) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(10000)) return QStringLiteral("<xprop did not answer>");
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("= \"(.*)\"\\s*$")).match(out);
    return m.hasMatch() ? m.captured(1) : QStringLiteral("<no title: ") + out + QStringLiteral(">");
}

TEST(WindowTitles, EachProgramsCaptionStandsAloneOnTheServer) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under an X server";
    // A program's title, as each program sets it at start.
    qv::platform::setProgramTitle(QStringLiteral("Quorvel"));
    qv::testkit::ScratchFolder folder;
    struct Case {
        QString caption;
        std::function<std::unique_ptr<QWidget>()> make;
    };
    const Case cases[] = {
        {"Quorvel - Mailsort System", [] { return std::make_unique<qv::console::MainWindow>(); }},
        {"Quorvel - Import Post Office Data",
         [] { return std::make_unique<qv::refimport::RefImportWindow>(qv::refimport::FileForm::Comma); }},
        {"Define File Layout",
         [] {
             auto w = std::make_unique<qv::designer::DesignerWindow>();
             EXPECT_TRUE(w->Form_Load());
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"Apply Mailsort Codes",
         [] {
             auto w = std::make_unique<qv::coding::ImportWindow>();
             EXPECT_TRUE(w->Form_Load());
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"Mailsort Parameter Maintenance",
         [] {
             auto w = std::make_unique<qv::params::ParamsWindow>();
             EXPECT_TRUE(w->Form_Load());
             return std::unique_ptr<QWidget>(std::move(w));
         }},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QWidget> w = c.make();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get())) << c.caption.toStdString();
        EXPECT_EQ(titleOnTheServer(*w).toStdString(), c.caption.toStdString());
        w->close();
        w.reset();
        QCoreApplication::processEvents();
    }
}

}  // namespace
