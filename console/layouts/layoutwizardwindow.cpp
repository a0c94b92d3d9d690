#include "console/layouts/layoutwizardwindow.h"

#include "platform/forms.h"
#include "platform/help.h"
#include "platform/messages.h"
#include "platform/numericbox.h"
#include "platform/strings.h"

#include "common/db/database.h"
#include "common/programstart.h"
#include "common/text/chars.h"

#include <QCheckBox>
#include <QFont>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace qv::console {

using platform::control;
using platform::NumericBox;
using namespace wizard;

namespace {

constexpr int kHelpTopic = 74;

// Digits a start or length box takes as typed.
constexpr int kDigits = 5;

struct Row {
    const char* shown;
    const char* start;
    const char* length;
    int maxShown;  // 0: no limit
};
const Row kRows[PartCount] = {
    {"txtName", "strName", "endName", 45},
    {"txtAdd1", "strAdd1", "endAdd1", 45},
    {"txtAdd2", "strAdd2", "endAdd2", 45},
    {"txtAdd3", "strAdd3", "endAdd3", 45},
    {"txtTown", "strTown", "endTown", 45},
    {"txtCounty", "strCounty", "endCounty", 45},
    {"txtPostcode", "strPostcode", "endPostcode", 8},
    {"TxtPostcode2", "StrPostcode2", "EndPostcode2", 8},
    {"txtRef", "strRef", "endRef", 0},
};

using qv::platform::qs;

void tellUnexpected(const db::DbError& e) {
    platform::messages().msgBox(qs(start::refusalText(e.number(), e.description())), platform::Buttons::OkOnly,
                                platform::Icon::Exclamation);
}

}  // namespace

LayoutWizardWindow::LayoutWizardWindow(const QString& path, QWidget* parent) : QWidget(parent, Qt::Window), path_(path.toStdString()) {
    setObjectName(QStringLiteral("frmCorvath"));
    setWindowTitle(QStringLiteral("Layout Wizard"));
    setAttribute(Qt::WA_DeleteOnClose);
    platform::setHelpTopic(this, kHelpTopic);

    auto* layout = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    auto* label2 = control<QLabel>(this, "Label2", "Selected File:");
    lblSelFile_ = control<QLabel>(this, "lblSelFile");
    QFont bold = font();
    bold.setBold(true);
    label2->setFont(bold);
    lblSelFile_->setFont(bold);
    fileRow->addWidget(label2);
    fileRow->addWidget(lblSelFile_, 1);
    layout->addLayout(fileRow);
    layout->addWidget(control<QLabel>(this, "Label1", "First records of selected file:"));

    txtRecords_ = control<QPlainTextEdit>(this, "txtRecords");
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPointSizeF(8.25);
    txtRecords_->setFont(fixed);
    txtRecords_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtRecords_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtRecords_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtRecords_->setReadOnly(true);
    txtRecords_->setFocusPolicy(Qt::ClickFocus);
    platform::setHelpTopic(txtRecords_, kHelpTopic);

    // One record button beside each record line, under the two ruler lines;
    // placed on the lines once the text is laid out (placeRecordButtons).
    auto* records = new QHBoxLayout;
    recordButtons_ = new QWidget(this);
    const int line = QFontMetrics(fixed).lineSpacing();
    recordButtons_->setFixedWidth(QRadioButton().sizeHint().width());
    for (int i = 0; i < RecordsShown; ++i) {
        optRec_[std::size_t(i)] = control<QRadioButton>(recordButtons_, QStringLiteral("optRec%1").arg(i + 1));
        platform::setHelpTopic(optRec_[std::size_t(i)], kHelpTopic);
        // A record is chosen when its button becomes the selected one; a click
        // on the selected button changes nothing (and keeps the user's numbers).
        connect(optRec_[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && loaded_) chooseRecord(i + 1);
        });
    }
    const int top = txtRecords_->frameWidth() + int(txtRecords_->document()->documentMargin());
    txtRecords_->setFixedHeight(2 * top + (2 + RecordsShown) * line +
                                txtRecords_->horizontalScrollBar()->sizeHint().height() + 4);
    records->addWidget(recordButtons_);
    records->addWidget(txtRecords_, 1);
    layout->addLayout(records);

    chkKeepPos_ = control<QCheckBox>(this, "chkKeepPos", "Keep position values");
    layout->addWidget(chkKeepPos_);

    auto* grid = new QGridLayout;
    grid->addWidget(control<QLabel>(this, "Label3", "Value"), 0, 1);
    lblFrom_ = control<QLabel>(this, "lblFrom");
    lblTo_ = control<QLabel>(this, "lblTo");
    grid->addWidget(lblFrom_, 0, 2);
    grid->addWidget(lblTo_, 0, 3);
    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16;
    for (int p = 0; p < PartCount; ++p) {
        const Row& r = kRows[p];
        grid->addWidget(control<QLabel>(this, QStringLiteral("lblPart%1").arg(p + 1),
                                        QString::fromLatin1(partName(Part(p))) + u':'),
                        p + 1, 0);
        auto* shown = control<QLineEdit>(this, QString::fromLatin1(r.shown));
        shown->setReadOnly(true);
        shown->setFocusPolicy(Qt::ClickFocus);
        // setShown cuts the text by characters; the box counts UTF-16 units, two
        // for a character outside the Basic Multilingual Plane, so it must not
        // cut again.
        shown->setMaxLength(2 * (r.maxShown ? r.maxShown : ShownColumns));
        shown_[std::size_t(p)] = shown;
        auto* start = new NumericBox(QString::fromLatin1(r.start), this);
        auto* length = new NumericBox(QString::fromLatin1(r.length), this);
        for (NumericBox* b : {start, length}) {
            // Typing stops at five digits, but a proposal is shown whole: a box
            // that cut it would store another column than the one proposed.
            platform::setKeyPressHandler(b, [b](QChar c) {
                if (!NumericBox::keyAllowed(c, false)) return QChar();
                if (c != u'\b' && b->text().size() - b->selectedText().size() >= kDigits) return QChar();
                return c;
            });
            b->setEmptyBecomesZero(true);
            b->setFixedWidth(boxWidth);
            platform::setHelpTopic(b, kHelpTopic);
        }
        start_[std::size_t(p)] = start;
        length_[std::size_t(p)] = length;
        connect(start, &NumericBox::lostFocus, this, [this, p] { boxLeft(p, true); });
        connect(length, &NumericBox::lostFocus, this, [this, p] { boxLeft(p, false); });
        grid->addWidget(shown, p + 1, 1);
        grid->addWidget(start, p + 1, 2);
        grid->addWidget(length, p + 1, 3);
    }
    platform::setHelpTopic(shown_[Name], kHelpTopic);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* buttonRow = new QHBoxLayout;
    cmdOK_ = control<QPushButton>(this, "cmdOK", "Apply Layout");
    cmdCancel_ = control<QPushButton>(this, "cmdCancel", "Cancel");
    for (QPushButton* b : {cmdOK_, cmdCancel_}) {
        b->setFont(bold);
        b->setAutoDefault(false);
        b->setDefault(false);
        platform::setHelpTopic(b, kHelpTopic);
    }
    buttonRow->addStretch(1);
    buttonRow->addWidget(cmdOK_);
    buttonRow->addWidget(cmdCancel_);
    buttonRow->addStretch(1);
    layout->addLayout(buttonRow);
    platform::setCancelButton(this, nullptr);

    QList<QWidget*> order;
    for (QRadioButton* b : optRec_) order << b;
    for (int p = 0; p < PartCount; ++p) order << start_[std::size_t(p)] << length_[std::size_t(p)];
    order << cmdOK_ << cmdCancel_ << chkKeepPos_;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    connect(cmdOK_, &QPushButton::clicked, this, &LayoutWizardWindow::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &LayoutWizardWindow::cmdCancel_Click);
    resize(760, sizeHint().height());
}

bool LayoutWizardWindow::Form_Load() {
    lblSelFile_->setText(qs(path_));
    platform::WaitCursor wait;
    FirstRecords records;
    try {
        records = firstRecords(path_);
    } catch (const FileUnreadable& e) {
        wait.restore();
        platform::messages().msgBox(qs(e.what()), platform::Buttons::OkOnly, platform::Icon::Exclamation);
        close();
        return false;
    }
    QStringList text{qs(rulerTens()), qs(rulerUnits())};
    for (const std::string& l : records.shown) text << qs(l);
    txtRecords_->setPlainText(text.join(u'\n'));
    placeRecordButtons();
    chkKeepPos_->setChecked(false);
    optRec_[0]->setChecked(true);
    // Record 1 as a click on its button chooses it, from the read just made.
    record_ = 1;
    sample_ = std::move(records.first);
    LayoutType();
    loaded_ = true;
    return true;
}

void LayoutWizardWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    placeRecordButtons();
}

void LayoutWizardWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    placeRecordButtons();
}

void LayoutWizardWindow::placeRecordButtons() {
    // Each button on the middle of its line; a record the file does not have
    // still gets its place, one line further down.
    QTextCursor cursor(txtRecords_->document());
    cursor.setPosition(txtRecords_->document()->findBlockByNumber(1).position());
    const QRect units = txtRecords_->cursorRect(cursor);
    const QPoint first = recordButtons_->mapFrom(this, txtRecords_->viewport()->mapTo(this, units.center()));
    for (int i = 0; i < RecordsShown; ++i) {
        QRadioButton* b = optRec_[std::size_t(i)];
        const QSize size = b->sizeHint();
        int y = first.y() + (i + 1) * units.height();
        const QTextBlock block = txtRecords_->document()->findBlockByNumber(2 + i);
        if (block.isValid()) {
            cursor.setPosition(block.position());
            y = recordButtons_->mapFrom(this, txtRecords_->viewport()->mapTo(this, txtRecords_->cursorRect(cursor).center())).y();
        }
        b->setGeometry(0, y - size.height() / 2, size.width(), size.height());
    }
}

std::optional<QString> LayoutWizardWindow::ReadFile() {
    try {
        if (auto record = readRecord(path_, record_)) sample_ = std::move(*record);
    } catch (const FileUnreadable& e) {
        return qs(e.what());
    }
    return std::nullopt;
}

void LayoutWizardWindow::LayoutType() {
    lblFrom_->setText(QStringLiteral("Start"));
    lblTo_->setText(QStringLiteral("Length"));
    DoAscii();
}

void LayoutWizardWindow::DoAscii() { showValues(wizard::DoAscii(sample_)); }

void LayoutWizardWindow::ShowParts() {
    Parts parts = values();
    wizard::ShowParts(sample_, parts);
    for (int p = 0; p < PartCount; ++p) setShown(p, parts[std::size_t(p)].shown);
}

void LayoutWizardWindow::setShown(int part, const std::string& text) {
    // Cut before it becomes a QString: a part of a long record can be megabytes.
    const int most = kRows[part].maxShown ? kRows[part].maxShown : ShownColumns;
    shown_[std::size_t(part)]->setText(qs(left(text, std::size_t(most))));
}

void LayoutWizardWindow::chooseRecord(int n) {
    record_ = n;
    std::optional<QString> unreadable;
    {
        // A record of megabytes takes a moment to read and to propose.
        const platform::WaitCursor wait;
        unreadable = ReadFile();
        if (chkKeepPos_->isChecked()) ShowParts();
        else LayoutType();
    }
    if (unreadable) platform::messages().msgBox(*unreadable, platform::Buttons::OkOnly, platform::Icon::Exclamation);
}

void LayoutWizardWindow::showValues(const Parts& parts) {
    for (int p = 0; p < PartCount; ++p) {
        const PartValues& v = parts[std::size_t(p)];
        setShown(p, v.shown);
        start_[std::size_t(p)]->setText(QString::number(v.start));
        length_[std::size_t(p)]->setText(QString::number(v.length));
    }
}

Parts LayoutWizardWindow::values() const {
    Parts parts;
    for (int p = 0; p < PartCount; ++p) {
        parts[std::size_t(p)].shown = shown_[std::size_t(p)]->text().toStdString();
        // An empty box counts as 0.
        parts[std::size_t(p)].start = start_[std::size_t(p)]->text().toInt();
        parts[std::size_t(p)].length = length_[std::size_t(p)]->text().toInt();
    }
    return parts;
}

void LayoutWizardWindow::boxLeft(int part, bool startBox) {
    const int start = start_[std::size_t(part)]->text().toInt();
    const int length = length_[std::size_t(part)]->text().toInt();
    if (start != 0) {
        setShown(part, cut(sample_, start, length));
    } else if (startBox) {
        // An absent part shows no text, postcodes included.
        shown_[std::size_t(part)]->clear();
    }
}

void LayoutWizardWindow::cmdOK_Click() {
    const Parts parts = values();
    if (const auto refused = checkLimits(parts)) {
        platform::messages().msgBox(qs(refused->message), platform::Buttons::OkOnly, platform::Icon::Exclamation);
        (refused->startBox ? start_ : length_)[std::size_t(refused->part)]->setFocus();
        return;
    }
    try {
        auto db = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        applyLayout(*db, path_, parts);
        db->close();
    } catch (const db::DbError& e) {
        tellUnexpected(e);
        return;
    }
    close();
}

void LayoutWizardWindow::cmdCancel_Click() { close(); }

LayoutWizardWindow* LayoutWizardWindow::open(const QString& path) {
    auto* w = new LayoutWizardWindow(path);
    if (!w->Form_Load()) return nullptr;
    w->show();
    platform::centreOnScreen(w);
    w->raise();
    w->activateWindow();
    w->optRec_[0]->setFocus();  // the first of the tab order
    return w;
}

}  // namespace qv::console
