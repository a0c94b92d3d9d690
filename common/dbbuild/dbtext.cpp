#include "common/dbbuild/dbtext.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace qv::dbbuild {

using db::FieldDef;
using db::FieldType;
using db::IndexDef;
using db::TableDef;
using db::Value;

ParseError::ParseError(std::string source, int line, const std::string& message)
    : std::runtime_error(source + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message),
      source_(std::move(source)), line_(line), message_(message) {}

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Characters, not bytes: sizes of text fields count characters.
size_t charCount(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string quote(std::string_view s) { return "'" + std::string(s) + "'"; }

// Lines split at '\n', a '\r' before it dropped (files saved on Windows).
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == text.size()) break;
        start = end + 1;
    }
    if (!lines.empty() && lines.back().empty() && !text.empty() && text.back() == '\n') lines.pop_back();
    return lines;
}

// ---- schema ----

struct Token {
    std::string text;
    bool quoted = false;
};

std::vector<Token> tokenize(std::string_view line, const std::string& source, int lineNo) {
    std::vector<Token> tokens;
    size_t i = 0;
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (i < line.size()) {
        char c = line[i];
        if (isBlank(c)) { ++i; continue; }
        if (c == '#') break;
        Token t;
        if (c == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) throw ParseError(source, lineNo, "unterminated quoted name or value");
            t.text = std::string(line.substr(i + 1, close - i - 1));
            t.quoted = true;
            i = close + 1;
            if (i < line.size() && !isBlank(line[i]) && line[i] != '#')
                throw ParseError(source, lineNo, "a blank must follow the closing quote");
        } else {
            size_t start = i;
            while (i < line.size() && !isBlank(line[i]) && line[i] != '#') {
                if (line[i] == '"') throw ParseError(source, lineNo, "quote inside a word");
                ++i;
            }
            t.text = std::string(line.substr(start, i - start));
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

// The characters the database refuses in a table, field or index name.
void checkName(const Token& t, const char* what, const std::string& source, int lineNo) {
    const std::string& n = t.text;
    if (n.empty()) throw ParseError(source, lineNo, std::string("empty ") + what + " name");
    if (charCount(n) > 64) throw ParseError(source, lineNo, std::string(what) + " name longer than 64 characters: " + quote(n));
    if (n.front() == ' ') throw ParseError(source, lineNo, std::string(what) + " name starts with a blank: " + quote(n));
    for (unsigned char c : n)
        if (c < 0x20 || c == '.' || c == '!' || c == '[' || c == ']' || c == '`')
            throw ParseError(source, lineNo, std::string(what) + " name holds a character not allowed in names: " + quote(n));
}

std::optional<FieldType> typeFromKeyword(std::string_view w) {
    static const std::pair<const char*, FieldType> types[] = {
        {"byte", FieldType::Byte},     {"integer", FieldType::Integer}, {"long", FieldType::Long},
        {"single", FieldType::Single}, {"double", FieldType::Double},   {"currency", FieldType::Currency},
        {"text", FieldType::Text},     {"memo", FieldType::Memo},
    };
    for (const auto& [k, t] : types)
        if (iequals(w, k)) return t;
    return std::nullopt;
}

bool isWholeType(FieldType t) { return t == FieldType::Byte || t == FieldType::Integer || t == FieldType::Long; }
bool isTextType(FieldType t) { return t == FieldType::Text || t == FieldType::Memo; }

int findField(const TableDef& t, std::string_view name) {
    for (size_t i = 0; i < t.fields.size(); ++i)
        if (iequals(t.fields[i].name, name)) return int(i);
    return -1;
}

// A value's text made into a value of the field's type, with every refusal
// the database would give reported here against the line it came from.
Value convert(const std::string& text, const FieldDef& f, const std::string& source, int lineNo) {
    if (isTextType(f.type)) {
        if (f.type == FieldType::Text && charCount(text) > size_t(f.size))
            throw ParseError(source, lineNo,
                             "value of " + quote(f.name) + " has " + std::to_string(charCount(text)) +
                                 " characters, more than its size " + std::to_string(f.size));
        if (text.empty() && !f.allowZeroLength)
            throw ParseError(source, lineNo, quote(f.name) + " does not take the empty text");
        return Value(text);
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (isWholeType(f.type)) {
        int64_t v = 0;
        auto [p, ec] = std::from_chars(first, last, v);
        if (text.empty() || ec != std::errc() || p != last)
            throw ParseError(source, lineNo, quote(f.name) + " needs a whole number, not " + quote(text));
        int64_t lo = 0, hi = 0;
        switch (f.type) {
        case FieldType::Byte: lo = 0; hi = 255; break;
        case FieldType::Integer: lo = -32768; hi = 32767; break;
        default: lo = INT32_MIN; hi = INT32_MAX; break;
        }
        if (v < lo || v > hi)
            throw ParseError(source, lineNo,
                             quote(f.name) + " value " + text + " is outside the " + typeKeyword(f.type) + " range " +
                                 std::to_string(lo) + " to " + std::to_string(hi));
        return Value(v);
    }
    double d = 0;
    auto [p, ec] = std::from_chars(first, last, d);
    if (text.empty() || ec != std::errc() || p != last || !std::isfinite(d))
        throw ParseError(source, lineNo, quote(f.name) + " needs a number, not " + quote(text));
    if (f.type == FieldType::Single && std::fabs(d) > 3.402823466e38)
        throw ParseError(source, lineNo, quote(f.name) + " value " + text + " is outside the single range");
    return Value(d);
}

void parseField(TableDef& table, const std::vector<Token>& tk, const std::string& source, int lineNo) {
    if (tk.size() < 3) throw ParseError(source, lineNo, "field needs a name and a type");
    checkName(tk[1], "field", source, lineNo);
    if (findField(table, tk[1].text) >= 0)
        throw ParseError(source, lineNo, "field " + quote(tk[1].text) + " appears twice in table " + quote(table.name));
    auto type = typeFromKeyword(tk[2].text);
    if (!type || tk[2].quoted) throw ParseError(source, lineNo, "unknown field type " + quote(tk[2].text));

    FieldDef f;
    f.name = tk[1].text;
    f.type = *type;
    size_t i = 3;
    if (f.type == FieldType::Text) {
        if (i >= tk.size()) throw ParseError(source, lineNo, "text field " + quote(f.name) + " needs a size");
        int size = 0;
        const std::string& s = tk[i].text;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), size);
        if (ec != std::errc() || p != s.data() + s.size())
            throw ParseError(source, lineNo, "text field " + quote(f.name) + " needs a size, not " + quote(s));
        if (size < 1 || size > 255)
            throw ParseError(source, lineNo, "size of text field " + quote(f.name) + " must be 1 to 255, not " + s);
        f.size = size;
        ++i;
    } else {
        f.size = 0;
    }

    bool sawNonempty = false, sawExact = false, sawDefault = false;
    std::string defaultText;
    for (; i < tk.size(); ++i) {
        const Token& t = tk[i];
        if (!t.quoted && iequals(t.text, "nonempty")) {
            if (sawNonempty) throw ParseError(source, lineNo, "nonempty given twice");
            if (!isTextType(f.type))
                throw ParseError(source, lineNo, "nonempty applies to text and memo fields only");
            sawNonempty = true;
            f.allowZeroLength = false;
        } else if (!t.quoted && iequals(t.text, "exact")) {
            if (sawExact) throw ParseError(source, lineNo, "exact given twice");
            if (f.type != FieldType::Text) throw ParseError(source, lineNo, "exact applies to text fields only");
            sawExact = true;
            f.exactCompare = true;
        } else if (!t.quoted && iequals(t.text, "default")) {
            if (sawDefault) throw ParseError(source, lineNo, "default given twice");
            if (i + 1 >= tk.size()) throw ParseError(source, lineNo, "default needs a value");
            sawDefault = true;
            defaultText = tk[++i].text;
        } else if (std::isdigit(static_cast<unsigned char>(t.text.empty() ? 'x' : t.text[0])) && !t.quoted) {
            throw ParseError(source, lineNo, "only text fields take a size");
        } else {
            throw ParseError(source, lineNo, "unknown field option " + quote(t.text));
        }
    }
    // Checked after every option, so "default "" nonempty" is caught too.
    if (sawDefault) f.defaultValue = convert(defaultText, f, source, lineNo);
    table.fields.push_back(std::move(f));
}

void parseIndex(TableDef& table, const std::vector<Token>& tk, const std::string& source, int lineNo) {
    if (tk.size() < 3) throw ParseError(source, lineNo, "index needs a name and at least one field");
    checkName(tk[1], "index", source, lineNo);
    for (const auto& ix : table.indexes)
        if (iequals(ix.name, tk[1].text))
            throw ParseError(source, lineNo, "index " + quote(tk[1].text) + " appears twice in table " + quote(table.name));
    IndexDef ix;
    ix.name = tk[1].text;
    size_t i = 2;
    if (!tk[i].quoted && iequals(tk[i].text, "primary")) {
        ix.primary = ix.unique = true;
        ++i;
    } else if (!tk[i].quoted && iequals(tk[i].text, "unique")) {
        ix.unique = true;
        ++i;
    }
    if (i >= tk.size()) throw ParseError(source, lineNo, "index " + quote(ix.name) + " names no field");
    if (ix.primary)
        for (const auto& other : table.indexes)
            if (other.primary)
                throw ParseError(source, lineNo, "table " + quote(table.name) + " already has a primary index, " + quote(other.name));
    for (; i < tk.size(); ++i) {
        int fi = findField(table, tk[i].text);
        if (fi < 0) throw ParseError(source, lineNo, "no field " + quote(tk[i].text) + " in table " + quote(table.name));
        const FieldDef& f = table.fields[size_t(fi)];
        if (f.type == FieldType::Memo) throw ParseError(source, lineNo, "memo field " + quote(f.name) + " cannot be indexed");
        for (const auto& n : ix.fields)
            if (iequals(n, f.name)) throw ParseError(source, lineNo, "field " + quote(f.name) + " appears twice in index " + quote(ix.name));
        ix.fields.push_back(f.name);
    }
    table.indexes.push_back(std::move(ix));
}

// ---- rows ----

struct Cell {
    std::optional<std::string> text;  // nullopt: Null
    int line = 0;
};

Cell unescape(std::string_view raw, const std::string& source, int lineNo) {
    Cell c;
    c.line = lineNo;
    if (raw == "\\N") return c;
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        if (i + 1 >= raw.size()) throw ParseError(source, lineNo, "a value ends in a lone backslash");
        char e = raw[++i];
        switch (e) {
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        case '#': out += '#'; break;
        case 'N': throw ParseError(source, lineNo, "\\N stands for Null only as a whole value");
        default: throw ParseError(source, lineNo, std::string("unknown escape \\") + e);
        }
    }
    c.text = std::move(out);
    return c;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            cells.push_back(line.substr(start));
            return cells;
        }
        cells.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

}  // namespace

const char* typeKeyword(FieldType type) {
    switch (type) {
    case FieldType::Byte: return "byte";
    case FieldType::Integer: return "integer";
    case FieldType::Long: return "long";
    case FieldType::Single: return "single";
    case FieldType::Double: return "double";
    case FieldType::Currency: return "currency";
    case FieldType::Text: return "text";
    case FieldType::Memo: return "memo";
    }
    return "?";
}

const TableDef* Schema::find(std::string_view name) const {
    for (const auto& t : tables)
        if (iequals(t.name, name)) return &t;
    return nullptr;
}

Schema parseSchema(std::string_view text, const std::string& source) {
    Schema schema;
    TableDef* current = nullptr;
    int currentLine = 0;
    auto closeTable = [&] {
        if (current && current->fields.empty())
            throw ParseError(source, currentLine, "table " + quote(current->name) + " has no fields");
    };
    int lineNo = 0;
    for (std::string_view line : splitLines(text)) {
        ++lineNo;
        std::vector<Token> tk = tokenize(line, source, lineNo);
        if (tk.empty()) continue;
        const Token& kw = tk[0];
        if (!kw.quoted && iequals(kw.text, "table")) {
            if (tk.size() != 2) throw ParseError(source, lineNo, "table takes one name");
            checkName(tk[1], "table", source, lineNo);
            if (schema.find(tk[1].text)) throw ParseError(source, lineNo, "table " + quote(tk[1].text) + " appears twice");
            closeTable();
            schema.tables.push_back(TableDef{tk[1].text, {}, {}});
            current = &schema.tables.back();
            currentLine = lineNo;
        } else if (!kw.quoted && (iequals(kw.text, "field") || iequals(kw.text, "index"))) {
            if (!current) throw ParseError(source, lineNo, kw.text + " before any table");
            if (iequals(kw.text, "field")) {
                if (!current->indexes.empty()) throw ParseError(source, lineNo, "fields come before the indexes of a table");
                parseField(*current, tk, source, lineNo);
            } else {
                parseIndex(*current, tk, source, lineNo);
            }
        } else {
            throw ParseError(source, lineNo, "expected table, field or index, not " + quote(kw.text));
        }
    }
    closeTable();
    return schema;
}

TableRows parseRows(std::string_view text, const TableDef& table, const std::string& source) {
    struct Line {
        std::string_view text;
        int no;
    };
    std::vector<Line> lines;
    int lineNo = 0;
    for (std::string_view l : splitLines(text)) {
        ++lineNo;
        if (l.empty() || l.front() == '#') continue;
        lines.push_back({l, lineNo});
    }

    TableRows out;
    out.table = table.name;
    out.source = source;
    if (lines.empty()) return out;

    bool byField = false;
    size_t first = 0;
    if (lines[0].text.front() == '%') {
        if (lines[0].text != "%by-field") throw ParseError(source, lines[0].no, "unknown directive " + quote(lines[0].text));
        byField = true;
        first = 1;
    }

    std::vector<int> fieldIx;  // schema index of each named field, in file order
    auto addField = [&](std::string_view name, int no) {
        if (name.empty()) throw ParseError(source, no, "empty field name");
        int fi = findField(table, name);
        if (fi < 0) throw ParseError(source, no, "no field " + quote(name) + " in table " + quote(table.name));
        for (int seen : fieldIx)
            if (seen == fi) throw ParseError(source, no, "field " + quote(name) + " named twice");
        fieldIx.push_back(fi);
        out.fields.push_back(table.fields[size_t(fi)].name);
    };

    // cells[row][column]: the values in row order, whichever way the file lies.
    std::vector<std::vector<Cell>> cells;
    if (byField) {
        size_t rowCount = 0;
        for (size_t li = first; li < lines.size(); ++li) {
            auto parts = splitTabs(lines[li].text);
            addField(parts[0], lines[li].no);
            size_t n = parts.size() - 1;
            if (li == first) {
                rowCount = n;
                cells.resize(rowCount);
            } else if (n != rowCount) {
                throw ParseError(source, lines[li].no,
                                 "field " + quote(parts[0]) + " has " + std::to_string(n) + " values, the first field " +
                                     std::to_string(rowCount));
            }
            for (size_t r = 0; r < n; ++r) cells[r].push_back(unescape(parts[r + 1], source, lines[li].no));
        }
        for (const auto& row : cells) out.lines.push_back(row.empty() ? 0 : row.front().line);
    } else {
        for (std::string_view name : splitTabs(lines[0].text)) addField(name, lines[0].no);
        for (size_t li = 1; li < lines.size(); ++li) {
            auto parts = splitTabs(lines[li].text);
            if (parts.size() != fieldIx.size())
                throw ParseError(source, lines[li].no,
                                 "row has " + std::to_string(parts.size()) + " values, the header names " +
                                     std::to_string(fieldIx.size()) + " fields");
            std::vector<Cell> row;
            for (std::string_view p : parts) row.push_back(unescape(p, source, lines[li].no));
            cells.push_back(std::move(row));
            out.lines.push_back(lines[li].no);
        }
    }

    for (const auto& row : cells) {
        std::vector<Value> values;
        for (size_t c = 0; c < row.size(); ++c) {
            const FieldDef& f = table.fields[size_t(fieldIx[c])];
            values.push_back(row[c].text ? convert(*row[c].text, f, source, row[c].line) : Value());
        }
        out.rows.push_back(std::move(values));
    }
    return out;
}

}  // namespace qv::dbbuild
