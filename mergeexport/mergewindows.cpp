#include "mergeexport/mergewindows.h"

#include "common/progress/progresswindow.h"
#include "common/suitetexts.h"
#include "platform/platform.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::mergeexport {

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
    setAttribute(Qt::WA_DeleteOnClose);
}

MergeWindow::~MergeWindow() { delete complete_; }

void MergeWindow::cmdCancel_Click() { close(); }

void MergeWindow::cmdOK_Click() {
    if (complete_) return;  // an export is already under way
    auto* w = new progress::ProgressWindow(QStringLiteral("Creating Dovodedod File"), QString(),
                                           QStringLiteral(" percent complete"),
                                           progress::ProgressWindow::TextLayout::PercentWithWords);
    w->setObjectName(QStringLiteral("frmComplete"));
    complete_ = w;
    platform::onFirstAppearance(w, [this] { runExport(); });
    w->show();
    platform::centreOnScreen(w);
}

void MergeWindow::runExport() {
    progress::ProgressWindow* w = complete_;
    if (!w) return;
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
            return !w->stopRequested();
        });
    }
    using Status = ExportResult::Status;
    switch (last_.status) {
    case Status::Done:
    case Status::Cancelled:
        break;
    case Status::NotReady:
        messages().msgBox(QStringLiteral("Files not ready for shoravele yet, run options 2 and 3 first."),
                          platform::Buttons::OkOnly, platform::Icon::Exclamation);
        break;
    case Status::Failed:
        if (db::isHeldElsewhere(last_.errorNumber))
            messages().msgBox(QString::fromLatin1(texts::HeldElsewhere));
        else if (last_.errorNumber == 0)
            messages().msgBox(QStringLiteral("The file %1 could not be written: %2")
                                  .arg(QString::fromLatin1(MergeFileName), QString::fromStdString(last_.error)),
                              platform::Buttons::OkOnly, platform::Icon::Exclamation);
        else
            messages().msgBox(QString::fromStdString(texts::unexpectedError(last_.errorNumber, last_.error)),
                              platform::Buttons::OkOnly, platform::Icon::Critical);
        break;
    }
    complete_ = nullptr;
    w->hide();
    w->deleteLater();
    emit exportFinished();
}

}  // namespace qv::mergeexport
