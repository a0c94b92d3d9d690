#include "designer/designerwindow.h"

#include "common/programstart.h"
#include "common/suitetexts.h"
#include "designer/fieldlist.h"
#include "designer/layoutrow.h"
#include "designer/partbox.h"

#include "common/text/chars.h"
#include "common/text/lines.h"
#include "common/text/numtext.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/strings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <system_error>

namespace qv::designer {

using qv::platform::control;
using qv::platform::messages;

const std::array<const char*, PartCount> kPartBoxNames = {
    "txtName1", "txtName2", "txtName3", "txtAdd11", "txtAdd12", "txtAdd13", "txtAdd21", "txtAdd22", "txtAdd23",
    "txtAdd31", "txtAdd32", "txtAdd33", "Txtadd4",  "txtTown",  "txtCounty", "txtPost1", "txtPost2", "txtRef",
};

const std::array<const char*, SampleCount> kSampleBoxNames = {
    "txtSmpName", "txtSmpAdd1", "txtSmpAdd2", "txtSmpAdd3", "Txtsmpadd4",
    "txtSmpTown", "txtSmpCounty", "txtSmpPost", "txtSmpRef",
};

namespace {

QString unexpected(int number, const QString& description) {
    return QString::fromStdString(texts::unexpectedError(number, description.toStdString()));
}

using qv::platform::qs;

QLabel* boldLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = control<QLabel>(parent, name, text);
    l->setTextFormat(Qt::PlainText);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QLabel* plainLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = control<QLabel>(parent, name, text);
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

DesignerWindow::DesignerWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmDovanet"));
    setWindowTitle(QStringLiteral("Define File Layout"));
    buildControls();
    setMouseTracking(true);
    cmdOK_->installEventFilter(this);
    // OK is the control that takes the focus when the form comes up.
    cmdOK_->setFocus(Qt::OtherFocusReason);
}

DesignerWindow::~DesignerWindow() = default;

void DesignerWindow::buildControls() {
    auto* top = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(boldLabel(this, QStringLiteral("lblSelected"), QStringLiteral("Selected Mailsort File:")));
    lblFile_ = plainLabel(this, QStringLiteral("lblFile"), QString(""));
    fileRow->addWidget(lblFile_, 1);
    top->addLayout(fileRow);

    dummyField_ = plainLabel(this, QStringLiteral("DummyField"), QStringLiteral("DummyField"));
    dummyField_->hide();

    // The instructions, label after label as they read.
    struct Piece {
        const char* text;
        bool bold;
    };
    const std::vector<std::vector<Piece>> lines = {
        {{"Click and drag the fields from the ", false},
         {"File Fields", true},
         {"list to the appropriate field in the ", false},
         {"Defined Layout", true},
         {"section.", false}},
        {{"The result of the layout you have defined can be seen in the ", false},
         {"Sample Record", true},
         {"section.  You can scroll through all the records in your file", false}},
        {{"to check the layout you have defined by using the navigation buttons below the sample record.  When you "
          "are happy with the layout click",
          false}},
        {{"on the", false}, {"OK", true}, {"button to save.", false}},
    };
    int pieceNo = 0;
    for (const auto& line : lines) {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        for (const Piece& p : line) {
            const QString name = QStringLiteral("lblInstruction%1").arg(++pieceNo);
            row->addWidget(p.bold ? boldLabel(this, name, QString::fromLatin1(p.text))
                                  : plainLabel(this, name, QString::fromLatin1(p.text)));
        }
        row->addStretch(1);
        top->addLayout(row);
    }

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(boldLabel(this, QStringLiteral("lblFileFields"), QStringLiteral("File Fields:")));
    auto* list = new FieldList(this);
    list->setObjectName(QStringLiteral("lstFields"));
    list->onPointerMove = [this] { lstFields_MouseMove(); };
    list->onDragStart = [this] { lstFields_OLEStartDrag(); };
    list->onDrop = [this] { lstFields_OLEDragDrop(); };
    lstFields_ = list;
    left->addWidget(lstFields_, 1);
    middle->addLayout(left, 1);

    auto* frame = control<QGroupBox>(this, QStringLiteral("fraLayout"), QStringLiteral("Defined Layout"));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(boldLabel(frame, QStringLiteral("lblSample"), QStringLiteral("Sample Record:")), 0, 4);
    struct Row {
        const char* caption;
        std::vector<Part> parts;
        SampleBox sample;
    };
    const Row rows[] = {
        {"Name:", {Name1, Name2, Name3}, SmpName},
        {"Address 1:", {Add11, Add12, Add13}, SmpAdd1},
        {"Address 2:", {Add21, Add22, Add23}, SmpAdd2},
        {"Address 3:", {Add31, Add32, Add33}, SmpAdd3},
        {"Address 4:", {Add4}, SmpAdd4},
        {"Town:", {Town}, SmpTown},
        {"County:", {County}, SmpCounty},
        {"Postcode:", {Post1, Post2}, SmpPost},
        {"Reference:", {Ref}, SmpRef},
    };
    int r = 1;
    for (const Row& row : rows) {
        grid->addWidget(plainLabel(frame, QStringLiteral("lblRow%1").arg(r), QString::fromLatin1(row.caption)), r,
                        0);
        int c = 1;
        for (Part p : row.parts) {
            auto* box = new PartBox(frame);
            box->setObjectName(QString::fromLatin1(kPartBoxNames[static_cast<std::size_t>(p)]));
            box->onPointerMove = [this, p] { box_MouseMove(p); };
            box->onDragStart = [this, p] { box_OLEStartDrag(p); };
            box->onDrop = [this, p] { box_OLEDragDrop(p); };
            boxes_[static_cast<std::size_t>(p)] = box;
            grid->addWidget(box, r, c++);
        }
        auto* smp = control<QLineEdit>(frame, QString::fromLatin1(kSampleBoxNames[row.sample]));
        smp->setReadOnly(true);
        smp->setAcceptDrops(false);
        smp->setContextMenuPolicy(Qt::NoContextMenu);
        smp->setFocusPolicy(Qt::ClickFocus);
        smp->setMinimumWidth(220);
        samples_[row.sample] = smp;
        grid->addWidget(smp, r, 4);
        ++r;
    }
    grid->setRowStretch(r, 1);
    middle->addWidget(frame, 3);
    top->addLayout(middle, 1);

    chkSkipFirst_ = control<QCheckBox>(this, QStringLiteral("chkSkipFirst"),
                                       QStringLiteral("Skip first record (header) on import"));
    top->addWidget(chkSkipFirst_);

    auto* buttons = new QHBoxLayout;
    cmdPrevious_ = control<QPushButton>(this, QStringLiteral("cmdPrevious"), QStringLiteral("First Record"));
    cmdNext_ = control<QPushButton>(this, QStringLiteral("cmdNext"), QStringLiteral("Next Record"));
    cmdOK_ = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Exit"));
    buttons->addStretch(1);
    buttons->addWidget(cmdPrevious_);
    buttons->addWidget(cmdNext_);
    buttons->addSpacing(40);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    top->addLayout(buttons);

    connect(cmdPrevious_, &QPushButton::clicked, this, [this] { cmdPrevious_Click(); });
    connect(cmdNext_, &QPushButton::clicked, this, [this] { cmdNext_Click(); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    resize(980, 560);
}

bool DesignerWindow::Form_Load() {
    start::Opened opened = start::openDatabase(db::OpenMode::Shared);
    if (!opened) {
        messages().msgBox(qs(opened.refusal()));
        endProgram(1);
        return false;
    }
    db_ = std::move(opened.db);
    try {
        data_ = db_->openTable("data");
        data_->setIndex("File");
    } catch (const db::DbError& e) {
        data_.reset();
        db_.reset();
        messages().msgBox(qs(start::refusalText(e.number(), e.description())));
        endProgram(1);
        return false;
    }
    qv::platform::centreOnScreen(this);
    return true;
}

bool DesignerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmdOK_ && event->type() == QEvent::FocusIn && !started_) {
        // Posted: the start may show a message, which is no business of a focus event.
        QMetaObject::invokeMethod(this, [this] { cmdOK_GotFocus(); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void DesignerWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

void DesignerWindow::closeEvent(QCloseEvent* event) {
    // The close box leaves like Exit: nothing is written.
    file_.close();
    data_.reset();
    db_.reset();
    event->accept();
    ended_ = true;
}

void DesignerWindow::leave() {
    if (!ended_) close();
}

// A customer's file that cannot be laid out ends the program as a failure.
void DesignerWindow::refuse(const QString& message) {
    messages().msgBox(message);
    endProgram(1);
    leave();
}

// ---- the one-time start ---------------------------------------------------------

void DesignerWindow::cmdOK_GotFocus() {
    if (started_ || ended_) return;
    started_ = true;  // before any message box can give the focus back to OK
    for (auto& c : captions_) c.clear();
    const bool yes = qv::leadingNumber(dummyField_->text().toStdString()) == 6;
    headings_ = yes;
    chkSkipFirst_->setChecked(yes);
    startFile(lblFile_->text().toStdString());
}

bool DesignerWindow::startFile(const std::string& path) {
    const QString shown = qs(path);
    if (qv::charLength(path) > static_cast<std::size_t>(MaxPathLength)) {
        refuse(QStringLiteral("The path of the selected file is longer than 255 characters, so its layout "
                              "cannot be stored."));
        return false;
    }
    switch (checkSampleFile(path)) {
    case FileProblem::None: break;
    case FileProblem::NotFound: refuse(QStringLiteral("File ") + shown + QStringLiteral(" not found.")); return false;
    case FileProblem::NotRegular:
        refuse(QStringLiteral("File ") + shown + QStringLiteral(" is not a regular file."));
        return false;
    case FileProblem::CannotOpen:
        refuse(QStringLiteral("File ") + shown + QStringLiteral(" cannot be read."));
        return false;
    case FileProblem::NotText: refuse(QString::fromLatin1(texts::NotTextFile)); return false;
    case FileProblem::Empty: refuse(QStringLiteral("The selected file is empty.")); return false;
    case FileProblem::TextAfterEnd:
        refuse(qs(qv::strayCtrlZText(path, 1)) + QStringLiteral(" Remove the mark, then choose the file again."));
        return false;
    }

    try {
        file_.open(path);
        file_.readLine(current_);
        sample_ = current_;
        fileType_ = DetectType(sample_);
        if (isDelimited(fileType_)) {
            SplitFields(sample_, fields_);
        } else {
            std::string second, third;
            if (!file_.readLine(second) || !file_.readLine(third)) {
                refuse(QStringLiteral("The selected file has fewer than three records: the columns of a "
                                      "fixed-column file are found from its first three."));
                return false;
            }
            if (DoFirstAscii(sample_, second, third, fields_, columns_) == ScanResult::TooManyColumns) {
                refuse(QStringLiteral("The selected file has more than 30 columns."));
                return false;
            }
            file_.reopen();
            std::string first;
            file_.readLine(first);
        }

        const bool headings = headings_;
        int count = 0;
        for (int n = 1; n != MaxFields + 1 && !fields_.isEnd(n); ++n) {
            captions_[static_cast<std::size_t>(n)] = fieldCaption(n, headings, fields_[n]);
            count = n;
        }
        model_.reset(captions_, count);
        refreshList();

        if (headings) {
            if (!file_.readLine(current_)) {
                refuse(QStringLiteral("The selected file has no record after its heading line."));
                return false;
            }
            sample_ = current_;
            cut();
        }
    } catch (const std::system_error&) {
        refuse(QStringLiteral("File ") + shown + QStringLiteral(" cannot be read."));
        return false;
    }
    return true;
}

void DesignerWindow::cut() {
    if (isDelimited(fileType_))
        SplitFields(sample_, fields_);
    else
        DoAscii(sample_, columns_, fields_);
}

// ---- sample records -------------------------------------------------------------

void DesignerWindow::readFirstDataRecord() {
    file_.reopen();
    if (!file_.readLine(current_)) current_.clear();
    if (headings_ && !file_.readLine(current_)) current_.clear();
}

void DesignerWindow::cmdPrevious_Click() {
    if (!started_ || ended_) return;
    try {
        readFirstDataRecord();
    } catch (const std::system_error&) {
        messages().msgBox(QStringLiteral("File ") + lblFile_->text() + QStringLiteral(" cannot be read."));
        return;
    }
    sample_ = current_;
    cut();
    ShowSample();
}

void DesignerWindow::cmdNext_Click() {
    if (!started_ || ended_) return;
    try {
        const bool got = file_.readLine(current_);
        if (!got || file_.atEnd()) {
            // The last line is never shown: the file starts again.
            messages().msgBox(QStringLiteral("Reached end of file."));
            file_.reopen();
            if (headings_) {
                std::string heading;
                file_.readLine(heading);
            }
            return;
        }
    } catch (const std::system_error&) {
        messages().msgBox(QStringLiteral("File ") + lblFile_->text() + QStringLiteral(" cannot be read."));
        return;
    }
    sample_ = current_;
    cut();
    ShowSample();
}

void DesignerWindow::ShowSample() {
    const SampleTexts s = designer::ShowSample(fields_, model_.numbers());
    const std::string* texts[SampleCount] = {&s.name, &s.add1, &s.add2, &s.add3, &s.add4,
                                             &s.town, &s.county, &s.post, &s.ref};
    for (int i = 0; i < SampleCount; ++i) samples_[static_cast<std::size_t>(i)]->setText(qs(*texts[i]));
}

// ---- save -----------------------------------------------------------------------

bool DesignerWindow::CheckLayout() {
    if (model_.number(Post1) == 0) {
        messages().msgBox(QStringLiteral("Postcode field must be selected."));
        return false;
    }
    return true;
}

void DesignerWindow::cmdOK_Click() {
    if (ended_ || !db_) return;
    if (!CheckLayout()) return;
    const LayoutRow row = buildLayoutRow(fileType_, model_.numbers(), columns_, chkSkipFirst_->isChecked(),
                                         lblFile_->text().toStdString());
    try {
        saveLayout(*db_, row);
    } catch (const db::DbError& e) {
        messages().msgBox(unexpected(e.number(), qs(e.description())));
        endProgram(1);
    }
    leave();
}

void DesignerWindow::cmdCancel_Click() { leave(); }

// ---- drag and drop --------------------------------------------------------------

void DesignerWindow::setMarker(const std::string& m) {
    model_.setMarker(m);
    dummyField_->setText(qs(m));
}

void DesignerWindow::Form_MouseMove() {
    if (started_) setMarker("");
}

void DesignerWindow::lstFields_MouseMove() {
    if (started_) setMarker(AssignmentModel::ListMarker);
}

void DesignerWindow::box_MouseMove(Part p) {
    if (started_) setMarker(model_.box(p));
}

void DesignerWindow::lstFields_OLEStartDrag() {
    // The pointer is on the list when its drag begins.
    lstFields_MouseMove();
    parkFocus();
}

void DesignerWindow::box_OLEStartDrag(Part p) { box_MouseMove(p); }

void DesignerWindow::box_OLEDragDrop(Part p) {
    if (!started_) return;
    const int selected = lstFields_->selectedItems().isEmpty() ? -1 : lstFields_->currentRow();
    if (!model_.dropOnBox(p, selected)) return;
    for (int i = 0; i < PartCount; ++i)
        boxes_[static_cast<std::size_t>(i)]->setText(qs(model_.box(static_cast<Part>(i))));
    refreshList();
    ShowSample();
    parkFocus();
}

void DesignerWindow::lstFields_OLEDragDrop() {
    if (!started_) return;
    model_.dropOnList();
    for (int i = 0; i < PartCount; ++i)
        boxes_[static_cast<std::size_t>(i)]->setText(qs(model_.box(static_cast<Part>(i))));
    refreshList();
}

void DesignerWindow::refreshList() {
    const auto& items = model_.list();
    // Only the changes, so that the list keeps its scroll position.
    while (lstFields_->count() > static_cast<int>(items.size())) delete lstFields_->takeItem(lstFields_->count() - 1);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const QString t = qs(items[static_cast<std::size_t>(i)]);
        if (i < lstFields_->count()) {
            if (lstFields_->item(i)->text() != t) lstFields_->item(i)->setText(t);
        } else {
            lstFields_->addItem(t);
        }
    }
    lstFields_->clearSelection();
    lstFields_->setCurrentRow(-1);
}

void DesignerWindow::parkFocus() { cmdOK_->setFocus(Qt::OtherFocusReason); }

}  // namespace qv::designer
