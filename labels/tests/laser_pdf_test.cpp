// Laser labels printed through the PDF back end and read back with
// pdftotext -bbox: every printed word must lie inside its label of the
// sheet, as the sheet's own geometry places the labels.
#include "fixture.h"
#include "labels/writers.h"
#include "platform/printer.h"
#include "platform/testing/qtprint.h"
#include "platform/tests/pdftools.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <map>

namespace qv::labels {
namespace {

using fixture::DatabaseFolder;
namespace key = parm::key;
using Status = RunResult::Status;

constexpr double kPtPerMm = 72.0 / 25.4;
// What the PDF back end adds to a position: it puts the printable area's
// corner on whole points (6 pt, 0.12 mm right of and below 2 mm), and its
// glyphs are a hair wider than they measure. Far less than a character.
constexpr double kSlackMm = 0.15;

// A sheet of laser labels as the label configuration stores it (millimetres
// from the paper's top left edge).
struct Sheet {
    const char* name;
    double labelHeight, labelWidth, vertGap, horGap, topMarg, leftMarg, addOffset;
    int across, rowsPerPage;
};
// The two laser presets of the label configuration, and two sheets whose
// labels reach the A4 sheet's right and bottom edges exactly.
const Sheet kSheets[] = {
    {"63.5 x 38.1, 3 across", 38.1, 63.5, 0, 2.5, 19, 8, 2, 3, 7},
    {"99.1 x 38.1, 2 across", 38.1, 99.1, 0, 2.5, 19, 4, 2, 2, 7},
    {"66.7 x 38.1, 3 across to the right edge", 38.1, 66.7, 0, 0, 19, 9.9, 2, 3, 7},
    {"63.5 x 40.9, 7 down to the bottom edge", 40.9, 63.5, 0.1, 2.5, 10.1, 8, 2, 3, 7},
};

// A word as pdftotext places it, in millimetres from the paper's top left.
struct Word {
    QString text;
    int page = 0;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

std::vector<Word> wordsOf(const QString& pdf) {
    const platform::testing::ToolRun r = platform::testing::runTool("pdftotext", {"-bbox", pdf, "-"});
    // The tool is part of the build's dependencies: without it this is a failure, not a skip.
    EXPECT_EQ(r.exitCode, 0) << "pdftotext -bbox failed (is poppler-utils installed?): " << r.err.toStdString();
    static const QRegularExpression rx(
        R"rx(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)rx");
    std::vector<Word> out;
    int page = 0;
    for (auto it = rx.globalMatch(r.out); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith("<page")) {
            ++page;
            continue;
        }
        out.push_back({m.captured(5), page, m.captured(1).toDouble() / kPtPerMm, m.captured(2).toDouble() / kPtPerMm,
                       m.captured(3).toDouble() / kPtPerMm, m.captured(4).toDouble() / kPtPerMm});
    }
    return out;
}

class LaserPdf : public DatabaseFolder {
protected:
    // Three selections with every line of a label in use, names longer than
    // any label is wide, and bag and bundle labels with a deferred date and
    // extra text, so that lines 1 to 8 all carry text.
    //   direct 12345: 10 addresses, bags of 4
    //   residue 123:  9 addresses, bags of 4, bundles of 3
    //   Letter Post:  2 addresses
    void writeFullJob() {
        std::vector<fixture::Address> a;
        int n = 0;
        auto add = [&](const char* ms, db::Value rs, const char* sf, double seq, int rg) {
            ++n;
            const std::string id = QString::asprintf("%02d", n).toStdString();
            fixture::Address x{"NAME" + id + std::string(39, 'W'),
                               id + " THE LONGEST ROAD OF ALL THE ROADS IN TOWN",
                               "SECOND LINE OF THE ADDRESS WITH MANY WORDS",
                               "TOWNNAME" + std::string(22, 'T'),
                               "AB1 2CD",
                               "",
                               ms,
                               rs,
                               sf,
                               rg,
                               seq};
            a.push_back(x);
        };
        for (int i = 0; i < 10; ++i) add("12345", "", "N", 12345, 5);
        for (int i = 0; i < 9; ++i) add("123", "123", "Y", 123000, 5);
        for (int i = 0; i < 2; ++i) add("1", "", "N", 99000001, 99);
        writeJob(a, {{1, 1, 13, 0, 12345}, {4, 13, 31, 1, 123000}, {7, {}, 34, 4, 99000001}});
        addDescriptions({{"12345", "NEWTOWN DIRECT SELECTION WITH A NAME OF FIFTY CHAR"},
                         {"123", "NEWTOWN RESIDUE AREA WITH A LONG NAME TO SPLIT"}});
        // Address 3 and the county fill lines 5 and 7.
        {
            auto db = open();
            auto w = db->openTable(jobtables::Mmwork);
            for (w->moveFirst(); !w->eof(); w->moveNext()) {
                w->edit();
                w->set("address3", "THIRD LINE");
                w->set("county", "A COUNTY OF THIRTY CHARACTERS");
                w->update();
            }
        }
        standardKeys();
        setParm({{key::Printer, "L"},
                 {key::VertGap, "0"},
                 {key::Weight, "100"},
                 {key::BagMax, "400"},
                 {key::BundleMax, "3"},
                 {key::DeferDel, "Y"},
                 {key::DeferDate, "01/02/27"},
                 {key::ExtraText, "EXTRA TEXT OF THE JOB XYZ"},
                 {key::Mailsort, "Y"},
                 {key::BagNum2, "Y"}});
    }

    void useSheet(const Sheet& s, int fontSize, bool addressLabels) {
        setParm({{key::LabelHeight, QString::number(s.labelHeight).toStdString()},
                 {key::LabelWidth, QString::number(s.labelWidth).toStdString()},
                 {key::VertGap, QString::number(s.vertGap).toStdString()},
                 {key::HorGap, QString::number(s.horGap).toStdString()},
                 {key::TopMarg, QString::number(s.topMarg).toStdString()},
                 {key::LeftMarg, QString::number(s.leftMarg).toStdString()},
                 {key::AddOffset, QString::number(s.addOffset).toStdString()},
                 {key::LabAcross, std::to_string(s.across)},
                 {key::LabelsPage, std::to_string(s.rowsPerPage)},
                 {key::FontSize, fontSize},
                 {key::AddressLab, addressLabels ? "Y" : "N"}});
    }

    // Prints the whole job to a PDF in the scratch folder; its file.
    QString printPdf() {
        platform::PdfPrinter pdf;
        pdf.setPdfFolder(QString::fromStdString(dir().string()));
        LaserWriter writer(pdf);
        const RunResult r = run(request('A', 1, 1), writer);
        EXPECT_EQ(r.status, Status::Completed) << r.message.toStdString();
        EXPECT_TRUE(QFileInfo::exists(pdf.lastPdfFile()));
        return pdf.lastPdfFile();
    }
};

// A label of a sheet: its page, row and column (from 0).
struct Cell {
    int page, row, column;
    bool operator<(const Cell& o) const { return std::tie(page, row, column) < std::tie(o.page, o.row, o.column); }
};

std::string place(const Word& w) {
    return "\"" + w.text.toStdString() + "\" on page " + std::to_string(w.page) + " at " + std::to_string(w.x0) +
           ".." + std::to_string(w.x1) + " x " + std::to_string(w.y0) + ".." + std::to_string(w.y1) + " mm";
}

TEST_F(LaserPdf, TheLabelsPdfCarriesItsTitleAndTheSuiteAsItsMaker) {
    writeFullJob();
    useSheet(kSheets[0], 10, true);
    const QMap<QString, QString> info = platform::testing::pdfInfo(printPdf());
    EXPECT_EQ(info.value("Title").toStdString(), "Mailsort Labels");
    EXPECT_EQ(info.value("Creator").toStdString(), "Quorvel");
    EXPECT_EQ(info.value("Producer").toStdString(), "Quorvel");
}

TEST_F(LaserPdf, EveryWordLiesInsideItsLabelOnEverySheetAtEveryFontSize) {
    writeFullJob();
    for (const Sheet& sheet : kSheets)
        for (int size : {8, 10, 12})
            for (bool addressLabels : {true, false}) {
                useSheet(sheet, size, addressLabels);
                const std::string what = std::string(sheet.name) + " at " + std::to_string(size) + " pt" +
                                         (addressLabels ? "" : ", bag and bundle labels only");
                const QString file = printPdf();
                const std::vector<Word> words = wordsOf(file);
                QFile::remove(file);
                ASSERT_FALSE(words.empty()) << what;

                const double charMm = size * 0.6 * 25.4 / 72;  // the label font is fixed pitch, 0.6 em
                const double pitchX = sheet.labelWidth + sheet.horGap, pitchY = sheet.labelHeight + sheet.vertGap;
                std::vector<std::string> problems;
                auto check = [&](bool ok, const std::string& text) {
                    if (!ok) problems.push_back(text);
                };
                // Each label's lines, by their top: where their first word starts.
                std::map<Cell, std::map<long, double>> lineStarts;
                std::map<Cell, bool> isBox;
                int names = 0, boxes = 0;
                for (const Word& w : words) {
                    // The label that holds the word's middle; the whole word must lie inside it.
                    const double xm = (w.x0 + w.x1) / 2, ym = (w.y0 + w.y1) / 2;
                    const Cell c{w.page, int(std::floor((ym - sheet.topMarg) / pitchY)),
                                 int(std::floor((xm - sheet.leftMarg) / pitchX))};
                    const double left = sheet.leftMarg + c.column * pitchX, right = left + sheet.labelWidth;
                    const double top = sheet.topMarg + c.row * pitchY, bottom = top + sheet.labelHeight;
                    const bool onSheet = c.column >= 0 && c.column < sheet.across && c.row >= 0 &&
                                         c.row < sheet.rowsPerPage;
                    check(onSheet && w.x0 >= left - kSlackMm && w.x1 <= right + kSlackMm &&
                              w.y0 >= top - kSlackMm && w.y1 <= bottom + kSlackMm,
                          place(w) + " is not inside the label " + std::to_string(left) + ".." +
                              std::to_string(right) + " x " + std::to_string(top) + ".." + std::to_string(bottom));
                    // A line longer than its label keeps the characters that fit, no fewer.
                    static const QRegularExpression name("^NAME[0-9][0-9]W*$");
                    const bool isName = name.match(w.text).hasMatch();
                    const bool isTop = w.text.startsWith("*****");
                    names += isName;
                    boxes += isTop;
                    if ((isName && w.text.size() < 45) || (isTop && w.text.size() < 36))
                        check(w.x1 > right - charMm, place(w) + ": another character fits before " +
                                                         std::to_string(right));
                    if (isTop) isBox[c] = true;
                    auto& starts = lineStarts[c];
                    const long y = std::lround(w.y0 * 10);
                    if (!starts.count(y) || w.x0 < starts[y]) starts[y] = w.x0;
                }
                EXPECT_EQ(names, addressLabels ? 21 : 0) << what;
                EXPECT_EQ(boxes, 12) << what;  // bags 1 to 7, bundles 1 to 5
                // The lines of a label start the address offset inside its left
                // edge, to within a character; the first line of an address
                // label is set at its right.
                for (const auto& [c, starts] : lineStarts) {
                    const double left = sheet.leftMarg + c.column * pitchX;
                    bool first = true;
                    for (const auto& [y, x] : starts) {
                        if (!first || isBox[c])
                            check(std::abs(x - (left + sheet.addOffset)) < charMm,
                                  "the line at " + std::to_string(y / 10.0) + " mm on page " + std::to_string(c.page) +
                                      " starts at " + std::to_string(x) + " mm in a label from " +
                                      std::to_string(left));
                        first = false;
                    }
                }
                std::string shown;
                for (std::size_t i = 0; i < problems.size() && i < 8; ++i) shown += "\n  " + problems[i];
                EXPECT_TRUE(problems.empty()) << what << ": " << problems.size() << " faults of " << words.size()
                                              << " words, the first:" << shown;
            }
}

}  // namespace
}  // namespace qv::labels
