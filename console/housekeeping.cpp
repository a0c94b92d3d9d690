#include "console/housekeeping.h"

#include "common/db/database.h"
#include "console/cleanup.h"
#include "console/linelisting.h"
#include "console/messagetexts.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/messages.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::console {

using platform::Buttons;
using platform::control;
using platform::Icon;
using platform::messages;

namespace {

QLabel* wrapped(QWidget* parent, const char* name, const char* text) {
    auto* l = control<QLabel>(parent, name, QString::fromLatin1(text));
    l->setWordWrap(true);
    return l;
}

// OK on the left, Cancel on the right; neither is pressed by Enter.
QHBoxLayout* buttonRow(QWidget* form, QPushButton*& ok, QPushButton*& cancel) {
    ok = control<QPushButton>(form, "cmdOK", "OK");
    cancel = control<QPushButton>(form, "cmdCancel", "Cancel");
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : {ok, cancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        row->addWidget(b);
    }
    row->addStretch(1);
    platform::setCancelButton(form, cancel);
    return row;
}

}  // namespace

// ---- frmCleanup -------------------------------------------------------------------

CleanupDialog::CleanupDialog(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmCleanup"));
    setWindowTitle(QStringLiteral("Cleanup Mailsort Work Files"));
    platform::setHelpTopic(this, 30);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrapped(this, "Label1", "This option will delete the work files used by Mailsort."));
    layout->addWidget(wrapped(this, "Label2",
                              "You should have produced all reports and labels required before running this "
                              "option.  If you require reports/labels after taking this option, you will need to "
                              "start the Mailsort process again."));
    layout->addLayout(buttonRow(this, cmdOK_, cmdCancel_));
    setMinimumWidth(420);
    connect(cmdOK_, &QPushButton::clicked, this, &CleanupDialog::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &CleanupDialog::cmdCancel_Click);
}

void CleanupDialog::Form_Load() { platform::centreOnScreen(this); }

void CleanupDialog::cmdOK_Click() {
    platform::WaitCursor wait;
    const CleanupResult r = cleanUpWorkFiles();
    wait.restore();
    if (!r.opened) {
        // Nothing was touched: say why rather than claim it is done.
        const QString text = db::isHeldElsewhere(r.openError) ? QString::fromLatin1(text::AnotherRunning)
                                                               : QString::fromStdString(r.openDescription);
        messages().msgBox(text, Buttons::OkOnly, Icon::Exclamation);
        return;
    }
    if (!r.dropFailure.empty()) {
        messages().msgBox(QStringLiteral("The work tables could not be removed: ") +
                              QString::fromStdString(r.dropFailure),
                          Buttons::OkOnly, Icon::Exclamation);
        return;
    }
    if (!r.compacted) {
        messages().msgBox(QStringLiteral("Database not compressed"), Buttons::OkOnly, Icon::Exclamation);
        return;
    }
    messages().msgBox(QStringLiteral("Cleanup Complete"), Buttons::OkOnly, Icon::None);
}

void CleanupDialog::cmdCancel_Click() { close(); }

// ---- frmCpyfile -------------------------------------------------------------------

CopyFileDialog::CopyFileDialog(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmCpyfile"));
    setWindowTitle(QStringLiteral("Copy PO Line List File to Diskette"));
    platform::setHelpTopic(this, 31);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(wrapped(this, "Label1",
                              "This program will take the file created from the Print PO Reports option and copy "
                              "it to a diskette.  This can then be sent to the Post Office to allow them to create "
                              "bag labels.  It is just an electronic version of the line listing."));
    layout->addWidget(wrapped(this, "Label2", "Insert a blank, formatted diskette and ensure it is not write-protected."));
    auto* drive = new QHBoxLayout;
    drive->addWidget(control<QLabel>(this, "Label3", "Target drive (A/B):"));
    txtDrive_ = control<QLineEdit>(this, "txtDrive", "A");
    txtDrive_->setMaxLength(1);
    txtDrive_->setFixedWidth(txtDrive_->fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 12);
    drive->addWidget(txtDrive_);
    drive->addSpacing(24);
    drive->addWidget(control<QLabel>(this, "Label4", "Name: POFILE"));
    drive->addStretch(1);
    layout->addLayout(drive);
    layout->addLayout(buttonRow(this, cmdOK_, cmdCancel_));
    setMinimumWidth(440);
    connect(cmdOK_, &QPushButton::clicked, this, &CopyFileDialog::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &CopyFileDialog::cmdCancel_Click);
}

void CopyFileDialog::Form_Load() { platform::centreOnScreen(this); }

void CopyFileDialog::cmdOK_Click() {
    platform::WaitCursor wait;
    const auto failure = copyLineListing(txtDrive_->text());
    wait.restore();
    if (failure) {
        messages().msgBox(*failure, Buttons::OkOnly, Icon::Exclamation);
        return;
    }
    messages().msgBox(QStringLiteral("Copy to diskette complete"), Buttons::OkOnly, Icon::None);
}

void CopyFileDialog::cmdCancel_Click() { close(); }

// ---- frmAbout ---------------------------------------------------------------------

AboutBox::AboutBox(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quorvel"));
    auto* layout = new QVBoxLayout(this);
    auto* name = control<QLabel>(this, "lblTitle", "Quorvel");
    QFont big(QStringLiteral("Arial"));
    big.setPointSize(20);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(control<QLabel>(this, "lblDescription", "Mailsort System"), 0, Qt::AlignHCenter);
    layout->addWidget(control<QLabel>(this, "lblVersion", "Version 4.1"), 0, Qt::AlignHCenter);
    layout->addWidget(control<QLabel>(this, "lblSupplier", "Brackwith Mailing Services"), 0, Qt::AlignHCenter);
    cmdOK_ = control<QPushButton>(this, "cmdOK", "OK");
    cmdOK_->setAutoDefault(false);
    layout->addWidget(cmdOK_, 0, Qt::AlignHCenter);
    platform::setCancelButton(this, cmdOK_);
    setMinimumWidth(300);
    connect(cmdOK_, &QPushButton::clicked, this, &AboutBox::cmdOK_Click);
}

void AboutBox::cmdOK_Click() { close(); }

}  // namespace qv::console
