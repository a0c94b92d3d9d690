// The layout forms offscreen: the typed layout form with its position boxes
// and menus, the new-file hint window, and the layout wizard.
#include "layouts_fixture.h"

#include "console/layouts/layoutwizardwindow.h"
#include "console/layouts/newfilehint.h"
#include "console/layouts/typedlayoutwindow.h"

#include "common/filesel/frmfilesel.h"
#include "platform/forms.h"
#include "platform/numericbox.h"
#include "platform/testing/readonly.h"
#include "platform/testing/test_services.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

using namespace qv::console;
using qv::console::testing::LayoutWindowsTest;
using qv::console::testing::ctl;
using qv::console::testing::openWindow;
using qv::console::testing::openWindows;
using qv::console::testing::showActive;
using qv::console::testing::typeInto;
using qv::console::testing::waitActive;
using qv::platform::Answer;
using qv::platform::NumericBox;
using qv::platform::testing::scriptedMessages;
namespace fs = std::filesystem;

const char* const kBoxes[16] = {
    "txtNamefrom",     "txtNameLength",     "txtAddress1from", "txtAddress1length", "txtAddress2from",
    "txtAddress2length", "txtAddress3from", "txtAddress3length", "txtTownfrom",     "txtTownlength",
    "txtCountyfrom",   "txtCountylength",   "txtPostcodefrom", "txtPostcodelength", "txtReffrom",
    "txtReflength"};
const char* const kLabels[16] = {
    "lblNamefrom",     "lblNamelength",     "lblAddress1from", "lblAddress1length", "lblAddress2from",
    "lblAddress2length", "lblAddress3from", "lblAddress3length", "lblTownfrom",     "lblTownlength",
    "lblCountyfrom",   "lblCountylength",   "lblPostcodefrom", "lblPostcodelength", "lblReffrom",
    "lblReflength"};


class LayoutForms : public LayoutWindowsTest {
protected:
    void SetUp() override {
        LayoutWindowsTest::SetUp();
        writeFile(dir() / "new.txt", "Mr A     1 High St     LEEDS     LS1 4AB\r\n");
        writeFile(dir() / "other.txt", "x\r\n");
        writeFile(dir() / "CUSTQUOTED.CSV", "\"a\",\"b\"\r\n");
    }

    TypedLayoutWindow* open() {
        form_ = new TypedLayoutWindow;
        EXPECT_TRUE(form_->Form_Load());
        EXPECT_TRUE(showActive(form_));
        return form_;
    }
    QComboBox* fileBox() { return ctl<QComboBox>(form_, "TxtFile"); }
    NumericBox* box(int i) { return ctl<NumericBox>(form_, kBoxes[i]); }
    QStringList boxTexts() {
        QStringList out;
        for (int i = 0; i < 16; ++i) out << box(i)->text();
        return out;
    }
    QStringList labelTexts() {
        QStringList out;
        for (int i = 0; i < 16; ++i) out << ctl<QLabel>(form_, kLabels[i])->text();
        return out;
    }
    QStringList listed() {
        QStringList out;
        for (int i = 0; i < fileBox()->count(); ++i) out << fileBox()->itemText(i);
        return out;
    }
    void typeFile(const std::string& name) { qv::console::testing::typeFile(fileBox(), name); }
    void tab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
    // A stored typed layout row.
    void storeRow(const std::string& file, const char* type, std::map<std::string, int> numbers) {
        auto db = qv::db::Database::open("mailsort.mdb");
        auto rs = db->openTable("data");
        rs->addNew();
        rs->set("file", file);
        rs->set("type", type);
        for (const auto& [f, v] : numbers) rs->set(f, v);
        rs->update();
        db->close();
    }
    struct Row {
        std::string type;
        std::map<std::string, std::string> fields;
    };
    std::optional<Row> row(const std::string& file, std::vector<std::string> fields) {
        auto db = qv::db::Database::open("mailsort.mdb");
        auto rs = db->openTable("data");
        rs->setIndex("File");
        rs->seek("=", qv::db::Value(file));
        if (rs->noMatch()) return std::nullopt;
        Row r{rs->get("type").toString(), {}};
        for (const std::string& f : fields) r.fields[f] = rs->get(f).isNull() ? "Null" : rs->get(f).toString();
        return r;
    }
    // The form has closed (it deletes itself).
    bool closed() {
        return QTest::qWaitFor([this] { return form_.isNull(); }, 2000);
    }
    QPointer<TypedLayoutWindow> form_;
};

const QStringList kFixedCaptions{
    "Name start position",     "Name length",     "Address1 start position", "Address1 length",
    "Address2 start position", "Address2 length", "Address3 start position", "Address3 length",
    "Town start position",     "Town length",     "County start position",   "County length",
    "Postcode start position", "Postcode length", "Ref start position",      "Ref length"};
const QStringList kFieldCaptions{
    "Name field number",     "Number of fields",      "Address1 field number", "Number of fields",
    "Address2 field number", "Number of fields",      "Address3 field number", "Number of fields",
    "Town field number",     "Town number of fields", "County field number",   "Number of fields",
    "Postcode field number", "Number of fields",      "Ref field number",      "Number of fields"};

TEST_F(LayoutForms, OpensEmptyWithFixedFormatAndTheStoredFiles) {
    storeRow("/zz/last.txt", "A", {});
    storeRow("/aa/first.txt", "C", {});
    open();
    EXPECT_EQ(form_->windowTitle(), "Layout of Extract File");
    EXPECT_EQ(ctl<QLabel>(form_, "Label1")->text(), "File:");
    EXPECT_EQ(ctl<QWidget>(form_, "Frame1")->property("title").toString(), "Layout Type");
    EXPECT_EQ(ctl<QRadioButton>(form_, "optAscii")->text(), "Fixed Format");
    EXPECT_EQ(ctl<QRadioButton>(form_, "optComma")->text(), "Comma Delimited");
    EXPECT_EQ(ctl<QRadioButton>(form_, "optNoquotes")->text(), "No Quotes");
    EXPECT_EQ(ctl<QPushButton>(form_, "cmdOK")->text(), "OK");
    EXPECT_EQ(ctl<QPushButton>(form_, "cmdCancel")->text(), "Cancel");
    EXPECT_EQ(ctl<QAction>(form_, "mnuDelete")->text(), "Delete Layout");
    EXPECT_EQ(ctl<QAction>(form_, "mnuDelete")->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_EQ(ctl<QAction>(form_, "mnuCorvath")->text(), "Layout Wizard");
    EXPECT_EQ(ctl<QAction>(form_, "mnuCorvath")->shortcut(), QKeySequence("Ctrl+L"));
    EXPECT_EQ(ctl<QWidget>(form_, "mnuEdit")->property("title").toString(), "Edit");
    EXPECT_EQ(ctl<QWidget>(form_, "mnuOptions")->property("title").toString(), "Options");

    EXPECT_TRUE(ctl<QRadioButton>(form_, "optAscii")->isChecked());
    EXPECT_EQ(labelTexts(), kFixedCaptions);
    EXPECT_EQ(fileBox()->currentText(), "");
    EXPECT_EQ(boxTexts(), QStringList(16, QString()));
    EXPECT_EQ(listed(), (QStringList{"/aa/first.txt", "/zz/last.txt", "CUSTQUOTED.CSV"}));
    EXPECT_TRUE(fileBox()->hasFocus());
}

TEST_F(LayoutForms, ADatabaseThatCannotBeOpenedIsToldAndTheFormDoesNotOpen) {
    {
        qv::console::testing::OtherProgram other(qv::db::OpenMode::Exclusive);
        ASSERT_TRUE(other.holding());
        scriptedMessages().answer(Answer::Ok,
                                  "Another option is currently running, wait until it has finished then try again.");
        auto* f = new TypedLayoutWindow;
        EXPECT_FALSE(f->Form_Load());
        EXPECT_FALSE(f->holdsDatabase());
        delete f;
    }
    fs::remove(dir() / "mailsort.mdb");
    scriptedMessages().answer(Answer::Ok);
    auto* f = new TypedLayoutWindow;
    EXPECT_FALSE(f->Form_Load());
    delete f;
    ASSERT_EQ(scriptedMessages().texts().size(), 2);
    EXPECT_TRUE(scriptedMessages().texts()[1].startsWith(
        "An unexpected error has occurred.  Please make a note of the following error details and contact "
        "Brackwith Mailing Services.  Error number: 3024  Description: "))
        << scriptedMessages().texts()[1].toStdString();
}

// A database file the program may not write, or a folder where its lock
// file cannot be made: the plain refusal, and the form does not open (the
// program ends with status 1).
TEST_F(LayoutForms, ADatabaseThatCannotBeWrittenIsToldPlainly) {
    const struct {
        fs::path readOnly;
        QString message;
    } cases[] = {
        {dir() / "mailsort.mdb", "The database mailsort.mdb is read-only."},
        {dir(), "Cannot create the lock file '" + QString::fromStdString((dir() / "mailsort.mdb.lock").string()) +
                    "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok, c.message);
        auto* f = new TypedLayoutWindow;
        {
            const qv::testkit::ReadOnly readOnly(c.readOnly);
            EXPECT_FALSE(f->Form_Load());
        }
        EXPECT_FALSE(f->holdsDatabase());
        delete f;
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_EQ(scriptedMessages().texts().size(), 1);
    }
}

TEST_F(LayoutForms, AnEmptyTableGivesAnEmptyList) {
    {
        auto db = qv::db::Database::open("mailsort.mdb");
        auto rs = db->openTable("data");
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) rs->deleteCurrent();
    }
    open();
    EXPECT_EQ(fileBox()->count(), 0);
}

TEST_F(LayoutForms, TabOrder) {
    open();
    QStringList expected{"TxtFile", "cmdSelFile", "optAscii", "optComma", "optNoquotes"};
    for (const char* b : kBoxes) expected << b;
    expected << "cmdOK" << "cmdCancel";
    QStringList order;
    QWidget* w = fileBox();
    for (int i = 0; i < expected.size(); ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty() || w->parentWidget() == fileBox())
            w = w->nextInFocusChain();
    }
    EXPECT_EQ(order, expected);
}

TEST_F(LayoutForms, ChoosingATypeChangesTheCaptionsOnly) {
    storeRow(path("new.txt"), "A", {{"namefrom", 5}, {"namelength", 7}});
    open();
    typeFile(path("new.txt"));
    ASSERT_EQ(box(0)->text(), "5");
    for (const char* option : {"optComma", "optNoquotes"}) {
        qv::console::testing::clickIndicator(ctl<QRadioButton>(form_, option));
        EXPECT_EQ(labelTexts(), kFieldCaptions) << option;
        EXPECT_EQ(box(0)->text(), "5");
        EXPECT_EQ(box(1)->text(), "7");
    }
    qv::console::testing::clickIndicator(ctl<QRadioButton>(form_, "optAscii"));
    EXPECT_EQ(labelTexts(), kFixedCaptions);
}

TEST_F(LayoutForms, AStoredRowIsLoadedByItsType) {
    struct Case {
        const char* type;
        const char* option;
        const QStringList* captions;
    };
    const Case cases[] = {{"A", "optAscii", &kFixedCaptions},
                          {"C", "optComma", &kFieldCaptions},
                          {"N", "optNoquotes", &kFieldCaptions},
                          {"X", "optNoquotes", &kFieldCaptions}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string file = "/data/" + std::string(c.type) + std::to_string(++n) + ".csv";
        std::map<std::string, int> numbers;
        for (int i = 0; i < 16; ++i) {
            const std::string field = std::string(kBoxes[i]).substr(3);
            numbers[field] = i + 1;
        }
        storeRow(file, c.type, numbers);
    }
    open();
    n = 0;
    for (const Case& c : cases) {
        const std::string file = "/data/" + std::string(c.type) + std::to_string(++n) + ".csv";
        // Chosen from the list.
        fileBox()->setCurrentIndex(fileBox()->findText(QString::fromStdString(file)));
        EXPECT_TRUE(ctl<QRadioButton>(form_, c.option)->isChecked()) << c.type;
        EXPECT_EQ(labelTexts(), *c.captions) << c.type;
        QStringList expected;
        for (int i = 0; i < 16; ++i) expected << QString::number(i + 1);
        EXPECT_EQ(boxTexts(), expected) << c.type;
    }
    // A name without a row: every box "0", the option kept.
    typeFile("/data/none.csv");
    EXPECT_TRUE(ctl<QRadioButton>(form_, "optNoquotes")->isChecked());
    EXPECT_EQ(boxTexts(), QStringList(16, "0"));
    EXPECT_EQ(labelTexts(), kFieldCaptions);
}

TEST_F(LayoutForms, OkStoresANewFileAndCloses) {
    setParm("LayWin", "N");
    open();
    typeFile(path("new.txt"));
    qv::console::testing::clickIndicator(ctl<QRadioButton>(form_, "optComma"));
    typeInto(box(0), "1");
    typeInto(box(1), "3");
    typeInto(box(8), "3");
    typeInto(box(9), "1");
    typeInto(box(12), "4");
    box(13)->clear();  // an empty box stores 0
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(closed());
    const auto r = row(path("new.txt"), {"namefrom", "namelength", "townfrom", "townlength", "postcodefrom",
                                         "postcodelength", "reffrom", "SkipFirst", "name1from", "postcode1from"});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type, "C");
    EXPECT_EQ(r->fields.at("namefrom"), "1");
    EXPECT_EQ(r->fields.at("namelength"), "3");
    EXPECT_EQ(r->fields.at("townfrom"), "3");
    EXPECT_EQ(r->fields.at("postcodefrom"), "4");
    EXPECT_EQ(r->fields.at("postcodelength"), "0");
    EXPECT_EQ(r->fields.at("reffrom"), "0");
    // The fields the import reads hold numbers, never Null.
    EXPECT_EQ(r->fields.at("name1from"), "0");
    EXPECT_EQ(r->fields.at("postcode1from"), "0");
    EXPECT_EQ(r->fields.at("SkipFirst"), "N");
    EXPECT_EQ(parmText("MailFile"), "CUSTQUOTED.CSV");
}

TEST_F(LayoutForms, AFailedCheckStoresNothingAndKeepsTheForm) {
    setParm("LayWin", "N");
    open();
    typeFile(path("new.txt"));
    typeInto(box(2), "1");
    typeInto(box(3), "50");
    scriptedMessages().answer(Answer::Ok, "Address 1 length cannot be greater than 45");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    ASSERT_FALSE(form_.isNull());
    EXPECT_TRUE(form_->checkFailed());
    EXPECT_FALSE(row(path("new.txt"), {}));
    EXPECT_TRUE(box(3)->hasFocus());
    EXPECT_EQ(box(3)->text(), "50");

    // Corrected, the next press stores.
    box(3)->setText("45");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(closed());
    EXPECT_TRUE(row(path("new.txt"), {}));
}

TEST_F(LayoutForms, OkForAMissingFileAsksForAValidOne) {
    open();
    typeFile(path("none.txt"));
    box(0)->setText("5");  // a fault of its own, not reported
    scriptedMessages().answer(Answer::Ok, "A valid file must be entered");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    ASSERT_FALSE(form_.isNull());
    EXPECT_TRUE(fileBox()->hasFocus());
}

TEST_F(LayoutForms, StoringOverAStoredRowRewritesItsTypeAndNumbersOnly) {
    setParm("LayWin", "N");
    open();
    typeFile("CUSTQUOTED.CSV");
    ASSERT_EQ(box(1)->text(), "3");
    box(1)->setText("2");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(closed());
    const auto r = row("CUSTQUOTED.CSV", {"namelength", "SkipFirst", "name3from", "postcode1from"});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type, "C");
    EXPECT_EQ(r->fields.at("namelength"), "2");
    EXPECT_EQ(r->fields.at("SkipFirst"), "Y");
    EXPECT_EQ(r->fields.at("name3from"), "3");
    EXPECT_EQ(r->fields.at("postcode1from"), "8");
}

TEST_F(LayoutForms, FiveDigitPositionsAreLoadedAndStoredWhole) {
    setParm("LayWin", "N");
    storeRow(path("new.txt"), "A", {{"townfrom", 12009}, {"townlength", 20}, {"reffrom", 32767}, {"reflength", 9}});
    open();
    typeFile(path("new.txt"));
    EXPECT_EQ(box(8)->text(), "12009");
    EXPECT_EQ(box(14)->text(), "32767");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(closed());
    const auto r = row(path("new.txt"), {"townfrom", "townlength", "reffrom"});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->fields.at("townfrom"), "12009");
    EXPECT_EQ(r->fields.at("townlength"), "20");
    EXPECT_EQ(r->fields.at("reffrom"), "32767");
}

TEST_F(LayoutForms, APositionTheRowCannotHoldIsRefused) {
    setParm("LayWin", "N");
    open();
    typeFile(path("new.txt"));
    typeInto(box(8), "400001");
    EXPECT_EQ(box(8)->text(), "40000");
    typeInto(box(9), "20");
    scriptedMessages().answer(Answer::Ok,
                              "The start of Town (40000) is beyond column 32767, the last a layout can hold.");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdOK"), Qt::LeftButton);
    ASSERT_FALSE(form_.isNull());
    EXPECT_TRUE(form_->checkFailed());
    EXPECT_TRUE(box(8)->hasFocus());
    EXPECT_FALSE(row(path("new.txt"), {}));
}

TEST_F(LayoutForms, ATypedNameIsTakenLetterForLetter) {
    setParm("LayWin", "N");
    open();
    typeFile("custquoted.csv");
    EXPECT_EQ(boxTexts(), QStringList(16, "0"));
    QTest::keyClick(fileBox()->lineEdit(), Qt::Key_Return);
    QTest::keyClick(fileBox()->lineEdit(), Qt::Key_Tab);
    EXPECT_EQ(fileBox()->currentText(), "custquoted.csv");
    EXPECT_EQ(boxTexts(), QStringList(16, "0"));
    // Leaving the box after the full name of a stored file keeps what is typed.
    typeFile("CUSTQUOTED.CSV");
    box(1)->setText("2");
    QTest::keyClick(fileBox()->lineEdit(), Qt::Key_Tab);
    EXPECT_EQ(box(1)->text(), "2");
}

TEST_F(LayoutForms, CancelAndEscapeStoreNothing) {
    open();
    typeFile(path("new.txt"));
    QTest::keyClick(fileBox(), Qt::Key_Escape);
    EXPECT_TRUE(closed());
    EXPECT_FALSE(row(path("new.txt"), {}));
}

TEST_F(LayoutForms, DeleteLayout) {
    storeRow("/data/a.csv", "C", {{"namefrom", 1}});
    open();
    // An empty file box.
    scriptedMessages().answer(Answer::Ok, "Must select which file layout you would like to delete");
    form_->mnuDelete_Click();
    EXPECT_TRUE(fileBox()->hasFocus());
    EXPECT_TRUE(row("/data/a.csv", {}));

    // A name without a row: nothing, no message.
    typeFile("/data/none.csv");
    form_->mnuDelete_Click();
    EXPECT_EQ(fileBox()->currentText(), "/data/none.csv");

    // A stored file, by its shortcut: deleted at once, the list rebuilt.
    typeFile("/data/a.csv");
    ASSERT_EQ(box(0)->text(), "1");
    QTest::keySequence(form_, QKeySequence("Ctrl+D"));
    EXPECT_FALSE(row("/data/a.csv", {}));
    EXPECT_EQ(fileBox()->currentText(), "");
    EXPECT_EQ(boxTexts(), QStringList(16, "0"));
    EXPECT_EQ(listed(), QStringList{"CUSTQUOTED.CSV"});

    typeFile("CUSTQUOTED.CSV");
    form_->mnuDelete_Click();
    EXPECT_EQ(fileBox()->count(), 0);
}

TEST_F(LayoutForms, TheWizardMenu) {
    open();
    scriptedMessages().answer(Answer::Ok, "Please select file before running the layout wizard");
    form_->mnuCorvath_Click();
    EXPECT_TRUE(fileBox()->hasFocus());
    EXPECT_EQ(openWindow("frmCorvath"), nullptr);

    typeFile(path("none.txt"));
    scriptedMessages().answer(Answer::Ok, "A valid file must be entered");
    form_->mnuCorvath_Click();
    EXPECT_EQ(openWindow("frmCorvath"), nullptr);

    fs::create_directory(dir() / "folder");
    typeFile(path("folder"));
    scriptedMessages().answer(Answer::Ok,
                              QString::fromStdString("File " + path("folder") + " is not a regular file."));
    form_->mnuCorvath_Click();
    EXPECT_EQ(openWindow("frmCorvath"), nullptr);

    typeFile(path("new.txt"));
    QTest::keySequence(form_, QKeySequence("Ctrl+L"));
    QWidget* wizard = openWindow("frmCorvath");
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(ctl<QLabel>(wizard, "lblSelFile")->text(), QString::fromStdString(path("new.txt")));
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(fileBox()->currentText(), QString::fromStdString(path("new.txt")));
}

TEST_F(LayoutForms, TheSelectFileButtonLeadsToTheWizard) {
    open();
    typeFile("CUSTQUOTED.CSV");
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdSelFile"), Qt::LeftButton);
    auto* chooser = form_->chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->windowTitle(), "Select file to convert");
    EXPECT_EQ(chooser->variant(), qv::filesel::Variant::Console);
    ASSERT_TRUE(chooser->selectFile("new.txt"));
    chooser->cmdOK_Click();
    QWidget* wizard = openWindow("frmCorvath");
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(ctl<QLabel>(wizard, "lblSelFile")->text(), QString::fromStdString(path("new.txt")));
    QTRY_VERIFY(form_->chooser() == nullptr);
    EXPECT_EQ(fileBox()->currentText(), "CUSTQUOTED.CSV");
}

TEST_F(LayoutForms, ClosingTakesTheChooserAndTheHintAlongButNotAWizard) {
    open();
    typeFile(path("new.txt"));
    QTest::keySequence(form_, QKeySequence("Ctrl+L"));
    ASSERT_NE(openWindow("frmCorvath"), nullptr);
    form_->activateWindow();
    ASSERT_TRUE(waitActive(form_));
    QTest::mouseClick(ctl<QPushButton>(form_, "cmdSelFile"), Qt::LeftButton);
    QPointer<QWidget> chooser = form_->chooser();
    ASSERT_FALSE(chooser.isNull());
    form_->activateWindow();
    ASSERT_TRUE(waitActive(form_));
    ctl<QRadioButton>(form_, "optAscii")->setFocus(Qt::TabFocusReason);
    QPointer<QWidget> hint = form_->hintWindow();
    ASSERT_FALSE(hint.isNull());

    form_->close();
    EXPECT_TRUE(closed());
    EXPECT_TRUE(QTest::qWaitFor([&] { return chooser.isNull() && hint.isNull(); }, 2000));
    EXPECT_NE(openWindow("frmCorvath"), nullptr);
}

// ---- the focus handlers and the hint window ------------------------------------------

class HintWindow : public LayoutForms {
protected:
    // Tabs from the file box to "Fixed Format", through the select-file button.
    void tabToTheOptions() {
        fileBox()->setFocus();
        QTest::keyClick(fileBox()->lineEdit(), Qt::Key_Tab);
        ASSERT_TRUE(ctl<QPushButton>(form_, "cmdSelFile")->hasFocus());
        QTest::keyClick(ctl<QPushButton>(form_, "cmdSelFile"), Qt::Key_Tab);
    }
    void backToTheForm() {
        form_->activateWindow();
        ASSERT_TRUE(waitActive(form_));
    }
    NewFileHint* hint() { return form_->hintWindow(); }
};

TEST_F(HintWindow, ShownOnceForANewFile) {
    open();
    typeFile(path("new.txt"));
    tabToTheOptions();
    ASSERT_NE(hint(), nullptr);
    EXPECT_TRUE(hint()->isVisible());
    EXPECT_EQ(hint()->windowTitle(), "New File");
    EXPECT_EQ(ctl<QLabel>(hint(), "Label1")->text(),
              "You have selected a file that a layout definition does not exist for.  The layout wizard will help "
              "you to define the layout of your file.  You can access it by taking the \"Layout Wizard\" option on "
              "the \"Options\" menu.");
    EXPECT_EQ(ctl<QCheckBox>(hint(), "Check1")->text(), "Do not display this window again.");
    EXPECT_EQ(ctl<QPushButton>(hint(), "cmdTake")->text(), "Take Me There Now!");
    EXPECT_EQ(ctl<QPushButton>(hint(), "cmdOK")->text(), "OK");
    EXPECT_EQ(form_->lastfile(), QString::fromStdString(path("new.txt")));

    // Closed, the focus back on the option, and tabbing on into the name box
    // show nothing more; the name box's text is selected.
    QTest::mouseClick(ctl<QPushButton>(hint(), "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(hint() == nullptr);
    backToTheForm();
    ASSERT_TRUE(ctl<QRadioButton>(form_, "optAscii")->hasFocus());
    box(0)->setText("12");
    QTest::keyClick(ctl<QRadioButton>(form_, "optAscii"), Qt::Key_Tab);
    EXPECT_TRUE(box(0)->hasFocus());
    EXPECT_EQ(box(0)->selectedText(), "12");
    EXPECT_EQ(hint(), nullptr);
    EXPECT_EQ(openWindows("frmLayWin"), 0);
}

TEST_F(HintWindow, AStoredFileRaisesNoneButIsRemembered) {
    storeRow(path("other.txt"), "A", {});
    open();
    typeFile(path("other.txt"));
    tabToTheOptions();
    EXPECT_EQ(hint(), nullptr);
    EXPECT_EQ(form_->lastfile(), QString::fromStdString(path("other.txt")));
    // Then a new name shows it at the next focus on a name box.
    typeFile(path("new.txt"));
    box(0)->setFocus(Qt::TabFocusReason);
    EXPECT_NE(hint(), nullptr);
}

TEST_F(HintWindow, ReturningToAnEarlierNameShowsItAgain) {
    open();
    typeFile(path("new.txt"));
    tabToTheOptions();
    ASSERT_NE(hint(), nullptr);
    QTest::mouseClick(ctl<QPushButton>(hint(), "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(hint() == nullptr);
    backToTheForm();

    typeFile(path("other.txt"));
    tabToTheOptions();
    ASSERT_NE(hint(), nullptr);
    QTest::mouseClick(ctl<QPushButton>(hint(), "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(hint() == nullptr);
    backToTheForm();

    typeFile(path("new.txt"));
    tabToTheOptions();
    EXPECT_NE(hint(), nullptr);
    EXPECT_EQ(parmText("LayWin"), "Y");  // OK without the tick
}

TEST_F(HintWindow, TheTickBoxSwitchesItOffForGood) {
    open();
    typeFile(path("new.txt"));
    tabToTheOptions();
    ASSERT_NE(hint(), nullptr);
    qv::console::testing::clickIndicator(ctl<QCheckBox>(hint(), "Check1"));
    QTest::mouseClick(ctl<QPushButton>(hint(), "cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(hint() == nullptr);
    EXPECT_EQ(parmText("LayWin"), "N");
    backToTheForm();

    typeFile(path("other.txt"));
    tabToTheOptions();
    box(0)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(hint(), nullptr);
    EXPECT_EQ(openWindows("frmLayWin"), 0);
}

TEST_F(HintWindow, TakeMeThereOpensTheWizardOnTheFile) {
    open();
    typeFile(path("new.txt"));
    tabToTheOptions();
    ASSERT_NE(hint(), nullptr);
    qv::console::testing::clickIndicator(ctl<QCheckBox>(hint(), "Check1"));
    QTest::mouseClick(ctl<QPushButton>(hint(), "cmdTake"), Qt::LeftButton);
    QTRY_VERIFY(hint() == nullptr);
    EXPECT_EQ(parmText("LayWin"), "N");
    QWidget* wizard = openWindow("frmCorvath");
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(ctl<QLabel>(wizard, "lblSelFile")->text(), QString::fromStdString(path("new.txt")));
}

TEST_F(HintWindow, NeverShownUnlessLayWinIsY) {
    for (const char* value : {"N", "y", ""}) {
        setParm("LayWin", value);
        open();
        typeFile(path("new.txt"));
        tabToTheOptions();
        box(0)->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(hint(), nullptr) << value;
        delete form_;
    }
}

TEST_F(HintWindow, AMissingFileIsReportedOnEveryFocus) {
    setParm("LayWin", "N");  // the file test still runs
    open();
    typeFile(path("none.txt"));
    scriptedMessages().answer(Answer::Ok, "A valid file must be entered");
    tabToTheOptions();
    EXPECT_TRUE(fileBox()->hasFocus());
    for (int b : {0, 1}) {
        scriptedMessages().answer(Answer::Ok, "A valid file must be entered");
        box(b)->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(fileBox()->hasFocus()) << b;
    }
    // The other boxes run no test.
    box(2)->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(box(2)->hasFocus());
}

TEST_F(HintWindow, AFileThatCannotBeOpenedIsToldOncePerArrival) {
    fs::create_directory(dir() / "folder");
    open();
    typeFile(path("folder"));
    const QString message =
        QString::fromStdString("File " + path("folder") + " is not a regular file.");
    for (QWidget* w : {static_cast<QWidget*>(ctl<QRadioButton>(form_, "optComma")), static_cast<QWidget*>(box(0))}) {
        scriptedMessages().answer(Answer::Ok, message);
        w->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(w->hasFocus());  // the focus stays
        // The window active again after the box: no second message.
        QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(w, &back);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        fileBox()->setFocus(Qt::TabFocusReason);
    }
    EXPECT_EQ(scriptedMessages().messages().size(), 2u);
}

// ---- the position boxes ------------------------------------------------------------------

TEST_F(LayoutForms, PositionBoxesTakeDigitsAndLeaveZeroWhenEmpty) {
    setParm("LayWin", "N");
    open();
    typeFile(path("new.txt"));
    NumericBox* b = box(4);
    b->setText("12");
    b->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(b->selectedText(), "12");
    QTest::keyClick(b, Qt::Key_End);
    for (const char* key : {"a", "-", ".", " "}) QTest::keyClicks(b, key);
    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(b->text(), "12");
    QTest::keyClick(b, Qt::Key_Backspace);
    EXPECT_EQ(b->text(), "1");
    QTest::keyClick(b, Qt::Key_Backspace);
    QTest::keyClick(b, Qt::Key_Tab);
    EXPECT_EQ(b->text(), "0");
}

}  // namespace
