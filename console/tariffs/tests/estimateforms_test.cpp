#include "tariff_fixture.h"

#include "common/parm/parmrecord.h"
#include "console/tariffs/estimateforms.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace qv::console;
using namespace qv::console::testing;
using qv::platform::Answer;
using qv::platform::Buttons;
using qv::platform::child;
using qv::platform::Icon;
using qv::platform::testing::scriptedMessages;
namespace key = qv::parm::key;

namespace {

const QString kTooSmall = QStringLiteral(
    "Warning - Number of addresses for mailing is too small.  Do you want to continue?");
const QString kCannotDetermine = QStringLiteral(
    "Cannot determine likely direct selection percentage for quantities < 4000.  Do you want to continue?");
const QString kPrompt = QStringLiteral(
    "Post office figures suggest the following percentage as direct selections.  Type a new figure if you do not "
    "want to use this percentage:");
const QString kFormatIncorrect = QStringLiteral(
    "        Format Incorrect.  Valid Formats Are:\r\nLE-Letter, LL-Large Letter, A3-A3 Packet, Pk-Packet");

void type(QWidget* form, const char* name, const QString& text) {
    auto* b = child<QLineEdit>(form, name);
    b->setFocus();
    b->selectAll();
    QTest::keyClick(b, Qt::Key_Backspace);
    QTest::keyClicks(b, text);
}
QString box(QWidget* form, const char* name) { return child<QLineEdit>(form, name)->text(); }
QString label(QWidget* form, const char* name) { return child<QLabel>(form, name)->text(); }
void press(QWidget* form, const char* name) { QTest::mouseClick(child<QPushButton>(form, name), Qt::LeftButton); }

class EstimateFormTest : public TariffTest {
protected:
    void SetUp() override {
        TariffTest::SetUp();
        setBreak({{4000, 20, 15}, {10000, 35, 28}});
    }
    std::unique_ptr<EstimateForm> open() {
        auto f = std::make_unique<EstimateForm>();
        EXPECT_TRUE(f->Form_Load());
        EXPECT_TRUE(showActive(f.get()));
        return f;
    }
    static QString checkedService(QWidget* f) {
        for (auto* o : f->findChildren<QRadioButton*>())
            if (o->isChecked()) return o->objectName();
        return {};
    }
    // The result's seven lines, figure by figure.
    static QStringList figures(QWidget* r) {
        QStringList out;
        for (const char* name : {"lblAddress1", "lblPrice1", "lblStdTotal", "lblAddress2", "lblPrice2",
                                 "lblStrtTotal", "lblAddress3", "lblPerc1", "lblDirTotal", "lblAddress4", "lblPerc2",
                                 "lblResTotal", "lblAddress7", "lblPerc5", "lblFrankTotal", "lblNetCost", "lblSaving"})
            out << label(r, name);
        return out;
    }
};

TEST_F(EstimateFormTest, StartsFromTheSavedJob) {
    struct Case {
        const char* service;
        const char* mailsort120;
        const char* option;
        const char* code;
    };
    const Case cases[] = {
        {"M1", "N", "ChkM1", "M1"},       {"M1", "Y", "ChkM1120", "M1 120"}, {"M2", "N", "ChkM2", "M2"},
        {"M2", "Y", "ChkM2120", "M2 120"}, {"M3", "N", "ChkM3", "M3"},       {"M3", "Y", "ChkM3120", "M3 120"},
        {"P1", "N", "ChkP1", "P1"},       {"P1", "Y", "ChkP1", "P1"},        {"P2", "N", "ChkP2", "P2"},
        {"X9", "N", "ChkP2", "P2"},       {"", "N", "ChkP2", "P2"},          {"m1", "N", "ChkP2", "P2"},
    };
    setParm(key::Format, "PK");
    setParm(key::Weight, "450");
    setParm(key::Selection, "5");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.service) + " " + c.mailsort120);
        setParm(key::Service, c.service);
        setParm(key::Mailsort120, c.mailsort120);
        auto f = open();
        EXPECT_EQ(f->windowTitle(), "Estimate Mailing Costs");
        EXPECT_EQ(checkedService(f.get()), c.option);
        EXPECT_EQ(box(f.get(), "txtService"), c.code);
        EXPECT_EQ(box(f.get(), "TxtFormat"), "PK");
        EXPECT_EQ(box(f.get(), "txtWeight"), "450");
        EXPECT_EQ(box(f.get(), "txtSelection"), "5");
        EXPECT_EQ(box(f.get(), "txtNoAddresses"), "");
        EXPECT_FALSE(child<QCheckBox>(f.get(), "chkRoyalMail")->isChecked());
        EXPECT_FALSE(child<QWidget>(f.get(), "txtService")->isVisible());
        EXPECT_FALSE(child<QWidget>(f.get(), "txtDirectSel")->isVisible());
        EXPECT_TRUE(f->holdsDatabase());
    }
}

TEST_F(EstimateFormTest, CaptionsAndServiceKeys) {
    auto f = open();
    const std::tuple<const char*, const char*, const char*> options[] = {
        {"ChkM1", "Mailsort 1", "M1"},           {"ChkM2", "Mailsort 2", "M2"},
        {"ChkM3", "Mailsort 3", "M3"},           {"ChkP1", "Press Stream 1", "P1"},
        {"ChkP2", "Press Stream 2", "P2"},       {"ChkM1120", "Mailsort 1 120", "M1 120"},
        {"ChkM2120", "Mailsort 2 120", "M2 120"}, {"ChkM3120", "Mailsort 3 120", "M3 120"},
    };
    for (auto [name, caption, code] : options) {
        auto* o = child<QRadioButton>(f.get(), name);
        EXPECT_EQ(o->text(), caption);
        clickIndicator(o);
        EXPECT_EQ(box(f.get(), "txtService"), code) << name;
    }
    QStringList captions;
    for (auto* l : f->findChildren<QLabel*>()) captions << l->text();
    for (const char* c : {"Mailsort Service:", "Number of Addresses:", "Mail Format", "(LE, LL, A3 or PK)",
                          "Weight in Grammes:", "Minimum Selection:", "(25 for LE Format  5 for Other Formats)"})
        EXPECT_TRUE(captions.contains(QString::fromLatin1(c))) << c;
    EXPECT_EQ(child<QCheckBox>(f.get(), "chkRoyalMail")->text(), "Royal Mail Frank");
    EXPECT_EQ(child<QPushButton>(f.get(), "cmdOK")->text(), "OK");
    EXPECT_EQ(child<QPushButton>(f.get(), "cmdCancel")->text(), "Cancel");
}

TEST_F(EstimateFormTest, TheWorkedExampleThroughTheForms) {
    setPrice("M1", {{"LeBase1", 26.45}, {"LeDPtg1", 12.0}, {"LeQty1", 1100.0}, {"LeQ1VRD1", 0.5},
                    {"LeRPtg1", 5.0}, {"Franking Surcharge", 1.5}});
    setStandard({{"LeW1Fst", 34.0}});
    auto f = open();
    type(f.get(), "txtNoAddresses", "5000");
    clickIndicator(child<QCheckBox>(f.get(), "chkRoyalMail"));
    scriptedMessages().answerInput(QStringLiteral("22"), kPrompt);
    press(f.get(), "cmdOK");
    ASSERT_EQ(scriptedMessages().inputs().size(), 1u);
    EXPECT_EQ(scriptedMessages().inputs()[0].title, "Direct Selections");
    EXPECT_EQ(scriptedMessages().inputs()[0].defaultText, "22");
    EXPECT_TRUE(scriptedMessages().messages().empty());
    EXPECT_EQ(box(f.get(), "txtDirectSel"), "22");
    EstimateResultForm* r = f->result();
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->isVisible());
    EXPECT_EQ(r->windowTitle(), "Estimated Costs");
    EXPECT_EQ(figures(r), (QStringList{"5000", "34.00", "1700.00", "5000", "26.50", "1325.00", "1100", "12.50",
                                       "-36.44", "3900", "5.00", "-51.68", "5000", "1.50", "19.88", "1256.76",
                                       "443.24"}));
    const std::pair<const char*, const char*> captions[] = {
        {"Label1", "Standard Post"},       {"Label2", "Straight Line Cost"},
        {"Label3", "Direct Selection Discount"}, {"Label4", "Residue Selection Discount"},
        {"Label5", "Franking Surcharge"},  {"Label6", "Net Cost"},
        {"Label7", "Mailsort Saving"},     {"lblPound", "\u00a3"},
        {"lblUnit1", "pence"},             {"lblUnit3", "%"},
        {"lblAt1", "@"},
    };
    for (auto [name, text] : captions) EXPECT_EQ(label(r, name), QString::fromUtf8(text)) << name;
    EXPECT_TRUE(child<QLabel>(r, "Label6")->font().bold());
    EXPECT_FALSE(child<QLabel>(r, "lblNetCost")->font().bold());
    EXPECT_TRUE(child<QLabel>(r, "lblNetCost")->font().underline());
    EXPECT_TRUE(child<QLabel>(r, "lblSaving")->font().bold());
    EXPECT_TRUE(child<QLabel>(r, "lblDirTotal")->isVisible());
    EXPECT_TRUE(child<QLabel>(r, "lblDirTotal")->alignment() & Qt::AlignRight);

    // A second OK while the result is open changes none of its figures.
    type(f.get(), "txtNoAddresses", "9000");
    scriptedMessages().answerInput(QStringLiteral("30"));
    press(f.get(), "cmdOK");
    EXPECT_EQ(f->result(), r);
    EXPECT_EQ(label(r, "lblAddress1"), "5000");
    EXPECT_EQ(box(f.get(), "txtDirectSel"), "30");
    // Closed, the next OK works the figures out anew.
    press(r, "cmdOK");
    QTest::qWait(10);
    EXPECT_TRUE(f->isVisible());
    scriptedMessages().answerInput(QStringLiteral("30"));
    press(f.get(), "cmdOK");
    ASSERT_NE(f->result(), nullptr);
    EXPECT_EQ(label(f->result(), "lblAddress1"), "9000");
    EXPECT_EQ(label(f->result(), "lblAddress3"), "2700");
}

TEST_F(EstimateFormTest, NumberOfAddressesQuestions) {
    struct Case {
        const char* typed;
        const QString* question;  // nullptr: none
    };
    const Case cases[] = {{"", &kTooSmall},           {"999", &kTooSmall},     {"1000", &kCannotDetermine},
                          {"3999", &kCannotDetermine}, {"4000", nullptr},       {"9999999", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        for (Answer a : {Answer::No, Answer::Yes}) {
            if (!c.question && a == Answer::No) continue;
            scriptedMessages().clear();
            auto f = open();
            type(f.get(), "txtNoAddresses", QString::fromLatin1(c.typed));
            if (c.question) scriptedMessages().answer(a, *c.question);
            if (a == Answer::Yes) scriptedMessages().answerInput(QString());  // cleared: nothing shown
            press(f.get(), "cmdOK");
            EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
            if (c.question) {
                EXPECT_EQ(scriptedMessages().messages().at(0).buttons, Buttons::YesNo);
                EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::None);
            }
            if (!*c.typed) {
                EXPECT_EQ(box(f.get(), "txtNoAddresses"), "0");
            }
            if (a == Answer::No) {
                EXPECT_TRUE(scriptedMessages().inputs().empty());
                EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), "txtNoAddresses"));
            }
            EXPECT_EQ(f->result(), nullptr);
            EXPECT_EQ(box(f.get(), "txtDirectSel"), "");
        }
    }
}

TEST_F(EstimateFormTest, ChecksOfA120Service) {
    struct Case {
        const char* weight;
        const char* format;
        const char* message;  // nullptr: the result opens
        const char* focus;
    };
    const Case cases[] = {
        {"100", "LE", nullptr, nullptr},
        {"101", "LE", "Weight can not be over 100g for 120 processing", "txtWeight"},
        {"60", "PK", "Mail Format has to be LE-Letter for 120 processing", "TxtFormat"},
        {"101", "PK", "Weight can not be over 100g for 120 processing", "txtWeight"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.weight) + " " + c.format);
        scriptedMessages().clear();
        setParm(key::Weight, c.weight);
        setParm(key::Format, c.format);
        auto f = open();
        clickIndicator(child<QRadioButton>(f.get(), "ChkM2120"));
        type(f.get(), "txtNoAddresses", "5000");
        if (c.message) scriptedMessages().answer(Answer::Ok, QString::fromLatin1(c.message));
        press(f.get(), "cmdOK");
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_TRUE(scriptedMessages().inputs().empty());  // no percentage is asked
        if (c.message) {
            EXPECT_EQ(f->result(), nullptr);
            EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), c.focus));
            EXPECT_EQ(scriptedMessages().messages().at(0).icon, Icon::None);
        } else {
            EXPECT_EQ(box(f.get(), "txtDirectSel"), "0");
            ASSERT_NE(f->result(), nullptr);
            // the direct line is hidden; the others show
            for (const char* name : {"Label3", "lblAddress3", "lblAt3", "lblPerc1", "lblUnit3", "lblDirTotal"})
                EXPECT_FALSE(child<QWidget>(f->result(), name)->isVisible()) << name;
            for (const char* name : {"Label1", "Label2", "Label4", "Label5", "lblResTotal", "lblNetCost", "lblSaving"})
                EXPECT_TRUE(child<QWidget>(f->result(), name)->isVisible()) << name;
            // M2 120 letters, shipped: 30p second class, 30p base, 6 per cent residue
            EXPECT_EQ(label(f->result(), "lblResTotal"), "-90.00");
            EXPECT_EQ(label(f->result(), "lblSaving"), "90.00");
        }
    }
}

TEST_F(EstimateFormTest, FirstClassOnlyForMailsort1AndPresstream1) {
    // shipped letters: 39p first class, 30p second
    const std::pair<const char*, const char*> cases[] = {
        {"ChkM1", "39.00"},    {"ChkP1", "39.00"},    {"ChkM1120", "30.00"}, {"ChkM2", "30.00"},
        {"ChkM2120", "30.00"}, {"ChkM3", "30.00"},    {"ChkM3120", "30.00"}, {"ChkP2", "30.00"},
    };
    for (auto [option, price] : cases) {
        SCOPED_TRACE(option);
        scriptedMessages().clear();
        auto f = open();
        clickIndicator(child<QRadioButton>(f.get(), option));
        type(f.get(), "txtNoAddresses", "5000");
        if (!QString::fromLatin1(option).endsWith(QLatin1String("120"))) scriptedMessages().answerInput("10");
        press(f.get(), "cmdOK");
        ASSERT_NE(f->result(), nullptr);
        EXPECT_EQ(label(f->result(), "lblPrice1"), price);
    }
}

TEST_F(EstimateFormTest, FormatMustBeOneOfTheFour) {
    for (const char* format : {"LX", "", "le", "P"}) {
        SCOPED_TRACE(format);
        scriptedMessages().clear();
        setParm(key::Format, format);
        auto f = open();
        type(f.get(), "txtNoAddresses", "5000");
        scriptedMessages().answer(Answer::Ok, kFormatIncorrect);
        press(f.get(), "cmdOK");
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_TRUE(scriptedMessages().inputs().empty());
        EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), "TxtFormat"));
        EXPECT_EQ(f->result(), nullptr);
    }
}

TEST_F(EstimateFormTest, TheDirectSelectionAnswer) {
    auto f = open();
    type(f.get(), "txtNoAddresses", "7000");
    // rejected answers ask again with the same suggestion (27.5 to the even 28)
    scriptedMessages()
        .answerInput(QStringLiteral("abc"))
        .answer(Answer::Ok, QStringLiteral("Direct selection percentage must be numeric"))
        .answerInput(QStringLiteral("150"))
        .answer(Answer::Ok, QStringLiteral("Direct selection percentage must be between 0 and 100"))
        .answerInput(QStringLiteral("-5"))
        .answer(Answer::Ok, QStringLiteral("Direct selection percentage must be between 0 and 100"))
        .answerInput(QStringLiteral("12.5"));
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    ASSERT_EQ(scriptedMessages().inputs().size(), 4u);
    for (const auto& in : scriptedMessages().inputs()) {
        EXPECT_EQ(in.defaultText, "28");
        EXPECT_EQ(in.prompt, kPrompt);
        EXPECT_EQ(in.title, "Direct Selections");
    }
    EXPECT_EQ(box(f.get(), "txtDirectSel"), "12.5");
    ASSERT_NE(f->result(), nullptr);
    EXPECT_EQ(label(f->result(), "lblAddress3"), "875");
    f->result()->close();
    QTest::qWait(10);

    // Cleared or cancelled: nothing is shown and the form is unchanged.
    for (std::optional<QString> answer : {std::optional<QString>(QString()), std::optional<QString>()}) {
        scriptedMessages().clear();
        scriptedMessages().answerInput(answer);
        press(f.get(), "cmdOK");
        EXPECT_EQ(f->result(), nullptr);
        EXPECT_EQ(box(f.get(), "txtDirectSel"), "12.5");
    }
    // Above the last break point the suggestion already held stays.
    type(f.get(), "txtNoAddresses", "20000");
    scriptedMessages().answerInput(QString());
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().inputs().back().defaultText, "28");
}

TEST_F(EstimateFormTest, AFreshFormSuggestsNothingAboveTheLastBreak) {
    auto f = open();
    type(f.get(), "txtNoAddresses", "20000");
    scriptedMessages().answerInput(QString());
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().inputs().at(0).defaultText, "0");
}

TEST_F(EstimateFormTest, BoxRules) {
    auto f = open();
    // digits only; the format in capitals, two at most
    type(f.get(), "txtNoAddresses", "12a-3.45678901");
    EXPECT_EQ(box(f.get(), "txtNoAddresses"), "1234567");
    type(f.get(), "TxtFormat", "pkx");
    EXPECT_EQ(box(f.get(), "TxtFormat"), "PK");
    type(f.get(), "TxtFormat", "le");
    EXPECT_EQ(box(f.get(), "TxtFormat"), "LE");
    type(f.get(), "txtSelection", "2x5");
    EXPECT_EQ(box(f.get(), "txtSelection"), "25");

    // the weight: 10 to 2000, empty becomes 0; a refusal keeps the focus
    struct Weight {
        const char* typed;
        const char* message;
        const char* after;
    };
    const Weight weights[] = {{"", "Weight is too low.", "0"},
                              {"9", "Weight is too low.", "9"},
                              {"2001", "Weight is greater than maximum (2000)", "2001"},
                              {"10", nullptr, "10"},
                              {"2000", nullptr, "2000"},
                              {"12345", nullptr, "1234"}};  // four digits at most
    for (const Weight& w : weights) {
        SCOPED_TRACE(w.typed);
        scriptedMessages().clear();
        if (w.message) scriptedMessages().answer(Answer::Ok, QString::fromLatin1(w.message));
        type(f.get(), "txtWeight", QString::fromLatin1(w.typed));
        QTest::keyClick(child<QWidget>(f.get(), "txtWeight"), Qt::Key_Tab);
        QTest::qWait(10);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_EQ(box(f.get(), "txtWeight"), w.after);
        EXPECT_EQ(QApplication::focusWidget() == child<QWidget>(f.get(), "txtWeight"), w.message != nullptr);
    }
    type(f.get(), "txtWeight", "100");
    QTest::keyClick(child<QWidget>(f.get(), "txtWeight"), Qt::Key_Tab);

    // the minimum selection warns and lets the focus go on
    struct Selection {
        const char* format;
        const char* typed;
        const char* message;
    };
    const Selection selections[] = {
        {"LE", "25", nullptr},
        {"LE", "5", "Minimum selection is normally 25 for Letter Format"},
        {"LE", "", "Minimum selection is normally 25 for Letter Format"},
        {"PK", "5", nullptr},
        {"LL", "25", "Minimum selection is normally 5 for Selected Format"},
        {"A3", "", "Minimum selection is normally 5 for Selected Format"},
    };
    for (const Selection& s : selections) {
        SCOPED_TRACE(std::string(s.format) + " " + s.typed);
        scriptedMessages().clear();
        type(f.get(), "TxtFormat", QString::fromLatin1(s.format));
        if (s.message) scriptedMessages().answer(Answer::Ok, QString::fromLatin1(s.message));
        type(f.get(), "txtSelection", QString::fromLatin1(s.typed));
        QTest::keyClick(child<QWidget>(f.get(), "txtSelection"), Qt::Key_Tab);
        QTest::qWait(10);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_EQ(scriptedMessages().messages().size(), s.message ? 1u : 0u);
        if (!*s.typed) {
            EXPECT_EQ(box(f.get(), "txtSelection"), "0");
        }
        EXPECT_NE(QApplication::focusWidget(), child<QWidget>(f.get(), "txtSelection"));
    }
}

TEST_F(EstimateFormTest, TariffFaultsAreReportedAndNoResultShown) {
    emptyTable("poprice");
    auto f = open();
    type(f.get(), "txtNoAddresses", "5000");
    scriptedMessages()
        .answerInput(QStringLiteral("22"))
        .answer(Answer::Ok,
                QStringLiteral("No estimate can be made: the standard Royal Mail tariff (PO Prices) has no prices."));
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(f->result(), nullptr);
    EXPECT_TRUE(f->isVisible());
}

TEST_F(EstimateFormTest, CancelClosesTheFormAndLetsTheDatabaseGo) {
    auto f = open();
    press(f.get(), "cmdCancel");
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->holdsDatabase());
}

}  // namespace
