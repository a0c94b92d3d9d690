#include "designer/designerwindow.h"
#include "designer/fielddrag.h"
#include "designer/layoutrow.h"
#include "designer/program.h"

#include "scratch.h"

#include "coding/fixedcols.h"
#include "coding/splitters.h"
#include "common/parm/parmrecord.h"
#include "common/testing/damage.h"
#include "common/text/lines.h"
#include "platform/forms.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/qtprint.h"
#include "platform/testing/readonly.h"
#include "platform/testing/runpressing.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <map>
#include <optional>

using namespace qv::designer;
using qv::platform::Answer;
using qv::platform::testing::scriptedMessages;

namespace {

namespace fs = std::filesystem;

const QString kNoPostcode = QStringLiteral("Postcode field must be selected.");
const QString kEnd = QStringLiteral("Reached end of file.");

// Pads each text to its width: a fixed-column record.
std::string fixed(const std::vector<std::pair<std::string, int>>& cells) {
    std::string r;
    for (const auto& [text, width] : cells) r += text + std::string(static_cast<std::size_t>(width) - text.size(), ' ');
    return r;
}

class DesignerForm : public ::testing::Test {
protected:
    void TearDown() override {
        form.reset();
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
    }

    // The form as the chooser leaves it: shown, then given the answer and
    // the path; the start runs when OK takes the focus.
    DesignerWindow& open(const std::string& path, const char* headings) {
        form = std::make_unique<DesignerWindow>();
        EXPECT_TRUE(form->Form_Load());
        form->show();
        form->DummyField()->setText(headings);
        form->lblFile()->setText(QString::fromStdString(path));
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QApplication::processEvents();
        return *form;
    }

    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < form->lstFields()->count(); ++i) out << form->lstFields()->item(i)->text();
        return out;
    }
    QString sample(SampleBox s) const { return form->sampleBox(s)->text(); }

    // A drag from the list onto a box, as the handlers see it.
    void assign(const QString& caption, Part p) {
        auto items = form->lstFields()->findItems(caption, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty()) << caption.toStdString();
        form->lstFields()->setCurrentItem(items.first());
        form->lstFields_MouseMove();
        form->box_OLEDragDrop(p);
    }

    std::map<std::string, std::string> storedRow(const std::string& file) {
        auto db = scratch.open();
        auto data = db->openTable("data");
        data->setIndex("File");
        data->seek("=", qv::db::Value(file));
        std::map<std::string, std::string> row;
        if (data->noMatch()) return row;
        for (int i = 0; i < data->fieldCount(); ++i) row[data->fieldDef(i).name] = data->get(i).toString();
        qv::parm::ParmRecord parm(*db);
        row["MailFile"] = parm.text(qv::parm::key::MailFile);
        return row;
    }
    // Checks every part field: `set` lists the non-zero ones.
    void expectParts(const std::map<std::string, std::string>& row, const std::map<std::string, std::pair<int, int>>& set) {
        for (const auto& part : kPartFields) {
            const auto it = set.find(part.name);
            const auto want = it == set.end() ? std::pair{0, 0} : it->second;
            EXPECT_EQ(row.at(std::string(part.name) + "from"), std::to_string(want.first)) << part.name;
            EXPECT_EQ(row.at(std::string(part.name) + "length"), std::to_string(want.second)) << part.name;
        }
    }
    std::vector<std::string> dataFiles() {
        auto db = scratch.open();
        auto data = db->openTable("data");
        std::vector<std::string> out;
        if (data->recordCount() == 0) return out;
        for (data->moveFirst(); !data->eof(); data->moveNext()) out.push_back(data->get("file").toString());
        return out;
    }

    test::ScratchFolder scratch;
    std::unique_ptr<DesignerWindow> form;
};

TEST_F(DesignerForm, ListsColumnsWithoutHeadings) {
    const std::string path = scratch.writeLines("five.csv", {"a,b,c,d,e", "f,g,h,i,j"});
    open(path, "7");
    ASSERT_TRUE(form->started());
    EXPECT_EQ(form->objectName(), "frmDovanet");  // the old form's name
    EXPECT_EQ(form->fileType(), "3");
    EXPECT_EQ(listed(), (QStringList{"Column A", "Column B", "Column C", "Column D", "Column E"}));
    EXPECT_FALSE(form->chkSkipFirst()->isChecked());
    for (int s = 0; s < SampleCount; ++s) EXPECT_EQ(sample(static_cast<SampleBox>(s)), "");
    EXPECT_EQ(QApplication::focusWidget(), form->cmdOK());
}

TEST_F(DesignerForm, ListsAtMostThirtyFields) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        int count;
        const char* last;
    };
    std::string thirty, thirtyOne, columns28;
    for (int i = 1; i <= 31; ++i) {
        if (i <= 30) thirty += (i > 1 ? "," : "") + std::to_string(i);
        thirtyOne += (i > 1 ? "," : "") + std::to_string(i);
        if (i <= 28) columns28 += (i > 1 ? "     " : "") + std::string("XX");
    }
    const Case cases[] = {
        {"28 fixed columns", {columns28, columns28, columns28}, 28, "Column BB"},
        {"30 fields", {thirty}, 30, "Column DD"},
        {"31 fields", {thirtyOne}, 30, "Column DD"},
    };
    for (const auto& c : cases) {
        open(scratch.writeLines("wide.txt", c.lines), "7");
        const QStringList l = listed();
        EXPECT_EQ(l.size(), c.count) << c.what;
        EXPECT_EQ(l.value(25), "Column Z") << c.what;
        EXPECT_EQ(l.value(26), "Column AA") << c.what;
        EXPECT_EQ(l.last(), c.last) << c.what;
    }
}

TEST_F(DesignerForm, StepsThroughTheRecords) {
    const std::string path = scratch.writeLines("three.csv", {R"("Name","Town","Postcode")", R"("Ann","Leeds","LS1 1AA")",
                                                         R"("Bob","York","YO1 2BB")", R"("Cy","Hull","HU1 3CC")"});
    open(path, "6");
    EXPECT_EQ(form->fileType(), "2");
    EXPECT_TRUE(form->chkSkipFirst()->isChecked());
    EXPECT_EQ(listed(), (QStringList{"Name", "Town", "Postcode"}));
    EXPECT_EQ(form->sampleRecord(), R"("Ann","Leeds","LS1 1AA")");

    assign("Postcode", Post1);
    assign("Name", Name1);
    EXPECT_EQ(sample(SmpPost), "LS1 1AA ");
    EXPECT_EQ(sample(SmpName), "Ann  ");

    // Record 2, then the message in place of the last line, then round again.
    scriptedMessages().answer(Answer::Ok, kEnd).answer(Answer::Ok, kEnd);
    const char* expected[] = {"Bob  ", "Bob  ", "Ann  ", "Bob  ", "Bob  "};
    for (const char* e : expected) {
        form->cmdNext_Click();
        EXPECT_EQ(sample(SmpName), e);
    }
    EXPECT_EQ(scriptedMessages().messages().size(), 2u);

    form->cmdPrevious_Click();
    EXPECT_EQ(sample(SmpName), "Ann  ");
    form->cmdNext_Click();
    EXPECT_EQ(sample(SmpName), "Bob  ");
}

TEST_F(DesignerForm, PostcodeMustBeAssigned) {
    const std::string path = scratch.writeLines("nine.csv", {"1,2,3,4,5,6,7,8,9", "1,2,3,4,5,6,7,8,9"});
    const auto before = dataFiles();
    open(path, "7");
    scriptedMessages().answer(Answer::Ok, kNoPostcode);
    form->cmdOK_Click();
    EXPECT_EQ(scriptedMessages().texts(), QStringList{kNoPostcode});
    EXPECT_FALSE(form->ended());
    EXPECT_EQ(dataFiles(), before);

    assign("Column I", Post1);
    form->cmdOK_Click();
    EXPECT_TRUE(form->ended());
    const auto row = storedRow(path);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.at("type"), "N");
    expectParts(row, {{"postcode1", {9, 9}}});
    EXPECT_EQ(row.at("MailFile"), path);
}

TEST_F(DesignerForm, SavesEachFileType) {
    struct Case {
        const char* what;
        const char* name;
        std::vector<std::string> lines;
        const char* headings;
        std::vector<std::pair<const char*, Part>> drops;
        const char* type;
        const char* skipFirst;
        std::map<std::string, std::pair<int, int>> parts;
    };
    const std::vector<std::pair<std::string, int>> r1 = {
        {"Jane Smith", 20}, {"12 Oak Road", 25}, {"Leeds", 15}, {"LS6 2AB", 12}, {"R001", 4}};
    const std::vector<std::pair<std::string, int>> r2 = {
        {"Joe Bloggs", 20}, {"3 Mill Lane", 25}, {"York", 15}, {"YO1 7HH", 12}, {"R002", 4}};
    const std::vector<std::pair<std::string, int>> s1 = {
        {"Jane Smith", 20}, {"Leeds", 15}, {"LS6", 8}, {"2AB", 8}, {"R001", 4}};
    const std::vector<std::pair<std::string, int>> s2 = {
        {"Joe Bloggs", 20}, {"York", 15}, {"YO1", 8}, {"7HH", 8}, {"R002", 4}};
    const Case cases[] = {
        {"fixed, postcode in one column",
         "fixed1.txt",
         {fixed(r1), fixed(r2), fixed(r1), fixed(r2)},
         "7",
         {{"Column A", Name1}, {"Column B", Add11}, {"Column C", Town}, {"Column D", Post1}, {"Column E", Ref}},
         "A",
         "N",
         {{"name1", {1, 19}}, {"address11", {21, 24}}, {"town", {46, 14}}, {"postcode1", {61, 8}}, {"ref", {73, 4}}}},
        {"fixed, postcode in two columns",
         "fixed2.txt",
         {fixed(s1), fixed(s2), fixed(s2)},
         "7",
         {{"Column A", Name1}, {"Column B", Town}, {"Column C", Post1}, {"Column D", Post2}, {"Column E", Ref}},
         "A",
         "N",
         {{"name1", {1, 19}}, {"town", {21, 14}}, {"postcode1", {36, 7}}, {"postcode2", {44, 7}}, {"ref", {52, 4}}}},
        {"quoted, with a heading line",
         "quoted.csv",
         {R"("Name","Address","Town","Postcode","Ref")", R"("Jane Smith","Flat 2, Oak House","Leeds","LS6 2AB",1)"},
         "6",
         {{"Name", Name1}, {"Address", Add11}, {"Town", Town}, {"Postcode", Post1}, {"Ref", Ref}},
         "C",
         "Y",
         {{"name1", {1, 1}}, {"address11", {2, 2}}, {"town", {3, 3}}, {"postcode1", {4, 4}}, {"ref", {5, 5}}}},
        {"plain",
         "plain.csv",
         {"Jane Smith,12 Oak Road,Leeds,West Yorkshire,LS6,2AB,R001"},
         "7",
         {{"Column A", Name1},
          {"Column B", Add11},
          {"Column C", Town},
          {"Column D", County},
          {"Column E", Post1},
          {"Column F", Post2},
          {"Column G", Ref}},
         "N",
         "N",
         {{"name1", {1, 1}},
          {"address11", {2, 2}},
          {"town", {3, 3}},
          {"county", {4, 4}},
          {"postcode1", {5, 5}},
          {"postcode2", {6, 6}},
          {"ref", {7, 7}}}},
    };
    for (const auto& c : cases) {
        const std::string path = scratch.writeLines(c.name, c.lines);
        open(path, c.headings);
        for (const auto& [caption, part] : c.drops) assign(caption, part);
        form->cmdOK_Click();
        EXPECT_TRUE(form->ended()) << c.what;
        const auto row = storedRow(path);
        ASSERT_FALSE(row.empty()) << c.what;
        EXPECT_EQ(row.at("type"), c.type) << c.what;
        EXPECT_EQ(row.at("SkipFirst"), c.skipFirst) << c.what;
        EXPECT_EQ(row.at("MailFile"), path) << c.what;
        expectParts(row, c.parts);
    }
}

TEST_F(DesignerForm, SkipFirstAsTickedNotAsRead) {
    const std::string path = scratch.writeLines("h.csv", {"Name,Addr,Town,County,Postcode", "Ann,1 Rd,Leeds,W Yorks,LS1 1AA"});
    open(path, "6");
    assign("Postcode", Post1);
    form->chkSkipFirst()->setChecked(false);
    form->cmdPrevious_Click();
    EXPECT_EQ(sample(SmpPost), "LS1 1AA ");  // still after the heading
    form->cmdOK_Click();
    EXPECT_EQ(storedRow(path).at("SkipFirst"), "N");
}

// A quoted record with two quotes in a row inside a field: the designer's
// fields are the fields the import cuts by the row it stores, so the town and
// the postcode it shows are the ones the import takes.
TEST_F(DesignerForm, DoubledQuotesKeepTheFieldsTheImportCuts) {
    const std::string record = R"("Mr J Smith","The ""Old"" Mill","Roath","CARDIFF","CF24 3AA","R7")";
    const std::string path =
        scratch.writeLines("quoted.csv", {R"("Name","Address 1","Address 2","Town","Postcode","Ref")", record});
    open(path, "6");
    ASSERT_TRUE(form->started());
    EXPECT_EQ(form->fileType(), "2");
    EXPECT_EQ(listed(), (QStringList{"Name", "Address 1", "Address 2", "Town", "Postcode", "Ref"}));
    assign("Name", Name1);
    assign("Address 1", Add11);
    assign("Address 2", Add21);
    assign("Town", Town);
    assign("Postcode", Post1);
    assign("Ref", Ref);
    EXPECT_EQ(sample(SmpAdd2), "Roath  ");
    EXPECT_EQ(sample(SmpTown), "CARDIFF");
    EXPECT_EQ(sample(SmpPost), "CF24 3AA ");
    EXPECT_EQ(sample(SmpRef), "R7");
    form->cmdOK_Click();
    EXPECT_TRUE(form->ended());

    const auto row = storedRow(path);
    ASSERT_FALSE(row.empty());
    EXPECT_EQ(row.at("type"), "C");
    qv::coding::FieldNumbers numbers{};
    for (int p = 0; p < PartCount; ++p)
        numbers[std::size_t(p)] = std::uint8_t(std::stoi(row.at(std::string(kPartFields[std::size_t(p)].name) + "from")));
    qv::coding::AddressFields cut;
    qv::coding::rmvquotes(record, numbers, cut);
    EXPECT_EQ(cut.address1, "The \"Old\" Mill");
    EXPECT_EQ(cut.address2, "Roath");
    EXPECT_EQ(cut.town, "CARDIFF");
    EXPECT_EQ(cut.postcode, "CF24 3AA");
    EXPECT_EQ(cut.ref, "R7");
}

// A file whose only line ends are CRs: its first record gives the fields and
// Next Record moves on a record.
TEST_F(DesignerForm, ReadsAFileOfCrLineEnds) {
    const std::string path = (scratch.dir() / "cr.csv").string();
    std::ofstream(path, std::ios::binary) << "Ann,1 Rd,Leeds,W Yorks,LS1 1AA\rBob,2 Rd,York,N Yorks,YO1 7HH\r"
                                             "Cy,3 Rd,Hull,E Yorks,HU1 1AA\r";
    open(path, "7");
    ASSERT_TRUE(form->started());
    EXPECT_EQ(form->fileType(), "3");
    EXPECT_EQ(listed(), (QStringList{"Column A", "Column B", "Column C", "Column D", "Column E"}));
    assign("Column C", Town);
    EXPECT_EQ(sample(SmpTown), "Leeds");
    form->cmdNext_Click();
    EXPECT_EQ(sample(SmpTown), "York");
}

TEST_F(DesignerForm, FilesThatCannotBeLaidOut) {
    struct Case {
        const char* what;
        std::vector<std::string> lines;  // empty: written as raw bytes below
        std::string raw;
        const char* headings;
        QString message;
    };
    std::string wide;
    for (int i = 0; i < 31; ++i) wide += (i ? "     " : "") + std::string("XX");
    const Case cases[] = {
        {"empty", {}, "", "7", "The selected file is empty."},
        {"binary", {}, std::string("PK\x03\x04\0\0\x14\0\x06\0", 10) + std::string(200, '\0'), "7",
         "The selected file is not a text file."},
        {"fixed, two records", {"Jane Smith     Leeds", "Joe Bloggs     York"}, "", "7",
         "The selected file has fewer than three records: the columns of a fixed-column file are found from its "
         "first three."},
        {"fixed, 31 columns", {wide, wide, wide}, "", "7", "The selected file has more than 30 columns."},
        {"a heading line only", {"Name,Addr,Town,County,Postcode"}, "", "6",
         "The selected file has no record after its heading line."},
        {"records behind a Ctrl-Z first", {}, "\x1A" "a,b\r\nc,d\r\n", "7",
         "Line 1 of file " + QString::fromStdString((scratch.dir() / "bad.dat").string()) +
             " holds an end-of-file mark (Ctrl-Z) with more records after it. Remove the mark, then choose the file "
             "again."},
    };
    const auto before = dataFiles();
    for (const auto& c : cases) {
        std::string path;
        if (c.lines.empty()) {
            path = (scratch.dir() / "bad.dat").string();
            std::ofstream(path, std::ios::binary) << c.raw;
        } else {
            path = scratch.writeLines("bad.dat", c.lines);
        }
        scriptedMessages().answer(Answer::Ok, c.message);
        open(path, c.headings);
        EXPECT_TRUE(form->ended()) << c.what;
        EXPECT_EQ(form->exitStatus(), 1) << c.what;
        EXPECT_FALSE(form->isVisible()) << c.what;
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u) << c.what;
    }

    const std::string missing = (scratch.dir() / "gone.csv").string();
    scriptedMessages().answer(Answer::Ok, QString::fromStdString("File " + missing + " not found."));
    open(missing, "7");
    EXPECT_TRUE(form->ended());
    EXPECT_EQ(form->exitStatus(), 1);
    EXPECT_EQ(dataFiles(), before);
}

TEST_F(DesignerForm, AFifoOrAFolderIsRefusedWithoutOpeningIt) {
    const auto before = dataFiles();
    const std::string fifo = (scratch.dir() / "pipe.csv").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = (scratch.dir() / "folder.csv").string();
    std::filesystem::create_directory(folder);
    for (const std::string& path : {fifo, folder}) {
        scriptedMessages().answer(Answer::Ok, QString::fromStdString("File " + path + " is not a regular file."));
        open(path, "7");
        EXPECT_TRUE(form->ended()) << path;
        EXPECT_EQ(form->exitStatus(), 1) << path;
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u) << path;
    }
    EXPECT_EQ(dataFiles(), before);
}

TEST_F(DesignerForm, ExitWritesNothing) {
    const std::string path = scratch.writeLines("x.csv", {"a,b,c,d,e"});
    const auto before = dataFiles();
    open(path, "7");
    assign("Column E", Post1);
    form->cmdCancel_Click();
    EXPECT_TRUE(form->ended());
    EXPECT_EQ(dataFiles(), before);

    open(path, "7");
    assign("Column E", Post1);
    form->close();  // the window's close box
    EXPECT_TRUE(form->ended());
    EXPECT_EQ(dataFiles(), before);
}

TEST_F(DesignerForm, ALayoutThatCannotBeStoredIsReportedAndNothingIsChanged) {
    const std::string path = scratch.writeLines("x.csv", {"a,b,c,d,e"});
    const auto before = dataFiles();
    open(path, "7");
    assign("Column E", Post1);
    scriptedMessages().answer(Answer::Ok);
    {
        qv::testkit::FileSizeLimit full(4096);
        form->cmdOK_Click();
    }
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(scriptedMessages().messages()[0].text.startsWith(
        "An unexpected error has occurred.  Please make a note of the following error details and contact "
        "Brackwith Mailing Services.  Error number: 3027  Description: "))
        << scriptedMessages().messages()[0].text.toStdString();
    EXPECT_TRUE(form->ended());
    EXPECT_EQ(form->exitStatus(), 1);
    EXPECT_EQ(dataFiles(), before);
    EXPECT_TRUE(storedRow(path).empty());
}

TEST_F(DesignerForm, WithoutADatabaseTheFormDoesNotLoad) {
    fs::remove(scratch.dir() / "mailsort.mdb");
    scriptedMessages().answer(Answer::Ok);
    DesignerWindow f;
    EXPECT_FALSE(f.Form_Load());
    ASSERT_EQ(scriptedMessages().messages().size(), 1u);
    EXPECT_TRUE(scriptedMessages().messages()[0].text.startsWith(
        "An unexpected error has occurred.  Please make a note of the following error details and contact "
        "Brackwith Mailing Services.  Error number: 3024  Description: "));
    EXPECT_TRUE(f.programEnded());
    EXPECT_EQ(f.exitStatus(), 1);
}

// The program as its main runs it: a file is chosen, and a database the
// designer cannot use (damaged, a read-only file, a folder where its lock
// file cannot be made) is told, and the program ends with status 1.
TEST_F(DesignerForm, ADatabaseThatCannotBeUsedEndsTheProgramWithStatusOne) {
    const std::string path = scratch.writeLines("x.csv", {"a,b,c,d,e"});
    const fs::path database = scratch.dir() / "mailsort.mdb";
    const fs::path delivered = scratch.dir() / "delivered.mdb";
    fs::copy_file(database, delivered);
    const struct {
        const char* what;
        bool damaged;
        fs::path readOnly;  // when the file is accepted; empty for none
        QString message;
    } cases[] = {
        {"a damaged database", true, {},
         "An unexpected error has occurred.  Please make a note of the following error details and contact "
         "Brackwith Mailing Services.  Error number: 3049  Description: The database mailsort.mdb is damaged: "
         "file is not a database."},
        {"a read-only database", false, database, "The database mailsort.mdb is read-only."},
        {"a read-only folder", false, scratch.dir(),
         "Cannot create the lock file '" + QString::fromStdString((scratch.dir() / "mailsort.mdb.lock").string()) +
             "': Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qv::platform::testing::installTestServices();
        fs::remove(database);
        fs::copy_file(delivered, database);
        if (c.damaged) {
            std::fstream f(database, std::ios::in | std::ios::out | std::ios::binary);
            const std::string zeros(qv::testkit::pageSizeOf(database), '\0');
            f.write(zeros.data(), std::streamsize(zeros.size()));
        }
        scriptedMessages().answer(Answer::No);  // the headings question
        scriptedMessages().answer(Answer::Ok, c.message);
        std::optional<qv::testkit::ReadOnly> readOnly;
        // The chooser's OK, with x.csv chosen and the database spoiled just before.
        const auto choose = [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* chooser = qobject_cast<qv::filesel::FileChooser*>(w); chooser && chooser->isVisible()) {
                    ASSERT_TRUE(chooser->selectFile("x.csv"));
                }
            }
            if (!c.readOnly.empty()) readOnly.emplace(c.readOnly);
        };
        EXPECT_EQ(qv::platform::testing::runPressing(runDovanet, QStringLiteral("frmFileSel"), "cmdOK", choose), 1);
        readOnly.reset();
        EXPECT_EQ(scriptedMessages().pendingAnswers(), 0u);
        EXPECT_EQ(scriptedMessages().messages().size(), 2u);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
        if (!c.damaged) {
            EXPECT_TRUE(storedRow(path).empty());
        }
    }
}

// Drag and drop through the widgets. The offscreen platform runs no real
// drag loop, so the drop half is delivered as the drag manager delivers it.
class DragAndDrop : public DesignerForm {
protected:
    static void deliverDrop(QWidget* target) {
        QMimeData mime;
        mime.setData(QString::fromLatin1(FieldMimeType), QByteArray("caption"));
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        if (!move.isAccepted()) return;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    // Press on the widget, move past the drag distance with the button held.
    static void dragFrom(QWidget* w, QPoint at) {
        QTest::mouseMove(w, at);
        QTest::mousePress(w, Qt::LeftButton, {}, at);
        QTest::mouseMove(w, at + QPoint(QApplication::startDragDistance() + 5, 0));
        QTest::mouseMove(w, at + QPoint(QApplication::startDragDistance() + 10, 0));
        QTest::mouseRelease(w, Qt::LeftButton, {}, at + QPoint(QApplication::startDragDistance() + 10, 0));
    }
};

TEST_F(DragAndDrop, FromTheListToABoxAndBack) {
    const std::string path = scratch.writeLines("d.csv", {"Jane Smith,12 Oak Road,Leeds,LS6 2AB,R001"});
    open(path, "7");
    QListWidget* list = form->lstFields();
    QLineEdit* town = form->partBox(Town);
    QLineEdit* post = form->partBox(Post1);

    // List -> town box: the focus goes to OK once the drag starts.
    QListWidgetItem* item = list->findItems("Column C", Qt::MatchExactly).value(0);
    ASSERT_NE(item, nullptr);
    dragFrom(list->viewport(), list->visualItemRect(item).center());
    EXPECT_EQ(QApplication::focusWidget(), form->cmdOK());
    EXPECT_EQ(form->DummyField()->text(), "lstFields");
    deliverDrop(town);
    EXPECT_EQ(town->text(), "Column C");
    EXPECT_EQ(form->assignment().number(Town), 3);
    EXPECT_EQ(sample(SmpTown), "Leeds");
    EXPECT_FALSE(listed().contains("Column C"));

    // Town box -> postcode box.
    dragFrom(town, town->rect().center());
    EXPECT_EQ(form->DummyField()->text(), "Column C");
    deliverDrop(post);
    EXPECT_EQ(town->text(), "");
    EXPECT_EQ(form->assignment().number(Town), 0);
    EXPECT_EQ(post->text(), "Column C");
    EXPECT_EQ(form->assignment().number(Post1), 3);
    EXPECT_EQ(QApplication::focusWidget(), form->cmdOK());

    // Postcode box -> the list: appended at its end; the focus stays on the box.
    dragFrom(post, post->rect().center());
    deliverDrop(list->viewport());
    EXPECT_EQ(post->text(), "");
    EXPECT_EQ(listed().last(), "Column C");
    EXPECT_EQ(QApplication::focusWidget(), post);

    // A drop on anything else is refused, and so is anything but a caption.
    dragFrom(list->viewport(), list->visualItemRect(list->item(0)).center());
    deliverDrop(form->sampleBox(SmpRef));
    QMimeData foreign;
    foreign.setText("Column A");
    QDragEnterEvent enter(post->rect().center(), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(post, &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(post->text(), "");
    EXPECT_EQ(listed().size(), 5);
}

TEST_F(DragAndDrop, BoxesTakeNoTypingAndSelectTheirText) {
    const std::string path = scratch.writeLines("d.csv", {"Jane Smith,12 Oak Road,Leeds,LS6 2AB,R001"});
    open(path, "7");
    assign("Column D", Post1);
    QLineEdit* post = form->partBox(Post1);
    post->setFocus();
    EXPECT_EQ(post->selectedText(), "Column D");
    QTest::keyClicks(post, "xy");
    QTest::keyClick(post, Qt::Key_Backspace);
    QTest::keyClick(post, Qt::Key_Delete);
    EXPECT_EQ(post->text(), "Column D");
    QTest::keyClicks(form->sampleBox(SmpPost), "xy");
    EXPECT_EQ(sample(SmpPost), "LS6 2AB ");
    EXPECT_EQ(form->assignment().number(Post1), 4);
}

TEST_F(DragAndDrop, ADropFromTheListWithNothingSelectedDoesNothing) {
    const std::string path = scratch.writeLines("d.csv", {"Jane Smith,12 Oak Road,Leeds,LS6 2AB,R001"});
    open(path, "7");
    assign("Column D", Post1);
    form->lstFields()->clearSelection();
    form->lstFields_MouseMove();
    form->box_OLEDragDrop(Post1);
    EXPECT_EQ(form->partBox(Post1)->text(), "Column D");
    EXPECT_EQ(form->assignment().number(Post1), 4);
    EXPECT_EQ(listed().size(), 4);
}

// The sample files the demo ships, laid out and saved in turn, from the
// chooser on.
TEST(DemoFiles, EachCanBeLaidOutAndSaved) {
    test::ScratchFolder scratch;
    for (const auto& e : fs::directory_iterator(fs::path(QV_DATA_DIR) / "demo"))
        fs::copy_file(e.path(), scratch.dir() / e.path().filename());

    // The row's part fields, in part order.
    const char* const partFields[PartCount] = {
        "name1",     "name2",     "name3",     "address11", "address12", "address13",
        "address21", "address22", "address23", "address31", "address32", "address33",
        "address4",  "town",      "county",    "postcode1", "postcode2", "ref",
    };
    struct Case {
        const char* file;
        const char* headings;
        Answer answer;
        const char* type;
        QStringList captions;
        std::vector<std::pair<int, Part>> drops;  // caption number -> part
        std::map<Part, std::pair<int, int>> stored;  // from and length; the other parts store 0 and 0
        // The import's cut of the first data record by the stored row: name,
        // address 1 to 4, town, county, postcode, ref (trailing blanks dropped).
        std::array<const char*, 9> cut;
    };
    const Case cases[] = {
        // Columns start at 1, 31, 66, 96, 121, 145 and 158 of a 165-character
        // first record: a column closed by the next leaves out its last blank,
        // the last takes the record's end, the postcode is cut to 8.
        {"CUSTFIXED.TXT", "7", Answer::No, "A",
         {"Column A", "Column B", "Column C", "Column D", "Column E", "Column F", "Column G"},
         {{1, Name1}, {2, Add11}, {3, Add21}, {4, Town}, {5, County}, {6, Post1}, {7, Ref}},
         {{Name1, {1, 29}},
          {Add11, {31, 34}},
          {Add21, {66, 29}},
          {Town, {96, 24}},
          {County, {121, 23}},
          {Post1, {145, 8}},
          {Ref, {158, 8}}},
         {"Miss M Jessop", "95 Chapel Close", "Hathern", "", "", "Zaniholt", "Xilormouth", "JC11 1EU", "F10001"}},
        {"CUSTQUOTED.CSV", "6", Answer::Yes, "C",
         {"Title", "Forename", "Surname", "Address 1", "Address 2", "Town", "County", "Postcode", "Member No"},
         {{1, Name1}, {2, Name2}, {3, Name3}, {4, Add11}, {5, Add21}, {6, Town}, {7, County}, {8, Post1}, {9, Ref}},
         {{Name1, {1, 1}},
          {Name2, {2, 2}},
          {Name3, {3, 3}},
          {Add11, {4, 4}},
          {Add21, {5, 5}},
          {Town, {6, 6}},
          {County, {7, 7}},
          {Post1, {8, 8}},
          {Ref, {9, 9}}},
         {"Miss Nicola Greenhalgh", "44 Albert Street", "Didsbury", "", "", "East Quori", "Jaranstow", "Q7 4PF",
          "20001"}},
        {"CUSTPLAIN.CSV", "7", Answer::No, "N",
         {"Column A", "Column B", "Column C", "Column D", "Column E", "Column F", "Column G", "Column H"},
         {{1, Name1}, {2, Add11}, {3, Add21}, {4, Town}, {5, County}, {6, Post1}, {7, Post2}, {8, Ref}},
         {{Name1, {1, 1}},
          {Add11, {2, 2}},
          {Add21, {3, 3}},
          {Town, {4, 4}},
          {County, {5, 5}},
          {Post1, {6, 6}},
          {Post2, {7, 7}},
          {Ref, {8, 8}}},
         {"Miss Sarah Quarmby", "30 Meadow Bank", "Harborne", "", "", "Zibegate", "Zelicaster", "VP5 9US", "D30001"}},
    };
    for (const auto& c : cases) {
        auto* chooser = makeStartForm();
        DesignerWindow* designer = nullptr;
        chooser->setNextForm([&](qv::filesel::FileChooser&, const qv::filesel::FileChooser::Accepted& a) {
            designer = showDesigner(a);
        });
        chooser->show();
        ASSERT_TRUE(chooser->selectFile(c.file)) << c.file;
        scriptedMessages().answer(c.answer);
        chooser->cmdOK_Click();
        ASSERT_NE(designer, nullptr);
        QPointer<DesignerWindow> alive(designer);
        designer->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(designer));
        QApplication::processEvents();
        ASSERT_TRUE(designer->started()) << c.file;
        QStringList l;
        for (int i = 0; i < designer->lstFields()->count(); ++i) l << designer->lstFields()->item(i)->text().trimmed();
        EXPECT_EQ(l, c.captions) << c.file;
        for (const auto& [n, part] : c.drops) {
            auto items = designer->lstFields()->findItems(l.value(n - 1), Qt::MatchStartsWith);
            ASSERT_FALSE(items.isEmpty());
            designer->lstFields()->setCurrentItem(items.first());
            designer->lstFields_MouseMove();
            designer->box_OLEDragDrop(part);
        }
        EXPECT_FALSE(designer->sampleBox(SmpPost)->text().trimmed().isEmpty()) << c.file;
        designer->cmdOK_Click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(alive.isNull()) << c.file;

        auto db = scratch.open();
        qv::parm::ParmRecord parm(*db);
        const std::string path = (scratch.dir() / c.file).string();
        EXPECT_EQ(parm.text(qv::parm::key::MailFile), path);
        auto data = db->openTable("data");
        data->setIndex("File");
        data->seek("=", qv::db::Value(path));
        ASSERT_FALSE(data->noMatch()) << c.file;
        EXPECT_EQ(data->get("file").toString(), path);
        EXPECT_EQ(data->get("type").toString(), c.type);
        EXPECT_EQ(data->get("SkipFirst").toString(), c.answer == Answer::Yes ? "Y" : "N");
        qv::coding::FixedLayout columns{};
        qv::coding::FieldNumbers numbers{};
        for (int p = 0; p < PartCount; ++p) {
            const auto it = c.stored.find(Part(p));
            const auto [from, length] = it == c.stored.end() ? std::pair{0, 0} : it->second;
            const std::string name = partFields[p];
            const auto storedFrom = data->get(name + "from").toInt();
            const auto storedLength = data->get(name + "length").toInt();
            EXPECT_EQ(storedFrom, from) << c.file << " " << name << "from";
            EXPECT_EQ(storedLength, length) << c.file << " " << name << "length";
            columns[std::size_t(p)] = {std::int16_t(storedFrom), std::int16_t(storedLength)};
            numbers[std::size_t(p)] = std::uint8_t(storedFrom);
        }
        EXPECT_EQ(data->recordCount(), 1);  // the first row took each layout in turn

        // The import cuts the first data record by that row into the right parts.
        qv::LineReader in(scratch.dir() / c.file);
        std::string record;
        ASSERT_TRUE(in.readLine(record));
        if (data->get("SkipFirst").toString() == "Y") {
            ASSERT_TRUE(in.readLine(record));
        }
        qv::coding::AddressFields out;
        const std::string type = data->get("type").toString();
        if (type == "A")
            qv::coding::cutFixed(record, columns, out);
        else if (type == "C")
            qv::coding::rmvquotes(record, numbers, out);
        else
            qv::coding::rmvcomma(record, numbers, out);
        const std::string got[9] = {out.name, out.address1, out.address2, out.address3, out.address4,
                                    out.town, out.county,   out.postcode, out.ref};
        for (int f = 0; f < 9; ++f) {
            std::string text = got[f];
            text.erase(text.find_last_not_of(' ') + 1);
            EXPECT_EQ(text, c.cut[std::size_t(f)]) << c.file << " field " << f + 1;
        }
    }
}

}  // namespace
