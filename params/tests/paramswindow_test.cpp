#include "common/jobtables.h"
#include "common/testing/scratch.h"
#include "common/testing/sortedjob.h"
#include "common/parm/parmrecord.h"
#include "params/paramswindow.h"
#include "platform/platform.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/readonly.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace qv::params;
using qv::db::Database;
using qv::db::OpenMode;
using qv::db::Value;
using qv::parm::ParmRecord;
using qv::platform::Icon;
using qv::platform::testing::recordingLauncher;
using qv::platform::testing::scriptedMessages;
namespace fs = std::filesystem;
namespace key = qv::parm::key;

namespace qv::db {
void PrintTo(const Value& v, std::ostream* os) { *os << (v.isNull() ? std::string("<Null>") : '"' + v.toString() + '"'); }
}  // namespace qv::db

namespace {

using Keys = std::vector<std::pair<const char*, Value>>;

class ParamsForm : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<qv::testkit::ScratchFolder>();
        dir_ = scratch_->dir();
        scriptedMessages().setAutoAcceptOk(true);
    }
    void TearDown() override {
        form_.reset();
        qv::platform::setBeforeProgramStart({});
        scratch_.reset();
    }

    static void setKeys(const Keys& keys) {
        auto db = Database::open("mailsort.mdb");
        ParmRecord p(*db);
        p.edit();
        for (const auto& [k, v] : keys) p.set(k, v);
        p.update();
    }
    static Value stored(const char* k) {
        auto db = Database::open("mailsort.mdb");
        return ParmRecord(*db).value(k);
    }
    static void addSectors(std::initializer_list<const char*> keys) {
        auto db = Database::open("mailsort.mdb");
        auto rs = db->openTable("pcode");
        for (const char* k : keys) {
            rs->addNew();
            rs->set("mpcode", k);
            rs->set("mdsel", "B0100");
            rs->update();
        }
    }
    static bool databaseFree() {
        try {
            Database::open("mailsort.mdb", OpenMode::Exclusive);
            return true;
        } catch (const qv::db::DbError&) {
            return false;
        }
    }

    ParamsWindow& openForm() {
        form_ = std::make_unique<ParamsWindow>();
        form_->setEndHandler([this](int status) { endStatuses_.push_back(status); });
        EXPECT_TRUE(form_->Form_Load());
        form_->show();
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        return *form_;
    }
    template <class W>
    W* ctl(const char* name) {
        return qv::platform::child<W>(form_.get(), QString::fromLatin1(name));
    }
    QLineEdit* box(const char* name) { return ctl<QLineEdit>(name); }
    QCheckBox* tick(const char* name) { return ctl<QCheckBox>(name); }
    QRadioButton* option(const char* name) { return ctl<QRadioButton>(name); }

    static void focusOn(QWidget* w) {
        w->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
    }
    // Replaces a box's text by typing, as the user would.
    static void retype(QLineEdit* e, const char* text) {
        focusOn(e);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, QString::fromLatin1(text));
    }
    void pressOK() {
        QTest::mouseClick(ctl<QPushButton>("cmdOK"), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    static QStringList shown() { return scriptedMessages().texts(); }
    static QString focused() {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }

    std::unique_ptr<qv::testkit::ScratchFolder> scratch_;
    fs::path dir_;
    std::unique_ptr<ParamsWindow> form_;
    std::vector<int> endStatuses_;
};

QString q(const char* s) { return QString::fromLatin1(s); }

const char* const kYesKeys[][2] = {
    {key::ResOnly, "ChkResOnly"},     {key::AddressLab, "chkAddressLab"}, {key::BagLab, "chkBagLab"},
    {key::BundleLab, "chkBundleLab"}, {key::BagNum, "chkBagNum"},         {key::ItemCnt, "chkItemCnt"},
    {key::BundleNum, "chkBundleNum"}, {key::ItemCnt2, "chkItemCnt2"},     {key::BagNum2, "chkBagNum2"},
    {key::Mailsort, "chkMailsort"},   {key::Ref, "chkRef"},               {key::RoyalMail, "chkRMF"},
    {key::Geog, "chkGeog"},           {key::DeferDel, "chkDefDel"},
};

}  // namespace

// ---- Load and save -------------------------------------------------------------------

TEST_F(ParamsForm, EveryKeyLoadsIntoItsControlAndIsStoredBack) {
    const Keys row = {
        {key::Service, "M3"},      {key::Mailsort120, "N"},      {key::Selection, "5"},
        {key::Format, "PK"},       {key::Weight, "1500"},        {key::BagMax, "25000"},
        {key::BundleMax, "40"},    {key::Postcode, "B1 2CD"},    {key::DeferDate, "31/12/99"},
        {key::ExtraText, "FRAGILE"}, {key::JobRef, "Spring catalogue 42"}, {key::Printer, "E"},
        {key::MailFile, "/data/jobs/spring.csv"},
    };
    setKeys(row);
    EXPECT_EQ(openForm().objectName(), "frmParam");  // the old form's name
    EXPECT_TRUE(option("optM3")->isChecked());
    const std::pair<const char*, const char*> texts[] = {
        {"txtSelection", "5"},    {"TxtFormat", "PK"},       {"txtWeight", "1500"},
        {"txtBagMax", "25000"},   {"txtBundleMax", "40"},    {"txtPostcode", "B1 2CD"},
        {"txtDefDate", "31/12/99"}, {"txtExtraText", "FRAGILE"}, {"TxtJob", "Spring catalogue 42"},
    };
    for (const auto& [name, text] : texts) EXPECT_EQ(box(name)->text(), q(text)) << name;
    EXPECT_EQ(ctl<QLabel>("lblMailFile")->text(), "/data/jobs/spring.csv");
    EXPECT_TRUE(option("optEpson")->isChecked());

    pressOK();
    EXPECT_EQ(shown(), QStringList());
    for (const auto& [k, v] : row) EXPECT_EQ(stored(k), v) << k;
    EXPECT_TRUE(form_->programEnded());
    EXPECT_EQ(endStatuses_, std::vector<int>{0});
    EXPECT_FALSE(form_->databaseOpen());
    EXPECT_TRUE(recordingLauncher().commands().isEmpty());
}

TEST_F(ParamsForm, EachYesKeyTicksOnlyItsOwnBox) {
    // One key "Y" at a time, so that two swapped keys cannot hide each other.
    const std::size_t n = std::size(kYesKeys);
    for (std::size_t one = 0; one < n; ++one) {
        const char* yes = kYesKeys[one][0];
        Keys keys;
        for (std::size_t i = 0; i < n; ++i) keys.emplace_back(kYesKeys[i][0], i == one ? "Y" : "N");
        keys.emplace_back(key::Service, "M3");  // shows the defer group
        keys.emplace_back(key::DeferDate, "1/01/99");
        setKeys(keys);
        openForm();
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_EQ(tick(kYesKeys[i][1])->isChecked(), i == one) << yes << ": " << kYesKeys[i][1];
        pressOK();
        ASSERT_EQ(shown(), QStringList()) << yes;
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_EQ(stored(kYesKeys[i][0]), Value(i == one ? "Y" : "N")) << yes << ": " << kYesKeys[i][0];
    }
}

TEST_F(ParamsForm, OnlyACapitalYTicksAndOthersAreStoredAsN) {
    setKeys({{key::Geog, "y"}, {key::BagLab, Value()}, {key::Ref, ""}, {key::DeferDel, "1"}});
    openForm();
    for (const char* name : {"chkGeog", "chkBagLab", "chkRef", "chkDefDel"}) EXPECT_FALSE(tick(name)->isChecked()) << name;
    pressOK();
    for (const char* k : {key::Geog, key::BagLab, key::Ref, key::DeferDel}) EXPECT_EQ(stored(k), Value("N")) << k;
}

TEST_F(ParamsForm, PrinterTypeLoadsAndStores) {
    const std::pair<Value, const char*> cases[] = {{"E", "E"}, {"L", "L"}, {"", "L"}, {Value(), "L"}, {"e", "L"}};
    for (const auto& [loaded, saved] : cases) {
        setKeys({{key::Printer, loaded}});
        openForm();
        EXPECT_EQ(option("optEpson")->isChecked(), std::string(saved) == "E") << loaded.toString();
        EXPECT_EQ(option("optLaserjet")->isChecked(), std::string(saved) == "L") << loaded.toString();
        pressOK();
        EXPECT_EQ(stored(key::Printer), Value(saved)) << loaded.toString();
    }
}

TEST_F(ParamsForm, ServiceOptionDecidesServiceMailsort120AndSelection) {
    struct Case {
        const char* option;
        const char* format;
        const char* selection;
        const char* service;
        const char* ms120;
        const char* storedSelection;
    };
    const Case cases[] = {
        {"optM1", "LE", "25", "M1", "N", "25"},   {"optM1120", "LE", "25", "M1", "Y", "1"},
        {"optM2", "PK", "5", "M2", "N", "5"},     {"optM2120", "LE", "0", "M2", "Y", "1"},
        {"optM3", "A3", "5", "M3", "N", "5"},     {"optM3120", "LE", "25", "M3", "Y", "1"},
        {"optP1", "LL", "5", "P1", "N", "5"},     {"optP2", "PK", "5", "P2", "N", "5"},
    };
    for (const Case& c : cases) {
        setKeys({{key::Format, c.format}, {key::Selection, c.selection}});
        openForm();
        QTest::mouseClick(option(c.option), Qt::LeftButton);
        pressOK();
        ASSERT_EQ(shown(), QStringList()) << c.option;
        EXPECT_EQ(stored(key::Service), Value(c.service)) << c.option;
        EXPECT_EQ(stored(key::Mailsort120), Value(c.ms120)) << c.option;
        EXPECT_EQ(stored(key::Selection), Value(c.storedSelection)) << c.option;
    }
}

TEST_F(ParamsForm, NullKeysLoadAsEmptyBoxesAndTheChecksRefuseThem) {
    setKeys({{key::Selection, Value()}, {key::Weight, Value()}, {key::BagMax, Value()}, {key::BundleMax, Value()},
             {key::Format, Value()}, {key::Postcode, Value()}, {key::JobRef, Value()}, {key::ExtraText, Value()},
             {key::DeferDate, Value()}, {key::MailFile, Value()}});
    openForm();
    EXPECT_EQ(shown(), QStringList());
    for (const char* name : {"txtSelection", "txtWeight", "txtBagMax", "txtBundleMax", "TxtFormat", "txtPostcode",
                             "TxtJob", "txtExtraText", "txtDefDate"})
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
    EXPECT_TRUE(ctl<QLabel>("lblMailFile")->text().isEmpty());

    pressOK();
    EXPECT_EQ(shown(), QStringList({q(msg::FormatIncorrect), q(msg::Selection5), q(msg::WeightRange),
                                    q(msg::MustEnter), q(msg::MustEnter)}));
    // Refused: the form stays open on the database, nothing handed on.
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(form_->databaseOpen());
    EXPECT_FALSE(form_->programEnded());
    EXPECT_EQ(focused(), "txtBundleMax");  // the last failure's box

    scriptedMessages().clear();
    box("TxtFormat")->setText("PK");
    box("txtSelection")->setText("5");
    box("txtWeight")->setText("250");
    box("txtBagMax")->setText("12000");
    box("txtBundleMax")->setText("20");
    pressOK();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(stored(key::Weight), Value("250"));
    EXPECT_EQ(stored(key::JobRef), Value(""));
    EXPECT_EQ(stored(key::ExtraText), Value(""));
    EXPECT_EQ(stored(key::Postcode), Value(""));
    EXPECT_TRUE(stored(key::DeferDate).isNull());
}

// ---- Service groups ------------------------------------------------------------------------

TEST_F(ParamsForm, EachServiceOptionShowsItsGroups) {
    struct Case {
        const char* option;
        bool geog, defer, selection;
    };
    const Case cases[] = {
        {"optM1", true, false, true},    {"optM1120", true, false, false}, {"optM2", false, false, true},
        {"optM2120", false, false, false}, {"optM3", false, true, true},   {"optM3120", false, true, false},
        {"optP1", true, false, true},    {"optP2", false, false, true},
    };
    openForm();
    for (const Case& c : cases) {
        QTest::mouseClick(option(c.option), Qt::LeftButton);
        for (const char* n : {"chkGeog", "lblPostcode", "txtPostcode"})
            EXPECT_EQ(ctl<QWidget>(n)->isVisible(), c.geog) << c.option << " " << n;
        for (const char* n : {"chkDefDel", "lblDefDate", "txtDefDate"})
            EXPECT_EQ(ctl<QWidget>(n)->isVisible(), c.defer) << c.option << " " << n;
        for (const char* n : {"lblMinSel", "txtSelection"})
            EXPECT_EQ(ctl<QWidget>(n)->isVisible(), c.selection) << c.option << " " << n;
    }
}

TEST_F(ParamsForm, StoredServiceSelectsItsOptionOnLoad) {
    struct Case {
        Value service, ms120;
        const char* option;  // nullptr: none selected, every group shown
        bool groupsShown;
    };
    const Case cases[] = {
        {"M2", "Y", "optM2120", false},
        {"M2", "N", "optM2", false},
        {"P1", "Y", "optP1", false},
        {"M1", Value(), nullptr, true},
        {"Z9", "N", nullptr, true},
    };
    for (const Case& c : cases) {
        setKeys({{key::Service, c.service}, {key::Mailsort120, c.ms120}});
        openForm();
        EXPECT_EQ(form_->selectedService() == ServiceOption::None, c.option == nullptr) << c.service.toString();
        if (c.option) {
            EXPECT_TRUE(option(c.option)->isChecked()) << c.option;
        }
        if (c.groupsShown) {
            for (const char* n : {"txtPostcode", "txtDefDate", "txtSelection"})
                EXPECT_TRUE(ctl<QWidget>(n)->isVisible()) << n;
        }
        form_->close();
    }
    // "Mailsort 2" shows only the selection group.
    setKeys({{key::Service, "M2"}, {key::Mailsort120, "N"}});
    openForm();
    EXPECT_FALSE(box("txtPostcode")->isVisible());
    EXPECT_FALSE(box("txtDefDate")->isVisible());
    EXPECT_TRUE(box("txtSelection")->isVisible());
}

TEST_F(ParamsForm, NoServiceChosenIsStoredAsPresstream2) {
    setKeys({{key::Service, "M1"}, {key::Mailsort120, Value()}, {key::Format, "PK"}, {key::Selection, "5"}});
    openForm();
    pressOK();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(stored(key::Service), Value("P2"));
    EXPECT_EQ(stored(key::Mailsort120), Value("N"));
}

TEST_F(ParamsForm, HiddenGroupsKeepTheirValuesAndAreStored) {
    setKeys({{key::Service, "M3"}, {key::DeferDel, "Y"}, {key::DeferDate, "1/01/99"}});
    openForm();
    // Mailsort 1 hides the defer group; the ticked box and its date are still the job's.
    QTest::mouseClick(option("optM1"), Qt::LeftButton);
    EXPECT_FALSE(box("txtDefDate")->isVisible());
    pressOK();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(stored(key::Service), Value("M1"));
    EXPECT_EQ(stored(key::DeferDel), Value("Y"));
    EXPECT_EQ(stored(key::DeferDate), Value("1/01/99"));
}

// ---- Box rules --------------------------------------------------------------------------------

TEST_F(ParamsForm, TypingIsFilteredAndCapitalised) {
    openForm();
    struct Case {
        const char* box;
        const char* typed;
        const char* result;
    };
    const Case cases[] = {
        {"txtWeight", "1a2-3.", "123"}, {"txtBagMax", "9 9x9", "999"}, {"txtBundleMax", "4e5", "45"},
        {"txtSelection", "+25", "25"},  {"TxtFormat", "le", "LE"},     {"TxtFormat", "pkx", "PK"},
        {"txtPostcode", "b1 2cd", "B1 2CD"},
    };
    for (const Case& c : cases) {
        retype(box(c.box), c.typed);
        EXPECT_EQ(box(c.box)->text(), q(c.result)) << c.box << " " << c.typed;
    }
}

TEST_F(ParamsForm, NumericBoxesSelectTheirWholeTextOnFocus) {
    openForm();
    for (const char* name : {"txtWeight", "txtBagMax", "txtBundleMax", "txtSelection"}) {
        focusOn(ctl<QPushButton>("cmdCancel"));
        focusOn(box(name));
        EXPECT_EQ(box(name)->selectedText(), box(name)->text()) << name;
        EXPECT_FALSE(box(name)->text().isEmpty()) << name;
    }
}

TEST_F(ParamsForm, DeferDateTakesItsPictureOnLeaving) {
    setKeys({{key::Service, "M3"}});
    openForm();
    const std::pair<const char*, const char*> cases[] = {
        {"311299", "31/12/99"}, {"010199", "1/01/99"}, {"31/12/99", "31/12/99"}, {"", ""},
    };
    for (const auto& [typed, shownText] : cases) {
        retype(box("txtDefDate"), typed);
        QTest::keyClick(box("txtDefDate"), Qt::Key_Tab);
        EXPECT_EQ(box("txtDefDate")->text(), q(shownText)) << typed;
        EXPECT_NE(focused(), "txtDefDate");
    }
}

TEST_F(ParamsForm, LeaveChecksHoldTheFocusOrWarn) {
    struct Case {
        const char* box;
        const char* typed;
        const char* format;
        const char* message;  // nullptr: none
        bool held;            // the focus comes back
        const char* after;    // the box's text after leaving
    };
    const Case cases[] = {
        {"txtBagMax", "", "LE", msg::MustEnter, true, ""},
        {"txtBagMax", "0", "LE", msg::MustEnter, true, "0"},
        {"txtBundleMax", "0", "LE", msg::MustEnter, true, "0"},
        {"txtBundleMax", "12", "LE", nullptr, false, "12"},
        {"txtWeight", "5", "LE", msg::WeightRange, true, "5"},
        {"txtWeight", "2001", "LE", msg::WeightRange, true, "2001"},
        {"txtWeight", "2000", "LE", nullptr, false, "2000"},
        {"txtSelection", "", "LE", msg::WarnSelection25, false, "0"},
        {"txtSelection", "", "PK", msg::WarnSelection5, false, "0"},
        {"txtSelection", "25", "LE", nullptr, false, "25"},
    };
    openForm();
    for (const Case& c : cases) {
        box("TxtFormat")->setText(q(c.format));
        retype(box(c.box), c.typed);
        scriptedMessages().clear();
        QTest::keyClick(box(c.box), Qt::Key_Tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(shown(), c.message ? QStringList{q(c.message)} : QStringList()) << c.box << " '" << c.typed << "'";
        EXPECT_EQ(focused() == c.box, c.held) << c.box << " '" << c.typed << "'";
        EXPECT_EQ(box(c.box)->text(), q(c.after)) << c.box;
        // Put it right so the next case starts from a box that lets go.
        box(c.box)->setText(q(c.box == std::string("txtSelection") ? "25" : "100"));
        focusOn(ctl<QPushButton>("cmdCancel"));
    }
}

// ---- OK ------------------------------------------------------------------------------------------

TEST_F(ParamsForm, RefusedJobShowsEveryMessageAndStoresNothing) {
    setKeys({{key::Service, "P2"}, {key::Format, "LE"}, {key::Selection, "25"}, {key::Weight, "150"}});
    openForm();
    box("TxtJob")->setText("Refused job");
    pressOK();
    EXPECT_EQ(shown(), QStringList({q(msg::Weight100), q(msg::Presstream)}));
    EXPECT_EQ(focused(), "TxtFormat");
    EXPECT_EQ(stored(key::JobRef), Value(""));  // nothing of the refused press
    EXPECT_FALSE(form_->programEnded());

    EXPECT_FALSE(databaseFree());  // still held by the form
    box("txtWeight")->setText("90");

    // The second press runs every check afresh.
    scriptedMessages().clear();
    retype(box("TxtFormat"), "pk");
    box("txtSelection")->setText("5");
    pressOK();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(stored(key::Format), Value("PK"));
    EXPECT_EQ(stored(key::Weight), Value("90"));
}

TEST_F(ParamsForm, LoadedValuesAreCheckedEvenIfNeverFocused) {
    struct Case {
        Keys keys;
        QStringList messages;
        const char* focus;
    };
    const Case cases[] = {
        {{{key::Weight, "5"}}, {q(msg::WeightRange)}, "txtWeight"},
        {{{key::BagMax, "0"}}, {q(msg::MustEnter)}, "txtBagMax"},
        {{{key::BundleMax, ""}}, {q(msg::MustEnter)}, "txtBundleMax"},
        {{{key::BagMax, "50"}}, {q(msg::BagBelowWeight)}, "txtBagMax"},
    };
    for (const Case& c : cases) {
        setKeys({{key::Weight, "60"}, {key::BagMax, "10000"}, {key::BundleMax, "50"}});
        setKeys(c.keys);
        openForm();
        pressOK();
        EXPECT_EQ(shown(), c.messages) << c.focus;
        EXPECT_EQ(focused(), q(c.focus));
        EXPECT_FALSE(form_->programEnded());
        scriptedMessages().clear();
        form_->close();
    }
}

TEST_F(ParamsForm, DeferDateRefusedWithTheFocusOnAVisibleControl) {
    struct Case {
        const char* service;
        const char* focus;
    };
    // Mailsort 3 shows the defer date; Mailsort 1 hides it, so its option takes the focus.
    const Case cases[] = {{"M3", "txtDefDate"}, {"M1", "optM1"}};
    for (const Case& c : cases) {
        setKeys({{key::Service, c.service}, {key::DeferDel, "Y"}, {key::DeferDate, "31/02/99"}});
        openForm();
        pressOK();
        EXPECT_EQ(shown(), QStringList{q(msg::DeferDate)}) << c.service;
        EXPECT_EQ(focused(), q(c.focus)) << c.service;
        EXPECT_EQ(stored(key::DeferDate), Value("31/02/99"));
        scriptedMessages().clear();
        form_->close();
    }
}

TEST_F(ParamsForm, CentrePostcodeLookedUpOnlyWhileItsGroupShows) {
    addSectors({"B1  2"});
    struct Case {
        const char* service;
        const char* postcode;
        bool refused;
    };
    const Case cases[] = {
        {"M1", "B1 2CD", false}, {"M1", "B12CD", false}, {"M1", "B1 9CD", true}, {"P1", "ABCDEFG", true},
        {"M1", "", true},        {"M2", "ABCDEFG", false},  // hidden: not the sortation's business
    };
    for (const Case& c : cases) {
        setKeys({{key::Service, c.service}, {key::Geog, "Y"}, {key::Postcode, c.postcode},
                 {key::Format, "PK"}, {key::Selection, "5"}});
        openForm();
        pressOK();
        EXPECT_EQ(shown(), c.refused ? QStringList{q(msg::Postcode)} : QStringList()) << c.service << " " << c.postcode;
        EXPECT_EQ(form_->programEnded(), !c.refused) << c.postcode;
        if (c.refused) {
            EXPECT_EQ(focused(), "txtPostcode");
        } else {
            EXPECT_EQ(stored(key::Postcode), Value(c.postcode));
        }
        scriptedMessages().clear();
        form_->close();
    }
    EXPECT_EQ(stored(key::Geog), Value("Y"));
}

TEST_F(ParamsForm, FailedDeferDateSkipsThePostcodeLookupOnly) {
    // No service chosen: every group shows.
    setKeys({{key::Service, Value()}, {key::DeferDel, "Y"}, {key::DeferDate, "31/02/99"}, {key::Geog, "Y"},
             {key::Postcode, "ZZ9 9ZZ"}, {key::Format, "XX"}, {key::Selection, "25"}});
    openForm();
    pressOK();
    EXPECT_EQ(shown(), QStringList({q(msg::DeferDate), q(msg::FormatIncorrect), q(msg::Selection5)}));
    EXPECT_EQ(focused(), "txtSelection");
}

// ---- Hand-over -------------------------------------------------------------------------------------

TEST_F(ParamsForm, RunFlagsDecideTheNextStep) {
    struct Case {
        Value alone, codes, reports, labels;
        const char* started;  // nullptr: nothing
        const char* aloneAfter;
    };
    std::vector<Case> cases;
    // Every combination of "Y" and "N"...
    for (int bits = 0; bits < 16; ++bits) {
        auto flag = [&](int bit) { return Value(bits & (1 << bit) ? "Y" : "N"); };
        Case c{flag(3), flag(2), flag(1), flag(0), nullptr, "N"};
        if (bits & 8) {
            if (bits & 4)
                c.started = "kavrin.exe";
            else if (bits & 2)
                c.started = "zolbern.exe";
            else if (bits & 1)
                c.started = "mistrel.exe";
            if (c.started) c.aloneAfter = "Y";
        }
        cases.push_back(c);
    }
    // ... and flags that are neither.
    cases.push_back({"Y", "y", Value(), "", nullptr, "N"});
    cases.push_back({Value(), "Y", "Y", "Y", nullptr, ""});
    cases.push_back({"y", "Y", "Y", "Y", nullptr, "y"});

    for (const Case& c : cases) {
        setKeys({{key::RunAlone, c.alone}, {key::RunCodes, c.codes}, {key::RunReports, c.reports},
                 {key::RunLabels, c.labels}, {key::Weight, "61"}});
        recordingLauncher().clear();
        bool freeAtStart = false;
        qv::platform::setBeforeProgramStart([&] { freeAtStart = databaseFree(); });
        openForm();
        box("txtWeight")->setText("75");
        pressOK();
        const std::string what = c.alone.toString() + "/" + c.codes.toString() + "/" + c.reports.toString() + "/" +
                                 c.labels.toString();
        EXPECT_EQ(shown(), QStringList()) << what;
        EXPECT_EQ(recordingLauncher().commands(), c.started ? QStringList{q(c.started)} : QStringList()) << what;
        if (c.started) {
            EXPECT_TRUE(freeAtStart) << "the next step must find the database free: " << what;
        }
        EXPECT_EQ(stored(key::Weight), Value("75")) << what;
        // Outside a run nothing but the job is written.
        const Value aloneAfter = c.alone == Value("Y") ? Value(c.aloneAfter) : c.alone;
        EXPECT_EQ(stored(key::RunAlone), aloneAfter) << what;
        // The other flags are the next programs' business.
        EXPECT_EQ(stored(key::RunCodes), c.codes) << what;
        EXPECT_EQ(stored(key::RunReports), c.reports) << what;
        EXPECT_EQ(stored(key::RunLabels), c.labels) << what;
        EXPECT_TRUE(form_->programEnded()) << what;
        EXPECT_FALSE(form_->isVisible()) << what;
        EXPECT_FALSE(form_->databaseOpen()) << what;
    }
}

TEST_F(ParamsForm, FailedStartOfTheNextStepIsReportedAndEndsTheProgram) {
    setKeys({{key::RunAlone, "Y"}, {key::RunCodes, "Y"}});
    recordingLauncher().setFailing(true, "File not found: kavrin.exe");
    openForm();
    box("txtWeight")->setText("80");
    pressOK();
    ASSERT_EQ(shown().size(), 1);
    EXPECT_EQ(shown()[0], q(msg::Unexpected) + "53" + q(msg::Description) + "File not found: kavrin.exe");
    EXPECT_EQ(endStatuses_, std::vector<int>{1});
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(form_->databaseOpen());
    // The job is saved; the run flags stay as the console left them.
    EXPECT_EQ(stored(key::Weight), Value("80"));
    EXPECT_EQ(stored(key::RunAlone), Value("Y"));
}

TEST_F(ParamsForm, LeavingWithoutOkStoresNoJobAndEndsARun) {
    // Every way out but OK, in a run and outside one: the job is not stored,
    // nothing starts, and a run ends there (RunAlone "N"), so that a step
    // started alone later does not run the rest of the sequence.
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Cancel", [this] { QTest::mouseClick(ctl<QPushButton>("cmdCancel"), Qt::LeftButton); }},
        {"Esc", [this] { QTest::keyClick(box("TxtJob"), Qt::Key_Escape); }},
        {"close box", [this] { form_->close(); }},
    };
    const std::pair<Value, Value> runs[] = {
        {"Y", "N"},                                 // in a run: the sequence ends
        {"N", "N"}, {Value(), Value()}, {"y", "y"},  // outside one: nothing written
    };
    for (const auto& [way, leave] : ways) {
        for (const auto& [alone, aloneAfter] : runs) {
            const std::string what = std::string(way) + " with RunAlone " + alone.toString();
            setKeys({{key::RunAlone, alone}, {key::RunCodes, "Y"}, {key::RunReports, "Y"}, {key::RunLabels, "N"}});
            endStatuses_.clear();
            openForm();
            box("txtWeight")->setText("99");
            leave();
            EXPECT_TRUE(form_->programEnded()) << what;
            EXPECT_EQ(endStatuses_, std::vector<int>{0}) << what;
            EXPECT_FALSE(form_->isVisible()) << what;
            EXPECT_FALSE(form_->databaseOpen()) << what;
            EXPECT_EQ(stored(key::Weight), Value("60")) << what;
            EXPECT_EQ(stored(key::RunAlone), aloneAfter) << what;
            EXPECT_EQ(stored(key::RunCodes), Value("Y")) << what;
            EXPECT_EQ(stored(key::RunReports), Value("Y")) << what;
            EXPECT_EQ(stored(key::RunLabels), Value("N")) << what;
            EXPECT_TRUE(recordingLauncher().commands().isEmpty()) << what;
        }
    }
    EXPECT_EQ(shown(), QStringList());
}

TEST_F(ParamsForm, AnEndOfARunThatCannotBeStoredIsReported) {
    // RunAlone "N" cannot be saved (a full disk): reported, and the program
    // ends with a failure rather than as if the run had ended.
    std::ifstream db(dir_ / "mailsort.mdb", std::ios::binary);
    unsigned char header[18] = {};
    db.read(reinterpret_cast<char*>(header), sizeof header);
    const std::uint64_t pageSize = header[16] * 256u + header[17];
    struct Case {
        const char* what;
        const char* codes;         // RunCodes: "N" makes this the run's last step
        std::uint64_t room;        // bytes the database's log may grow to
        bool ok;                   // OK, else Cancel
        const char* weightAfter;
    };
    const Case cases[] = {
        // Room for the job's page in the log and not one more: the job gets in, the end does not.
        {"OK at the run's last step", "N", 32 + 24 + pageSize, true, "75"},
        {"Cancel", "Y", 0, false, "60"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setKeys({{key::RunAlone, "Y"}, {key::RunCodes, c.codes}, {key::RunReports, "N"}, {key::RunLabels, "N"},
                 {key::Weight, "60"}});
        scriptedMessages().clear();
        endStatuses_.clear();
        openForm();
        box("txtWeight")->setText("75");
        {
            qv::testkit::FileSizeLimit full(c.room);
            if (c.ok)
                pressOK();
            else
                QTest::mouseClick(ctl<QPushButton>("cmdCancel"), Qt::LeftButton);
        }
        EXPECT_EQ(stored(key::Weight), Value(c.weightAfter));
        ASSERT_EQ(shown().size(), 1);
        EXPECT_TRUE(shown()[0].startsWith("An unexpected error has occurred.  Please make a note of the following "
                                          "error details and contact Brackwith Mailing Services.  Error number: "))
            << shown()[0].toStdString();
        EXPECT_EQ(endStatuses_, std::vector<int>{1});
        EXPECT_FALSE(form_->isVisible());
        EXPECT_FALSE(form_->databaseOpen());
        EXPECT_TRUE(recordingLauncher().commands().isEmpty());
    }
}

TEST_F(ParamsForm, EnterPressesNoButton) {
    openForm();
    focusOn(box("TxtJob"));
    QTest::keyClick(box("TxtJob"), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form_->isVisible());
    EXPECT_FALSE(form_->programEnded());
}

TEST_F(ParamsForm, EveryCaptionOfTheForm) {
    openForm();
    EXPECT_EQ(form_->windowTitle(), "Mailsort Parameter Maintenance");
    QStringList captions;
    for (QWidget* w : form_->findChildren<QWidget*>()) {
        if (w->objectName() == "lblMailFile") continue;  // the stored path
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) captions << l->text();
        if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty()) captions << g->title();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) captions << b->text();
    }
    captions.sort();
    QStringList expected{
        "Update Parameters", "Mailsort File:",
        // General Details
        "General Details", "Mailsort Service", "Mailsort 1", "Mailsort 2", "Mailsort 3", "Mailsort 1 120",
        "Mailsort 2 120", "Mailsort 3 120", "Press Stream 1", "Press Stream 2", "Item Weight:", "(Grammes)",
        "Printer Type:", "Dot Matrix", "Laserjet", "Job Reference", "Geog Sort", "Postcode:", "Defer Delivery",
        "Defer Date:", "Residue Codes Only", "Mail Format", "Minimum Direct Selection:", "Bag Maximum:",
        "(Grammes)", "Bundle Maximum:",
        // Label Details
        "Label Details", "Bag Labels", "Extra Bag Label Details", "Bag Number", "Item Count", "Bundle Labels",
        "Extra Bundle Label Details", "Bundle Number", "Item Count", "Address Labels",
        "Extra Address Label Details", "Bag Number", "Mailsort Number", "Ref", "Extra Label Text:",
        // Pricing Details
        "Pricing Details", "Royal Mail Frank",
        "OK", "Cancel"};
    expected.sort();
    EXPECT_EQ(captions, expected);
}

TEST_F(ParamsForm, TheChecksSpeakInTheirOwnWordsWithoutAnIcon) {
    struct Case {
        Keys keys;
        QStringList messages;
    };
    const Case cases[] = {
        {{{key::Service, "M3"}, {key::DeferDel, "Y"}, {key::DeferDate, "31/02/99"}, {key::Format, "LE"},
          {key::Selection, "25"}, {key::Weight, "90"}},
         {"Must enter a valid defer date if selected to defer delivery"}},
        {{{key::Service, "M1"}, {key::Geog, "Y"}, {key::Postcode, "ZZ9 9ZZ"}, {key::Format, "LE"},
          {key::Selection, "25"}, {key::Weight, "90"}},
         {"Invalid postcode entered"}},
        {{{key::Service, "M1"}, {key::Mailsort120, "Y"}, {key::Format, "LL"}, {key::Selection, "5"}, {key::Weight, "90"}},
         {"Mail Format has to be LE-Letter for 120 processing"}},
        {{{key::Service, "M1"}, {key::Format, "XX"}, {key::Selection, "25"}, {key::Weight, "90"}},
         {"        Format Incorrect.  Valid Formats Are:\r\nLE-Letter, LL-Large Letter, A3-A3 Packet, Pk-Packet",
          "Minimum Selection has to be 5 for format"}},
        {{{key::Service, "M1"}, {key::Format, "LE"}, {key::Selection, "30"}, {key::Weight, "101"}},
         {"Minimum Selection has to be 25 for format", "Weight must be less than 100g for Mail Format"}},
        {{{key::Service, "M1"}, {key::Format, "A3"}, {key::Selection, "5"}, {key::Weight, "751"}},
         {"Weight must be less than 750g for Mail Format"}},
        {{{key::Service, "P2"}, {key::Format, "LE"}, {key::Selection, "25"}, {key::Weight, "90"}},
         {"Letter format not valid for Presstream"}},
    };
    for (const Case& c : cases) {
        qv::platform::testing::installTestServices();
        scriptedMessages().setAutoAcceptOk(true);
        setKeys({{key::DeferDel, "N"}, {key::Geog, "N"}, {key::Mailsort120, "N"}});
        setKeys(c.keys);
        openForm();
        pressOK();
        EXPECT_EQ(shown(), c.messages);
        for (const auto& m : scriptedMessages().messages()) {
            EXPECT_EQ(m.icon, Icon::None) << m.text.toStdString();
            EXPECT_EQ(m.buttons, qv::platform::Buttons::OkOnly) << m.text.toStdString();
        }
        form_.reset();
    }
}

TEST_F(ParamsForm, TheFormatBoxKeepsTheFirstTwoCharactersOnceTyped) {
    openForm();
    auto* f = box("TxtFormat");
    // A longer text put into the box, as a loaded value is (the stored field
    // itself holds two characters).
    f->setText("ABCD");
    focusOn(f);
    f->end(false);
    QTest::keyClicks(f, "x");
    EXPECT_EQ(f->text(), "AB");
    f->selectAll();
    QTest::keyClicks(f, "pkle");
    EXPECT_EQ(f->text(), "PK");
}

// ---- Start ---------------------------------------------------------------------------------------------

TEST_F(ParamsForm, RefusedWhileAnotherProgramHasTheDatabaseOpenShared) {
    // 3045: the console's label configuration, say, has it open.
    qv::testkit::DatabaseHolder holder(qv::db::OpenMode::Shared, dir_);
    ASSERT_TRUE(holder.holding());
    ParamsWindow form;
    bool ended = false;
    form.setEndHandler([&](int) { ended = true; });
    EXPECT_FALSE(form.Form_Load());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].text,
              "Another option is currently running, wait until it has finished then try again.");
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(ended);
    holder.release();
    EXPECT_EQ(stored(key::Weight), Value("60"));
}

TEST_F(ParamsForm, RefusedWhileAnotherProgramHoldsTheDatabase) {
    qv::testkit::DatabaseHolder holder(qv::db::OpenMode::Exclusive, dir_);
    ASSERT_TRUE(holder.holding());

    ParamsWindow form;
    bool ended = false;
    form.setEndHandler([&](int) { ended = true; });
    EXPECT_FALSE(form.Form_Load());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(scriptedMessages().messages()[0].text, q(msg::Held));
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(form.isVisible());

    holder.release();
    EXPECT_EQ(stored(key::Weight), Value("60"));  // nothing written
}

// A database file the program may not write, or a folder where its lock
// file cannot be made: the plain refusal, and the program ends with status 1.
TEST_F(ParamsForm, RefusedPlainlyWhenTheDatabaseCannotBeWritten) {
    const struct {
        fs::path readOnly;
        QString message;
    } cases[] = {
        {dir_ / "mailsort.mdb", "The database mailsort.mdb is read-only."},
        {dir_, "Cannot create the lock file '" + QString::fromStdString((dir_ / "mailsort.mdb.lock").string()) +
                   "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        scriptedMessages().clear();
        ParamsWindow form;
        std::vector<int> ends;
        form.setEndHandler([&](int status) { ends.push_back(status); });
        {
            const qv::testkit::ReadOnly readOnly(c.readOnly);
            EXPECT_FALSE(form.Form_Load());
        }
        EXPECT_EQ(shown(), QStringList{c.message});
        EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Critical);
        EXPECT_EQ(ends, std::vector<int>{1});
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(stored(key::Weight), Value("60"));  // nothing written
    }
}

TEST_F(ParamsForm, HoldsTheDatabaseForItsSoleUseWhileOpen) {
    openForm();
    EXPECT_FALSE(databaseFree());
    form_->close();
    EXPECT_TRUE(databaseFree());
}

TEST_F(ParamsForm, StartFailureOtherThanAHoldIsReportedAsUnexpected) {
    {
        auto db = Database::open("mailsort.mdb");
        auto rs = db->openTable("parmcode");
        rs->moveFirst();
        rs->deleteCurrent();
    }
    ParamsWindow form;
    EXPECT_FALSE(form.Form_Load());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(shown()[0].startsWith(q(msg::Unexpected) + "3021" + q(msg::Description))) << shown()[0].toStdString();
    EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::None);
    EXPECT_TRUE(form.programEnded());
    EXPECT_TRUE(databaseFree());
}

TEST_F(ParamsForm, TabVisitsTheControlsInTheFormsOrder) {
    openForm();
    const QStringList expected = {
        "optM1", "optM2", "optM3", "optM1120", "optM2120", "optM3120", "optP1", "optP2",
        "chkGeog", "txtPostcode", "chkDefDel", "txtDefDate", "txtWeight", "TxtFormat", "txtSelection",
        "optEpson", "optLaserjet", "txtBagMax", "txtBundleMax", "chkBagLab", "chkBagNum", "chkItemCnt",
        "chkBundleLab", "chkBundleNum", "chkItemCnt2", "chkAddressLab", "chkBagNum2", "chkMailsort", "chkRef",
        "txtExtraText", "chkRMF", "cmdOK", "cmdCancel", "TxtJob", "ChkResOnly",
    };
    QStringList chain;
    QWidget* w = option("optM1");
    do {
        // Unchosen options of an exclusive group take no tab stop of their own; their place counts.
        if (expected.contains(w->objectName())) chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != option("optM1") && chain.size() < expected.size());
    EXPECT_EQ(chain, expected);
}

// ---- Help ------------------------------------------------------------------------------------------------

TEST_F(ParamsForm, F1OpensTheTopicOfTheFocusedControl) {
    qv::platform::installHelpKey();
    setKeys({{key::Service, Value()}});  // no service chosen: every group shows
    openForm();
    const std::pair<const char*, int> cases[] = {
        {"optM2", 7},      {"chkGeog", 8},      {"txtPostcode", 9}, {"chkDefDel", 11},    {"ChkResOnly", 11},
        {"txtWeight", 13}, {"txtSelection", 14}, {"txtBundleMax", 15}, {"txtBagMax", 16}, {"chkItemCnt2", 23},
        {"chkBagNum2", 24}, {"txtExtraText", 27}, {"chkRMF", 29},     {"TxtJob", 0},
    };
    for (const auto& [name, topic] : cases) {
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        QWidget* w = ctl<QWidget>(name);
        focusOn(w);
        QTest::keyClick(w, Qt::Key_F1);
        EXPECT_EQ(qv::platform::helpWindow().currentTopic(), topic) << name;
        qv::platform::helpWindow().close();
    }
}

// Switching to dot matrix after sorting, as the README has the user do before
// dot-matrix labels: the job parameters store every key again, in their own
// forms, and none of them may count as a change of the keys the job was
// sorted by. Sorted by the delivered keys, and by keys the form stored.
TEST_F(ParamsForm, AnotherPrinterAfterSortingLeavesTheJobSorted) {
    for (const bool storedFirst : {false, true}) {
        SCOPED_TRACE(storedFirst ? "keys stored by the form" : "delivered keys");
        if (storedFirst) {
            openForm();
            pressOK();
            form_.reset();
        }
        qv::testkit::writeSortedJob();
        openForm();
        QTest::mouseClick(option("optEpson"), Qt::LeftButton);
        pressOK();
        form_.reset();
        EXPECT_EQ(stored(key::Printer).toString(), "E");
        auto db = Database::open("mailsort.mdb");
        const qv::jobtables::SortState state = qv::jobtables::sortState(*db);
        EXPECT_EQ(state.kind, qv::jobtables::SortState::Kind::Sorted) << qv::jobtables::changesText(state.changes);
        setKeys({{key::Printer, "L"}});
    }
}
