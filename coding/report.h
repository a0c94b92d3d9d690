// The coding report: the page header, the lines of records in error, the
// page breaks by the line count, and the summary page that ends it.
#pragma once

#include "coding/splitters.h"

#include <string>
#include <vector>

namespace qv::platform {
class Printer;
}

namespace qv::coding {

// The five counters of a run.
struct Counters {
    double processed = 0;
    double postcoded = 0;
    double fullyPostcoded = 0;
    double matched = 0;
    double inError = 0;
};

inline constexpr const char* ReportTitle = "Mailsort Line Report";

// Lines of the report as they are printed.
std::string headerTitleLine(const std::string& date, int page);
std::string invalidPostcodeLine(double record, const std::string& ref, const std::string& postcode);
std::vector<std::string> unmatchableBlock(double record, const AddressFields& a);
std::vector<std::string> summaryLines(const std::string& date, const std::string& company, const Counters& c);

class CodingReport {
public:
    explicit CodingReport(platform::Printer& printer) : printer_(printer) {}

    void setCompany(std::string company) { company_ = std::move(company); }
    // "Print All Reports." or "Only Print Summary.": only the first prints
    // headers and body lines.
    void setPrintAll(bool on) { printAll_ = on; }
    bool printAll() const { return printAll_; }

    // At the start of a run: the font, and the first page header.
    void begin();
    void invalidPostcode(double record, const std::string& ref, const std::string& postcode);
    void unmatchable(double record, const AddressFields& a);
    // The summary on a page of its own, then the end of the document. False
    // when the report did not reach the printer (printerError() says why).
    bool summary(const Counters& c);
    std::string printerError() const;
    // Sends what has been printed (a run broken off keeps its lines).
    void end();
    // Throws the document away (nothing of it is worth printing).
    void discard();

    int lineCount() const { return lineCount_; }
    void setLineCount(int n) { lineCount_ = n; }

private:
    void print(const std::string& line);
    void pageHeader(bool blankBeforeCompany);
    void pageBreak(bool blankBeforeCompany);

    platform::Printer& printer_;
    std::string company_;
    bool printAll_ = true;
    int lineCount_ = 0;
};

}  // namespace qv::coding
