// The layout windows' keys and closings: the wizard's Enter and Escape press
// nothing, its shown texts keep to their boxes' lengths, and a file gone after
// it opened is told and leaves the sample record; the hint window
// closed by its frame stores nothing, raised again is the same window, and
// comes again for another spelling of a name; Escape cancels the typed form.
#include "layouts_fixture.h"

#include "console/layouts/layoutwizardwindow.h"
#include "console/layouts/newfilehint.h"
#include "console/layouts/typedlayoutwindow.h"

#include "platform/numericbox.h"
#include "platform/testing/test_services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

using namespace qv::console;
using qv::console::testing::LayoutWindowsTest;
using qv::console::testing::clickIndicator;
using qv::console::testing::ctl;
using qv::console::testing::openWindows;
using qv::console::testing::showActive;
using qv::console::testing::waitActive;
using qv::platform::NumericBox;
namespace fs = std::filesystem;

std::string pad(const std::string& s, std::size_t width) { return s + std::string(width - s.size(), ' '); }

class WizardKeys : public LayoutWindowsTest {
protected:
    void open(const std::string& content) {
        writeFile(dir() / "cust.txt", content);
        wizard_ = LayoutWizardWindow::open(QString::fromStdString(path("cust.txt")));
        ASSERT_NE(wizard_, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(wizard_.data()));
    }
    QPointer<LayoutWizardWindow> wizard_;
};

TEST_F(WizardKeys, EnterAndEscapePressNeitherButton) {
    open("Mr A Jones     1 High St      Leeds       LS1 4AB     R1\r\n");
    const char* const places[] = {"strName", "endTown", "StrPostcode2", "endRef", "cmdOK", "cmdCancel", "txtRecords"};
    for (const char* name : places) {
        QWidget* w = ctl<QWidget>(wizard_, name);
        w->setFocus(Qt::TabFocusReason);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(w, key);
            QCoreApplication::processEvents();
            ASSERT_FALSE(wizard_.isNull()) << name << " key " << key;
            EXPECT_TRUE(wizard_->isVisible()) << name << " key " << key;
        }
    }
    EXPECT_EQ(parmText("MailFile"), "CUSTQUOTED.CSV");  // nothing applied
}

TEST_F(WizardKeys, ShownTextsKeepToTheirBoxes) {
    // The name's text (no run of five blanks) is longer than its box holds.
    const std::string record = std::string(70, 'n') + "     " + pad("A1", 10) + pad("A2", 10) + pad("A3", 10) +
                               pad("T", 10) + pad("C", 10) + "POSTCODE12345     " + std::string(60, 'r') + "!";
    open(record + "\r\n");
    struct Case {
        const char* shown;
        std::size_t longest;  // 0: no limit
    };
    const Case cases[] = {{"txtName", 45}, {"txtAdd1", 45}, {"txtTown", 45}, {"txtCounty", 45},
                          {"txtPostcode", 8}, {"TxtPostcode2", 8}, {"txtRef", 0}};
    for (const Case& c : cases) {
        const auto* box = ctl<QLineEdit>(wizard_, c.shown);
        EXPECT_TRUE(box->isReadOnly()) << c.shown;
        EXPECT_FALSE(box->focusPolicy() & Qt::TabFocus) << c.shown;
    }
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "txtName")->text(), QString(45, u'n'));
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "txtPostcode")->text(), "POSTCODE");
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "txtRef")->text(), QString(60, u'r'));  // a reference is not cut

    // Cut again from typed numbers: postcode 2 keeps to eight characters too.
    auto* start = ctl<NumericBox>(wizard_, "StrPostcode2");
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(start, "1");
    QTest::keyClick(start, Qt::Key_Tab);
    auto* length = ctl<NumericBox>(wizard_, "EndPostcode2");
    ASSERT_TRUE(length->hasFocus());
    QTest::keyClicks(length, "20");
    QTest::keyClick(length, Qt::Key_Tab);
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "TxtPostcode2")->text(), QString(8, u'n'));
}

// Every start and length box replaces its number when the user types over
// it: reached by a click, or already focused (Tab went there first, as it
// goes from a start to its length) and then clicked and selected with Ctrl+A.
TEST_F(WizardKeys, TypingOverAStartOrLengthReplacesIt) {
    open("Mr A Jones     1 High St      Leeds       LS1 4AB     R1\r\n");
    const char* const boxes[] = {"strName",  "endName",   "strAdd1",     "endAdd1",     "strAdd2",
                                 "endAdd2",  "strAdd3",   "endAdd3",     "strTown",     "endTown",
                                 "strCounty", "endCounty", "strPostcode", "endPostcode", "StrPostcode2",
                                 "EndPostcode2", "strRef", "endRef"};
    const auto clickInto = [](QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() - 4, w->height() / 2));
        QCoreApplication::processEvents();
    };
    for (const char* name : boxes) {
        auto* box = ctl<NumericBox>(wizard_, name);
        for (const bool focusedFirst : {false, true}) {
            SCOPED_TRACE(std::string(name) + (focusedFirst ? ": focused, clicked, Ctrl+A" : ": clicked"));
            ctl<QWidget>(wizard_, "cmdCancel")->setFocus(Qt::TabFocusReason);
            box->setText("7");
            if (focusedFirst) {
                box->setFocus(Qt::TabFocusReason);
                clickInto(box);
                QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            } else {
                clickInto(box);
            }
            ASSERT_TRUE(box->hasFocus());
            QTest::keyClicks(box, "8");
            EXPECT_EQ(box->text(), "8");
        }
    }
}

TEST_F(WizardKeys, ShownTextsCountCharactersAsTheProposalDoes) {
    // Characters outside the Basic Multilingual Plane are two UTF-16 units each.
    const std::string face = "\xF0\x9F\x98\x80";  // U+1F600
    std::string name, postcode;
    for (int i = 0; i < 50; ++i) name += face;
    for (int i = 0; i < 6; ++i) postcode += face;
    const std::string record =
        name + "     " + pad("A1", 10) + pad("A2", 10) + pad("A3", 10) + pad("T", 10) + pad("C", 10) + "PC" + postcode +
        face + "     R!";
    open(record + "\r\n");
    const QString faceText = QString::fromStdString(face);
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "txtName")->text(), faceText.repeated(45));
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "txtPostcode")->text(), "PC" + faceText.repeated(6));
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "strAdd1")->text(), "56");
}

TEST_F(WizardKeys, AFileGoneAfterOpeningIsToldAndTheSampleStays) {
    const std::string first = "Mr A Jones     1 High St      Leeds       LS1 4AB     R1";
    open(first + "\r\nMs B Smith        22 Low Rd        York          YO1 2CD   R22\r\n");
    fs::remove(dir() / "cust.txt");
    qv::platform::testing::scriptedMessages().answer(
        qv::platform::Answer::Ok, QString::fromStdString("The file " + path("cust.txt") + " cannot be found."));
    clickIndicator(ctl<QRadioButton>(wizard_, "optRec2"));
    ASSERT_FALSE(wizard_.isNull());
    EXPECT_EQ(wizard_->recordNumber(), 2);
    EXPECT_EQ(wizard_->sampleRecord(), first);
    EXPECT_EQ(ctl<QLineEdit>(wizard_, "strAdd1")->text(), "16");  // proposed again from the kept record
}

class TypedFormKeys : public LayoutWindowsTest {
protected:
    void SetUp() override {
        LayoutWindowsTest::SetUp();
        writeFile(dir() / "a.txt", "x\r\n");
        writeFile(dir() / "b.txt", "y\r\n");
        form_ = new TypedLayoutWindow;
        ASSERT_TRUE(form_->Form_Load());
        ASSERT_TRUE(showActive(form_));
    }
    QComboBox* fileBox() { return ctl<QComboBox>(form_, "TxtFile"); }
    void typeFile(const std::string& name) { qv::console::testing::typeFile(fileBox(), name); }
    void focusOption(const char* option) {
        form_->activateWindow();
        ASSERT_TRUE(waitActive(form_));
        ctl<QRadioButton>(form_, option)->setFocus(Qt::TabFocusReason);
    }
    QPointer<TypedLayoutWindow> form_;
};

TEST_F(TypedFormKeys, ASecondNewFileWhileTheWindowIsOpenShowsTheSameWindow) {
    typeFile(path("a.txt"));
    focusOption("optAscii");
    QPointer<NewFileHint> first = form_->hintWindow();
    ASSERT_FALSE(first.isNull());

    typeFile(path("b.txt"));
    focusOption("optNoquotes");
    EXPECT_EQ(form_->lastfile(), QString::fromStdString(path("b.txt")));
    EXPECT_EQ(form_->hintWindow(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(openWindows("frmLayWin"), 1);
}

TEST_F(TypedFormKeys, ClosedByItsFrameStoresNothing) {
    typeFile(path("a.txt"));
    focusOption("optComma");
    QPointer<NewFileHint> hint = form_->hintWindow();
    ASSERT_FALSE(hint.isNull());
    clickIndicator(ctl<QCheckBox>(hint, "Check1"));
    ASSERT_TRUE(ctl<QCheckBox>(hint, "Check1")->isChecked());
    hint->close();
    QTRY_VERIFY(hint.isNull());
    EXPECT_EQ(parmText("LayWin"), "Y");

    // So the next new file is pointed to the wizard again.
    typeFile(path("b.txt"));
    focusOption("optAscii");
    EXPECT_NE(form_->hintWindow(), nullptr);
}

TEST_F(TypedFormKeys, TheRememberedNameCountsLetterCase) {
    typeFile(path("a.txt"));
    focusOption("optAscii");
    ASSERT_NE(form_->hintWindow(), nullptr);
    QTest::mouseClick(ctl<QPushButton>(form_->hintWindow(), "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(form_->hintWindow() == nullptr);

    // The same file by another spelling (the file test finds it all the same)
    // is another name: the window comes again.
    const std::string other = (dir() / "A.TXT").string();
    typeFile(other);
    focusOption("optComma");
    EXPECT_EQ(form_->lastfile(), QString::fromStdString(other));
    EXPECT_NE(form_->hintWindow(), nullptr);
}

TEST_F(TypedFormKeys, EscapeCancelsTheTypedFormFromAnyControl) {
    setParm("LayWin", "N");
    form_->close();
    QTRY_VERIFY(form_.isNull());
    for (const char* name : {"txtTownfrom", "txtReflength", "optComma", "cmdOK", "cmdSelFile"}) {
        form_ = new TypedLayoutWindow;
        ASSERT_TRUE(form_->Form_Load());
        ASSERT_TRUE(showActive(form_));
        typeFile(path("a.txt"));
        QWidget* w = ctl<QWidget>(form_, name);
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(w->hasFocus()) << name;
        QTest::keyClick(w, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([this] { return form_.isNull(); }, 2000)) << name;
        delete form_.data();
    }
    auto db = qv::db::Database::open("mailsort.mdb");
    auto rs = db->openTable("data");
    rs->setIndex("File");
    rs->seek("=", qv::db::Value(path("a.txt")));
    EXPECT_TRUE(rs->noMatch());  // nothing stored
}

}  // namespace
