#include "mergeexport/mergewindows.h"

#include "common/programstart.h"
#include "common/progress/progresswindow.h"
#include "common/suitetexts.h"
#include "platform/platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::mergeexport {

namespace {
constexpr int kHelpTopic = 6;  // "Create Dovodedod File"
}  // namespace

using platform::child;
using platform::control;
using platform::messages;

MergeWindow::MergeWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMerge"));
    setWindowTitle(QStringLiteral("Create Dovodedod File"));
    auto* label1 = control<QLabel>(
        this, QStringLiteral("Label1"),
        QStringLiteral("This option will produce a file in mailsort sequence, suitable for shoravele."));
    label1->setWordWrap(true);
    auto* label2 = control<QLabel>(
        this, QStringLiteral("Label2"),
        QStringLiteral("The file DOVODEDOD.DAT is created in the current directory."));
    label2->setWordWrap(true);
    auto* ok = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    auto* cancel = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(label2);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setFixedWidth(420);

    connect(ok, &QPushButton::clicked, this, &MergeWindow::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &MergeWindow::cmdCancel_Click);
    platform::setCancelButton(this, cancel);
    platform::setHelpTopic(this, kHelpTopic);
    setAttribute(Qt::WA_DeleteOnClose);
}

MergeWindow::~MergeWindow() { delete complete_; }

void MergeWindow::cmdCancel_Click() { close(); }

void MergeWindow::closeEvent(QCloseEvent* event) {
    if (complete_) {
        // The export still uses its progress window: stop it, with no
        // question, and close when it has put its file in place.
        event->ignore();
        closeAfterExport_ = true;
        complete_->setStopRequested(true);
        return;
    }
    QWidget::closeEvent(event);
}

void MergeWindow::cmdOK_Click() {
    if (complete_) return;  // an export is already under way
    auto* w = new progress::ProgressWindow(QStringLiteral("Creating Dovodedod File"), QString(),
                                           QStringLiteral(" percent complete"),
                                           progress::ProgressWindow::TextLayout::PercentWithWords);
    w->setObjectName(QStringLiteral("frmComplete"));
    platform::setHelpTopic(w, kHelpTopic);
    complete_ = w;
    platform::onFirstAppearance(w, [this] { runExport(); });
    w->show();
    platform::centreOnScreen(w);
}

void MergeWindow::runExport() {
    progress::ProgressWindow* w = complete_;
    if (!w) return;
    if (closeAfterExport_) {
        // Cancelled before the export began: nothing written, nothing to keep.
        complete_ = nullptr;
        w->hide();
        w->deleteLater();
        close();
        return;
    }
    {
        platform::WaitCursor wait;
        w->showControls();
        w->setStopRequested(false);
        QElapsedTimer sinceShown;
        sinceShown.start();
        // Cancel is tested before every row; the bar and text repaint at most
        // every 50 ms, and always for the last row.
        last_ = exportMergeFile([&](std::uint64_t written, std::uint64_t total) {
            if (written == total || sinceShown.elapsed() >= 50) {
                w->showProgress(total ? double(written) / double(total) * 100 : 100);
                platform::yieldToUi();
                sinceShown.restart();
            }
            return !w->stopRequested() && !closeAfterExport_;
        });
    }
    using Status = ExportResult::Status;
    bool failed = false;
    switch (last_.status) {
    case Status::Done:
    case Status::Cancelled:
        break;
    case Status::NotReady:
        messages().msgBox(QStringLiteral("Files not ready for shoravele yet, run options 2 and 3 first."),
                          platform::Buttons::OkOnly, platform::Icon::Exclamation);
        break;
    case Status::KeysChanged:
        messages().msgBox(QString::fromStdString(last_.error), platform::Buttons::OkOnly,
                          platform::Icon::Exclamation);
        break;
    case Status::Failed:
        // Held by another program: the user may wait and press OK again.
        if (db::isHeldElsewhere(last_.errorNumber)) {
            messages().msgBox(QString::fromLatin1(texts::HeldElsewhere));
            break;
        }
        failed = true;
        if (last_.errorNumber == 0)
            messages().msgBox(QStringLiteral("The file %1 could not be written: %2")
                                  .arg(QString::fromLatin1(MergeFileName), QString::fromStdString(last_.error)),
                              platform::Buttons::OkOnly, platform::Icon::Exclamation);
        else
            messages().msgBox(QString::fromStdString(start::refusalText(last_.errorNumber, last_.error)),
                              platform::Buttons::OkOnly, platform::Icon::Critical);
        break;
    }
    complete_ = nullptr;
    w->hide();
    w->deleteLater();
    emit exportFinished();
    // After a failure's message the program ends, as every program of the
    // suite does; the earlier file stays as it was.
    if (failed) endProgram(1);
    else if (closeAfterExport_) close();
}

int runShoravel() {
    QPointer<MergeWindow> form = new MergeWindow;
    form->setEndHandler([](int status) { QCoreApplication::exit(status); });
    form->show();
    platform::centreOnScreen(form);
    platform::showActivated(form);
    const int status = QApplication::exec();
    delete form;  // still there when an error ended the program
    return status;
}

}  // namespace qv::mergeexport
