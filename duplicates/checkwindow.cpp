#include "duplicates/checkwindow.h"

#include "duplicates/duplicatedialog.h"

#include "common/suitetexts.h"
#include "common/text/files.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/strings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <system_error>

namespace qv::duplicates {

using qv::db::DbError;
using qv::platform::Answer;
using qv::platform::Buttons;
using qv::platform::control;
using qv::platform::messages;

namespace {

const QString kProcessing = QStringLiteral("Currently processing record number:");
const QString kCreating = QStringLiteral("Creating CSV file: OUTPUT.CSV");

using qv::platform::qs;

class AskDecider : public Decider {
public:
    explicit AskDecider(const CheckWindow::Ask& ask) : ask_(ask) {}
    Decision decide(const DuplicatePair& pair) override { return ask_(pair); }

private:
    const CheckWindow::Ask& ask_;
};

}  // namespace

QString unexpectedError(int number, const QString& description) {
    return QString::fromStdString(texts::duplicateCheckerUnexpectedError(number, description.toStdString()));
}

QString tableError(int number, const QString& description) {
    return QStringLiteral("An unexpected error occured when deleting/creating ACCESS table.  Please report the "
                          "following details to Brackwith Mailing Services:  Error number: ") +
           QString::number(number) + QStringLiteral("  Description: ") + description;
}

CheckWindow::CheckWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setEndHandler([](int status) { QCoreApplication::exit(status); });
    setObjectName(QStringLiteral("frmCheckDup"));
    setWindowTitle(QStringLiteral("Checking for duplicates"));
    lblStage_ = control<QLabel>(this, QStringLiteral("lblStage"), kProcessing);
    lblRecNum_ = control<QLabel>(this, QStringLiteral("lblRecNum"), QString(""));
    cmdCancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    cmdCancel_->hide();
    lblRecNum_->setMinimumWidth(90);

    auto* box = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(lblStage_);
    row->addWidget(lblRecNum_);
    row->addStretch(1);
    box->addLayout(row);
    box->addWidget(cmdCancel_, 0, Qt::AlignHCenter);
    resize(380, 110);

    ask_ = [this](const DuplicatePair& pair) { return DuplicateDialog::ask(pair, this); };
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    qv::platform::onFirstAppearance(
        this, [this] { Form_GotFocus(); }, qv::platform::FirstAppearance::Trigger::Activation);
    qv::platform::centreOnScreen(this);
}

CheckWindow::~CheckWindow() = default;

bool CheckWindow::Form_Load(const CheckSetup& setup) {
    cancelRequested_ = false;
    setup_ = setup;
    try {
        work_ = DupWork::open();
    } catch (const DbError& e) {
        // A read-only file or folder is told plainly, as in every program.
        unexpected(db::isFileRefusal(e.number()) ? qs(e.description())
                                                 : unexpectedError(e.number(), qs(e.description())));
        return false;
    }
    try {
        work_->MakeTables();
    } catch (const DbError& e) {
        unexpected(tableError(e.number(), qs(e.description())));
        return false;
    }
    try {
        work_->openTables();
    } catch (const DbError& e) {
        unexpected(unexpectedError(e.number(), qs(e.description())));
        return false;
    }
    return true;
}

void CheckWindow::Form_GotFocus() {
    if (started_ || !work_) return;
    started_ = true;
    running_ = true;
    if (shield_) shield_(true);
    cmdCancel_->show();

    AskDecider decider(ask_);
    RunHooks hooks;
    hooks.showRecord = [this](int64_t n) {
        lblRecNum_->setText(QString::number(n));
        qv::platform::repaintNow(lblRecNum_);
    };
    hooks.goOn = [this] {
        qv::platform::yieldToUi();
        return !cancelRequested_;
    };
    RunEnd end = RunEnd::Cancelled;
    try {
        end = checkFile(*work_, setup_, decider, hooks);
    } catch (const DbError& e) {
        running_ = false;
        unexpected(unexpectedError(e.number(), qs(e.description())));
        return;
    } catch (const std::system_error&) {
        running_ = false;
        messages().msgBox(QStringLiteral("File ") + qs(setup_.path) + QStringLiteral(" cannot be read."),
                          Buttons::OkOnly);
        giveUp();
        return;
    }
    running_ = false;
    cmdCancel_->hide();
    if (end == RunEnd::Cancelled) {
        endProgram();
        return;
    }
    lblStage_->setText(kCreating);
    lblRecNum_->clear();
    qv::platform::repaintNow(this);
    const bool written = writeOutputFile();
    if (written)
        messages().msgBox(QStringLiteral("Created CSV file ") + QDir::toNativeSeparators(QDir::currentPath()) +
                              QDir::separator() + QStringLiteral("OUTPUT.CSV with duplicates removed."),
                          Buttons::OkOnly);
    // An output given up after its failure is a failed run: status 1.
    endProgram(written ? 0 : 1);
}

bool CheckWindow::writeOutputFile() {
    for (;;) {
        try {
            writeOutput(*work_, setup_.layout.fields, qv::filePath(OutputFile));
            return true;
        } catch (const std::system_error& e) {
            const Answer a = messages().msgBox(
                QStringLiteral("OUTPUT.CSV could not be written: ") + qs(e.code().message()) + QStringLiteral("."),
                Buttons::RetryCancel);
            if (a != Answer::Retry) return false;
        } catch (const DbError& e) {
            unexpected(unexpectedError(e.number(), qs(e.description())));
            return false;
        }
    }
}

void CheckWindow::cmdCancel_Click() {
    if (messages().msgBox(QStringLiteral("Are you sure you want to cancel processing?"), Buttons::YesNo) ==
        Answer::Yes)
        cancelRequested_ = true;
}

void CheckWindow::closeEvent(QCloseEvent* event) {
    // The close box during the run is the Cancel button.
    if (running_) {
        event->ignore();
        cmdCancel_Click();
        return;
    }
    QWidget::closeEvent(event);
}

void CheckWindow::giveUp() {
    work_.reset();
    if (shield_) shield_(false);
    close();
}

void CheckWindow::unexpected(const QString& message) {
    work_.reset();
    messages().msgBox(message, Buttons::OkOnly);
    endProgram(1);
}

}  // namespace qv::duplicates
