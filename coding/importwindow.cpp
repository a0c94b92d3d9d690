#include "coding/importwindow.h"

#include "coding/codingjob.h"
#include "common/forms/refusal.h"
#include "common/programstart.h"
#include "common/suitetexts.h"
#include "common/text/chars.h"
#include "common/text/lines.h"
#include "platform/platform.h"
#include "platform/strings.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qv::coding {

namespace key = parm::key;
using platform::Buttons;
using platform::Icon;

namespace {

namespace msg {
constexpr const char* IncorrectType = "Error in definition file - incorrect type";
constexpr const char* Cancelled =
    "The import was cancelled. Nothing has been changed: the records read so far have not been stored.";
constexpr const char* NoDatabase = "The database mailsort.mdb was not found in the current folder.";
constexpr const char* NoMailFile =
    "No customer's file has been chosen for this job. Save the layout of the file with the layout designer, then "
    "try again.";
}  // namespace msg

// The status label is repainted at most this often during a run.
constexpr int kRepaintMs = 50;

using qv::platform::qs;

}  // namespace

ImportWindow::ImportWindow(QWidget* parent) : QWidget(parent) {
    build();
    report_ = std::make_unique<CodingReport>(platform::printer());
}

ImportWindow::~ImportWindow() { closeDatabase(); }

void ImportWindow::build() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Apply Mailsort Codes"));

    Label1_ = platform::control<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Quorvel - Database Import"));
    QFont title(QStringLiteral("Arial"));
    title.setPointSize(14);
    title.setBold(true);
    Label1_->setFont(title);
    Label2_ = platform::control<QLabel>(
        this, QStringLiteral("Label2"),
        QStringLiteral("This program will import your names and addresses into Quorvel's own format and then "
                       "attempt to match it with the Post Office's database."));
    Label3_ = platform::control<QLabel>(
        this, QStringLiteral("Label3"),
        QStringLiteral("If too many errors are reported, the names and addresses can be corrected and this program "
                       "re-run  before printing the Post Office reports."));
    for (QLabel* l : {Label2_, Label3_}) l->setWordWrap(true);
    Image1_ = platform::control<QLabel>(this, QStringLiteral("Image1"));
    const QIcon icon = windowIcon().isNull() ? style()->standardIcon(QStyle::SP_DriveNetIcon) : windowIcon();
    Image1_->setPixmap(icon.pixmap(32, 32));

    optAll_ = platform::control<QRadioButton>(this, QStringLiteral("optAll"), QStringLiteral("Print All Reports."));
    optSummary_ =
        platform::control<QRadioButton>(this, QStringLiteral("optSummary"), QStringLiteral("Only Print Summary."));
    optAll_->setChecked(true);
    // The option is read for every record: a change during a run counts from the next one.
    connect(optAll_, &QRadioButton::toggled, this, [this](bool on) { report_->setPrintAll(on); });
    cmdImport_ = platform::control<QPushButton>(this, QStringLiteral("cmdImport"), QStringLiteral("Import"));
    cmdCancel_ = platform::control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    Status_ = platform::control<QLabel>(this, QStringLiteral("Status"), QStringLiteral(" "));
    // A fixed size keeps each new status text from laying the window out again.
    Status_->setFixedSize(480, Status_->fontMetrics().height() + 4);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(Label1_);
    texts->addWidget(Label2_);
    texts->addWidget(Label3_);
    top->addLayout(texts, 1);

    auto* options = new QVBoxLayout;
    options->addWidget(optAll_);
    options->addWidget(optSummary_);
    auto* buttons = new QHBoxLayout;
    buttons->addLayout(options);
    buttons->addStretch(1);
    buttons->addWidget(cmdImport_);
    buttons->addWidget(cmdCancel_);

    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addSpacing(8);
    all->addLayout(buttons);
    all->addWidget(Status_);
    setFixedWidth(520);

    connect(cmdImport_, &QPushButton::clicked, this, [this] { cmdImport_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    // The window takes the focus as it appears; waiting for the show rather
    // than the activation starts a sequenced run even where the window
    // manager keeps the focus from a program started by another.
    platform::onFirstAppearance(this, [this] { Form_GotFocus(); }, platform::FirstAppearance::Trigger::Show);
}

// ---- Start and hand-over ----------------------------------------------------------

bool ImportWindow::Form_Load() {
    platform::centreOnScreen(this);
    start::Opened opened = start::openDatabase(db::OpenMode::Exclusive, "Mailsort.mdb ");
    if (!opened) {
        if (opened.heldElsewhere()) {
            forms::showRefusal(opened);
            endProgram(1);
        } else if (opened.error == db::err::FileNotFound) {
            platform::messages().msgBox(QString::fromLatin1(msg::NoDatabase));
            endProgram(1);
        } else if (db::isFileRefusal(opened.error)) {
            platform::messages().msgBox(qs(opened.description), Buttons::OkOnly, Icon::Critical);
            endProgram(1);
        } else {
            reportUnexpected(opened.error, qs(opened.description));
        }
        return false;
    }
    db_ = std::move(opened.db);
    try {
        parm_ = std::make_unique<parm::ParmRecord>(*db_);
        if (sequenced()) {
            // A sequenced run always prints the full report.
            for (QWidget* w : std::initializer_list<QWidget*>{cmdImport_, cmdCancel_, optSummary_, optAll_})
                w->setEnabled(false);
        }
    } catch (const db::DbError& e) {
        reportUnexpected(e.number(), qs(e.description()));
        return false;
    }
    Status_->setText(QStringLiteral(" "));
    running_ = false;
    return true;
}

bool ImportWindow::sequenced() const {
    try {
        return parm_ && parm_->yes(key::RunAlone);
    } catch (const db::DbError&) {
        return false;
    }
}

void ImportWindow::Form_GotFocus() {
    if (programEnded()) return;
    cmdCancel_->setEnabled(true);
    if (!sequenced()) return;
    cmdImport_Click();
    if (programEnded()) return;
    handOver();
}

void ImportWindow::handOver() {
    hide();
    start::handOver(db_, parm_, start::Step::Codes, stopRequested_,
                    [this](const std::string& program, const std::string& error) {
                        // The sequence cannot go on: nothing is to start later steps by itself.
                        // The database was closed for the start; a failure to open it again
                        // has been reported by itself.
                        QString flags;
                        if (reopenShared()) {
                            flags = endSequence();
                            closeDatabase();
                        }
                        platform::messages().msgBox(
                            QStringLiteral("The program %1 could not be started: %2").arg(qs(program), qs(error)) +
                            flags);
                    });
    closeDatabase();
    endProgram(0);
}

// ---- The run ------------------------------------------------------------------------

void ImportWindow::cmdImport_Click() {
    // One run at a time: a press during a run finds it under way.
    if (running_ || programEnded() || !db_) return;
    counters_ = Counters{};
    platform::WaitCursor wait;
    running_ = true;
    painted_.start();
    Status_->setUpdatesEnabled(false);  // repainted by showStatus at its own pace
    run();
    Status_->setUpdatesEnabled(true);
    wait.restore();
    if (programEnded()) return;
    if (!stopRequested_) {
        showStatus(QStringLiteral("Import complete"));
        cmdCancel_->setText(QStringLiteral("Exit"));
    }
    if (!sequenced()) {
        stopRequested_ = false;
        closeDatabase();
        if (!reopenShared()) return;
    }
    running_ = false;
    if (closeRequested_ && !sequenced()) close();
}

void ImportWindow::run() {
    JobOptions options;
    options.printAll = optAll_->isChecked();
    options.status = [this](const std::string& s) { showStatus(qs(s), true); };
    options.stop = [this] { return stopRequested_; };
    const JobResult r = runCodingJob(*db_, *report_, counters_, options);
    switch (r.outcome) {
    case JobOutcome::Done:
        return;
    case JobOutcome::Stopped:
        platform::messages().msgBox(QString::fromLatin1(msg::Cancelled), Buttons::OkOnly, Icon::Information);
        return;
    case JobOutcome::NoMailFile:
        failed(QString::fromLatin1(msg::NoMailFile));
        return;
    case JobOutcome::NoLayout:
        failed(QStringLiteral("No layout has been saved for the file %1. Save its "
                              "layout with the layout designer, then try again.")
                   .arg(qs(r.mailFile)));
        return;
    case JobOutcome::WorkTableNotReplaced:
        failed(QStringLiteral("The work table mmwork of the last job could not be replaced, so nothing has been "
                              "imported. Close any program that is using it, then try again. (%1)")
                   .arg(qs(r.detail)));
        return;
    case JobOutcome::IncorrectType:
        failed(QString::fromLatin1(msg::IncorrectType));
        return;
    case JobOutcome::ReaderFailed:
        readerFailed(*r.failure);
        return;
    case JobOutcome::NotStored:
        // mmwork is as it was before the run.
        Status_->setText(QStringLiteral("Import incomplete"));
        failed(QStringLiteral("The records could not be stored: ") + qs(r.detail), Icon::Critical);
        return;
    case JobOutcome::NotPrinted:
        // The rows are stored, but the user has not seen what the coding
        // found: a sequenced run goes no further.
        failed(QStringLiteral("The records have been stored, but the report could not be printed: ") + qs(r.detail),
               Icon::Critical);
        return;
    }
}

void ImportWindow::failed(const QString& text, Icon icon) {
    if (sequenced()) {
        // The sequence ends here, as a failure: nothing is handed on.
        const QString flags = endSequence();
        closeDatabase();
        platform::messages().msgBox(text + flags, Buttons::OkOnly, icon);
        hide();
        endProgram(1);
        return;
    }
    platform::messages().msgBox(text, Buttons::OkOnly, icon);
    stopRequested_ = true;
}

void ImportWindow::readerFailed(const ReaderFailure& f) {
    // mmwork is as it was before the run; a sequence ends here.
    const QString flags = endSequence();
    closeDatabase();
    if (f.kind != ReaderFailure::Kind::Unexpected) {
        QString text;
        switch (f.kind) {
        case ReaderFailure::Kind::FileNotFound: text = QStringLiteral("File %1 not found.").arg(qs(f.path)); break;
        case ReaderFailure::Kind::NotRegularFile:
            text = QStringLiteral("File %1 is not a regular file.").arg(qs(f.path));
            break;
        case ReaderFailure::Kind::NotText: text = QString::fromLatin1(texts::NotTextFile); break;
        case ReaderFailure::Kind::Empty: text = QStringLiteral("File %1 holds no records.").arg(qs(f.path)); break;
        case ReaderFailure::Kind::TextAfterEnd:
            text = qs(strayCtrlZText(f.path, f.line)) + QStringLiteral(" Remove the mark, then import the file again.");
            break;
        case ReaderFailure::Kind::NoAddresses:
            text = QStringLiteral("File %1 holds no addresses: every field its layout reads is blank.").arg(qs(f.path));
            break;
        case ReaderFailure::Kind::Unexpected: break;
        }
        platform::messages().msgBox(text + flags, Buttons::OkOnly, Icon::Critical);
        hide();
        endProgram(1);
    } else {
        reportUnexpected(f.number, qs(f.description), flags);
    }
}

QString ImportWindow::endSequence() {
    if (!db_ || !sequenced()) return {};
    try {
        start::writeFlag(*parm_, key::RunAlone, false);
        db_->save();
    } catch (const db::DbError& e) {
        return QStringLiteral("\nThe run flags could not be saved: ") + qs(e.description());
    }
    return {};
}

void ImportWindow::showStatus(const QString& text, bool duringRun) {
    Status_->setText(text);
    if (!duringRun) {
        platform::repaintNow(Status_);
        return;
    }
    if (painted_.elapsed() >= kRepaintMs) {
        Status_->setUpdatesEnabled(true);
        platform::repaintNow(Status_);
        Status_->setUpdatesEnabled(false);
        painted_.restart();
    }
    platform::yieldToUi();
}

// ---- Stop and end -------------------------------------------------------------------

void ImportWindow::cmdCancel_Click() {
    if (running_) {
        Status_->setText(QStringLiteral("Import incomplete"));
        Status_->setUpdatesEnabled(true);
        platform::repaintNow(Status_);
        stopRequested_ = true;
        return;
    }
    close();
}

void ImportWindow::closeEvent(QCloseEvent* e) {
    if (running_) {
        // Closed during a run: stop it first; the program ends after it.
        e->ignore();
        closeRequested_ = true;
        cmdCancel_Click();
        return;
    }
    e->accept();
    closeDatabase();
    endProgram(0);
}

bool ImportWindow::reopenShared() {
    try {
        db_ = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        parm_ = std::make_unique<parm::ParmRecord>(*db_);
        return true;
    } catch (const db::DbError& e) {
        reportUnexpected(e.number(), qs(e.description()));
        return false;
    }
}

void ImportWindow::closeDatabase() {
    parm_.reset();
    start::closeQuietly(db_);
}

void ImportWindow::reportUnexpected(int number, const QString& description, const QString& addition) {
    closeDatabase();
    platform::messages().msgBox(qs(texts::unexpectedError(number, description.toStdString())) + addition);
    hide();
    endProgram(1);
}

int runKavrin() {
    ImportWindow form;
    return platform::runForm(form);
}

}  // namespace qv::coding
