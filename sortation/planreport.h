// The Mailsort Planning Report: the job's parameters, the statistics of the
// sortation run and the mailing's costs and discounts, printed as the last
// pages of the line report's document; and its one-record file POPLAN.CSV.
#pragma once

#include "common/db/database.h"
#include "sortation/linereport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qv::platform {
class Printer;
}

namespace qv::sortation {

// The job keys the report reads; a key that is missing or cannot be read is
// nullopt, and the lines built from it are left as they start (empty or 0).
// Selection, BundleMax and Weight are printed and filed as stored; the
// costs take the weight as a number.
struct PlanJob {
    std::optional<std::string> companyName, service, format, jobRef;
    std::optional<bool> mailsort120, royalMail;
    std::optional<std::string> selection, bundleMax, weightText;
    std::optional<double> weight;
};

// Reads the keys from the first row of parmcode.
PlanJob readPlanJob(db::Database& db);

struct PlanLine {
    std::string text;
    bool heading = false;  // printed with the emphasis on
};

// The tariff figures of the costs section, looked up for the job.
struct Tariff {
    bool priceRow = false;     // the job's Price row was found
    bool priced = false;       // ... and the job's format and weight could be priced from it
    bool standardRow = false;  // poprice has its row
    bool standardStep = false; // ... and a step for the item
    double p = 0;              // Mailsort price per item, pence (before rounding)
    double d = 0, r = 0, t = 0, franking = 0;  // per cent
    double s = 0;              // standard price per item, pence
    std::string serviceKey;    // the Price key sought
    std::string emptyField;    // the tariff field found empty, if one was
};
Tariff lookUpTariff(db::Database& db, const PlanJob& job, const Statistics& stats);

// Every line of the report, title to saving, for a date text.
std::vector<PlanLine> planningLines(const PlanJob& job, const Statistics& stats, const Tariff& tariff,
                                    const std::string& today);

// The 27 fields of POPLAN.CSV's record, unquoted.
std::vector<std::string> planningRecord(const PlanJob& job, const Statistics& stats);

// The whole report: writes POPLAN.CSV (replaced whole), then prints its
// lines on the printer's open document (the caller has started a fresh page)
// and ends the document. A file that cannot be written (nothing is printed
// then) or a document the printer refuses throws RunFailure.
void planrep(db::Database& db, const Statistics& stats, platform::Printer& printer,
             const std::filesystem::path& planFile = "POPLAN.CSV");

}  // namespace qv::sortation
