#include "duplicates/keyfieldswindow.h"

#include "common/filesel/frmfilesel.h"
#include "common/suitetexts.h"
#include "common/text/lines.h"
#include "common/text/numtext.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::duplicates {

using qv::platform::Buttons;
using qv::platform::control;
using qv::platform::messages;

namespace {

QString problemText(ScanProblem problem, const QString& path, std::uint64_t line) {
    switch (problem) {
    case ScanProblem::None: break;
    case ScanProblem::NotFound: return QStringLiteral("File ") + path + QStringLiteral(" not found.");
    case ScanProblem::NotRegular: return QStringLiteral("File ") + path + QStringLiteral(" is not a regular file.");
    case ScanProblem::CannotOpen: return QStringLiteral("File ") + path + QStringLiteral(" cannot be read.");
    case ScanProblem::NotText: return QString::fromLatin1(qv::texts::NotTextFile);
    case ScanProblem::Empty: return QStringLiteral("The selected file is empty.");
    case ScanProblem::EmptyFirstRecord:
        return QStringLiteral("The first record of the selected file is empty, so its fields cannot be found.");
    case ScanProblem::TextAfterEnd:
        return QString::fromStdString(qv::strayCtrlZText(path.toStdString(), line)) +
               QStringLiteral(" Remove the mark, then choose the file again.");
    case ScanProblem::TooFewLines:
        return QStringLiteral("The selected file has fewer than three records: the columns of a fixed-column "
                              "file are found from its first three.");
    }
    return {};
}

}  // namespace

KeyFieldsWindow::KeyFieldsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmKeyFields"));
    setWindowTitle(QStringLiteral("Key Fields"));
    label1_ = control<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Select Key Fields:"));
    lstKeys_ = control<QListWidget>(this, QStringLiteral("lstKeys"));
    lstKeys_->setSelectionMode(QAbstractItemView::MultiSelection);
    cmdAll_ = control<QPushButton>(this, QStringLiteral("cmdAll"), QStringLiteral("Select All"));
    cmdOK_ = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Exit"));

    // Wide enough for either caption of the toggle.
    cmdAll_->setText(QStringLiteral("De-Select All"));
    const int width = cmdAll_->sizeHint().width();
    cmdAll_->setText(QStringLiteral("Select All"));
    for (QPushButton* b : {cmdAll_, cmdOK_, cmdCancel_}) b->setMinimumWidth(width);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1_, 0, 0);
    grid->addWidget(lstKeys_, 1, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdAll_);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    grid->addLayout(buttons, 1, 1);
    grid->setColumnStretch(0, 1);
    resize(380, 360);

    connect(cmdAll_, &QPushButton::clicked, this, [this] { cmdAll_Click(); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    qv::platform::setCancelButton(this, cmdCancel_);
}

bool KeyFieldsWindow::Form_Load(const filesel::FileChooser& chooser) {
    return loadFile(chooser.lblFile()->text(), chooser.DummyField()->text());
}

bool KeyFieldsWindow::loadFile(const QString& path, const QString& dummyField) {
    const bool headings = qv::leadingNumber(dummyField.toStdString()) == 6;
    path_ = path;
    const KeyScan scan = scanKeyFields(path.toStdString(), headings);
    if (scan.problem != ScanProblem::None) {
        messages().msgBox(problemText(scan.problem, path, scan.line), Buttons::OkOnly);
        return false;
    }
    layout_ = scan.layout;
    lstKeys_->clear();
    for (const auto& caption : scan.captions) lstKeys_->addItem(QString::fromStdString(caption));
    qv::platform::centreOnScreen(this);
    return true;
}

void KeyFieldsWindow::cmdAll_Click() {
    const bool select = !allSelected_;
    for (int i = 0; i < lstKeys_->count(); ++i) lstKeys_->item(i)->setSelected(select);
    allSelected_ = select;
    cmdAll_->setText(select ? QStringLiteral("De-Select All") : QStringLiteral("Select All"));
}

CheckSetup KeyFieldsWindow::setup() const {
    CheckSetup s{path_.toStdString(), layout_, {}};
    for (int i = 0; i < lstKeys_->count(); ++i) s.selected.push_back(lstKeys_->item(i)->isSelected());
    return s;
}

void KeyFieldsWindow::cmdOK_Click() {
    const CheckSetup s = setup();
    bool any = false;
    for (const bool b : s.selected) any = any || b;
    if (!any) {
        messages().msgBox(QStringLiteral("At least one key field must be selected"), Buttons::OkOnly);
        return;
    }
    if (startRun_) startRun_(*this, s);
}

void KeyFieldsWindow::cmdCancel_Click() { close(); }

}  // namespace qv::duplicates
