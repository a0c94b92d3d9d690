#include "sortation/planreport.h"

#include "common/parm/parmrecord.h"
#include "common/tariff/tariff.h"
#include "common/text/chars.h"
#include "common/text/csv.h"
#include "common/text/dates.h"
#include "common/text/numtext.h"
#include "platform/files.h"
#include "platform/printer.h"

#include <system_error>

namespace qv::sortation {

namespace {

namespace key = parm::key;

std::string num(double d) { return numberText(d); }

std::string caption(const char* text, std::size_t n) { return padRight(text, n); }

std::string money(double d) { return formatNumber(d, ".00"); }

// A percentage of a whole; with nothing to divide by it is 0.
double percentOf(double part, double whole) { return whole != 0 ? part / whole * 100 : 0; }

// The texts of the parameter and statistics tables, built once for the
// report and the planning file alike.
struct Texts {
    std::string service;      // as printed, in its 6 characters
    std::string selection, bundleMax, weight, jobRef;
    std::string description;
    std::string procrecs, pcmatch, townmatch, nomatch, suitable;
    std::string fullPct, outPct, levelPct, nonePct;
    double levelCount = 0, noneCount = 0;
    std::string dirMatch, resMatch, totMatch;
};

Texts buildTexts(const PlanJob& job, const Statistics& st) {
    Texts t;
    if (job.service) {
        if (job.mailsort120.value_or(false)) t.service = padRight(*job.service + " 120", 6);
        else t.service = padLeft(*job.service, 6);
    }
    if (job.selection) t.selection = padLeft(*job.selection, 6);
    if (job.bundleMax) t.bundleMax = padLeft(*job.bundleMax, 6);
    if (job.weightText) t.weight = padLeft(*job.weightText, 6);
    if (job.jobRef) t.jobRef = padLeft(*job.jobRef, 15);
    t.description = job.format ? formatName(*job.format) : std::string();

    const double suitable = st.procrecs - st.nomatch;
    t.procrecs = rightIn(num(st.procrecs), 6);
    t.pcmatch = rightIn(num(st.pcmatch), 6);
    t.townmatch = rightIn(num(st.townmatch), 6);
    t.nomatch = rightIn(num(st.nomatch), 6);
    t.suitable = rightIn(num(suitable), 6);

    const double full = percentOf(st.fullpc, st.procrecs);
    const double outward = percentOf(st.outonly, st.procrecs);
    const double level = full + outward;
    // With no address processed there is no address without a postcode either.
    const double none = st.procrecs != 0 ? 100 - level : 0;
    t.fullPct = rightIn(formatNumber(full, "0.0"), 6);
    t.outPct = rightIn(formatNumber(outward, "0.0"), 6);
    t.levelPct = rightIn(formatNumber(level, "0.0"), 6);
    t.nonePct = rightIn(formatNumber(none, "0.0"), 6);
    t.levelCount = st.fullpc + st.outonly;
    t.noneCount = st.procrecs - t.levelCount;

    t.dirMatch = rightIn(formatNumber(percentOf(st.diritems, suitable), ".0"), 6);
    t.resMatch = rightIn(formatNumber(percentOf(st.resitems, suitable), ".0"), 6);
    t.totMatch = rightIn(formatNumber(percentOf(st.diritems + st.resitems, suitable), ".0"), 6);
    return t;
}

std::string sortationRow(const char* name, double sels, double items, const std::string& match, double bags,
                         double bundles) {
    return caption(name, 24) + rightIn(num(sels), 6) + std::string(5, ' ') + rightIn(num(items), 6) +
           std::string(7, ' ') + match + std::string(3, ' ') + rightIn(num(bags), 6) + std::string(6, ' ') +
           rightIn(num(bundles), 6);
}

std::string itemsAt(double items, double percent) {
    return std::string(6, ' ') + rightIn(num(items), 6) + " items @ " + rightIn(formatNumber(percent, ".00"), 6) +
           "%";
}

// Why the costs cannot be worked out, or "" when they can.
std::string missingTariff(const PlanJob& job, const Tariff& tf) {
    const std::string service = trim(tf.serviceKey);
    if (!tf.priceRow) return "The Mailsort tariff for " + service + " is missing: no costs are worked out.";
    if (!tf.priced && !tf.emptyField.empty())
        return "The Mailsort tariff for " + service + " holds no value in " + tf.emptyField +
               ": no costs are worked out.";
    if (!tf.priced)
        return "The Mailsort tariff for " + service + " cannot price format " + job.format.value_or("") +
               " at " + (job.weight ? num(*job.weight) : std::string("?")) + "g: no costs are worked out.";
    if (!tf.standardRow) return "The standard tariff is missing: no costs are worked out.";
    if (!tf.standardStep && !tf.emptyField.empty())
        return "The standard tariff holds no value in " + tf.emptyField + ": no costs are worked out.";
    if (!tf.standardStep)
        return "The standard tariff has no price for an item of " +
               (job.weight ? num(*job.weight) : std::string("?")) + "g: no costs are worked out.";
    return {};
}

void costLines(std::vector<PlanLine>& out, const PlanJob& job, const Statistics& st, const Tariff& tf) {
    auto line = [&](std::string text) { out.push_back({std::move(text), false}); };
    const double suitable = st.procrecs - st.nomatch;
    line(caption("Total Mailsort Items", 49) + rightIn(num(suitable), 6));
    if (const std::string why = missingTariff(job, tf); !why.empty()) {
        line(why);
        return;
    }
    const double p = roundNumber(tf.p, 1);
    const double c = roundNumber(p / 100, 3);
    line(caption("Straight Line Item Cost", 49) + rightIn(formatNumber(c, ".000"), 6));
    const double S = roundNumber(c * suitable, 2);
    line(caption("Straight Line Total Cost", 45) + rightIn(money(S), 10));
    line(" ");

    const double D = roundNumber(c * st.diritems * tf.d / 100, 2);
    line(caption("Direct Selection Discount", 48) + rightIn(money(D), 7));
    line(itemsAt(st.diritems, tf.d));
    const double R = roundNumber(c * st.resitems * tf.r / 100, 2);
    line(caption("Residue Selection Discount", 48) + rightIn(money(R), 7));
    line(itemsAt(st.resitems, tf.r));

    double T = 0;
    if (job.mailsort120.value_or(false)) {
        T = roundNumber(c * st.resitems * tf.t / 100, 2);
        line(caption("Mailsort 120 Discount", 46) + rightIn(money(T), 9));
        line(itemsAt(st.resitems, tf.t));
    }
    double F = 0;
    if (job.royalMail.value_or(false)) {
        F = roundNumber((c * st.diritems + c * st.resitems) * tf.franking / 100, 2);
        line(caption("P.O. Franking Surcharge", 48) + rightIn(money(F), 7));
        line(itemsAt(suitable, tf.franking));
    }

    const double A = roundNumber(tf.s / 100 * st.nomatch, 2);
    line(caption("Items at standard postal rate", 48) + rightIn(money(A), 7));
    line(std::string(6, ' ') + rightIn(num(st.nomatch), 6) + " items @   " + num(tf.s) + " pence");
    line(" ");

    const double X = roundNumber(S - D - R + A - T + F, 2);
    line(caption("Total Cost", 45) + rightIn(money(X), 10));
    line(" ");
    const double E = roundNumber(tf.s / 100 * st.procrecs, 2);
    line(caption("Equivalent without Mailsort", 45) + rightIn(money(E), 10));
    line(" ");
    const double V = roundNumber(E - X, 2);
    line(caption("Mailsort saving", 45) + rightIn(money(V), 10));
}

std::optional<std::string> textKey(const parm::ParmRecord& rec, const char* name) {
    try {
        db::Value v = rec.value(name);
        if (v.isNull()) return std::nullopt;
        return v.toString();
    } catch (const db::DbError&) {
        return std::nullopt;
    }
}

std::optional<double> numberKey(const parm::ParmRecord& rec, const char* name) {
    try {
        db::Value v = rec.value(name);
        if (v.isNumber()) return v.toDouble();
        double d = 0;
        if (v.isText() && parseNumber(v.text(), d)) return d;
        return std::nullopt;
    } catch (const db::DbError&) {
        return std::nullopt;
    }
}

}  // namespace

PlanJob readPlanJob(db::Database& db) {
    PlanJob job;
    try {
        parm::ParmRecord rec(db);
        job.companyName = textKey(rec, key::CompanyName);
        job.service = textKey(rec, key::Service);
        job.format = textKey(rec, key::Format);
        job.jobRef = textKey(rec, key::JobRef);
        if (auto m = textKey(rec, key::Mailsort120)) job.mailsort120 = *m == "Y";
        if (auto r = textKey(rec, key::RoyalMail)) job.royalMail = *r == "Y";
        job.selection = textKey(rec, key::Selection);
        job.bundleMax = textKey(rec, key::BundleMax);
        job.weightText = textKey(rec, key::Weight);
        job.weight = numberKey(rec, key::Weight);
    } catch (const db::DbError&) {
        // no parmcode row: every key stays unread
    }
    return job;
}

Tariff lookUpTariff(db::Database& db, const PlanJob& job, const Statistics& st) {
    Tariff tf;
    if (job.service) tf.serviceKey = padRight(*job.service + (job.mailsort120.value_or(false) ? " 120" : ""), 6);
    const auto format = job.format ? tariff::mailFormat(*job.format) : std::nullopt;
    // A letter's price goes by no weight.
    const bool priceable = format && (job.weight || *format == tariff::MailFormat::Letter);
    const tariff::MailFormat f = format.value_or(tariff::MailFormat::Letter);
    try {
        if (job.service) {
            if (auto row = tariff::findPriceRow(db, tf.serviceKey)) {
                tf.priceRow = true;
                const tariff::FieldReader read = tariff::rowReader(*row);
                try {
                    if (priceable) {
                        tf.p = tariff::mailsortItemPrice(read, f, job.weight.value_or(0));
                        tf.d = tariff::directPercent(read, f, st.diritems);
                        tf.r = tariff::residuePercent(read, f);
                        tf.priced = true;
                    }
                    if (job.royalMail.value_or(false)) tf.franking = tariff::frankingPercent(read);
                    if (job.mailsort120.value_or(false)) {
                        // The tier goes by the job's residue items: in a 120 job
                        // every Mailsort item is a residue item.
                        if (st.resitems <= read("Qty1")) tf.t = read("LeQ1DPtg1");
                        else if (st.resitems <= read("Qty2")) tf.t = read("LeQ2DPtg1");
                        else tf.t = read("LeQ3DPtg1");
                    }
                } catch (const tariff::EmptyField& e) {
                    tf.priced = false;
                    tf.emptyField = e.field();
                }
            }
        }
        if (auto standard = tariff::firstStandardRow(db)) {
            tf.standardRow = true;
            const tariff::FieldReader read = tariff::rowReader(*standard);
            try {
                if (job.format && (job.weight || *job.format == "LE")) {
                    if (auto step = tariff::standardStep(read, *job.format, job.weight.value_or(0))) {
                        tf.standardStep = true;
                        const std::string svc = job.service.value_or("");
                        tf.s = (svc == "M1" || svc == "P1") ? step->first : step->second;
                    }
                }
            } catch (const tariff::EmptyField& e) {
                tf.standardStep = false;
                tf.emptyField = e.field();
            }
        }
    } catch (const db::DbError&) {
        // a table that cannot be read leaves its part of the tariff missing
    }
    return tf;
}

std::vector<PlanLine> planningLines(const PlanJob& job, const Statistics& st, const Tariff& tariff,
                                    const std::string& today) {
    const Texts t = buildTexts(job, st);
    std::vector<PlanLine> out;
    auto line = [&](std::string text) { out.push_back({std::move(text), false}); };
    auto heading = [&](const char* text) { out.push_back({text, true}); };

    line(today + "                     Mailsort Planning Report");
    line(" " + job.companyName.value_or(""));
    line(" ");

    heading("Mailsort Parameters");
    line(caption("Mailsort Service", 49) + t.service);
    line(caption("Minimum Selection Size", 49) + t.selection);
    line(caption("Mail Format", 49) + t.description);
    line(caption("Max Bundle Size", 49) + t.bundleMax);
    line(caption("Weight of item", 49) + t.weight + (job.weightText ? "g" : ""));
    line(caption("Job Reference", 40) + t.jobRef);
    line(" ");

    heading("Presortation Statistics");
    line(caption("Address Records Processed", 49) + t.procrecs);
    line(caption("Postcodes Matched", 49) + t.pcmatch);
    line(caption("Post Towns Matched", 49) + t.townmatch);
    line(caption("Addresses not matched", 49) + t.nomatch);
    line(caption("Suitable for Mailsort", 49) + t.suitable);
    line(" ");

    heading("Postcode Statistics");
    line(caption("Full Postcode", 49) + t.fullPct + "%");
    line(caption("Outward Only", 49) + t.outPct + "%");
    line(caption("Postcode Level", 49) + t.levelPct + "%");
    line(caption("No Postcode", 49) + t.nonePct + "%");
    line(" ");

    heading("Sortation Statistics");
    line("                         Number      Items      % Match     Bags     Bundles");
    if (!job.mailsort120.value_or(false))
        line(sortationRow("Direct Selections", st.dirsels, st.diritems, t.dirMatch, st.dirbags, st.dirbund));
    line(sortationRow("Residue Selections", st.ressels, st.resitems, t.resMatch, st.resbags, st.resbund));
    line(sortationRow("Totals", st.dirsels + st.ressels, st.diritems + st.resitems, t.totMatch,
                      st.dirbags + st.resbags, st.dirbund + st.resbund));
    line(" ");

    heading("Costs and Discounts");
    costLines(out, job, st, tariff);
    return out;
}

std::vector<std::string> planningRecord(const PlanJob& job, const Statistics& st) {
    const Texts t = buildTexts(job, st);
    return {"DB2007R1",
            trim(t.service),
            t.selection,
            t.description,
            trim(t.weight),
            trim(t.jobRef),
            t.procrecs,
            t.pcmatch,
            t.townmatch,
            t.nomatch,
            t.suitable,
            num(st.fullpc),
            t.fullPct,
            num(st.outonly),
            t.outPct,
            num(t.levelCount),
            t.levelPct,
            num(t.noneCount),
            t.nonePct,
            rightIn(num(st.dirsels), 6),
            rightIn(num(st.diritems), 6),
            t.dirMatch,
            rightIn(num(st.dirbags), 6),
            rightIn(num(st.ressels), 6),
            rightIn(num(st.resitems), 6),
            t.resMatch,
            rightIn(num(st.resbags), 6)};
}

void planrep(db::Database& db, const Statistics& stats, platform::Printer& printer,
             const std::filesystem::path& planFile) {
    const PlanJob job = readPlanJob(db);
    const Tariff tf = lookUpTariff(db, job, stats);

    // The file is in place before anything is printed, so that one that
    // cannot be written keeps the document from being sent.
    try {
        CsvWriter file(planFile, LineEnd::CRLF);
        for (const std::string& field : planningRecord(job, stats)) file.quoted(field);
        file.endRecord();
        file.close();
    } catch (const std::system_error& e) {
        throw RunFailure(utf8FromPath(planFile.filename()) + " could not be written: " + errorText(e.code().value()));
    }

    auto failed = [&] {
        throw RunFailure("the Mailsort Planning Report could not be printed: " + printer.lastError().toStdString());
    };
    printer.setFontName(QStringLiteral("Courier New"));
    printer.setFontSize(11);
    for (const PlanLine& l : planningLines(job, stats, tf, todayText())) {
        if (l.heading) printer.setFontBold(true);
        if (!printer.print(QString::fromStdString(l.text))) failed();
        if (l.heading) printer.setFontBold(false);
    }
    if (!printer.endDoc()) failed();
}

}  // namespace qv::sortation
