#include "console/layouts/newfilehint.h"

#include "platform/forms.h"
#include "platform/help.h"
#include "platform/messages.h"

#include "common/parm/parmrecord.h"
#include "common/programstart.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::console {

using platform::control;

namespace {

void tellFailure(const db::DbError& e) {
    platform::messages().msgBox(QString::fromStdString(start::refusalText(e.number(), e.description())),
                                platform::Buttons::OkOnly, platform::Icon::Exclamation);
}

}  // namespace

NewFileHint::NewFileHint(std::function<void()> takeMeThere, QWidget* parent)
    : QWidget(parent, Qt::Window), takeMeThere_(std::move(takeMeThere)) {
    setObjectName(QStringLiteral("frmLayWin"));
    setWindowTitle(QStringLiteral("New File"));
    setAttribute(Qt::WA_DeleteOnClose);
    platform::setHelpTopic(this, 74);  // the layout topic, which tells of these forms too

    auto* layout = new QVBoxLayout(this);
    auto* label1 = control<QLabel>(
        this, "Label1",
        "You have selected a file that a layout definition does not exist for.  The layout wizard will help you to "
        "define the layout of your file.  You can access it by taking the \"Layout Wizard\" option on the "
        "\"Options\" menu.");
    label1->setWordWrap(true);
    label1->setMinimumWidth(360);
    layout->addWidget(label1);
    check1_ = control<QCheckBox>(this, "Check1", "Do not display this window again.");
    layout->addWidget(check1_);
    auto* buttons = new QHBoxLayout;
    cmdTake_ = control<QPushButton>(this, "cmdTake", "Take Me There Now!");
    cmdOK_ = control<QPushButton>(this, "cmdOK", "OK");
    buttons->addStretch(1);
    buttons->addWidget(cmdTake_);
    buttons->addWidget(cmdOK_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(cmdOK_, &QPushButton::clicked, this, &NewFileHint::cmdOK_Click);
    connect(cmdTake_, &QPushButton::clicked, this, &NewFileHint::cmdTake_Click);
}

NewFileHint::~NewFileHint() = default;

bool NewFileHint::Form_Load() {
    try {
        db_ = db::Database::open("Mailsort.mdb", db::OpenMode::Shared);
        parm_ = db_->openTable("Parmcode");
    } catch (const db::DbError& e) {
        parm_.reset();
        db_.reset();
        tellFailure(e);
        return false;
    }
    platform::centreOnScreen(this);
    return true;
}

bool NewFileHint::storeChoice() {
    bool ok = true;
    try {
        // Only a plain tick counts, never the greyed state.
        if (check1_->checkState() == Qt::Checked && parm_) {
            parm_->moveFirst();
            parm_->edit();
            parm_->set(parm::key::LayWin, "N");
            parm_->update();
        }
        parm_.reset();
        if (db_) db_->close();
    } catch (const db::DbError& e) {
        tellFailure(e);
        ok = false;
    }
    parm_.reset();
    db_.reset();
    return ok;
}

void NewFileHint::cmdOK_Click() {
    storeChoice();
    close();
}

void NewFileHint::cmdTake_Click() {
    storeChoice();
    if (takeMeThere_) takeMeThere_();
    close();
}

}  // namespace qv::console
