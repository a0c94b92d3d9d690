#include "refimport/refimportwindow.h"

#include "common/programstart.h"
#include "common/db/database.h"
#include "common/suitetexts.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "refimport/refload.h"

#include <QDir>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <system_error>

namespace qv::refimport {

namespace fs = std::filesystem;
using namespace qv::platform;

namespace {
constexpr int kHelpTopic = 3;  // Loading a new PO database

fs::path toPath(const QString& s) { return pathFromUtf8(s.toStdString()); }
}  // namespace

std::optional<FileForm> formFromArgument(const QString& argument) {
    if (argument == QLatin1String("C")) return FileForm::Comma;
    if (argument == QLatin1String("F")) return FileForm::Fixed;
    return std::nullopt;
}

QString usageMessage() {
    return QStringLiteral(
        "Start this program with one argument: C to load the comma-delimited Post Office files, "
        "or F to load the fixed-format ones.");
}

fs::path driveBoxFolder(const QString& entry) {
    if (entry.isEmpty()) return fs::path("/");
    // Messages name the files by their full path.
    std::error_code ec;
    fs::path p = fs::absolute(toPath(driveFolder(entry)), ec);
    return ec ? toPath(driveFolder(entry)) : p.lexically_normal();
}

fs::path targetFolder(const QString& entry) {
    if (entry.isEmpty()) return {};
    return toPath(driveFolder(entry));
}

QString openRefusal(int error, const std::string& description) {
    const QString why = QString::fromStdString(description);
    if (error == db::err::FileNotFound) return QStringLiteral("Couldn't find Mailsort database - contact supplier");
    // A file that is there but cannot be read as a database is not missing.
    if (error == db::err::NotADatabase)
        return QStringLiteral("The Mailsort database is damaged - contact supplier.") +
               QLatin1String(texts::UnexpectedDescription) + why;
    if (db::isFileRefusal(error)) return why;
    if (db::isHeldElsewhere(error)) return QString::fromLatin1(texts::HeldElsewhere);
    return QString::fromStdString(texts::unexpectedError(error, description));
}

std::unique_ptr<RefImportWindow> startProgram(const QString& argument) {
    const auto form = formFromArgument(argument);
    if (!form) {
        messages().msgBox(usageMessage());
        return nullptr;
    }
    auto f = std::make_unique<RefImportWindow>(*form);
    showActivated(f.get());
    return f;
}

QString importCaption(PoFile file) {
    const char* names[] = {"MSORTD", "MSORTA", "MSORTB", "MSORTC"};
    const int n = static_cast<int>(file);
    return QStringLiteral("Importing %1 (%2 of 4).........").arg(QLatin1String(names[n])).arg(n + 1);
}

RefImportWindow::RefImportWindow(FileForm form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorvel - Import Post Office Data"));

    auto* label1 = control<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Import Post Office Database"));
    QFont heading(QStringLiteral("Arial"));
    heading.setPointSize(14);
    heading.setBold(true);
    label1->setFont(heading);
    auto* label2 = control<QLabel>(this, QStringLiteral("Label2"),
                                   QStringLiteral("This function will take database diskette provided by the Post "
                                                  "Office and convert it to Quorvel's internal format."));
    auto* label3 = control<QLabel>(this, QStringLiteral("Label3"),
                                   QStringLiteral("The function only needs to be run when the database is changed, "
                                                  "and is not needed at all if you have a maintenance contract."));
    auto* label4 = control<QLabel>(this, QStringLiteral("Label4"),
                                   QStringLiteral("The data must be in the format (mentioned on the diskette label):"));
    txtType_ = control<QLabel>(this, QStringLiteral("txtType"));
    QFont bold = txtType_->font();
    bold.setBold(true);
    txtType_->setFont(bold);
    auto* label5 = control<QLabel>(this, QStringLiteral("Label5"),
                                   QStringLiteral("Enter the letter of the drive containing the diskette:"));
    txtDrive_ = control<QLineEdit>(this, QStringLiteral("txtDrive"), QStringLiteral("A"));
    auto* label6 = control<QLabel>(this, QStringLiteral("Label6"),
                                   QStringLiteral("Enter the target directory (your Mailsort directory):"));
    // The suite's folder is where this program was started.
    txtTarget_ = control<QLineEdit>(this, QStringLiteral("txtTarget"), QDir::currentPath());
    status_ = control<QLabel>(this, QStringLiteral("status"));
    cmdImport_ = control<QPushButton>(this, QStringLiteral("cmdImport"), QStringLiteral("&Import"));
    cmdExit_ = control<QPushButton>(this, QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    for (QLabel* l : {label2, label3, label4}) l->setWordWrap(true);
    // The form keeps its size while the status caption comes and goes.
    QSizePolicy keep = status_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    status_->setSizePolicy(keep);
    txtDrive_->setMaximumWidth(200);

    auto* grid = new QGridLayout;
    grid->addWidget(label5, 0, 0);
    grid->addWidget(txtDrive_, 0, 1);
    grid->addWidget(label6, 1, 0);
    grid->addWidget(txtTarget_, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImport_);
    buttons->addWidget(cmdExit_);
    auto* main = new QVBoxLayout(this);
    main->addWidget(label1);
    main->addWidget(label2);
    main->addWidget(label3);
    main->addWidget(label4);
    main->addWidget(txtType_);
    main->addLayout(grid);
    main->addWidget(status_);
    main->addLayout(buttons);
    resize(560, 330);

    connect(cmdImport_, &QPushButton::clicked, this, [this] { cmdImport_Click(); });
    connect(cmdExit_, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    cmdImport_->setDefault(true);
    setHelpTopic(this, kHelpTopic);
    Form_Load();
}

void RefImportWindow::Form_Load() {
    centreOnScreen(this);
    txtType_->setText(form_ == FileForm::Fixed ? QStringLiteral("Fixed-format") : QStringLiteral("Comma-delimited"));
    status_->hide();
}

void RefImportWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    centreOnScreen(this);
}

void RefImportWindow::showStatus(const QString& caption) {
    status_->setText(caption);
    repaintNow(status_);
}

void RefImportWindow::cmdExit_Click() { close(); }

void RefImportWindow::cmdImport_Click() {
    // A folder that cannot be entered leaves the current one.
    const fs::path target = targetFolder(txtTarget_->text());
    if (!target.empty()) {
        std::error_code ec;
        fs::current_path(target, ec);
    }

    start::Opened opened = start::openDatabase(db::OpenMode::Shared, "MAILSORT.MDB");
    if (!opened) {
        messages().msgBox(openRefusal(opened.error, opened.description));
        return;
    }
    std::unique_ptr<db::Database> db = std::move(opened.db);

    WaitCursor wait;
    status_->show();
    std::vector<PassedOver> passed;
    try {
        passed = loadReferenceData(*db, form_, driveBoxFolder(txtDrive_->text()),
                                   [this](PoFile f) { showStatus(importCaption(f)); });
    } catch (const std::exception& e) {
        db.reset();
        wait.restore();
        status_->setText(QString());
        status_->hide();
        QString why = QString::fromStdString(e.what());
        if (!dynamic_cast<const LoadError*>(&e)) why = QStringLiteral("The Post Office files could not be loaded: ") + why;
        if (!why.endsWith(u'.')) why += u'.';
        messages().msgBox(why + QStringLiteral("  The reference data has not been changed."));
        return;
    }

    showStatus(QStringLiteral("Compacting database (final step)"));
    try {
        db->close();
    } catch (const db::DbError&) {
    }
    db.reset();
    db::CompactionOptions compaction;
    compaction.compact = compactor_;
    if (!db::compactThroughBackup(compaction).compacted) messages().msgBox(QStringLiteral("Database not compressed"));

    wait.restore();
    status_->setText(QString());
    status_->hide();
    repaintNow(status_);
    if (!passed.empty()) messages().msgBox(QString::fromStdString(passedOverMessage(passed)));
    messages().msgBox(QStringLiteral("Post Office Database Imported Successfully"));
    close();
}

}  // namespace qv::refimport
