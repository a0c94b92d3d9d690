#include "tariff_fixture.h"

#include "console/tariffs/estimate.h"
#include "console/tariffs/mailsorttariffform.h"
#include "console/tariffs/standardtariffform.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <set>

using namespace qv::console;
using namespace qv::console::testing;
using qv::db::Value;
using qv::platform::Answer;
using qv::platform::child;
using qv::platform::testing::scriptedMessages;

namespace {

// Replaces a box's text the way a user does: into the box, select, type.
void type(QWidget* form, const QString& name, const QString& text) {
    auto* b = child<QLineEdit>(form, name);
    b->setFocus();
    b->selectAll();
    QTest::keyClick(b, Qt::Key_Backspace);
    QTest::keyClicks(b, text);
}
QString box(QWidget* form, const QString& name) { return child<QLineEdit>(form, name)->text(); }
void press(QWidget* form, const char* name) { QTest::mouseClick(child<QPushButton>(form, name), Qt::LeftButton); }

// ---- the standard tariff ---------------------------------------------------------------

// Every field of poprice with its box.
const std::vector<std::pair<std::string, QString>>& standardBoxes() {
    static const auto list = [] {
        std::vector<std::pair<std::string, QString>> l{{"LeWgt1", "TxtLEWgt1"}, {"LeW1Fst", "TxtLeW1Fst"},
                                                       {"LeW1Snd", "TxtLEW1Snd"}};
        for (int n = 1; n <= 4; ++n) {
            l.push_back({"LLWgt" + std::to_string(n), QStringLiteral("txtLLWgt%1").arg(n)});
            l.push_back({"LLW" + std::to_string(n) + "Fst", QStringLiteral("TxtLLW%1Fst").arg(n)});
            l.push_back({"LLW" + std::to_string(n) + "Snd", QStringLiteral("TxtLLW%1Snd").arg(n)});
        }
        for (int n = 1; n <= 9; ++n) {
            l.push_back({"PkWgt" + std::to_string(n), QStringLiteral("TxtPkWgt%1").arg(n)});
            l.push_back({"PkW" + std::to_string(n) + "Fst", QStringLiteral("TxtPKW%1Fst").arg(n)});
            l.push_back({"PkW" + std::to_string(n) + "Snd", QStringLiteral("TxtPKW%1Snd").arg(n)});
        }
        return l;
    }();
    return list;
}

class StandardTariffFormTest : public TariffTest {
protected:
    std::unique_ptr<StandardTariffForm> open() {
        auto f = std::make_unique<StandardTariffForm>();
        EXPECT_TRUE(f->Form_Load());
        EXPECT_TRUE(showActive(f.get()));
        return f;
    }
    std::vector<std::string> stored() {
        std::vector<std::string> out;
        for (const auto& [field, name] : standardBoxes()) out.push_back(standardField(field.c_str()).toString());
        return out;
    }
};

TEST_F(StandardTariffFormTest, ShowsTheRowInItsBoxes) {
    auto f = open();
    EXPECT_EQ(f->windowTitle(), "Royal Mail Post Charges Maintenance");
    ASSERT_EQ(standardBoxes().size(), 42u);
    for (const auto& [field, name] : standardBoxes())
        EXPECT_EQ(box(f.get(), name).toStdString(), standardField(field.c_str()).toString()) << field;
    std::set<QString> captions;
    for (auto* l : f->findChildren<QLabel*>()) captions.insert(l->text());
    for (const char* c : {"Prices in Pence", "Letter", "Large Letter", "Packets", "Weight 1:", "Weight 4:",
                          "Weight 9:", "g", "1st Class:", "2nd Class:"})
        EXPECT_TRUE(captions.count(QString::fromLatin1(c))) << c;
    EXPECT_EQ(child<QPushButton>(f.get(), "cmdOK")->text(), "OK");
    EXPECT_EQ(child<QPushButton>(f.get(), "cmdCancel")->text(), "Cancel");
    EXPECT_TRUE(f->holdsDatabase());
}

TEST_F(StandardTariffFormTest, EveryBoxIsSavedAndShownBack) {
    auto f = open();
    QStringList typed;
    int i = 0;
    for (const auto& [field, name] : standardBoxes()) {
        // whole grams in the weights (three digits where typing stops at three), pence with fractions
        const bool weight = field.find("Wgt") != std::string::npos;
        const QString text = weight ? QString::number(101 + i) : QString::number(20 + i) + QStringLiteral(".5");
        type(f.get(), name, text);
        typed << text;
        ++i;
    }
    press(f.get(), "cmdOK");
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->holdsDatabase());
    std::vector<std::string> expected;
    for (const QString& t : typed) expected.push_back(t.toStdString());
    EXPECT_EQ(stored(), expected);

    auto again = open();
    i = 0;
    for (const auto& [field, name] : standardBoxes()) EXPECT_EQ(box(again.get(), name), typed[i++]) << field;
    EXPECT_TRUE(shownMessages().isEmpty());
}

TEST_F(StandardTariffFormTest, CancelAndEscSaveNothing) {
    const auto before = stored();
    for (bool esc : {false, true}) {
        auto f = open();
        type(f.get(), "TxtLeW1Fst", "77");
        type(f.get(), "TxtPkWgt9", "9999");
        if (esc)
            QTest::keyClick(child<QLineEdit>(f.get(), "TxtPkWgt9"), Qt::Key_Escape);
        else
            press(f.get(), "cmdCancel");
        EXPECT_FALSE(f->isVisible());
        EXPECT_FALSE(f->holdsDatabase());
        EXPECT_EQ(stored(), before);
    }
    // OK with nothing changed saves the same values.
    auto f = open();
    press(f.get(), "cmdOK");
    EXPECT_EQ(stored(), before);
}

TEST_F(StandardTariffFormTest, ABoxThatIsNotANumberIsRefused) {
    const auto before = stored();
    for (const char* bad : {"abc", "", "12p", "1.2.3", "-"}) {
        SCOPED_TRACE(bad);
        scriptedMessages().clear();
        auto f = open();
        type(f.get(), "TxtLeW1Fst", "41");
        type(f.get(), "TxtLLW3Snd", QString::fromLatin1(bad));
        scriptedMessages().answer(Answer::Ok, QStringLiteral("This box must hold a number."));
        press(f.get(), "cmdOK");
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), "TxtLLW3Snd"));
        EXPECT_EQ(stored(), before);
        // mended, it saves
        type(f.get(), "TxtLLW3Snd", "116");
        press(f.get(), "cmdOK");
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(standardField("LLW3Snd").toString(), "116");
        EXPECT_EQ(standardField("LeW1Fst").toString(), "41");
        setStandard({{"LeW1Fst", 39.0}, {"LLW3Snd", 115.0}});
    }
    // A weight beyond the whole numbers a weight can hold is refused too.
    scriptedMessages().clear();
    auto f = open();
    type(f.get(), "TxtPkWgt9", "99999999999");
    scriptedMessages().setAutoAcceptOk(true);
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(standardField("PkWgt9").toString(), "2000");
}

TEST_F(StandardTariffFormTest, TypingStopsAtThreeInTheShortWeightBoxesOnly) {
    setStandard({{"LLWgt1", 1000}});
    auto f = open();
    // a stored weight longer than the box's typing limit is shown whole
    EXPECT_EQ(box(f.get(), "txtLLWgt1"), "1000");
    for (const char* name : {"TxtLEWgt1", "txtLLWgt1", "txtLLWgt2", "TxtPkWgt1", "TxtPkWgt2"}) {
        type(f.get(), QString::fromLatin1(name), "12345");
        EXPECT_EQ(box(f.get(), QString::fromLatin1(name)), "123") << name;
    }
    for (const char* name : {"txtLLWgt3", "txtLLWgt4", "TxtPkWgt3", "TxtPkWgt9", "TxtLeW1Fst", "TxtPKW9Snd"}) {
        type(f.get(), QString::fromLatin1(name), "12345");
        EXPECT_EQ(box(f.get(), QString::fromLatin1(name)), "12345") << name;
    }
}

TEST_F(StandardTariffFormTest, TheEstimatorPricesByTheSavedRow) {
    auto f = open();
    type(f.get(), "TxtLLW2Fst", "104");
    type(f.get(), "txtLLWgt2", "300");
    press(f.get(), "cmdOK");
    auto db = qv::db::Database::open("mailsort.mdb");
    EXPECT_EQ(estimate::getPrice(*db, "LL", 300, true), qv::Money::fromWhole(104));
}

TEST_F(StandardTariffFormTest, NoRowToEdit) {
    emptyTable("poprice");
    StandardTariffForm f;
    scriptedMessages().answer(Answer::Ok, QStringLiteral("The standard Royal Mail tariff has no row to edit."));
    EXPECT_FALSE(f.Form_Load());
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_FALSE(f.holdsDatabase());
}

// ---- the Mailsort tariff --------------------------------------------------------------

// The 69 edited fields with their boxes.
const std::vector<std::pair<std::string, QString>>& priceBoxes() {
    static const auto list = [] {
        std::vector<std::pair<std::string, QString>> l;
        auto add = [&](const std::string& f, const QString& b) { l.push_back({f, b}); };
        add("LeWgt1", "TxtLEWgt1");
        add("LeBase1", "TxtLEBase1");
        add("LeDPtg1", "txtLeDPtg1");
        add("LeRPtg1", "TxtLeRPtg1");
        for (const char* f : {"LL", "A3"}) {
            const QString b = QLatin1String(f) == QLatin1String("LL") ? QStringLiteral("LL") : QStringLiteral("A3");
            const QString w = b == QLatin1String("LL") ? QStringLiteral("txt") : QStringLiteral("Txt");
            add(std::string(f) + "Wgt1", w + b + "Wgt1");
            add(std::string(f) + "Base1", "Txt" + b + "Base1");
            add(std::string(f) + "Wgt2", w + b + "Wgt2");
            add(std::string(f) + "Base2", "Txt" + b + "Base2");
            add(std::string(f) + "Ext1", "Txt" + b + "Ext1");
            add(std::string(f) + "DPtg1", "Txt" + b + "DPtg1");
            add(std::string(f) + "RPtg1", "Txt" + b + "RPtg1");
        }
        for (const char* f : {"Wgt1", "Base1", "Wgt2", "Base2", "Ext1", "Wgt3", "Base3", "Ext2"})
            add(std::string("PK") + f, QStringLiteral("TxtPk") + QLatin1String(f));
        add("PKDPtg1", "TxtPKDPtg1");
        add("PKRPtg1", "TxtPKRPtg1");
        for (int n = 1; n <= 5; ++n) {
            add("LeQ" + std::to_string(n) + "VRD1", QStringLiteral("TxtLeQ%1VRD1").arg(n));
            add("LLQ" + std::to_string(n) + "VRD1", QStringLiteral("TxtLLQ%1VRD1").arg(n));
            add("A3Q" + std::to_string(n) + "VRD1", QStringLiteral("TxtA3Q%1VRD1").arg(n));
            add("PKQ" + std::to_string(n) + "VRD1", n == 5 ? QStringLiteral("TxtPKQ5VRD1") : QStringLiteral("TxtPkQ%1VRD1").arg(n));
            add("LeQty" + std::to_string(n), QStringLiteral("TxtLEQty%1").arg(n));
            add("LLQty" + std::to_string(n), QStringLiteral("TxtLLQty%1").arg(n));
            add("A3Qty" + std::to_string(n), QStringLiteral("TxtA3Qty%1").arg(n));
            add("PKQty" + std::to_string(n), QStringLiteral("TxtPKQty%1").arg(n));
        }
        add("Franking Surcharge", "txtFrank");
        return l;
    }();
    return list;
}

const QStringList kLetterRow{"LblLet",      "Lblletwgt",   "LblGram",     "LblLeQty1",   "LblLeQty2",
                             "LblLeQty3",   "LblLeQty4",   "LblLeQty5",   "TxtLEWgt1",   "TxtLEBase1",
                             "txtLeDPtg1",  "TxtLeRPtg1",  "TxtLeQ1VRD1", "TxtLeQ2VRD1", "TxtLeQ3VRD1",
                             "TxtLeQ4VRD1", "TxtLeQ5VRD1", "TxtLEQty1",   "TxtLEQty2",   "TxtLEQty3",
                             "TxtLEQty4",   "TxtLEQty5"};
const QStringList kShownFor120{"LblLet",      "Lblletwgt",   "LblGram",     "LblBase",     "LblRes1",
                               "LblLeQty1",   "LblLeQty2",   "LblLeQty3",   "LblLeQty4",   "LblLeQty5",
                               "TxtLEWgt1",   "TxtLEBase1",  "TxtLeRPtg1",  "TxtLeQ1VRD1", "TxtLeQ2VRD1",
                               "TxtLeQ3VRD1", "TxtLeQ4VRD1", "TxtLeQ5VRD1", "TxtLEQty1",   "TxtLEQty2",
                               "TxtLEQty3",   "TxtLEQty4",   "TxtLEQty5",   "LblFrank",    "txtFrank",
                               "LblFrank2"};

class MailsortTariffFormTest : public TariffTest {
protected:
    std::unique_ptr<MailsortTariffForm> open() {
        auto f = std::make_unique<MailsortTariffForm>();
        f->Form_Load();
        EXPECT_TRUE(showActive(f.get()));
        return f;
    }
    std::vector<std::string> stored(const std::string& code) {
        std::vector<std::string> out;
        for (const auto& [field, name] : priceBoxes()) out.push_back(priceField(code, field.c_str()).toString());
        return out;
    }
    std::vector<std::string> shown(QWidget* f) {
        std::vector<std::string> out;
        for (const auto& [field, name] : priceBoxes()) out.push_back(box(f, name).toStdString());
        return out;
    }
    void pick(QWidget* f, const char* option) { clickIndicator(child<QRadioButton>(f, option)); }
    // The labels and boxes of the form (not the service frame nor the buttons) that are hidden.
    static QStringList hidden(QWidget* f) {
        QStringList out;
        for (QWidget* w : f->findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(w) && !qobject_cast<QLineEdit*>(w)) continue;
            if (w->isHidden()) out << w->objectName();
        }
        out.sort();
        return out;
    }
    static QStringList sorted(QStringList l) {
        l.sort();
        return l;
    }
};

TEST_F(MailsortTariffFormTest, OpensOnMailsort1WithEverySectionShown) {
    auto f = open();
    EXPECT_TRUE(child<QRadioButton>(f.get(), "optM1")->isChecked());
    EXPECT_EQ(f->serviceCode(), "M1    ");
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), "optM1"));
    EXPECT_TRUE(hidden(f.get()).isEmpty());
    ASSERT_EQ(priceBoxes().size(), 69u);
    EXPECT_EQ(shown(f.get()), stored("M1"));
    EXPECT_EQ(child<QGroupBox>(f.get(), "Frame1")->title(), "Mailsort Service");
    const std::pair<const char*, const char*> captions[] = {
        {"optM1", "Mailsort 1"},         {"optM2", "Mailsort 2"},         {"optM3", "Mailsort 3"},
        {"optP1", "Press Stream 1"},     {"optP2", "Press Stream 2"},     {"optM1120", "Mailsort 1 120"},
        {"optM2120", "Mailsort 2 120"},  {"optM3120", "Mailsort 3 120"},
    };
    for (auto [name, caption] : captions) EXPECT_EQ(child<QRadioButton>(f.get(), name)->text(), caption);
    const std::pair<const char*, const char*> labels[] = {
        {"LblBase", "Base Cost"},      {"LblDir1", "Dir %"},         {"LblRes1", "Res %"},
        {"Label1", "Volume Related Direct Discount %"},              {"LblLet", "Letter"},
        {"LblLL", "Large Letter"},     {"LblA3", "A3 Packet"},       {"LblPk", "Packet"},
        {"Lblletwgt", "Weight 1:"},    {"LblGram", "g"},             {"LblLeQty1", "Qty 1"},
        {"LblLeQty5", "Qty 5"},        {"LblLLExtra", "Extra\nCost"}, {"LblPkWgt3", "Weight 3:"},
        {"LblFrank", "Franking Surcharge:"},                         {"LblFrank2", "%   (If franked by Royal Mail)"},
    };
    for (auto [name, caption] : labels) EXPECT_EQ(child<QLabel>(f.get(), name)->text(), caption) << name;
    // Cancel at once writes nothing.
    const auto before = stored("M1");
    press(f.get(), "cmdCancel");
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->holdsDatabase());
    EXPECT_EQ(stored("M1"), before);
}

TEST_F(MailsortTariffFormTest, WhatEachServiceShows) {
    QStringList all;
    {
        auto f = open();
        for (QWidget* w : f->findChildren<QWidget*>())
            if (qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w)) all << w->objectName();
    }
    QStringList hiddenFor120;
    for (const QString& n : all)
        if (!kShownFor120.contains(n)) hiddenFor120 << n;
    const QStringList none;
    struct Case {
        const char* option;
        const char* code;
        QStringList hidden;
    };
    // in the order a user might go: each choice undoes the last one's rule
    const Case cases[] = {
        {"optM1120", "M1 120", sorted(hiddenFor120)}, {"optP1", "P1", sorted(kLetterRow)},
        {"optM2120", "M2 120", sorted(hiddenFor120)}, {"optP2", "P2", sorted(kLetterRow)},
        {"optM2", "M2", none},                        {"optM3120", "M3 120", sorted(hiddenFor120)},
        {"optM3", "M3", none},                        {"optM1", "M1", none},
    };
    auto f = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        pick(f.get(), c.option);
        EXPECT_EQ(f->serviceCode().trimmed(), c.code);
        EXPECT_EQ(hidden(f.get()), c.hidden);
        EXPECT_EQ(shown(f.get()), stored(c.code));
        // the frame, its options and the buttons always stay
        for (const char* name : {"Frame1", "optM1", "optM3120", "cmdOK", "cmdCancel"})
            EXPECT_TRUE(child<QWidget>(f.get(), name)->isVisible()) << name;
    }
    EXPECT_EQ(hiddenFor120.size() + kShownFor120.size(), std::size_t(all.size()));
    EXPECT_TRUE(shownMessages().isEmpty());
}

TEST_F(MailsortTariffFormTest, EveryBoxIsSavedForTheServiceOnScreenOnly) {
    auto f = open();
    type(f.get(), "TxtLEBase1", "99");  // an edit of M1, lost by choosing M2
    pick(f.get(), "optM2");
    QStringList typed;
    int i = 0;
    for (const auto& [field, name] : priceBoxes()) {
        // short enough for every typing limit; distinct
        QString text = QString::number(10 + i) + ".5";
        if (name == QLatin1String("txtFrank")) text = QStringLiteral("7.5");
        if (name.endsWith(QLatin1String("Wgt1")) || name.endsWith(QLatin1String("Wgt2"))) text = QString::number(100 + i);
        type(f.get(), name, text);
        typed << text;
        ++i;
    }
    const auto m1 = stored("M1");
    press(f.get(), "cmdOK");
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(shownMessages().isEmpty());
    std::vector<std::string> expected;
    for (const QString& t : typed) expected.push_back(t.toStdString());
    EXPECT_EQ(stored("M2"), expected);
    EXPECT_EQ(stored("M1"), m1);

    auto again = open();
    pick(again.get(), "optM2");
    i = 0;
    for (const auto& [field, name] : priceBoxes()) EXPECT_EQ(box(again.get(), name), typed[i++]) << field;
}

TEST_F(MailsortTariffFormTest, HiddenFieldsGoBackAsTheyWereLoaded) {
    // a stored figure, and an empty one the form cannot show, behind the hidden letter boxes
    setPrice("M3 120", {{"LeDPtg1", 7.25}, {"LLBase1", Value()}});
    auto f = open();
    pick(f.get(), "optM3120");
    EXPECT_TRUE(child<QWidget>(f.get(), "txtLeDPtg1")->isHidden());
    type(f.get(), "TxtLEBase1", "31");
    press(f.get(), "cmdOK");
    EXPECT_TRUE(shownMessages().isEmpty());
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(priceField("M3 120", "LeBase1").toString(), "31");
    EXPECT_EQ(priceField("M3 120", "LeDPtg1").toString(), "7.25");
    EXPECT_TRUE(priceField("M3 120", "LLBase1").isNull());
}

TEST_F(MailsortTariffFormTest, AShownBoxThatIsNotANumberIsRefused) {
    const auto before = stored("P1");
    auto f = open();
    pick(f.get(), "optP1");
    type(f.get(), "TxtPkBase3", "99");
    type(f.get(), "TxtA3Ext1", "0,2");
    scriptedMessages().answer(Answer::Ok, QStringLiteral("This box must hold a number."));
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), "TxtA3Ext1"));
    EXPECT_EQ(stored("P1"), before);
}

TEST_F(MailsortTariffFormTest, FrankingBoxTakesAPercentageBelowAHundred) {
    auto f = open();
    auto* frank = child<QLineEdit>(f.get(), "txtFrank");
    // letters, a minus sign and a comma are dropped; five characters at most
    type(f.get(), "txtFrank", "a-1,2x.5");
    EXPECT_EQ(frank->text(), "12.5");
    type(f.get(), "txtFrank", "123456");
    EXPECT_EQ(frank->text(), "12345");
    // leaving: empty becomes 0; 99.99 passes; 100 and more are refused
    type(f.get(), "txtFrank", "");
    QTest::keyClick(frank, Qt::Key_Tab);
    EXPECT_EQ(frank->text(), "0");
    type(f.get(), "txtFrank", "99.99");
    QTest::keyClick(frank, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), frank);
    EXPECT_TRUE(shownMessages().isEmpty());
    for (const char* refused : {"100", "250", "100.5"}) {
        SCOPED_TRACE(refused);
        scriptedMessages().clear();
        scriptedMessages().answer(Answer::Ok, QStringLiteral("Percentages must be between 0 and 100"));
        type(f.get(), "txtFrank", QString::fromLatin1(refused));
        QTest::keyClick(frank, Qt::Key_Tab);
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        QTest::qWait(20);
        EXPECT_EQ(QApplication::focusWidget(), frank);
        EXPECT_EQ(frank->text(), refused);
    }
    // OK does not save while the box holds 100 or more
    scriptedMessages().clear();
    scriptedMessages().answer(Answer::Ok, QStringLiteral("Percentages must be between 0 and 100"));
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(priceField("M1", "Franking Surcharge").toString(), "2.5");
    EXPECT_EQ(scriptedMessages().messages().at(0).icon, qv::platform::Icon::None);
    EXPECT_EQ(scriptedMessages().messages().size(), 1u);
}

TEST_F(MailsortTariffFormTest, AStoredSurchargeOfAHundredIsNotSavedBack) {
    setPrice("M2", {{"Franking Surcharge", 100.0}});
    auto f = open();
    pick(f.get(), "optM2");
    type(f.get(), "TxtLLBase1", "54");
    scriptedMessages().answer(Answer::Ok, QStringLiteral("Percentages must be between 0 and 100"));
    press(f.get(), "cmdOK");
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(f.get(), "txtFrank"));
    EXPECT_EQ(priceField("M2", "LLBase1").toString(), "53");
    type(f.get(), "txtFrank", "3");
    press(f.get(), "cmdOK");
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(priceField("M2", "LLBase1").toString(), "54");
    EXPECT_EQ(priceField("M2", "Franking Surcharge").toString(), "3");
}

TEST_F(MailsortTariffFormTest, TypingLimitsOfTheBoxes) {
    setPrice("M1", {{"LLExt1", 0.123456789}});
    auto f = open();
    EXPECT_EQ(box(f.get(), "TxtLLExt1"), "0.123456789");  // shown whole, saved whole
    const std::pair<const char*, int> limits[] = {
        {"TxtLEWgt1", 3}, {"txtLLWgt2", 3}, {"TxtPkWgt2", 3},  {"TxtA3Ext1", 6},   {"TxtPKDPtg1", 6},
        {"TxtLLQ1VRD1", 6}, {"TxtA3Q3VRD1", 6}, {"TxtPkWgt3", 0}, {"TxtLeQ2VRD1", 0}, {"TxtPKQty5", 0},
    };
    for (auto [name, limit] : limits) {
        type(f.get(), QString::fromLatin1(name), "123456789");
        EXPECT_EQ(box(f.get(), QString::fromLatin1(name)), limit ? QStringLiteral("123456789").left(limit) : "123456789")
            << name;
    }
}

TEST_F(MailsortTariffFormTest, KeyboardOrderRunsSectionBySection) {
    QStringList expected;
    auto section = [&](const QString& qty, const QString& w1, const QString& b1, const QString& d, const QString& r,
                       const QStringList& vrd, const QStringList& further) {
        for (int n = 1; n <= 5; ++n) expected << qty.arg(n);
        expected << w1 << b1 << d << r << vrd << further;
    };
    auto vrd = [](const char* pattern) {
        QStringList l;
        for (int n = 1; n <= 5; ++n) l << QString::fromLatin1(pattern).arg(n);
        return l;
    };
    section("TxtLEQty%1", "TxtLEWgt1", "TxtLEBase1", "txtLeDPtg1", "TxtLeRPtg1", vrd("TxtLeQ%1VRD1"), {});
    section("TxtLLQty%1", "txtLLWgt1", "TxtLLBase1", "TxtLLDPtg1", "TxtLLRPtg1", vrd("TxtLLQ%1VRD1"),
            {"txtLLWgt2", "TxtLLBase2", "TxtLLExt1"});
    section("TxtA3Qty%1", "TxtA3Wgt1", "TxtA3Base1", "TxtA3DPtg1", "TxtA3RPtg1", vrd("TxtA3Q%1VRD1"),
            {"TxtA3Wgt2", "TxtA3Base2", "TxtA3Ext1"});
    section("TxtPKQty%1", "TxtPkWgt1", "TxtPkBase1", "TxtPKDPtg1", "TxtPKRPtg1",
            {"TxtPkQ1VRD1", "TxtPkQ2VRD1", "TxtPkQ3VRD1", "TxtPkQ4VRD1", "TxtPKQ5VRD1"},
            {"TxtPkWgt2", "TxtPkBase2", "TxtPkExt1", "TxtPkWgt3", "TxtPkBase3", "TxtPkExt2"});
    expected << "txtFrank" << "cmdOK" << "cmdCancel";

    auto f = open();
    QStringList walked;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(walked, expected);
}

TEST_F(MailsortTariffFormTest, AServiceWithoutARowIsReported) {
    emptyTable("Price");
    MailsortTariffForm f;
    scriptedMessages().answer(Answer::Ok, QStringLiteral("The Mailsort tariff has no row for service M1."));
    f.Form_Load();
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    EXPECT_EQ(box(&f, "TxtLEBase1"), "");
    scriptedMessages().answer(Answer::Ok, QStringLiteral("The Mailsort tariff has no row for service M1."));
    f.cmdOK_Click();
    EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
}

}  // namespace
