#include "common/filesel/frmfilesel.h"

#include "platform/drives.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace qv::filesel {

using qv::platform::Answer;
using qv::platform::Buttons;
using qv::platform::control;
using qv::platform::messages;

namespace {

const QString kNoFile = QStringLiteral("A file must be selected before you can continue!");
const QString kHeadings =
    QStringLiteral("Do you want to use the first record of the selected file as field headings?");
constexpr int kPathRole = Qt::UserRole;

QString cleanFolder(const QString& folder) { return QDir::cleanPath(QDir(folder).absolutePath()); }

bool isUnder(const QString& folder, const QString& root) {
    if (root == QLatin1String("/")) return true;
    return folder == root || folder.startsWith(root + u'/');
}

}  // namespace

QString patternForCaption(const QString& caption) {
    if (caption == QLatin1String(kFileTypes[0].caption)) return QString::fromLatin1(kFileTypes[0].pattern);
    if (caption == QLatin1String(kFileTypes[2].caption)) return QString::fromLatin1(kFileTypes[2].pattern);
    return QString::fromLatin1(kFileTypes[1].pattern);
}

bool matchesPattern(const QString& fileName, const QString& pattern) {
    if (pattern == QLatin1String("*.*")) return true;
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(fileName).hasMatch();
}

QString composePath(const QString& folder, const QString& fileName) {
    const QString f = QDir::fromNativeSeparators(folder);
    const QString joined = f.endsWith(u'/') ? f + fileName : f + u'/' + fileName;
    return QDir::toNativeSeparators(joined);
}

FileChooser::FileChooser(Variant variant, QWidget* parent) : QWidget(parent, Qt::Window), variant_(variant) {
    setObjectName(QStringLiteral("frmFileSel"));
    setWindowTitle(variant == Variant::Designer ? QStringLiteral("Select mailsort file")
                                                : QStringLiteral("Select file to convert"));

    label1_ = control<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Drive:"));
    drive1_ = control<QComboBox>(this, QStringLiteral("Drive1"));
    dir1_ = control<QListWidget>(this, QStringLiteral("Dir1"));
    file1_ = control<QListWidget>(this, QStringLiteral("File1"));
    label2_ = control<QLabel>(this, QStringLiteral("Label2"), QStringLiteral("File Type:"));
    cmbFileType_ = control<QComboBox>(this, QStringLiteral("cmbFileType"));
    cmdOK_ = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdExit_ = control<QPushButton>(this, QStringLiteral("cmdExit"), QStringLiteral("Exit"));
    dir1_->setSelectionMode(QAbstractItemView::SingleSelection);
    file1_->setSelectionMode(QAbstractItemView::SingleSelection);

    if (variant_ == Variant::Console) {
        txtFile_ = control<QLineEdit>(this, QStringLiteral("TxtFile"));
        txtFile_->hide();
    } else if (variant_ == Variant::DuplicateChecker) {
        dummyField_ = control<QLabel>(this, QStringLiteral("DummyField"), QStringLiteral("DummyField"));
        lblFile_ = control<QLabel>(this, QStringLiteral("lblFile"), QString(""));
        dummyField_->hide();
        lblFile_->hide();
    }

    auto* grid = new QGridLayout(this);
    grid->addWidget(file1_, 0, 0);
    grid->addWidget(label2_, 1, 0);
    grid->addWidget(cmbFileType_, 2, 0);
    grid->addWidget(dir1_, 0, 1);
    grid->addWidget(label1_, 1, 1);
    grid->addWidget(drive1_, 2, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdExit_);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 2, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    resize(560, 340);

    // The filter changes only by a choice from its list.
    qv::platform::setKeyPressHandler(cmbFileType_, [](QChar) { return QChar(); });
    connect(cmbFileType_, &QComboBox::activated, this, [this] { cmbFileType_Click(); });
    connect(drive1_, &QComboBox::activated, this, [this] { Drive1_Change(); });
    connect(dir1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { openFolderItem(item); });
    connect(file1_, &QListWidget::itemDoubleClicked, this, [this] { File1_DblClick(); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdExit_, &QPushButton::clicked, this, [this] { cmdExit_Click(); });

    // Enter opens the folder in the folder list, presses a focused button,
    // and accepts anywhere else; Escape is Exit.
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* sc = new QShortcut(QKeySequence(key), this);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, [this] {
            QWidget* f = focusWidget();
            if (f == dir1_) {
                openFolderItem(dir1_->currentItem());
            } else if (auto* b = qobject_cast<QPushButton*>(f)) {
                b->click();
            } else {
                cmdOK_Click();
            }
        });
    }
    qv::platform::setCancelButton(this, cmdExit_);

    Form_Load();
}

void FileChooser::Form_Load() {
    cmbFileType_->clear();
    for (const FileType& t : kFileTypes) cmbFileType_->addItem(QString::fromLatin1(t.caption));
    cmbFileType_->setCurrentIndex(0);
    pattern_ = QStringLiteral("*.*");
    fillDrives();
    setPath(QDir::currentPath());
    qv::platform::centreOnScreen(this);
}

void FileChooser::fillDrives() {
    drive1_->clear();
    drive1_->addItem(QStringLiteral("/"), QStringLiteral("/"));
    for (const auto& d : qv::platform::availableDrives()) drive1_->addItem(d.label(), cleanFolder(d.folder));
}

QString FileChooser::driveFor(const QString& folder) const {
    // The deepest drive folder that holds the folder; the root otherwise.
    int best = 0;
    int bestLength = -1;
    for (int i = 0; i < drive1_->count(); ++i) {
        const QString root = drive1_->itemData(i).toString();
        if (isUnder(folder, root) && root.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(root.size());
        }
    }
    return drive1_->itemText(best);
}

void FileChooser::setPath(const QString& folder) {
    path_ = cleanFolder(folder);
    const int d = drive1_->findText(driveFor(path_));
    drive1_->setCurrentIndex(d);
    driveIndex_ = d;
    fillFolders();
    Dir1_Change();
}

void FileChooser::fillFolders() {
    dir1_->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The folder's ancestors from the root down, then its subfolders.
    QStringList chain;
    for (QString p = path_;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (p == QLatin1String("/") || QFileInfo(p).path() == p) break;
    }
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = p == QLatin1String("/") ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, u' ') + name, dir1_);
        item->setData(kPathRole, p);
        current = item;
        ++depth;
    }
    const QStringList subs =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subs) {
        auto* item = new QListWidgetItem(closed, QString(depth * 2, u' ') + s, dir1_);
        item->setData(kPathRole, composePath(path_, s));
    }
    dir1_->setCurrentItem(current);
}

void FileChooser::fillFiles() {
    file1_->clear();
    const QStringList names = QDir(path_).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& n : names)
        if (matchesPattern(n, pattern_)) file1_->addItem(n);
    file1_->setCurrentRow(-1);
    file1_->clearSelection();
}

void FileChooser::openFolderItem(QListWidgetItem* item) {
    if (!item) return;
    setPath(item->data(kPathRole).toString());
}

void FileChooser::cmbFileType_Click() {
    pattern_ = patternForCaption(cmbFileType_->currentText());
    fillFiles();
}

void FileChooser::Drive1_Change() {
    const int i = drive1_->currentIndex();
    if (i < 0) return;
    const QString folder = drive1_->itemData(i).toString();
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable()) {
        messages().msgBox(QStringLiteral("Drive %1 cannot be read.").arg(drive1_->itemText(i)));
        drive1_->setCurrentIndex(driveIndex_);
        return;
    }
    driveIndex_ = i;
    setPath(folder);
}

void FileChooser::Dir1_Change() { fillFiles(); }

void FileChooser::cmdExit_Click() {
    close();
    if (variant_ == Variant::DuplicateChecker) {
        if (endProgram_)
            endProgram_();
        else
            QCoreApplication::quit();
    }
}

void FileChooser::AcceptFile() {
    const QString name = fileName();
    if (name.isEmpty()) {
        messages().msgBox(kNoFile, Buttons::OkOnly);
        return;
    }
    const QString path = composePath(path_, name);
    Accepted accepted{path, QString()};
    if (variant_ != Variant::Console) {
        const Answer a = messages().msgBox(kHeadings, Buttons::YesNo);
        accepted.headings = QString::number(qv::platform::resultCode(a));
    }
    switch (variant_) {
    case Variant::Designer:
        if (next_) next_(*this, accepted);
        close();
        break;
    case Variant::Console:
        txtFile_->setText(path);
        if (next_) next_(*this, accepted);
        close();
        break;
    case Variant::DuplicateChecker:
        dummyField_->setText(accepted.headings);
        lblFile_->setText(path);
        if (next_) next_(*this, accepted);
        break;
    }
}

QStringList FileChooser::fileNames() const {
    QStringList out;
    for (int i = 0; i < file1_->count(); ++i) out << file1_->item(i)->text();
    return out;
}

QString FileChooser::fileName() const {
    const auto sel = file1_->selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->text();
}

bool FileChooser::selectFile(const QString& name) {
    for (int i = 0; i < file1_->count(); ++i) {
        if (file1_->item(i)->text() == name) {
            file1_->setCurrentRow(i);
            file1_->item(i)->setSelected(true);
            return true;
        }
    }
    return false;
}

QStringList FileChooser::folderEntries() const {
    QStringList out;
    for (int i = 0; i < dir1_->count(); ++i) out << dir1_->item(i)->text();
    return out;
}

QString FileChooser::driveText() const { return drive1_->currentText(); }

bool FileChooser::chooseDrive(const QString& entry) {
    const int i = drive1_->findText(entry);
    if (i < 0) return false;
    drive1_->setCurrentIndex(i);
    Drive1_Change();
    return true;
}

bool FileChooser::chooseFileType(const QString& caption) {
    const int i = cmbFileType_->findText(caption);
    if (i < 0) return false;
    cmbFileType_->setCurrentIndex(i);
    cmbFileType_Click();
    return true;
}

}  // namespace qv::filesel
