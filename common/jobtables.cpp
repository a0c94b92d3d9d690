#include "common/jobtables.h"

#include "common/parm/parmrecord.h"
#include "common/text/numtext.h"

#include <array>
#include <map>

namespace qv::jobtables {

using db::FieldType;

db::TableDef mmworkDef() {
    return {Mmwork,
            {{"name", FieldType::Text, 45, false},
             {"address1", FieldType::Text, 45},
             {"address2", FieldType::Text, 45},
             {"address3", FieldType::Text, 45},
             {"address4", FieldType::Text, 45},
             {"town", FieldType::Text, 30},
             {"county", FieldType::Text, 30},
             {"postcode", FieldType::Text, 9},
             {"ref", FieldType::Text, 20},
             {"mscode", FieldType::Text, 5, false},
             {"rscode", FieldType::Text, 3},
             {"rgcode", FieldType::Integer},
             {"sflag", FieldType::Text, 1},
             {"pcflag", FieldType::Text, 1},
             {"seq", FieldType::Double}},
            {{"Key1", {"mscode"}, false, false}, {"Key2", {"seq"}, false, false}}};
}

db::TableDef bagsDef() {
    using namespace bagfield;
    return {Bags,
            {{BagNumber, FieldType::Double},
             {LabelStart, FieldType::Double},
             {LabelNumber, FieldType::Double},
             {BundleNumber, FieldType::Double},
             {Seq, FieldType::Double}},
            {{"PrimaryKey", {BagNumber}, true, true}, {"Key2", {LabelNumber}, false, false}}};
}

db::TableDef sortKeysDef() {
    return {SortKeys,
            {{"key", FieldType::Text, 20, false}, {"value", FieldType::Memo}},
            {{"PrimaryKey", {"key"}, true, true}}};
}

void dropIfThere(db::Database& db, const std::string& table) {
    try {
        db.dropTable(table);
    } catch (const db::DbError& e) {
        if (e.number() != db::err::DropMissingTable) throw;
    }
}

}  // namespace qv::jobtables

namespace qv::jobtables {

namespace {

namespace key = parm::key;

// How the sortation reads a key: two texts it reads alike are no change
// (a Null Geog and the "N" the job parameters store for it).
enum class Reading {
    Text,           // the whole text
    Yes,            // "Y" or not
    YesNo,          // "Y", "N" or neither (the label numbering tells all three apart)
    Number,         // the whole text as a number, else the text
    LeadingNumber,  // the number the text starts with, 0 when none
};

// Each key with the name a message gives it.
struct SortKey {
    const char* key;
    const char* shown;
    Reading reading;
};
constexpr std::array<SortKey, 12> kSortKeys = {{{key::Service, "the service", Reading::Text},
                                                {key::Mailsort120, "Mailsort 120", Reading::Yes},
                                                {key::Format, "the mail format", Reading::Text},
                                                {key::Selection, "the minimum selection", Reading::LeadingNumber},
                                                {key::Weight, "the item weight", Reading::Number},
                                                {key::BagMax, "the bag limit", Reading::Number},
                                                {key::BundleMax, "the bundle size", Reading::Number},
                                                {key::ResOnly, "residue only", Reading::Yes},
                                                {key::Geog, "geographic sequencing", Reading::Yes},
                                                {key::Postcode, "the centre postcode", Reading::Text},
                                                {key::BagLab, "bag labels", Reading::YesNo},
                                                {key::BundleLab, "bundle labels", Reading::YesNo}}};

const SortKey* sortKey(const std::string& name) {
    for (const SortKey& k : kSortKeys)
        if (name == k.key) return &k;
    return nullptr;
}

std::string shownName(const std::string& name) {
    const SortKey* k = sortKey(name);
    return k ? k->shown : name;
}

std::string readAs(Reading reading, const std::string& text) {
    switch (reading) {
        case Reading::Text: return text;
        case Reading::Yes: return text == "Y" ? "Y" : "";
        case Reading::YesNo: return text == "Y" || text == "N" ? text : "";
        case Reading::Number: {
            double d = 0;
            return parseNumber(text, d) ? numberText(d) : text;
        }
        case Reading::LeadingNumber: return numberText(leadingNumber(text));
    }
    return text;
}

bool hasRows(db::Database& db, const char* table) {
    return db.hasTable(table) && db.openTable(table)->recordCount() > 0;
}

}  // namespace

KeyValues sortKeyValues(const parm::ParmRecord& parm) {
    KeyValues values;
    for (const SortKey& k : kSortKeys) values.emplace_back(k.key, parm.text(k.key));
    return values;
}

void dropSort(db::Database& db) {
    dropIfThere(db, Bags);
    dropIfThere(db, SortKeys);
}

void makeSort(db::Database& db, const KeyValues& keys) {
    dropIfThere(db, Bags);
    db.createTable(bagsDef());
    keepSortKeys(db, keys);
}

void keepSortKeys(db::Database& db, const KeyValues& keys) {
    dropIfThere(db, SortKeys);
    db.createTable(sortKeysDef());
    if (keys.empty()) return;
    auto rs = db.openTable(SortKeys);
    for (const auto& [name, value] : keys) {
        rs->addNew();
        rs->set("key", name);
        rs->set("value", value);
        rs->update();
    }
}

SortState sortState(db::Database& db) {
    SortState s;
    if (!hasRows(db, Mmwork)) {
        s.kind = SortState::Kind::NoAddresses;
        return s;
    }
    s.kind = SortState::Kind::NotSorted;
    if (!hasRows(db, Bags) || !db.hasTable(SortKeys)) return s;
    std::map<std::string, std::string> kept;
    {
        auto rs = db.openTable(SortKeys);
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) kept[rs->get("key").toString()] = rs->get("value").toString();
    }
    const parm::ParmRecord parm(db);
    for (const auto& [name, now] : sortKeyValues(parm)) {
        const auto at = kept.find(name);
        // Bags made before this key was kept: nothing says what they were made by.
        if (at == kept.end()) {
            s.changes.clear();
            return s;
        }
        const Reading reading = sortKey(name)->reading;
        if (readAs(reading, at->second) != readAs(reading, now)) s.changes.push_back({name, at->second, now});
    }
    s.kind = s.changes.empty() ? SortState::Kind::Sorted : SortState::Kind::KeysChanged;
    return s;
}

std::string changesText(const std::vector<KeyChange>& changes) {
    std::string text;
    for (const KeyChange& c : changes) {
        if (!text.empty()) text += "; ";
        text += shownName(c.key) + " was \"" + c.then + "\" when the job was sorted and is now \"" + c.now + "\"";
    }
    return text;
}

}  // namespace qv::jobtables
