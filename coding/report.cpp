#include "coding/report.h"

#include "common/text/chars.h"
#include "common/text/dates.h"
#include "common/text/numtext.h"
#include "platform/printer.h"

namespace qv::coding {

namespace {

const std::string kTitle = std::string(21, ' ') + ReportTitle + std::string(23, ' ');

// A value right-aligned in its 6 characters; a longer one is shown whole.
std::string field6(const std::string& s) { return s.size() >= 6 ? s : padLeft(s, 6); }

std::string summaryLine(const char* label, const std::string& value) {
    return padLeft(label, 42) + std::string(6, ' ') + value;
}

double percent(double part, double whole) { return whole == 0 ? 0 : part / whole * 100; }

}  // namespace

std::string headerTitleLine(const std::string& date, int page) {
    return date + kTitle + "Page: " + std::to_string(page);
}

std::string invalidPostcodeLine(double record, const std::string& ref, const std::string& postcode) {
    return "Record " + numberText(record) + " Ref " + ref + " has an invalid postcode: " + postcode;
}

std::vector<std::string> unmatchableBlock(double record, const AddressFields& a) {
    return {"Record " + numberText(record) + " has an unmatchable address:",
            a.name, a.address1, a.address2, a.address3, a.address4, a.town, a.county, a.postcode};
}

std::vector<std::string> summaryLines(const std::string& date, const std::string& company, const Counters& c) {
    const double pc = percent(c.postcoded, c.processed);
    const double full = percent(c.fullyPostcoded, c.processed);
    std::string fullLine = summaryLine("Percent Fully Postcoded:", field6(formatNumber(full, ".0")));
    // An empty job has no percentage to fall short with.
    if (full < 90 && c.processed > 0) fullLine += "   ** Below P.O. Limit **";
    return {date + kTitle,
            company,
            " ",
            summaryLine("Records Processed:", field6(numberStr(c.processed))),
            " ",
            summaryLine("Records Postcoded:", field6(numberStr(c.postcoded))),
            " ",
            summaryLine("Percent Postcoded:", field6(formatNumber(pc, ".0"))),
            " ",
            fullLine,
            " ",
            summaryLine("Matched on address:", field6(numberStr(c.matched))),
            " ",
            summaryLine("Records in error:", field6(numberStr(c.inError)))};
}

void CodingReport::print(const std::string& line) { printer_.print(QString::fromStdString(line)); }

void CodingReport::pageHeader(bool blankBeforeCompany) {
    print(headerTitleLine(todayText(), printer_.page()));
    print(blankBeforeCompany ? " " + company_ : company_);
    print(" ");
    lineCount_ = 3;
}

void CodingReport::pageBreak(bool blankBeforeCompany) {
    printer_.newPage();
    pageHeader(blankBeforeCompany);
}

void CodingReport::begin() {
    printer_.setDocumentTitle(QString::fromLatin1(ReportTitle));
    printer_.setFontName(QStringLiteral("Courier New"));
    printer_.setFontSize(11);
    if (printAll_) pageHeader(false);
}

void CodingReport::invalidPostcode(double record, const std::string& ref, const std::string& postcode) {
    if (!printAll_) return;
    print(invalidPostcodeLine(record, ref, postcode));
    ++lineCount_;
    if (lineCount_ >= 60) pageBreak(false);
}

void CodingReport::unmatchable(double record, const AddressFields& a) {
    if (!printAll_) return;
    if (lineCount_ >= 54) pageBreak(false);
    for (const auto& line : unmatchableBlock(record, a)) print(line);
    lineCount_ += 9;
    if (lineCount_ >= 60) pageBreak(true);
}

bool CodingReport::summary(const Counters& c) {
    // With nothing printed yet the summary is the document's first page.
    if (printer_.documentOpen()) printer_.newPage();
    for (const auto& line : summaryLines(todayText(), company_, c)) print(line);
    // A page refused on the way fails the end as well.
    return printer_.endDoc();
}

std::string CodingReport::printerError() const { return printer_.lastError().toStdString(); }

void CodingReport::end() {
    if (printer_.documentOpen()) printer_.endDoc();
}

void CodingReport::discard() {
    if (printer_.documentOpen()) printer_.killDoc();
}

}  // namespace qv::coding
