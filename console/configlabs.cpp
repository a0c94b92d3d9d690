#include "console/configlabs.h"

#include "common/parm/labelsheet.h"
#include "common/text/numtext.h"
#include "console/labelpresets.h"
#include "console/messagetexts.h"
#include "platform/forms.h"
#include "platform/help.h"
#include "platform/messages.h"
#include "platform/numericbox.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <tuple>

namespace qv::console {

using platform::control;
using platform::NumericBox;
namespace key = parm::key;

namespace {

constexpr int kHelpTopic = 32;

QString textOf(const db::Value& v) { return QString::fromStdString(v.toString()); }
db::Value valueOf(const QLineEdit* box) { return db::Value(box->text().toStdString()); }

// The three boxes that may not be zero keep an empty text and say so.
NumericBox::LeaveRule notZero(const char* message) {
    return [message](NumericBox& box) {
        if (!box.text().isEmpty() && box.text() != QLatin1String("0")) return true;
        platform::messages().msgBox(QString::fromLatin1(message), platform::Buttons::OkOnly,
                                    platform::Icon::None);
        return false;
    };
}

}  // namespace

ConfigLabsDialog::ConfigLabsDialog(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("frmConfigLabs"));
    setWindowTitle(QStringLiteral("Configure Labels - Laser"));
    platform::setHelpTopic(this, kHelpTopic);

    auto* layout = new QVBoxLayout(this);

    auto* company = new QHBoxLayout;
    company->addWidget(control<QLabel>(this, "Label1", "Company:"));
    txtCompName_ = control<QLineEdit>(this, "txtCompName");
    txtCompName_->setMaxLength(50);
    company->addWidget(txtCompName_, 1);
    layout->addLayout(company);

    auto* frame3 = control<QGroupBox>(this, "Frame3", "Common Labels");
    auto* frame3Layout = new QVBoxLayout(frame3);
    auto* picture1 = control<QWidget>(frame3, "Picture1");
    frame3Layout->addWidget(picture1);
    auto* presets = new QGridLayout(picture1);
    presets->setContentsMargins(0, 0, 0, 0);
    optSet1_ = control<QRadioButton>(picture1, "optSet1");
    optSet2_ = control<QRadioButton>(picture1, "optSet2");
    optSet3_ = control<QRadioButton>(picture1, "optSet3");
    optSet4_ = control<QRadioButton>(picture1, "optSet4");
    presets->addWidget(optSet1_, 0, 0);
    presets->addWidget(optSet2_, 1, 0);
    presets->addWidget(optSet3_, 2, 0);
    presets->addWidget(optSet4_, 0, 1);
    presets->setColumnStretch(0, 1);
    presets->setColumnStretch(1, 1);
    layout->addWidget(frame3);

    auto* frame1 = control<QGroupBox>(this, "Frame1", "Label Dimensions");
    auto* grid = new QGridLayout(frame1);
    static const char* const kCaptions[8] = {"Label Height:", "Label Width:",  "Vertical Gap:",   "Horizontal Gap:",
                                             "Top Margin:",   "Left Margin:",  "Address Offset:", "Labels Across:"};
    static const char* const kBoxes[8] = {"txtLabelHeight", "txtLabelWidth", "txtVertGap",   "txtHorGap",
                                          "txtTopMarg",     "txtLeftMarg",   "txtAddOffset", "txtLabAcross"};
    NumericBox* boxes[8];
    for (int i = 0; i < 8; ++i) {
        const int row = i / 2;
        const int col = (i % 2) * 3;
        lbl_[i] = control<QLabel>(frame1, QStringLiteral("lbl%1").arg(i + 1), QString::fromLatin1(kCaptions[i]));
        boxes[i] = new NumericBox(QString::fromLatin1(kBoxes[i]), frame1);
        boxes[i]->setMaxLength(6);
        boxes[i]->setFixedWidth(boxes[i]->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
        grid->addWidget(lbl_[i], row, col);
        grid->addWidget(boxes[i], row, col + 1);
        if (i < 7) {
            mm_[i] = control<QLabel>(frame1, QStringLiteral("mm%1").arg(i + 1), "mm");
            grid->addWidget(mm_[i], row, col + 2);
        }
    }
    txtLabelHeight_ = boxes[0];
    txtLabelWidth_ = boxes[1];
    txtVertGap_ = boxes[2];
    txtHorGap_ = boxes[3];
    txtTopMarg_ = boxes[4];
    txtLeftMarg_ = boxes[5];
    txtAddOffset_ = boxes[6];
    txtLabAcross_ = boxes[7];
    layout->addWidget(frame1);

    auto* lower = new QHBoxLayout;
    frameFont_ = control<QGroupBox>(this, "frameFont", "Font Size");
    auto* fontLayout = new QVBoxLayout(frameFont_);
    auto* picture2 = control<QWidget>(frameFont_, "Picture2");
    fontLayout->addWidget(picture2);
    auto* fonts = new QVBoxLayout(picture2);
    fonts->setContentsMargins(0, 0, 0, 0);
    optFontSize8_ = control<QRadioButton>(picture2, "optFontSize8", "Font Size 8");
    optFontSize10_ = control<QRadioButton>(picture2, "optFontSize10", "Font Size 10");
    optFontSize12_ = control<QRadioButton>(picture2, "optFontSize12", "Font Size 12");
    fonts->addWidget(optFontSize8_);
    fonts->addWidget(optFontSize10_);
    fonts->addWidget(optFontSize12_);
    lower->addWidget(frameFont_);

    frameLaser_ = control<QGroupBox>(this, "frameLaser", "Laser Labels");
    auto* laserLayout = new QHBoxLayout(frameLaser_);
    laserLayout->addWidget(control<QLabel>(frameLaser_, "Label9", "Labels/Page:"));
    txtNumLabels_ = new NumericBox(QStringLiteral("txtNumLabels"), frameLaser_);
    txtNumLabels_->setMaxLength(3);
    txtNumLabels_->setFixedWidth(txtNumLabels_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    laserLayout->addWidget(txtNumLabels_);
    laserLayout->addStretch(1);
    laserLayout->setAlignment(Qt::AlignTop);
    lower->addWidget(frameLaser_);
    layout->addLayout(lower);

    std::tie(cmdOK_, cmdCancel_) = platform::addOkCancelRow(this, layout);

    // Numeric boxes: a point only in the measures; three may not be zero.
    for (NumericBox* b : {txtLabelHeight_, txtLabelWidth_, txtVertGap_, txtHorGap_, txtTopMarg_, txtLeftMarg_,
                          txtAddOffset_})
        b->setDecimalAllowed(true);
    for (NumericBox* b : {txtVertGap_, txtHorGap_, txtTopMarg_, txtLeftMarg_, txtAddOffset_, txtNumLabels_})
        b->setEmptyBecomesZero(true);
    txtLabelHeight_->setLeaveRule(notZero("Label height cannot be zero"));
    txtLabelWidth_->setLeaveRule(notZero("Label width cannot be zero"));
    txtLabAcross_->setLeaveRule(notZero("Labels across cannot be zero"));

    const QList<QWidget*> order{txtCompName_, txtLabelHeight_, txtLabelWidth_, txtVertGap_,   txtHorGap_,
                                txtTopMarg_,  txtLeftMarg_,    txtAddOffset_,  txtLabAcross_, txtNumLabels_,
                                cmdOK_,       cmdCancel_,      optSet1_,       optSet2_,      optSet3_,
                                optSet4_,     optFontSize8_,   optFontSize10_, optFontSize12_};
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    connect(optSet1_, &QRadioButton::clicked, this, &ConfigLabsDialog::optSet1_Click);
    connect(optSet2_, &QRadioButton::clicked, this, &ConfigLabsDialog::optSet2_Click);
    connect(optSet3_, &QRadioButton::clicked, this, &ConfigLabsDialog::optSet3_Click);
    connect(optSet4_, &QRadioButton::clicked, this, &ConfigLabsDialog::optSet4_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &ConfigLabsDialog::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &ConfigLabsDialog::cmdCancel_Click);
}

ConfigLabsDialog::~ConfigLabsDialog() { Form_Unload(); }

bool ConfigLabsDialog::Form_Load() {
    platform::centreOnScreen(this);
    try {
        db_ = db::Database::open("mailsort.mdb", db::OpenMode::Shared);
        parm_ = std::make_unique<parm::ParmRecord>(*db_);

        optSet1_->setText(QStringLiteral("Avery L7160.  63.5 x 38.1mm, 21 Labels."));
        optSet2_->setText(QStringLiteral("Avery L7163.  99.1 x 38.1mm, 14 Labels."));
        optSet3_->setText(QStringLiteral("Other"));
        select(optSet3_);
        optSet4_->hide();
        if (!laser()) DotMatrix();

        txtCompName_->setText(textOf(parm_->value(key::CompanyName)));
        showStored();
    } catch (const db::DbError& e) {
        Form_Unload();
        const QString text = db::isHeldElsewhere(e.number()) ? QString::fromLatin1(text::AnotherRunning)
                                                              : QString::fromStdString(e.description());
        platform::messages().msgBox(text, platform::Buttons::OkOnly, platform::Icon::Exclamation);
        return false;
    }
    // The dot-matrix layout hides a good part of the dialog.
    adjustSize();
    platform::centreOnScreen(this);
    txtCompName_->setFocus();
    return true;
}

void ConfigLabsDialog::DotMatrix() {
    for (QLabel* mm : mm_) mm->hide();
    lbl_[0]->setText(QStringLiteral("Label Lines:"));
    lbl_[1]->setText(QStringLiteral("Characters Across:"));
    lbl_[2]->setText(QStringLiteral("Label Print Lines"));
    lbl_[3]->setText(QStringLiteral("Label Offset:"));
    lbl_[4]->setText(QStringLiteral("Initial Blank Lines:"));
    lbl_[5]->setText(QStringLiteral("Initial Offset:"));
    frameFont_->hide();
    for (QRadioButton* o : {optFontSize8_, optFontSize10_, optFontSize12_}) o->hide();
    frameLaser_->hide();
    setWindowTitle(QStringLiteral("Configure Labels - Dot Matrix"));
    optSet1_->setText(QStringLiteral("89 x 36mm, 8 Labels."));
    optSet2_->setText(QStringLiteral("89 x 36mm, 16 Labels."));
    optSet3_->setText(QStringLiteral("89 x 36mm, 24 Labels."));
    optSet4_->show();
    optSet4_->setText(QStringLiteral("Other"));
    select(optSet4_);
}

bool ConfigLabsDialog::laser() const { return parm_ && parm_->text(key::Printer) == "L"; }

void ConfigLabsDialog::select(QRadioButton* option) {
    option->setChecked(true);
    // Selecting an option runs its click behaviour, as a click does.
    if (option == optSet1_) optSet1_Click();
    else if (option == optSet2_) optSet2_Click();
    else if (option == optSet3_) optSet3_Click();
    else if (option == optSet4_) optSet4_Click();
}

void ConfigLabsDialog::optSet1_Click() {
    if (!parm_) return;
    applyPreset(laser() ? laserPreset(1) : dotMatrixPreset(1));
}

void ConfigLabsDialog::optSet2_Click() {
    if (!parm_) return;
    applyPreset(laser() ? laserPreset(2) : dotMatrixPreset(2));
}

void ConfigLabsDialog::optSet3_Click() {
    if (!parm_) return;
    if (laser())
        showStored();
    else
        applyPreset(dotMatrixPreset(3));
}

void ConfigLabsDialog::optSet4_Click() {
    if (!parm_) return;
    showStored();
}

void ConfigLabsDialog::applyPreset(const LabelPreset& p) {
    txtLabelHeight_->setText(QString::fromLatin1(p.labelHeight));
    txtLabelWidth_->setText(QString::fromLatin1(p.labelWidth));
    txtVertGap_->setText(QString::fromLatin1(p.vertGap));
    txtHorGap_->setText(QString::fromLatin1(p.horGap));
    txtTopMarg_->setText(QString::fromLatin1(p.topMarg));
    txtLeftMarg_->setText(QString::fromLatin1(p.leftMarg));
    txtAddOffset_->setText(QString::fromLatin1(p.addOffset));
    txtLabAcross_->setText(QString::fromLatin1(p.labAcross));
    if (p.numLabels) txtNumLabels_->setText(QString::fromLatin1(p.numLabels));
    if (p.fontSize == 8) optFontSize8_->setChecked(true);
    if (p.fontSize == 10) optFontSize10_->setChecked(true);
    if (p.fontSize == 12) optFontSize12_->setChecked(true);
}

void ConfigLabsDialog::showStored() {
    txtLabelHeight_->setText(textOf(parm_->value(key::LabelHeight)));
    txtLabelWidth_->setText(textOf(parm_->value(key::LabelWidth)));
    txtVertGap_->setText(textOf(parm_->value(key::VertGap)));
    txtHorGap_->setText(textOf(parm_->value(key::HorGap)));
    txtTopMarg_->setText(textOf(parm_->value(key::TopMarg)));
    txtLeftMarg_->setText(textOf(parm_->value(key::LeftMarg)));
    txtAddOffset_->setText(textOf(parm_->value(key::AddOffset)));
    txtLabAcross_->setText(textOf(parm_->value(key::LabAcross)));
    selectFontOption();
    txtNumLabels_->setText(textOf(parm_->value(key::LabelsPage)));
}

void ConfigLabsDialog::selectFontOption() {
    switch (fontSizeOption(parm_->value(key::FontSize))) {
    case 8: optFontSize8_->setChecked(true); break;
    case 10: optFontSize10_->setChecked(true); break;
    default: optFontSize12_->setChecked(true); break;
    }
}

// Laser labels that run off the A4 sheet are refused before they are
// stored, in the words the label program would refuse them in. A box that
// holds no number is left to the label program's own check.
bool ConfigLabsDialog::sheetFits() {
    if (!laser()) return true;
    const auto number = [](const QLineEdit* box, double& out) {
        return parseNumber(box->text().toStdString(), out);
    };
    parm::LaserSheet sheet;
    double across = 0;
    if (!number(txtLeftMarg_, sheet.leftMarg) || !number(txtLabelWidth_, sheet.labelWidth) ||
        !number(txtHorGap_, sheet.horGap) || !number(txtTopMarg_, sheet.topMarg) ||
        !number(txtLabelHeight_, sheet.labelHeight) || !number(txtVertGap_, sheet.vertGap) ||
        !number(txtLabAcross_, across) || !number(txtNumLabels_, sheet.rows))
        return true;
    sheet.across = parm::labelsAcross(across);
    const auto overrun = parm::sheetOverrun(sheet);
    if (!overrun) return true;
    platform::messages().msgBox(QString::fromStdString(overrun->text) +
                                    QStringLiteral(" Change the label sizes, then click OK again."),
                                platform::Buttons::OkOnly, platform::Icon::Exclamation);
    platform::NumericBox* box = overrun->across ? txtLabAcross_ : txtNumLabels_;
    box->setFocus();
    return false;
}

void ConfigLabsDialog::cmdOK_Click() {
    if (!parm_) return;
    if (!sheetFits()) return;
    try {
        parm_->edit();
        parm_->set(key::CompanyName, valueOf(txtCompName_));
        parm_->set(key::LabelHeight, valueOf(txtLabelHeight_));
        parm_->set(key::LabelWidth, valueOf(txtLabelWidth_));
        parm_->set(key::VertGap, valueOf(txtVertGap_));
        parm_->set(key::HorGap, valueOf(txtHorGap_));
        parm_->set(key::TopMarg, valueOf(txtTopMarg_));
        parm_->set(key::LeftMarg, valueOf(txtLeftMarg_));
        parm_->set(key::AddOffset, valueOf(txtAddOffset_));
        parm_->set(key::LabAcross, valueOf(txtLabAcross_));
        const int font = optFontSize8_->isChecked() ? 8 : optFontSize10_->isChecked() ? 10 : 12;
        parm_->set(key::FontSize, db::Value(font));
        parm_->set(key::LabelsPage, valueOf(txtNumLabels_));
        parm_->update();
        db_->commit();
    } catch (const db::DbError& e) {
        // Keep the dialog and what was typed, so nothing is lost unnoticed.
        try {
            if (parm_->editing()) parm_->recordset().cancelUpdate();
        } catch (const db::DbError&) {
        }
        platform::messages().msgBox(
            QStringLiteral("The label settings could not be saved: ") + QString::fromStdString(e.description()),
            platform::Buttons::OkOnly, platform::Icon::Exclamation);
        return;
    }
    close();
}

void ConfigLabsDialog::cmdCancel_Click() { close(); }

void ConfigLabsDialog::Form_Unload() {
    parm_.reset();
    if (db_) {
        try {
            db_->close();
        } catch (const db::DbError&) {
        }
        db_.reset();
    }
}

void ConfigLabsDialog::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
}

}  // namespace qv::console
