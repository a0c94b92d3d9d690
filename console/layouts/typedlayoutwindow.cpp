#include "console/layouts/typedlayoutwindow.h"

#include "console/layouts/layoutfile.h"
#include "console/layouts/layoutwizardwindow.h"
#include "console/layouts/newfilehint.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/messages.h"
#include "platform/numericbox.h"
#include "platform/strings.h"

#include "common/filesel/frmfilesel.h"
#include "common/parm/parmrecord.h"
#include "common/programstart.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStringListModel>
#include <QTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <tuple>

namespace qv::console {

using platform::control;
using platform::NumericBox;
using typed::BoxCount;

namespace {

// The boxes' names, part by part: first box, second box.
constexpr const char* kBoxes[BoxCount] = {
    "txtNamefrom",     "txtNameLength",     "txtAddress1from", "txtAddress1length", "txtAddress2from",
    "txtAddress2length", "txtAddress3from", "txtAddress3length", "txtTownfrom",     "txtTownlength",
    "txtCountyfrom",   "txtCountylength",   "txtPostcodefrom", "txtPostcodelength", "txtReffrom",
    "txtReflength",
};
constexpr const char* kLabels[BoxCount] = {
    "lblNamefrom",     "lblNamelength",     "lblAddress1from", "lblAddress1length", "lblAddress2from",
    "lblAddress2length", "lblAddress3from", "lblAddress3length", "lblTownfrom",     "lblTownlength",
    "lblCountyfrom",   "lblCountylength",   "lblPostcodefrom", "lblPostcodelength", "lblReffrom",
    "lblReflength",
};

using qv::platform::qs;

void say(const QString& text) { platform::messages().msgBox(text, platform::Buttons::OkOnly, platform::Icon::None); }

void tellDbFailure(const db::DbError& e) {
    say(qs(start::refusalText(e.number(), e.description())));
}

}  // namespace

TypedLayoutWindow::TypedLayoutWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmLayout"));
    setWindowTitle(QStringLiteral("Layout of Extract File"));
    setAttribute(Qt::WA_DeleteOnClose);
    platform::setHelpTopic(this, 74);  // the layout topic, which tells of these forms too

    auto* layout = new QVBoxLayout(this);
    auto* menuBar = new QMenuBar(this);
    auto* mnuEdit = menuBar->addMenu(QStringLiteral("Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuDelete_ = mnuEdit->addAction(QStringLiteral("Delete Layout"));
    mnuDelete_->setObjectName(QStringLiteral("mnuDelete"));
    mnuDelete_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    auto* mnuOptions = menuBar->addMenu(QStringLiteral("Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuCorvath_ = mnuOptions->addAction(QStringLiteral("Layout Wizard"));
    mnuCorvath_->setObjectName(QStringLiteral("mnuCorvath"));
    mnuCorvath_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    layout->setMenuBar(menuBar);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(control<QLabel>(this, "Label1", "File:"));
    txtFile_ = control<QComboBox>(this, "TxtFile");
    txtFile_->setEditable(true);
    txtFile_->setInsertPolicy(QComboBox::NoInsert);
    // The text is the name as typed: nothing completes it, and a typed name is
    // matched with the entries only letter for letter (never recased).
    auto* exact = new QCompleter(new QStringListModel(txtFile_), txtFile_);
    exact->setCaseSensitivity(Qt::CaseSensitive);
    txtFile_->setCompleter(exact);
    txtFile_->setMinimumWidth(360);
    fileRow->addWidget(txtFile_, 1);
    cmdSelFile_ = control<QPushButton>(this, "cmdSelFile", "...");
    cmdSelFile_->setFixedWidth(cmdSelFile_->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
    cmdSelFile_->setAutoDefault(false);
    fileRow->addWidget(cmdSelFile_);
    layout->addLayout(fileRow);

    frame1_ = control<QGroupBox>(this, "Frame1", "Layout Type");
    auto* types = new QHBoxLayout(frame1_);
    optAscii_ = control<QRadioButton>(frame1_, "optAscii", "Fixed Format");
    optComma_ = control<QRadioButton>(frame1_, "optComma", "Comma Delimited");
    optNoquotes_ = control<QRadioButton>(frame1_, "optNoquotes", "No Quotes");
    for (QRadioButton* o : {optAscii_, optComma_, optNoquotes_}) {
        types->addWidget(o);
        o->installEventFilter(this);
        connect(o, &QRadioButton::clicked, this, &TypedLayoutWindow::setlabels);
    }
    layout->addWidget(frame1_);

    auto* grid = new QGridLayout;
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16;
    for (int b = 0; b < BoxCount; ++b) {
        const int part = b / 2;
        const int column = (part % 2) * 3;
        const int row = (part / 2) * 2 + b % 2;
        labels_[std::size_t(b)] = control<QLabel>(this, QString::fromLatin1(kLabels[b]));
        boxes_[std::size_t(b)] = new NumericBox(QString::fromLatin1(kBoxes[b]), this);
        boxes_[std::size_t(b)]->setEmptyBecomesZero(true);
        boxes_[std::size_t(b)]->setMaxLength(5);
        boxes_[std::size_t(b)]->setFixedWidth(boxWidth);
        grid->addWidget(labels_[std::size_t(b)], row, column);
        grid->addWidget(boxes_[std::size_t(b)], row, column + 1);
        if (part / 2 > 0 && b % 2 == 0) grid->setRowMinimumHeight(row, boxes_[0]->sizeHint().height() + 8);
    }
    grid->setColumnMinimumWidth(2, 24);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    for (int b : {0, 1}) {
        NumericBox* box = boxes_[std::size_t(b)];
        box->installEventFilter(this);
        connect(box, &NumericBox::gotFocus, this, [this, box] {
            if (skipNameFocus_) {
                skipNameFocus_ = false;
                return;
            }
            hintTest(box);
        });
    }

    std::tie(cmdOK_, cmdCancel_) = platform::addOkCancelRow(this, layout);

    QList<QWidget*> order{txtFile_, cmdSelFile_, optAscii_, optComma_, optNoquotes_};
    for (NumericBox* b : boxes_) order << b;
    order << cmdOK_ << cmdCancel_;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    connect(txtFile_, &QComboBox::editTextChanged, this, &TypedLayoutWindow::TxtFile_Change);
    // A name chosen from the list; the combo box also "activates" a typed name
    // that matches an entry when Enter is pressed or the box is left, which is
    // no choice.
    connect(txtFile_, &QComboBox::activated, this, [this] {
        if (!typedActivation_) TxtFile_Change();
    });
    txtFile_->installEventFilter(this);
    txtFile_->lineEdit()->installEventFilter(this);
    connect(cmdOK_, &QPushButton::clicked, this, &TypedLayoutWindow::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &TypedLayoutWindow::cmdCancel_Click);
    connect(cmdSelFile_, &QPushButton::clicked, this, &TypedLayoutWindow::cmdSelFile_Click);
    connect(mnuDelete_, &QAction::triggered, this, &TypedLayoutWindow::mnuDelete_Click);
    connect(mnuCorvath_, &QAction::triggered, this, &TypedLayoutWindow::mnuCorvath_Click);
}

TypedLayoutWindow::~TypedLayoutWindow() { Form_Unload(); }

NewFileHint* TypedLayoutWindow::hintWindow() const { return layWin_; }
LayoutWizardWindow* TypedLayoutWindow::wizard() const { return wizard_; }
filesel::FileChooser* TypedLayoutWindow::chooser() const { return chooser_; }

bool TypedLayoutWindow::Form_Load() {
    optAscii_->setChecked(true);
    setlabels();
    lastfile_.clear();
    try {
        db_ = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        parm::ParmRecord check(*db_);  // the hint test reads the settings row
        fillList();
    } catch (const db::DbError& e) {
        db_.reset();
        tellDbFailure(e);
        return false;
    }
    adjustSize();
    platform::centreOnScreen(this);
    txtFile_->setFocus();
    return true;
}

void TypedLayoutWindow::Form_Unload() {
    if (!db_) return;
    try {
        db_->close();
    } catch (const db::DbError&) {
        // Nothing is left to store: every write was committed when made.
    }
    db_.reset();
}

void TypedLayoutWindow::closeEvent(QCloseEvent* e) {
    Form_Unload();
    // The hint and the chooser belong to this form; a wizard it opened stays
    // open until the user is done with it.
    if (layWin_) layWin_->close();
    if (chooser_) chooser_->close();
    QWidget::closeEvent(e);
}

bool TypedLayoutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFile_ || watched == txtFile_->lineEdit()) {
        const bool enter = event->type() == QEvent::KeyPress &&
                           (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (enter || event->type() == QEvent::FocusOut) {
            typedActivation_ = true;
            QTimer::singleShot(0, this, [this] { typedActivation_ = false; });
        }
        return QWidget::eventFilter(watched, event);
    }
    const bool option = watched == optAscii_ || watched == optComma_ || watched == optNoquotes_;
    const bool nameBox = watched == boxes_[0] || watched == boxes_[1];
    if (event->type() == QEvent::FocusIn && (option || nameBox)) {
        // The focus coming back from the message this test just showed is no
        // new arrival: testing again would show the message again, for ever.
        const bool back =
            messageLeftFocus_ && static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason;
        messageLeftFocus_ = false;
        if (option && !back) hintTest(nullptr);
        if (nameBox) skipNameFocus_ = back;
    }
    return QWidget::eventFilter(watched, event);
}

std::string TypedLayoutWindow::file() const { return txtFile_->currentText().toStdString(); }

typed::Kind TypedLayoutWindow::kind() const {
    if (optAscii_->isChecked()) return typed::Kind::Fixed;
    if (optComma_->isChecked()) return typed::Kind::Comma;
    return typed::Kind::NoQuotes;
}

std::array<std::string, BoxCount> TypedLayoutWindow::boxTexts() const {
    std::array<std::string, BoxCount> out;
    for (int b = 0; b < BoxCount; ++b) out[std::size_t(b)] = boxes_[std::size_t(b)]->text().toStdString();
    return out;
}

void TypedLayoutWindow::setlabels() {
    const typed::Kind k = optAscii_->isChecked() ? typed::Kind::Fixed : typed::Kind::Comma;
    for (int b = 0; b < BoxCount; ++b) labels_[std::size_t(b)]->setText(QString::fromLatin1(typed::caption(b, k)));
}

void TypedLayoutWindow::setAllBoxes(const QString& text) {
    for (NumericBox* b : boxes_) b->setText(text);
}

void TypedLayoutWindow::fillList() {
    const QSignalBlocker block(txtFile_);
    const QString text = txtFile_->currentText();
    txtFile_->clear();
    for (const std::string& f : typed::listFiles(*db_)) txtFile_->addItem(qs(f));
    txtFile_->setCurrentIndex(-1);
    txtFile_->setEditText(text);
}

void TypedLayoutWindow::TxtFile_Change() {
    if (!db_) return;
    try {
        const auto stored = typed::load(*db_, file());
        if (!stored) {
            setlabels();
            setAllBoxes(QStringLiteral("0"));
            return;
        }
        switch (typed::kindOf(stored->type)) {
        case typed::Kind::Fixed: optAscii_->setChecked(true); break;
        case typed::Kind::Comma: optComma_->setChecked(true); break;
        case typed::Kind::NoQuotes: optNoquotes_->setChecked(true); break;
        }
        setlabels();
        for (int b = 0; b < BoxCount; ++b) boxes_[std::size_t(b)]->setText(qs(stored->boxes[std::size_t(b)]));
    } catch (const db::DbError& e) {
        tellDbFailure(e);
    }
}

void TypedLayoutWindow::valid() {
    const auto failure = typed::valid(file(), kind(), boxTexts());
    if (!failure) return;
    say(qs(failure->message));
    checkFailed_ = true;
    switch (failure->focus) {
    case typed::CheckFailure::Focus::FileBox: txtFile_->setFocus(); break;
    case typed::CheckFailure::Focus::Box: boxes_[std::size_t(failure->box)]->setFocus(); break;
    case typed::CheckFailure::Focus::Stay: break;
    }
}

void TypedLayoutWindow::cmdOK_Click() {
    checkFailed_ = false;
    valid();
    if (checkFailed_ || !db_) return;
    try {
        typed::store(*db_, file(), kind(), boxTexts());
        db_->commit();
    } catch (const db::DbError& e) {
        tellDbFailure(e);
        return;
    }
    close();
}

void TypedLayoutWindow::cmdCancel_Click() { close(); }

void TypedLayoutWindow::cmdSelFile_Click() {
    auto* chooser = new filesel::FileChooser(filesel::Variant::Console);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setNextForm([this](filesel::FileChooser& c, const filesel::FileChooser::Accepted&) {
        wizard_ = LayoutWizardWindow::open(c.TxtFile()->text());
    });
    chooser_ = chooser;
    platform::showActivated(chooser);
}

void TypedLayoutWindow::mnuDelete_Click() {
    if (!db_) return;
    if (txtFile_->currentText().isEmpty()) {
        say(QStringLiteral("Must select which file layout you would like to delete"));
        txtFile_->setFocus();
        return;
    }
    try {
        if (!typed::remove(*db_, file())) return;
        db_->commit();
        txtFile_->setEditText(QString());
        setAllBoxes(QStringLiteral("0"));
        fillList();
    } catch (const db::DbError& e) {
        tellDbFailure(e);
    }
}

void TypedLayoutWindow::mnuCorvath_Click() {
    if (txtFile_->currentText().isEmpty()) {
        say(QStringLiteral("Please select file before running the layout wizard"));
        txtFile_->setFocus();
        return;
    }
    const FileTest t = testFile(file());
    if (t.missing()) {
        say(QStringLiteral("A valid file must be entered"));
        txtFile_->setFocus();
        return;
    }
    if (!t.ok()) {
        say(qs(t.description));
        return;
    }
    openWizard();
}

void TypedLayoutWindow::openWizard() { wizard_ = LayoutWizardWindow::open(txtFile_->currentText()); }

void TypedLayoutWindow::hintTest(NumericBox* nameBox) {
    const FileTest t = testFile(file());
    if (t.missing()) {
        if (nameBox) nameBox->deselect();
        say(QStringLiteral("A valid file must be entered"));
        txtFile_->setFocus();
        return;
    }
    if (!t.ok()) {
        if (nameBox) nameBox->deselect();
        say(qs(t.description));
        messageLeftFocus_ = true;
        return;
    }
    const QString name = txtFile_->currentText();
    try {
        if (db_ && !name.isEmpty() && parm::ParmRecord(*db_).text(parm::key::LayWin) == "Y" && name != lastfile_) {
            lastfile_ = name;
            if (!typed::load(*db_, file())) showHintWindow();
        }
    } catch (const db::DbError& e) {
        tellDbFailure(e);
        messageLeftFocus_ = true;
    }
    if (nameBox) nameBox->selectAll();
}

void TypedLayoutWindow::showHintWindow() {
    if (!layWin_) {
        QPointer<TypedLayoutWindow> self(this);
        auto* w = new NewFileHint([self] {
            if (self) self->openWizard();
        });
        if (!w->Form_Load()) {
            w->deleteLater();
            return;
        }
        layWin_ = w;
    }
    layWin_->show();
    layWin_->raise();
    layWin_->activateWindow();
}

}  // namespace qv::console
