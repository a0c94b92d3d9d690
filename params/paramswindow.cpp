#include "params/paramswindow.h"

#include "common/forms/refusal.h"
#include "common/programstart.h"
#include "params/jobkeys.h"
#include "platform/platform.h"
#include "platform/strings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qv::params {

namespace key = parm::key;
using platform::control;
using platform::NumericBox;

namespace {

constexpr int kStartFailed = 53;  // the runtime's "File not found"

using qv::platform::qs;
std::string str(const QString& s) { return s.toStdString(); }

void keepPlaceWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

// A box wide enough for its longest text.
void fitChars(QLineEdit* box, int chars) {
    const QFontMetrics fm(box->font());
    box->setFixedWidth(fm.horizontalAdvance(QLatin1Char('W')) * chars + 16);
}

QLabel* caption(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    return l;
}

}  // namespace

ParamsWindow::ParamsWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmParam"));
    setWindowTitle(QStringLiteral("Mailsort Parameter Maintenance"));
    build();
}

ParamsWindow::~ParamsWindow() {
    pcode_.reset();
    parm_.reset();
    db_.reset();
}

// ---- The form's controls ----------------------------------------------------------

void ParamsWindow::build() {
    auto* root = new QVBoxLayout(this);

    // Heading
    auto* heading = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(32, 32));
    auto* title = caption(this, QStringLiteral("Update Parameters"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    title->setFont(big);
    heading->addWidget(icon);
    heading->addWidget(title);
    heading->addStretch();
    root->addLayout(heading);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(caption(this, QStringLiteral("Mailsort File:")));
    lblMailFile_ = control<QLabel>(this, QStringLiteral("lblMailFile"));
    QFont bold = lblMailFile_->font();
    bold.setBold(true);
    lblMailFile_->setFont(bold);
    lblMailFile_->setTextInteractionFlags(Qt::NoTextInteraction);
    fileRow->addWidget(lblMailFile_, 1);
    root->addLayout(fileRow);

    // General Details
    auto* general = control<QGroupBox>(this, QStringLiteral("fraGeneral"), QStringLiteral("General Details"));
    auto* generalRow = new QHBoxLayout(general);
    auto* left = new QVBoxLayout;

    auto* service = control<QGroupBox>(general, QStringLiteral("fraService"), QStringLiteral("Mailsort Service"));
    auto* serviceGrid = new QGridLayout(service);
    struct Opt {
        ServiceOption option;
        const char* name;
        const char* text;
        int row, column;
    };
    const Opt opts[] = {
        {ServiceOption::M1, "optM1", "Mailsort 1", 0, 0},
        {ServiceOption::M2, "optM2", "Mailsort 2", 1, 0},
        {ServiceOption::M3, "optM3", "Mailsort 3", 2, 0},
        {ServiceOption::M1120, "optM1120", "Mailsort 1 120", 3, 0},
        {ServiceOption::M2120, "optM2120", "Mailsort 2 120", 0, 1},
        {ServiceOption::M3120, "optM3120", "Mailsort 3 120", 1, 1},
        {ServiceOption::P1, "optP1", "Press Stream 1", 2, 1},
        {ServiceOption::P2, "optP2", "Press Stream 2", 3, 1},
    };
    for (const Opt& o : opts) {
        auto* b = control<QRadioButton>(service, QString::fromLatin1(o.name), QString::fromLatin1(o.text));
        serviceGrid->addWidget(b, o.row, o.column);
        platform::setHelpTopic(b, 7);
        const ServiceOption option = o.option;
        connect(b, &QRadioButton::toggled, this, [this, option](bool on) {
            if (on) optService_Click(option);
        });
        options_.emplace_back(o.option, b);
    }
    left->addWidget(service);

    auto* weightRow = new QHBoxLayout;
    weightRow->addWidget(caption(general, QStringLiteral("Item Weight:")));
    txtWeight_ = new NumericBox(QStringLiteral("txtWeight"), general);
    txtWeight_->setMaxLength(4);
    weightRow->addWidget(txtWeight_);
    weightRow->addWidget(caption(general, QStringLiteral("(Grammes)")));
    weightRow->addStretch();
    left->addLayout(weightRow);

    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(caption(general, QStringLiteral("Printer Type:")));
    auto* printerGroup = new QWidget(general);  // a group of its own, apart from the services
    printerGroup->setObjectName(QStringLiteral("fraPrinter"));
    auto* printerLayout = new QHBoxLayout(printerGroup);
    printerLayout->setContentsMargins(0, 0, 0, 0);
    optEpson_ = control<QRadioButton>(printerGroup, QStringLiteral("optEpson"), QStringLiteral("Dot Matrix"));
    optLaserjet_ = control<QRadioButton>(printerGroup, QStringLiteral("optLaserjet"), QStringLiteral("Laserjet"));
    printerLayout->addWidget(optEpson_);
    printerLayout->addWidget(optLaserjet_);
    printerRow->addWidget(printerGroup);
    printerRow->addStretch();
    left->addLayout(printerRow);

    auto* jobRow = new QHBoxLayout;
    jobRow->addWidget(caption(general, QStringLiteral("Job Reference")));
    txtJob_ = control<QLineEdit>(general, QStringLiteral("TxtJob"));
    jobRow->addWidget(txtJob_, 1);
    left->addLayout(jobRow);
    left->addStretch();
    generalRow->addLayout(left);

    auto* right = new QGridLayout;
    chkGeog_ = control<QCheckBox>(general, QStringLiteral("chkGeog"), QStringLiteral("Geog Sort"));
    lblPostcode_ = control<QLabel>(general, QStringLiteral("lblPostcode"), QStringLiteral("Postcode:"));
    txtPostcode_ = control<QLineEdit>(general, QStringLiteral("txtPostcode"));
    txtPostcode_->setMaxLength(8);
    right->addWidget(chkGeog_, 0, 0);
    right->addWidget(lblPostcode_, 0, 1);
    right->addWidget(txtPostcode_, 0, 2);

    chkDefDel_ = control<QCheckBox>(general, QStringLiteral("chkDefDel"), QStringLiteral("Defer Delivery"));
    lblDefDate_ = control<QLabel>(general, QStringLiteral("lblDefDate"), QStringLiteral("Defer Date:"));
    txtDefDate_ = control<QLineEdit>(general, QStringLiteral("txtDefDate"));
    txtDefDate_->setMaxLength(8);
    right->addWidget(chkDefDel_, 1, 0);
    right->addWidget(lblDefDate_, 1, 1);
    right->addWidget(txtDefDate_, 1, 2);

    chkResOnly_ = control<QCheckBox>(general, QStringLiteral("ChkResOnly"), QStringLiteral("Residue Codes Only"));
    right->addWidget(chkResOnly_, 2, 0, 1, 3);

    right->addWidget(caption(general, QStringLiteral("Mail Format")), 3, 0, 1, 2);
    txtFormat_ = control<QLineEdit>(general, QStringLiteral("TxtFormat"));
    right->addWidget(txtFormat_, 3, 2);

    lblMinSel_ = control<QLabel>(general, QStringLiteral("lblMinSel"), QStringLiteral("Minimum Direct Selection:"));
    txtSelection_ = new NumericBox(QStringLiteral("txtSelection"), general);
    txtSelection_->setMaxLength(3);
    right->addWidget(lblMinSel_, 4, 0, 1, 2);
    right->addWidget(txtSelection_, 4, 2);

    right->addWidget(caption(general, QStringLiteral("Bag Maximum:")), 5, 0, 1, 2);
    txtBagMax_ = new NumericBox(QStringLiteral("txtBagMax"), general);
    txtBagMax_->setMaxLength(7);
    right->addWidget(txtBagMax_, 5, 2);
    right->addWidget(caption(general, QStringLiteral("(Grammes)")), 5, 3);

    right->addWidget(caption(general, QStringLiteral("Bundle Maximum:")), 6, 0, 1, 2);
    txtBundleMax_ = new NumericBox(QStringLiteral("txtBundleMax"), general);
    txtBundleMax_->setMaxLength(3);
    right->addWidget(txtBundleMax_, 6, 2);
    right->setRowStretch(7, 1);
    generalRow->addLayout(right);
    root->addWidget(general);

    const std::pair<QLineEdit*, int> widths[] = {{txtWeight_, 4},   {txtPostcode_, 8}, {txtDefDate_, 8},
                                                 {txtFormat_, 2},   {txtSelection_, 3}, {txtBagMax_, 7},
                                                 {txtBundleMax_, 3}};
    for (const auto& [box, chars] : widths) fitChars(box, chars);
    for (QWidget* w : std::initializer_list<QWidget*>{chkGeog_, lblPostcode_, txtPostcode_, chkDefDel_, lblDefDate_,
                                                      txtDefDate_, lblMinSel_, txtSelection_})
        keepPlaceWhenHidden(w);

    // Label Details
    auto* labels = control<QGroupBox>(this, QStringLiteral("fraLabels"), QStringLiteral("Label Details"));
    auto* labelsGrid = new QGridLayout(labels);
    auto column = [&](int col, const char* name, const char* text, const char* frameTitle,
                      std::initializer_list<std::pair<const char*, const char*>> extras) {
        auto* top = control<QCheckBox>(labels, QString::fromLatin1(name), QString::fromLatin1(text));
        labelsGrid->addWidget(top, 0, col);
        auto* frame = new QGroupBox(QString::fromLatin1(frameTitle), labels);
        auto* v = new QVBoxLayout(frame);
        std::vector<QCheckBox*> made;
        for (const auto& [n, t] : extras) {
            auto* c = control<QCheckBox>(frame, QString::fromLatin1(n), QString::fromLatin1(t));
            v->addWidget(c);
            made.push_back(c);
        }
        labelsGrid->addWidget(frame, 1, col);
        made.insert(made.begin(), top);
        return made;
    };
    auto bag = column(0, "chkBagLab", "Bag Labels", "Extra Bag Label Details",
                      {{"chkBagNum", "Bag Number"}, {"chkItemCnt", "Item Count"}});
    auto bundle = column(1, "chkBundleLab", "Bundle Labels", "Extra Bundle Label Details",
                         {{"chkBundleNum", "Bundle Number"}, {"chkItemCnt2", "Item Count"}});
    auto address = column(2, "chkAddressLab", "Address Labels", "Extra Address Label Details",
                          {{"chkBagNum2", "Bag Number"}, {"chkMailsort", "Mailsort Number"}, {"chkRef", "Ref"}});
    chkBagLab_ = bag[0], chkBagNum_ = bag[1], chkItemCnt_ = bag[2];
    chkBundleLab_ = bundle[0], chkBundleNum_ = bundle[1], chkItemCnt2_ = bundle[2];
    chkAddressLab_ = address[0], chkBagNum2_ = address[1], chkMailsort_ = address[2], chkRef_ = address[3];
    auto* extraRow = new QHBoxLayout;
    extraRow->addWidget(caption(labels, QStringLiteral("Extra Label Text:")));
    txtExtraText_ = control<QLineEdit>(labels, QStringLiteral("txtExtraText"));
    txtExtraText_->setMaxLength(25);
    extraRow->addWidget(txtExtraText_, 1);
    labelsGrid->addLayout(extraRow, 2, 0, 1, 3);
    root->addWidget(labels);

    // Pricing Details
    auto* pricing = control<QGroupBox>(this, QStringLiteral("fraPricing"), QStringLiteral("Pricing Details"));
    auto* pricingRow = new QHBoxLayout(pricing);
    chkRMF_ = control<QCheckBox>(pricing, QStringLiteral("chkRMF"), QStringLiteral("Royal Mail Frank"));
    pricingRow->addWidget(chkRMF_);
    pricingRow->addStretch();
    root->addWidget(pricing);

    auto* buttons = new QHBoxLayout;
    cmdOK_ = control<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel_ = control<QPushButton>(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    for (QPushButton* b : {cmdOK_, cmdCancel_}) {
        b->setAutoDefault(false);  // Enter presses no button
        b->setDefault(false);
    }
    buttons->addWidget(cmdOK_);
    buttons->addStretch();
    buttons->addWidget(cmdCancel_);
    root->addLayout(buttons);

    connect(cmdOK_, &QPushButton::clicked, this, &ParamsWindow::cmdOK_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &ParamsWindow::cmdCancel_Click);
    platform::setCancelButton(this, cmdCancel_);

    // Box rules
    txtSelection_->setEmptyBecomesZero(true);
    txtSelection_->setLeaveRule([this](NumericBox& box) {
        if (!leaveChecksOn()) return true;
        if (auto w = selectionWarning(str(box.text()), str(txtFormat_->text())))
            platform::messages().msgBox(qs(*w));
        return true;
    });
    txtWeight_->setLeaveRule([this](NumericBox& box) {
        if (!leaveChecksOn()) return true;
        if (auto m = weightLeaveMessage(str(box.text()))) {
            platform::messages().msgBox(qs(*m));
            return false;
        }
        return true;
    });
    for (NumericBox* limit : {txtBagMax_, txtBundleMax_}) {
        limit->setLeaveRule([this](NumericBox& box) {
            if (!leaveChecksOn()) return true;
            if (auto m = limitLeaveMessage(str(box.text()))) {
                platform::messages().msgBox(qs(*m));
                return false;
            }
            return true;
        });
    }
    platform::setKeyPressHandler(txtFormat_, [this](QChar c) {
        if (txtFormat_->maxLength() != 2) {
            // Setting the length drops the selection the key is about to replace.
            const int start = txtFormat_->selectionStart();
            const int length = txtFormat_->selectionLength();
            const int cursor = txtFormat_->cursorPosition();
            txtFormat_->setMaxLength(2);
            if (length > 0)
                txtFormat_->setSelection(start, length);
            else
                txtFormat_->setCursorPosition(cursor);
        }
        return c.toUpper();
    });
    platform::setKeyPressHandler(txtPostcode_, [](QChar c) { return c.toUpper(); });
    txtDefDate_->installEventFilter(this);

    // Tab order
    std::vector<QWidget*> order;
    for (const auto& [o, b] : options_) order.push_back(b);
    for (QWidget* w : std::initializer_list<QWidget*>{
             chkGeog_, txtPostcode_, chkDefDel_, txtDefDate_, txtWeight_, txtFormat_, txtSelection_, optEpson_,
             optLaserjet_, txtBagMax_, txtBundleMax_, chkBagLab_, chkBagNum_, chkItemCnt_, chkBundleLab_,
             chkBundleNum_, chkItemCnt2_, chkAddressLab_, chkBagNum2_, chkMailsort_, chkRef_, txtExtraText_, chkRMF_,
             cmdOK_, cmdCancel_, txtJob_, chkResOnly_})
        order.push_back(w);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // Help topics
    const std::pair<QWidget*, int> topics[] = {
        {chkGeog_, 8},       {txtPostcode_, 9},    {chkDefDel_, 11},     {chkResOnly_, 11},   {txtDefDate_, 12},
        {txtWeight_, 13},    {txtSelection_, 14},  {txtBundleMax_, 15},  {txtBagMax_, 16},    {chkAddressLab_, 17},
        {chkBagLab_, 18},    {chkBundleLab_, 19},  {chkBagNum_, 20},     {chkItemCnt_, 21},   {chkBundleNum_, 22},
        {chkItemCnt2_, 23},  {chkBagNum2_, 24},    {chkMailsort_, 25},   {chkRef_, 26},       {txtExtraText_, 27},
        {chkRMF_, 29},
    };
    for (const auto& [w, topic] : topics) platform::setHelpTopic(w, topic);
}

bool ParamsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtDefDate_ && event->type() == QEvent::FocusOut && leaveChecksOn()) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window taking the focus is not leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const QString typed = txtDefDate_->text();
            const QString shown = qs(deferDatePicture(str(typed)));
            if (shown != typed) txtDefDate_->setText(shown);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Service groups ---------------------------------------------------------------

ServiceOption ParamsWindow::selectedService() const {
    for (const auto& [o, b] : options_)
        if (b->isChecked()) return o;
    return ServiceOption::None;
}

void ParamsWindow::optService_Click(ServiceOption o) {
    const ServiceGroups g = serviceGroups(o);
    for (QWidget* w : std::initializer_list<QWidget*>{chkGeog_, lblPostcode_, txtPostcode_}) w->setVisible(g.geog);
    for (QWidget* w : std::initializer_list<QWidget*>{chkDefDel_, lblDefDate_, txtDefDate_}) w->setVisible(g.defer);
    for (QWidget* w : std::initializer_list<QWidget*>{lblMinSel_, txtSelection_}) w->setVisible(g.selection);
}

// ---- Start and end -------------------------------------------------------------------

bool ParamsWindow::Form_Load() {
    platform::centreOnScreen(this);
    start::Opened opened = start::openDatabase(db::OpenMode::Exclusive);
    if (!opened) {
        forms::showRefusal(opened);
        unloaded_ = true;  // ends without unloading and without writing
        endProgram(1);
        return false;
    }
    db_ = std::move(opened.db);
    try {
        parm_ = std::make_unique<parm::ParmRecord>(*db_);
        LoadParams();
    } catch (const db::DbError& e) {
        platform::messages().msgBox(qs(texts::unexpectedError(e.number(), e.description())));
        unloaded_ = true;
        closeDatabase();
        endProgram(1);
        return false;
    }
    return true;
}

void ParamsWindow::closeDatabase() {
    pcode_.reset();
    parm_.reset();
    if (!db_) return;
    try {
        db_->close();
    } catch (const db::DbError&) {
        // Closing never reports; every save has been committed on its own.
    }
    db_.reset();
}

void ParamsWindow::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    // Left without OK (Cancel, Esc, the close box) during a run: the
    // sequence ends here, or a step started alone later would run the rest
    // of it. After OK the hand-over has let the row go already.
    if (parm_ && db_) {
        try {
            if (parm_->yes(key::RunAlone)) {
                start::writeFlag(*parm_, key::RunAlone, false);
                db_->save();
            }
        } catch (const db::DbError& e) {
            reportUnexpected(e.number(), qs(e.description()));
            return;
        }
    }
    closeDatabase();
    endProgram(0);
}

void ParamsWindow::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
}

void ParamsWindow::reportUnexpected(int number, const QString& description) {
    platform::messages().msgBox(qs(texts::unexpectedError(number, description.toStdString())));
    unloaded_ = true;
    hide();
    closeDatabase();
    endProgram(1);
}

// ---- Loading and saving ----------------------------------------------------------------

void ParamsWindow::LoadParams() {
    auto stored = [&](const char* k) -> std::optional<std::string> {
        const db::Value v = parm_->value(k);
        if (v.isNull()) return std::nullopt;
        return v.toString();
    };
    // A Null shows as an empty box; the checks refuse what is invalid.
    auto text = [&](const char* k) { return qs(parm_->text(k)); };

    const ServiceOption o = serviceOnLoad(stored(key::Service), stored(key::Mailsort120));
    for (const auto& [option, b] : options_)
        if (option == o) b->setChecked(true);
    if (parm_->yes(key::DeferDel)) chkDefDel_->setChecked(true);
    if (auto d = stored(key::DeferDate)) txtDefDate_->setText(qs(*d));
    txtSelection_->setText(text(key::Selection));
    txtWeight_->setText(text(key::Weight));
    txtBagMax_->setText(text(key::BagMax));
    txtBundleMax_->setText(text(key::BundleMax));
    txtFormat_->setText(text(key::Format));
    if (auto f = stored(key::MailFile)) lblMailFile_->setText(qs(*f));
    txtJob_->setText(text(key::JobRef));
    if (auto x = stored(key::ExtraText)) txtExtraText_->setText(qs(*x));
    txtPostcode_->setText(text(key::Postcode));
    if (parm_->text(key::Printer) == "E")
        optEpson_->setChecked(true);
    else
        optLaserjet_->setChecked(true);
    const std::pair<const char*, QCheckBox*> ticks[] = {
        {key::ResOnly, chkResOnly_},   {key::AddressLab, chkAddressLab_}, {key::BagLab, chkBagLab_},
        {key::BundleLab, chkBundleLab_}, {key::BagNum, chkBagNum_},       {key::ItemCnt, chkItemCnt_},
        {key::BundleNum, chkBundleNum_}, {key::ItemCnt2, chkItemCnt2_},   {key::BagNum2, chkBagNum2_},
        {key::Mailsort, chkMailsort_},   {key::Ref, chkRef_},             {key::RoyalMail, chkRMF_},
        {key::Geog, chkGeog_},
    };
    for (const auto& [k, box] : ticks)
        if (parm_->yes(k)) box->setChecked(true);
}

void ParamsWindow::SaveParams() {
    const auto ticked = [](const QCheckBox* c) { return c->checkState() == Qt::Checked; };
    JobKeys k;
    k.service = selectedService();
    k.deferDel = ticked(chkDefDel_);
    if (!txtDefDate_->text().isEmpty()) k.deferDate = str(txtDefDate_->text());
    k.selection = str(txtSelection_->text());
    k.format = str(txtFormat_->text());
    k.weight = str(txtWeight_->text());
    k.bagMax = str(txtBagMax_->text());
    k.bundleMax = str(txtBundleMax_->text());
    k.extraText = str(txtExtraText_->text());
    k.postcode = str(txtPostcode_->text());
    k.jobRef = str(txtJob_->text());
    k.epson = optEpson_->isChecked();
    k.resOnly = ticked(chkResOnly_);
    k.addressLab = ticked(chkAddressLab_);
    k.bagLab = ticked(chkBagLab_);
    k.bundleLab = ticked(chkBundleLab_);
    k.bagNum = ticked(chkBagNum_);
    k.itemCnt = ticked(chkItemCnt_);
    k.bundleNum = ticked(chkBundleNum_);
    k.itemCnt2 = ticked(chkItemCnt2_);
    k.bagNum2 = ticked(chkBagNum2_);
    k.mailsort = ticked(chkMailsort_);
    k.ref = ticked(chkRef_);
    k.royalMail = ticked(chkRMF_);
    k.geog = ticked(chkGeog_);
    storeJobKeys(*parm_, k);
}

// ---- Checks, OK and Cancel ------------------------------------------------------------------

bool ParamsWindow::lookUpSector(const std::string& k) {
    if (!pcode_) {
        pcode_ = db_->openTable("pcode");
        pcode_->setIndex("PrimaryKey");
    }
    pcode_->seek("=", db::Value(k));
    return !pcode_->noMatch();
}

QWidget* ParamsWindow::boxWidget(Box box) const {
    switch (box) {
    case Box::DefDate:
        if (!txtDefDate_->isHidden()) return txtDefDate_;
        // Hidden for the chosen service: its option is the nearest place to put right.
        for (const auto& [o, b] : options_)
            if (b->isChecked()) return b;
        return txtDefDate_;
    case Box::Postcode: return txtPostcode_;
    case Box::Format: return txtFormat_;
    case Box::Selection: return txtSelection_;
    case Box::Weight: return txtWeight_;
    case Box::BagMax: return txtBagMax_;
    case Box::BundleMax: return txtBundleMax_;
    }
    return nullptr;
}

bool ParamsWindow::ValEntries() {
    JobEntries e;
    e.service = selectedService();
    e.deferTicked = chkDefDel_->checkState() == Qt::Checked;
    e.deferDate = str(txtDefDate_->text());
    e.geogTicked = chkGeog_->checkState() == Qt::Checked;
    e.geogShown = !txtPostcode_->isHidden();
    e.postcode = str(txtPostcode_->text());
    e.format = str(txtFormat_->text());
    e.selection = str(txtSelection_->text());
    e.weight = str(txtWeight_->text());
    e.bagMax = str(txtBagMax_->text());
    e.bundleMax = str(txtBundleMax_->text());

    struct Quiet {
        bool& flag;
        explicit Quiet(bool& f) : flag(f) { flag = true; }
        ~Quiet() { flag = false; }
    } quiet(checking_);
    std::vector<Failure> failures;
    try {
        failures = checkEntries(e, [this](const std::string& k) { return lookUpSector(k); });
    } catch (...) {
        pcode_.reset();
        throw;
    }
    pcode_.reset();
    for (const Failure& f : failures) {
        platform::messages().msgBox(qs(f.message));
        if (QWidget* w = boxWidget(f.box)) w->setFocus(Qt::OtherFocusReason);
    }
    return failures.empty();
}

void ParamsWindow::cmdOK_Click() {
    if (!db_ || !parm_) return;
    try {
        if (!ValEntries()) return;
        if (!parm_->editing()) parm_->edit();
        SaveParams();
        parm_->update();
        db_->commit();
        handOver();
    } catch (const db::DbError& e) {
        reportUnexpected(e.number(), qs(e.description()));
    }
}

void ParamsWindow::handOver() {
    if (parm_->yes(key::RunAlone)) {
        hide();
        pcode_.reset();
        // The next step opens the database for its sole use; a run that ends
        // here has its end stored, or the failure reported (cmdOK_Click).
        const auto done = start::handOver(db_, parm_, start::Step::Parameters, false,
                                          [this](const std::string&, const std::string& error) {
                                              reportUnexpected(kStartFailed, qs(error));
                                          });
        if (done == start::HandedOver::StartFailed) return;
    }
    close();
    Form_Unload();  // a hidden form gets no close event
}

void ParamsWindow::cmdCancel_Click() {
    close();
    Form_Unload();
}

// ---- The program ----------------------------------------------------------------------------

int runPelgrin() {
    ParamsWindow form;
    // The end quits even while the help window stays open.
    return platform::runForm(form);
}

}  // namespace qv::params
