#include "console_fixture.h"

#include "console/configlabs.h"
#include "platform/forms.h"
#include "platform/messages.h"
#include "platform/numericbox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <vector>

using namespace qv::console;
using namespace qv::console::testing;
using qv::db::OpenMode;
using qv::platform::Answer;
using qv::platform::Icon;
using qv::platform::child;
using qv::platform::testing::scriptedMessages;
namespace key = qv::parm::key;

namespace {

// The eight measure boxes with their keys, in tab order.
const std::array<std::pair<const char*, const char*>, 8> kMeasures{{
    {"txtLabelHeight", key::LabelHeight},
    {"txtLabelWidth", key::LabelWidth},
    {"txtVertGap", key::VertGap},
    {"txtHorGap", key::HorGap},
    {"txtTopMarg", key::TopMarg},
    {"txtLeftMarg", key::LeftMarg},
    {"txtAddOffset", key::AddOffset},
    {"txtLabAcross", key::LabAcross},
}};

class ConfigLabsTest : public ConsoleTest {
protected:
    std::unique_ptr<ConfigLabsDialog> open() {
        auto d = std::make_unique<ConfigLabsDialog>();
        EXPECT_TRUE(d->Form_Load());
        EXPECT_TRUE(showActive(d.get()));
        return d;
    }
    static QString box(QWidget* d, const char* name) { return child<QLineEdit>(d, name)->text(); }
    static QStringList measures(QWidget* d) {
        QStringList out;
        for (auto [name, k] : kMeasures) out << box(d, name);
        return out;
    }
    QStringList storedMeasures() {
        QStringList out;
        for (auto [name, k] : kMeasures) out << QString::fromStdString(parmText(k));
        return out;
    }
    static int checkedFont(QWidget* d) {
        for (int size : {8, 10, 12})
            if (child<QRadioButton>(d, QStringLiteral("optFontSize%1").arg(size).toLatin1())->isChecked())
                return size;
        return 0;
    }
    static void click(QWidget* d, const char* name) { clickIndicator(child<QWidget>(d, name)); }
    static void press(QWidget* d, const char* name) {
        QTest::mouseClick(child<QPushButton>(d, name), Qt::LeftButton);
    }
    // Replaces a box's text the way a user does: into the box, select, type.
    static void type(QWidget* d, const char* name, const char* text) {
        auto* b = child<QLineEdit>(d, name);
        b->setFocus();
        b->selectAll();
        QTest::keyClick(b, Qt::Key_Backspace);
        QTest::keyClicks(b, text);
    }
    static const QStringList kShippedMeasures;
};

const QStringList ConfigLabsTest::kShippedMeasures{"38.1", "63.5", "0", "2.5", "19", "8", "2", "3"};

}  // namespace

TEST_F(ConfigLabsTest, LaserLayoutShowsTheStoredValues) {
    auto d = open();
    EXPECT_EQ(d->windowTitle(), "Configure Labels - Laser");
    for (int i = 1; i <= 7; ++i) EXPECT_TRUE(child<QLabel>(d.get(), QStringLiteral("mm%1").arg(i).toLatin1())->isVisible());
    EXPECT_TRUE(child<QGroupBox>(d.get(), "frameFont")->isVisible());
    EXPECT_TRUE(child<QGroupBox>(d.get(), "frameLaser")->isVisible());
    EXPECT_FALSE(child<QRadioButton>(d.get(), "optSet4")->isVisible());
    EXPECT_TRUE(child<QRadioButton>(d.get(), "optSet3")->isChecked());
    EXPECT_EQ(child<QRadioButton>(d.get(), "optSet1")->text(), "Avery L7160.  63.5 x 38.1mm, 21 Labels.");
    EXPECT_EQ(child<QRadioButton>(d.get(), "optSet2")->text(), "Avery L7163.  99.1 x 38.1mm, 14 Labels.");
    EXPECT_EQ(child<QRadioButton>(d.get(), "optSet3")->text(), "Other");
    EXPECT_EQ(box(d.get(), "txtCompName"), "Quorvel Demo Company");
    EXPECT_EQ(measures(d.get()), kShippedMeasures);
    EXPECT_EQ(box(d.get(), "txtNumLabels"), "7");
    EXPECT_EQ(checkedFont(d.get()), 8);
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(d.get(), "txtCompName"));
    EXPECT_TRUE(d->holdsDatabase());
}

TEST_F(ConfigLabsTest, EveryCaptionOfBothLayouts) {
    struct Layout {
        const char* printer;
        const char* title;
        std::vector<std::pair<const char*, const char*>> captions;  // control, caption
    };
    const std::vector<std::pair<const char*, const char*>> common{
        {"Label1", "Company:"},     {"Frame3", "Common Labels"}, {"Frame1", "Label Dimensions"},
        {"lbl7", "Address Offset:"}, {"lbl8", "Labels Across:"}, {"cmdOK", "OK"},
        {"cmdCancel", "Cancel"},     {"optSet1", nullptr},       {"optSet2", nullptr}};
    const Layout layouts[] = {
        {"L",
         "Configure Labels - Laser",
         {{"lbl1", "Label Height:"}, {"lbl2", "Label Width:"}, {"lbl3", "Vertical Gap:"},
          {"lbl4", "Horizontal Gap:"}, {"lbl5", "Top Margin:"}, {"lbl6", "Left Margin:"},
          {"mm1", "mm"}, {"mm2", "mm"}, {"mm3", "mm"}, {"mm4", "mm"}, {"mm5", "mm"}, {"mm6", "mm"}, {"mm7", "mm"},
          {"frameFont", "Font Size"}, {"optFontSize8", "Font Size 8"}, {"optFontSize10", "Font Size 10"},
          {"optFontSize12", "Font Size 12"}, {"frameLaser", "Laser Labels"}, {"Label9", "Labels/Page:"},
          {"optSet1", "Avery L7160.  63.5 x 38.1mm, 21 Labels."}, {"optSet2", "Avery L7163.  99.1 x 38.1mm, 14 Labels."},
          {"optSet3", "Other"}}},
        {"E",
         "Configure Labels - Dot Matrix",
         {{"lbl1", "Label Lines:"}, {"lbl2", "Characters Across:"}, {"lbl3", "Label Print Lines"},
          {"lbl4", "Label Offset:"}, {"lbl5", "Initial Blank Lines:"}, {"lbl6", "Initial Offset:"},
          {"optSet1", "89 x 36mm, 8 Labels."}, {"optSet2", "89 x 36mm, 16 Labels."},
          {"optSet3", "89 x 36mm, 24 Labels."}, {"optSet4", "Other"}}},
    };
    auto captionOf = [](QWidget* w) -> QString {
        if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
        return QStringLiteral("<no caption>");
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.printer);
        setParm(key::Printer, l.printer);
        auto d = open();
        EXPECT_EQ(d->windowTitle().toStdString(), l.title);
        for (const auto& list : {common, l.captions})
            for (const auto& [name, caption] : list)
                if (caption) {
                    EXPECT_EQ(captionOf(child<QWidget>(d.get(), name)).toStdString(), caption) << name;
                }
    }
}

TEST_F(ConfigLabsTest, AnyPrinterButLaserGivesTheDotMatrixLayout) {
    for (const char* printer : {"E", ""}) {
        SCOPED_TRACE(printer);
        setParm(key::Printer, printer);
        auto d = open();
        EXPECT_EQ(d->windowTitle(), "Configure Labels - Dot Matrix");
        const char* const captions[] = {"Label Lines:",         "Characters Across:", "Label Print Lines",
                                        "Label Offset:",        "Initial Blank Lines:", "Initial Offset:",
                                        "Address Offset:",      "Labels Across:"};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(child<QLabel>(d.get(), QStringLiteral("lbl%1").arg(i + 1).toLatin1())->text(), captions[i]);
        for (int i = 1; i <= 7; ++i)
            EXPECT_FALSE(child<QLabel>(d.get(), QStringLiteral("mm%1").arg(i).toLatin1())->isVisible());
        EXPECT_FALSE(child<QGroupBox>(d.get(), "frameFont")->isVisible());
        EXPECT_FALSE(child<QGroupBox>(d.get(), "frameLaser")->isVisible());
        EXPECT_FALSE(child<QWidget>(d.get(), "txtNumLabels")->isVisible());
        auto* other = child<QRadioButton>(d.get(), "optSet4");
        EXPECT_TRUE(other->isVisible());
        EXPECT_TRUE(other->isChecked());
        EXPECT_EQ(other->text(), "Other");
        EXPECT_EQ(child<QRadioButton>(d.get(), "optSet1")->text(), "89 x 36mm, 8 Labels.");
        EXPECT_EQ(child<QRadioButton>(d.get(), "optSet2")->text(), "89 x 36mm, 16 Labels.");
        EXPECT_EQ(child<QRadioButton>(d.get(), "optSet3")->text(), "89 x 36mm, 24 Labels.");
        // The stored values, not the 24-label preset Load passed through.
        EXPECT_EQ(measures(d.get()), kShippedMeasures);
    }
}

TEST_F(ConfigLabsTest, PresetsThenOkStoreTheirValues) {
    struct Case {
        const char* printer;
        const char* option;
        QStringList measures;
        const char* labelsPage;
        int storedFont;  // FontSize before the dialog opens
        int fontSize;    // selected after the preset, and stored by OK
    };
    const Case cases[] = {
        {"L", "optSet1", {"38.1", "63.5", "0", "2.5", "19", "8", "2", "3"}, "7", 12, 8},
        {"L", "optSet2", {"38.1", "99.1", "0", "2.5", "19", "4", "2", "2"}, "7", 12, 10},
        // The dot-matrix presets leave the hidden labels-per-page and font
        // alone. Stored 8 and 10 are not the fallback, and differ from what a
        // laser preset would select, so a wrong font change shows.
        {"E", "optSet1", {"9", "32", "8", "0", "0", "0", "1", "1"}, "5", 10, 10},
        {"E", "optSet2", {"9", "32", "8", "5", "0", "0", "1", "2"}, "5", 8, 8},
        {"E", "optSet3", {"9", "32", "8", "5", "0", "0", "1", "3"}, "5", 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.printer) + " " + c.option);
        setParm(key::Printer, c.printer);
        setParm(key::LabelsPage, "5");
        setParm(key::FontSize, c.storedFont);
        setParm(key::CompanyName, "Acme Mailing");
        auto d = open();
        click(d.get(), c.option);
        EXPECT_EQ(measures(d.get()), c.measures);
        EXPECT_EQ(checkedFont(d.get()), c.fontSize);
        EXPECT_EQ(storedMeasures(), kShippedMeasures);  // nothing stored before OK
        press(d.get(), "cmdOK");
        EXPECT_FALSE(d->isVisible());
        EXPECT_FALSE(d->holdsDatabase());
        EXPECT_EQ(storedMeasures(), c.measures);
        EXPECT_EQ(parmText(key::LabelsPage), c.labelsPage);
        EXPECT_EQ(parmText(key::FontSize), std::to_string(c.fontSize));
        EXPECT_EQ(parmText(key::CompanyName), "Acme Mailing");
        EXPECT_EQ(parmText(key::Printer), c.printer);
        // Back to the shipped values for the next case.
        setParm(key::LabelHeight, "38.1");
        setParm(key::LabelWidth, "63.5");
        setParm(key::VertGap, "0");
        setParm(key::HorGap, "2.5");
        setParm(key::TopMarg, "19");
        setParm(key::LeftMarg, "8");
        setParm(key::AddOffset, "2");
        setParm(key::LabAcross, "3");
    }
}

// Laser labels that run off the A4 sheet are not stored: OK says which way
// and by how much, as the label program would at print time, and keeps the
// dialog. Labels that end exactly on an edge, and dot-matrix measures (lines
// and characters), are stored.
TEST_F(ConfigLabsTest, OkRefusesLaserLabelsThatRunOffTheSheet) {
    struct Case {
        const char* name;
        const char* printer;
        const char* box;
        const char* value;
        const char* message;  // empty: stored
        const char* focus;
    };
    const Case cases[] = {
        {"a left margin of 200 mm", "L", "txtLeftMarg", "200",
         "The labels across run 185.5 mm past the right edge of the A4 sheet: a row's 3 labels end 395.5 mm from "
         "its left edge, and the sheet is 210 mm wide. Change the label sizes, then click OK again.",
         "txtLabAcross"},
        {"eight rows a page", "L", "txtNumLabels", "8",
         "The labels down run 26.8 mm past the bottom edge of the A4 sheet: a page's 8 rows end 323.8 mm from its "
         "top edge, and the sheet is 297 mm long. Change the label sizes, then click OK again.",
         "txtNumLabels"},
        {"the last label on the right edge", "L", "txtLeftMarg", "14.5", "", ""},
        {"the dot matrix", "E", "txtLeftMarg", "200", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setParm(key::Printer, c.printer);
        setParm(key::LabelsPage, "7");
        setParm(key::LeftMarg, "8");
        auto d = open();
        type(d.get(), c.box, c.value);
        if (*c.message) {
            scriptedMessages().answer(Answer::Ok, c.message);
            press(d.get(), "cmdOK");
            ASSERT_EQ(scriptedMessages().messages().size(), 1u);
            EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::Exclamation);
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(d.get(), c.focus));
            EXPECT_EQ(parmText(key::LeftMarg), "8");
            EXPECT_EQ(parmText(key::LabelsPage), "7");
        } else {
            press(d.get(), "cmdOK");
            EXPECT_TRUE(scriptedMessages().messages().empty());
            EXPECT_FALSE(d->isVisible());
            EXPECT_EQ(parmText(key::LeftMarg), c.value);
        }
        scriptedMessages().clear();
    }
}

TEST_F(ConfigLabsTest, OtherFontSizesComeBackAsTwelve) {
    setParm(key::FontSize, 9);
    auto d = open();
    EXPECT_EQ(checkedFont(d.get()), 12);
    press(d.get(), "cmdOK");
    EXPECT_EQ(parmText(key::FontSize), "12");
}

TEST_F(ConfigLabsTest, CancelAndTheCloseBoxStoreNothing) {
    for (bool closeBox : {false, true}) {
        auto d = open();
        click(d.get(), "optSet2");
        type(d.get(), "txtCompName", "Typed Ltd");
        if (closeBox)
            d->close();
        else
            QTest::keyClick(d.get(), Qt::Key_Escape);  // Esc presses Cancel
        EXPECT_FALSE(d->isVisible());
        EXPECT_FALSE(d->holdsDatabase());
        EXPECT_EQ(storedMeasures(), kShippedMeasures);
        EXPECT_EQ(parmText(key::CompanyName), "Quorvel Demo Company");
        EXPECT_EQ(parmText(key::FontSize), "8");
    }
    auto again = open();
    EXPECT_EQ(measures(again.get()), kShippedMeasures);
}

TEST_F(ConfigLabsTest, OtherBringsBackTheStoredValuesButNotTheCompany) {
    for (const char* printer : {"L", "E"}) {
        SCOPED_TRACE(printer);
        setParm(key::Printer, printer);
        auto d = open();
        const char* other = *printer == 'L' ? "optSet3" : "optSet4";
        type(d.get(), "txtCompName", "Typed Ltd");
        type(d.get(), "txtLabelHeight", "50");
        type(d.get(), "txtHorGap", "7");
        click(d.get(), "optSet1");
        type(d.get(), "txtLabAcross", "4");
        click(d.get(), other);  // already the selected option before the preset in the laser case
        EXPECT_EQ(measures(d.get()), kShippedMeasures);
        EXPECT_EQ(checkedFont(d.get()), 8);
        EXPECT_EQ(box(d.get(), "txtNumLabels"), "7");
        EXPECT_EQ(box(d.get(), "txtCompName"), "Typed Ltd");
    }
}

TEST_F(ConfigLabsTest, OtherCanBeChosenAgainWhileSelected) {
    auto d = open();
    type(d.get(), "txtTopMarg", "44");
    click(d.get(), "optSet3");
    EXPECT_EQ(box(d.get(), "txtTopMarg"), "19");
}

TEST_F(ConfigLabsTest, LeavingANumericBox) {
    struct Case {
        const char* box;
        const char* typed;
        const char* after;    // the box's text once the focus has moved on
        const char* message;  // nullptr: the focus moves on
    };
    const Case cases[] = {
        {"txtTopMarg", "", "0", nullptr},
        {"txtVertGap", "", "0", nullptr},
        {"txtAddOffset", "", "0", nullptr},
        {"txtLabelHeight", "", "", "Label height cannot be zero"},
        {"txtLabelHeight", "0", "0", "Label height cannot be zero"},
        {"txtLabelHeight", "0.0", "0.0", nullptr},  // the test is on the text
        {"txtLabelWidth", "", "", "Label width cannot be zero"},
        {"txtLabAcross", "0", "0", "Labels across cannot be zero"},
        {"txtLabAcross", "2", "2", nullptr},
    };
    auto d = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " '" + c.typed + "'");
        scriptedMessages().clear();
        if (c.message) scriptedMessages().answer(Answer::Ok, QString::fromLatin1(c.message));
        type(d.get(), c.box, c.typed);
        auto* b = child<QLineEdit>(d.get(), c.box);
        QTest::keyClick(b, Qt::Key_Tab);
        if (c.message) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return b->hasFocus(); }, 2000));
            ASSERT_EQ(scriptedMessages().messages().size(), 1u);
            EXPECT_EQ(scriptedMessages().messages()[0].icon, Icon::None);
            EXPECT_EQ(b->selectedText(), b->text());
            // The box keeps its text: an empty one does not become "0".
            EXPECT_EQ(b->text(), c.after);
            // Put right, so the next case can leave it.
            b->setText("5");
        } else {
            EXPECT_FALSE(b->hasFocus());
            EXPECT_TRUE(scriptedMessages().messages().empty());
            EXPECT_EQ(b->text(), c.after);
        }
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    }
}

TEST_F(ConfigLabsTest, NumericBoxesTakeDigitsAndPointsWhereAllowed) {
    auto d = open();
    for (auto [name, k] : kMeasures) {
        type(d.get(), name, "a-1.5");
        EXPECT_EQ(box(d.get(), name), QString(name) == "txtLabAcross" ? "15" : "1.5") << name;
    }
    type(d.get(), "txtNumLabels", "x7.");
    EXPECT_EQ(box(d.get(), "txtNumLabels"), "7");
    type(d.get(), "txtCompName", "A-Z. & Co");
    EXPECT_EQ(box(d.get(), "txtCompName"), "A-Z. & Co");
}

TEST_F(ConfigLabsTest, BoxesStopAtTheirLength) {
    auto d = open();
    type(d.get(), "txtCompName", std::string(51, 'n').c_str());
    EXPECT_EQ(box(d.get(), "txtCompName").size(), 50);
    type(d.get(), "txtHorGap", "1234567");
    EXPECT_EQ(box(d.get(), "txtHorGap"), "123456");
    type(d.get(), "txtNumLabels", "1234");
    EXPECT_EQ(box(d.get(), "txtNumLabels"), "123");
}

TEST_F(ConfigLabsTest, TabGoesThroughTheBoxesThenTheButtons) {
    auto d = open();
    const char* const order[] = {"txtLabelHeight", "txtLabelWidth", "txtVertGap",   "txtHorGap",
                                 "txtTopMarg",     "txtLeftMarg",   "txtAddOffset", "txtLabAcross",
                                 "txtNumLabels",   "cmdOK",         "cmdCancel"};
    for (const char* name : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(d.get(), name)) << name;
    }
    // Enter on OK's neighbour does not store: there is no default button.
    child<QWidget>(d.get(), "txtCompName")->setFocus();
    type(d.get(), "txtCompName", "Entered");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(parmText(key::CompanyName), "Quorvel Demo Company");
}

TEST_F(ConfigLabsTest, HeldDatabaseIsReportedAndTheDialogNotShown) {
    OtherProgram labels(OpenMode::Exclusive);
    ASSERT_TRUE(labels.holding());
    ConfigLabsDialog d;
    scriptedMessages().answer(Answer::Ok,
                              "Another option is currently running, wait until it has finished then try again.");
    EXPECT_FALSE(d.Form_Load());
    EXPECT_FALSE(d.holdsDatabase());
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
}
