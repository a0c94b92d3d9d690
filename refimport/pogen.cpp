#include "refimport/pogen.h"

#include "common/text/chars.h"
#include "common/text/files.h"
#include "common/text/lines.h"
#include "platform/files.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <stdexcept>

namespace qv::pogen {

namespace fs = std::filesystem;

namespace {

// splitmix64: the same numbers everywhere, unlike the standard distributions.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int uniform(int lo, int hi) { return lo + int(next() % std::uint64_t(hi - lo + 1)); }
    bool percent(int p) { return uniform(0, 99) < p; }
    template <class T>
    void shuffle(std::vector<T>& v) {
        for (std::size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[std::size_t(next() % i)]);
    }

private:
    std::uint64_t s_;
};

// Splits total into parts parts, each lo..hi (the caller keeps that possible).
std::vector<int> split(Rng& rng, int total, int parts, int lo, int hi) {
    std::vector<int> out(std::size_t(parts), lo);
    int left = total - parts * lo;
    std::vector<int> open;
    for (int i = 0; i < parts; ++i) open.push_back(i);
    while (left > 0 && !open.empty()) {
        std::size_t k = std::size_t(rng.next() % open.size());
        int& v = out[std::size_t(open[k])];
        ++v;
        --left;
        if (v >= hi) {
            open[k] = open.back();
            open.pop_back();
        }
    }
    return out;
}

// k distinct numbers of lo..hi, ascending.
std::vector<int> sample(Rng& rng, int k, int lo, int hi) {
    std::vector<int> all;
    for (int i = lo; i <= hi; ++i) all.push_back(i);
    for (int i = 0; i < k; ++i) std::swap(all[std::size_t(i)], all[std::size_t(i) + std::size_t(rng.next() % (all.size() - std::size_t(i)))]);
    all.resize(std::size_t(k));
    std::sort(all.begin(), all.end());
    return all;
}

std::string twoDigits(int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

// Area letters no real postcode area begins with (J, Z and X only in a
// few real areas, left out).
std::vector<std::string> areaCodes() {
    std::vector<std::string> out;
    const std::string first = "QVXZJ";
    for (char f : first) out.emplace_back(1, f);
    for (char f : first)
        for (char s = 'A'; s <= 'Z'; ++s) {
            if (s == 'I' || s == 'J' || s == 'Z') continue;
            std::string c{f, s};
            if (c == "JE" || c == "ZE" || c == "XX") continue;
            out.push_back(c);
        }
    return out;
}

const char* const kStarts[] = {"QU",  "QUIL", "QUOR", "QUEN", "VEX", "VOR", "VAL", "VRAN", "VUL", "ZOR",
                               "ZAN", "ZEL",  "ZIB",  "XAN",  "XER", "XIL", "XOR", "JOV",  "JAR", "JEX"};
const char* const kLinks[] = {"", "A", "E", "I", "O", "AR", "EL", "IN", "OR", "UM", "AN", "ET"};
const char* const kEnds[] = {"BY",   "TON",   "FORD",  "WICK",  "MERE",  "STOW",   "DEN",    "LEY",    "WORTH",  "HAM",
                             "BURY", "COMBE", "FIELD", "GATE",  "HOLT",  "MOUTH",  "THORPE", "WELL",   "CASTER", "BRIDGE"};
const char* const kDirections[] = {"NORTH", "SOUTH", "EAST", "WEST"};

// Invented names, each key (first 10 characters) used once.
class Names {
public:
    explicit Names(Rng& rng) : rng_(rng) {
        for (auto* s : kStarts)
            for (auto* l : kLinks)
                for (auto* e : kEnds) {
                    std::string n = std::string(s) + l + e;
                    if (n.size() <= 10) towns_.push_back(n);
                }
        rng_.shuffle(towns_);
    }
    bool used(const std::string& key) const { return keys_.count(key) != 0; }
    void take(const std::string& key) { keys_.insert(key); }

    std::string town() {
        while (next_ < towns_.size()) {
            std::string n = towns_[next_++];
            if (!used(n)) {
                take(n);
                return n;
            }
        }
        throw std::runtime_error("The generator has run out of place names.");
    }
    std::string stem() {
        return std::string(kStarts[rng_.next() % std::size(kStarts)]) + kLinks[rng_.next() % std::size(kLinks)];
    }
    // A county's name; its key is taken unless it is its county town's own.
    County county(const PostTown& countyTown) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            int roll = attempt == 0 ? rng_.uniform(0, 99) : rng_.uniform(45, 99);
            std::string name;
            if (roll < 45) name = countyTown.name + "SHIRE";
            else if (roll < 75) name = stem() + "SHIRE";
            else name = std::string(kDirections[rng_.next() % std::size(kDirections)]) + " " + stem() + "LAND";
            std::string key = left(name, 10);
            if (key == countyTown.name) return {name, countyTown.residue, true};
            if (used(key)) continue;
            take(key);
            return {name, countyTown.residue, false};
        }
        throw std::runtime_error("The generator has run out of county names.");
    }

private:
    Rng& rng_;
    std::vector<std::string> towns_;
    std::size_t next_ = 0;
    std::set<std::string> keys_;
};

// The sort positions of every region as seen from one: itself first, then
// the others by distance around the country, the unused slots last.
std::string sortString(int fromRegion, int regions) {
    std::vector<int> order;
    for (int r = 1; r <= regions; ++r) order.push_back(r);
    auto dist = [&](int r) {
        int d = std::abs(r - fromRegion);
        return std::min(d, regions - d);
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return dist(a) < dist(b); });
    std::vector<int> pos(17, 0);
    for (std::size_t i = 0; i < order.size(); ++i) pos[std::size_t(order[i])] = int(i) + 1;
    std::string s;
    for (int r = 1; r <= 16; ++r) s += twoDigits(r <= regions ? pos[std::size_t(r)] : r);
    return s;
}

std::string quoted(std::initializer_list<std::string_view> fields) {
    std::string s;
    for (auto f : fields) {
        if (!s.empty()) s += ',';
        s += '"';
        s += f;
        s += '"';
    }
    return s;
}

}  // namespace

std::optional<int> sectorsForSize(std::string_view size) {
    if (size == "tiny") return 8;
    if (size == "small") return 400;
    if (size == "national") return kNationalSectors;
    int n = 0;
    auto [p, ec] = std::from_chars(size.data(), size.data() + size.size(), n);
    if (ec != std::errc() || p != size.data() + size.size() || n < kMinSectors || n > kMaxSectors) return std::nullopt;
    return n;
}

std::string Sector::key() const { return padRight(outward, 4) + digit; }

PoData generate(const Options& options) {
    const int S = options.sectors;
    if (S < kMinSectors || S > kMaxSectors)
        throw std::invalid_argument("The number of sectors must be " + std::to_string(kMinSectors) + " to " +
                                    std::to_string(kMaxSectors) + ".");
    Rng rng(options.seed);
    PoData d;

    const auto codes = areaCodes();
    const int nRegions = std::clamp(int(S / 900.0 + 0.5), 2, 16);
    const int nAreas = std::clamp(S / 95, nRegions, int(codes.size()));
    const int nResidues = std::clamp(S / 110, nRegions, nAreas);
    const int nDistricts = std::clamp(S / 4, nAreas, std::min(S, nAreas * 60));

    for (int r = 0; r < nRegions; ++r) d.regions.push_back({char('A' + r), r + 1});

    // Residues in blocks by region.
    const auto resCodes = sample(rng, nResidues, 100, 899);
    const auto perRegion = split(rng, nResidues, nRegions, 1, nResidues);
    for (int r = 0, i = 0; r < nRegions; ++r)
        for (int k = 0; k < perRegion[std::size_t(r)]; ++k, ++i)
            d.residues.push_back({std::to_string(resCodes[std::size_t(i)]), d.regions[std::size_t(r)].letter, {},
                                  sortString(r + 1, nRegions)});

    // Areas: a one-letter area first (its outward codes are the short ones).
    std::vector<std::string> areas;
    {
        std::vector<int> pick = sample(rng, nAreas - 1, 1, int(codes.size()) - 1);
        areas.push_back(codes[0]);
        for (int i : pick) areas.push_back(codes[std::size_t(i)]);
        std::sort(areas.begin() + 1, areas.end());
    }
    const auto areasPerResidue = split(rng, nAreas, nResidues, 1, nAreas);
    const auto districtsPerArea = split(rng, nDistricts, nAreas, 1, 60);
    const auto sectorsPerDistrict = split(rng, S, nDistricts, 1, 10);

    Names names(rng);
    int area = 0, district = 0;
    for (int res = 0; res < nResidues; ++res) {
        Residue& residue = d.residues[std::size_t(res)];
        const std::size_t firstSector = d.sectors.size();
        const std::size_t firstCounty = d.counties.size();
        std::vector<std::size_t> areaStarts;  // first sector of each area of this residue
        int areasLeftInCounty = 0;
        for (int a = 0; a < areasPerResidue[std::size_t(res)]; ++a, ++area) {
            const std::string& code = areas[std::size_t(area)];
            const int k = districtsPerArea[std::size_t(area)];
            std::vector<std::string> numbers;
            for (int n : sample(rng, k, 1, std::min(99, std::max(k, k * 3 / 2))))
                numbers.push_back(std::to_string(n));
            // Some central districts are split by a letter ("Q1A", "VA1B").
            // The one-letter area keeps its two-character codes ("Q1").
            if ((area == 1 || (area > 1 && rng.percent(10))) && numbers[0].size() == 1)
                numbers[0] += char('A' + rng.uniform(0, 2));
            areaStarts.push_back(d.sectors.size());
            int townDistrictsLeft = 0;
            for (int i = 0; i < k; ++i, ++district) {
                if (townDistrictsLeft == 0) {
                    d.towns.push_back({names.town(), residue.code});
                    townDistrictsLeft = rng.uniform(1, 5);
                    if (areasLeftInCounty == 0 && i == 0) {
                        d.counties.push_back(names.county(d.towns.back()));
                        areasLeftInCounty = rng.uniform(1, 3);
                    }
                }
                --townDistrictsLeft;
                const std::string outward = code + numbers[std::size_t(i)];
                for (int digit : sample(rng, sectorsPerDistrict[std::size_t(district)], 0, 9))
                    d.sectors.push_back({outward, char('0' + digit), {}, int(d.towns.size()) - 1,
                                         int(d.counties.size()) - 1});
            }
            --areasLeftInCounty;
        }
        residue.description = left(d.counties[firstCounty].name + " RESIDUE", 50);

        // Selections: runs of sectors within one area, numbered 01.. in the residue.
        const std::size_t endSector = d.sectors.size();
        const std::size_t n = endSector - firstSector;
        const int lo = std::max<int>(1, int((n + 98) / 99));
        const int hi = std::max(lo, n >= 24 ? 12 : std::max<int>(1, int(n / 2)));
        int number = 0;
        areaStarts.push_back(endSector);
        for (std::size_t a = 0; a + 1 < areaStarts.size(); ++a) {
            std::size_t s = areaStarts[a];
            while (s < areaStarts[a + 1]) {
                std::size_t size = std::size_t(rng.uniform(std::max(lo, std::min(hi, 3)), hi));
                std::size_t e = std::min(areaStarts[a + 1], s + size);
                if (number == 99) e = areaStarts[a + 1];  // no code left: the run takes the area's rest
                if (number < 99) {
                    ++number;
                    std::string desc = d.towns[std::size_t(d.sectors[s].town)].name + " " + d.sectors[s].outward;
                    if (d.sectors[e - 1].outward != d.sectors[s].outward) desc += "-" + d.sectors[e - 1].outward;
                    d.selections.push_back({residue.code + twoDigits(number), desc});
                }
                for (std::size_t i = s; i < e; ++i) d.sectors[i].selection = d.selections.back().code;
                s = e;
            }
        }
    }

    for (const auto& t : d.towns) d.places.push_back({t.name, t.residue, false});
    for (const auto& c : d.counties)
        if (!c.sharesTownKey) d.places.push_back({left(c.name, 10), c.residue, true});
    std::sort(d.places.begin(), d.places.end(), [](const Place& a, const Place& b) { return a.name < b.name; });

    for (const auto& r : d.regions)
        d.otherLabels.push_back({'4', "9" + twoDigits(r.number), std::string("MIXED RESIDUE REGION ") + r.letter});
    return d;
}

const char* fileName(File f) {
    switch (f) {
        case File::D: return "msortd.dat";
        case File::A: return "msorta.dat";
        case File::B: return "msortb.dat";
        case File::C: return "msortc.dat";
    }
    return "";
}

std::vector<std::string> fileLines(const PoData& d, File file, Form form) {
    const bool fixed = form == Form::Fixed;
    std::vector<std::string> out;
    switch (file) {
        case File::D:
            for (const auto& r : d.regions) {
                const std::string letter(1, r.letter), name = std::string("REGION ") + r.letter;
                out.push_back(fixed ? "5" + letter + name : quoted({"5", letter, name}));
                for (const auto& res : d.residues)
                    if (res.region == r.letter) out.push_back(fixed ? "6" + letter + res.code : quoted({"6", letter, res.code}));
            }
            break;
        case File::A:
            for (const auto& s : d.sectors) {
                const std::string digit(1, s.digit);
                out.push_back(fixed ? "1" + padRight(s.outward, 4) + digit + s.selection
                                    : quoted({"1", s.outward, digit, s.selection}));
            }
            break;
        case File::B: {
            std::map<std::string, std::vector<const Selection*>> byResidue;
            for (const auto& s : d.selections) byResidue[s.code.substr(0, 3)].push_back(&s);
            for (const auto& r : d.regions) {
                for (const auto& o : d.otherLabels)
                    if (o.code == "9" + twoDigits(r.number))
                        out.push_back(fixed ? std::string(1, o.type) + o.code + padRight(o.description, 50)
                                            : quoted({std::string(1, o.type), o.code, o.description}));
                for (const auto& res : d.residues) {
                    if (res.region != r.letter) continue;
                    out.push_back(fixed ? "3" + res.code + padRight(res.description, 50) + res.sortString
                                        : quoted({"3", res.code, res.description, res.sortString}));
                    for (const Selection* s : byResidue[res.code])
                        out.push_back(fixed ? "2" + s->code + padRight(s->description, 75)
                                            : quoted({"2", s->code, s->description}));
                }
            }
            break;
        }
        case File::C:
            for (const auto& p : d.places) {
                const std::string type = p.county ? "2" : "1";
                out.push_back(fixed ? type + padRight(p.name, 10) + p.residue : quoted({type, p.name, p.residue}));
            }
            break;
    }
    return out;
}

void writeFiles(const PoData& data, Form form, const fs::path& folder) {
    fs::create_directories(folder);
    for (File f : {File::D, File::A, File::B, File::C}) {
        // One spelling per file: an old copy in other case is replaced.
        if (auto old = findFile(fileName(f), folder); old && *old != fileName(f)) fs::remove(folder / *old);
        TextWriter w(folder / fileName(f), LineEnd::CRLF);
        for (const auto& line : fileLines(data, f, form)) w.writeLine(line);
        w.close();
    }
}

std::string postcode(const Sector& sector, unsigned unit) {
    static const char kUnit[] = "ABDEFGHJLNPQRSTUWXYZ";
    constexpr unsigned n = sizeof kUnit - 1;
    unit %= n * n;
    return sector.outward + " " + sector.digit + kUnit[unit / n] + kUnit[unit % n];
}

std::vector<std::string> unknownSectorPostcodes(const PoData& data, std::size_t count, std::uint64_t seed) {
    std::map<std::string, unsigned> used;  // outward -> digits present
    for (const auto& s : data.sectors) used[s.outward] |= 1u << (s.digit - '0');
    std::vector<std::pair<std::string, unsigned>> open;
    for (const auto& [outward, mask] : used)
        if (mask != 0x3FF) open.emplace_back(outward, mask);
    std::vector<std::string> out;
    if (open.empty()) return out;
    Rng rng(seed);
    std::set<std::string> seen;
    for (std::size_t attempt = 0; out.size() < count && attempt < count * 20 + 100; ++attempt) {
        const auto& [outward, mask] = open[std::size_t(rng.next() % open.size())];
        std::vector<int> free;
        for (int dgt = 0; dgt < 10; ++dgt)
            if (!(mask & (1u << dgt))) free.push_back(dgt);
        Sector s{outward, char('0' + free[std::size_t(rng.next() % free.size())]), {}, 0, 0};
        std::string pc = postcode(s, unsigned(rng.next() % 400));
        if (seen.insert(pc).second) out.push_back(pc);
    }
    return out;
}

namespace {

const char* kUsage =
    "usage: qvpogen [--seed N] [--size tiny|small|national|N] [--form comma|fixed] [--force] FOLDER\n"
    "Writes synthetic Post Office files msorta.dat to msortd.dat into FOLDER\n"
    "(defaults: --seed 1 --size national --form comma).\n";

}  // namespace

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options opt;
    Form form = Form::Comma;
    bool force = false;
    std::optional<std::string> folder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        if (a == "--seed") {
            auto v = value();
            std::uint64_t seed = 0;
            const auto parsed = v ? std::from_chars(v->data(), v->data() + v->size(), seed) : std::from_chars_result{};
            if (!v || v->empty() || parsed.ec != std::errc() || parsed.ptr != v->data() + v->size()) {
                err << "qvpogen: --seed needs a whole number.\n" << kUsage;
                return 2;
            }
            opt.seed = seed;
        } else if (a == "--size") {
            auto v = value();
            auto n = v ? sectorsForSize(*v) : std::nullopt;
            if (!n) {
                err << "qvpogen: --size takes tiny, small, national or a number of sectors from " << kMinSectors
                    << " to " << kMaxSectors << ".\n"
                    << kUsage;
                return 2;
            }
            opt.sectors = *n;
        } else if (a == "--form") {
            auto v = value();
            if (v && *v == "comma") form = Form::Comma;
            else if (v && *v == "fixed") form = Form::Fixed;
            else {
                err << "qvpogen: --form takes comma or fixed.\n" << kUsage;
                return 2;
            }
        } else if (a == "--force") {
            force = true;
        } else if (a == "--help" || a == "-h") {
            out << kUsage;
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            err << "qvpogen: unknown option " << a << ".\n" << kUsage;
            return 2;
        } else if (folder) {
            err << "qvpogen: one folder only.\n" << kUsage;
            return 2;
        } else {
            folder = a;
        }
    }
    if (!folder) {
        err << kUsage;
        return 2;
    }
    const fs::path dir = pathFromUtf8(*folder);
    try {
        if (!force) {
            for (File f : {File::D, File::A, File::B, File::C})
                if (fs::is_directory(dir) && findFile(fileName(f), dir)) {
                    err << "qvpogen: " << utf8FromPath(dir / *findFile(fileName(f), dir))
                        << " exists; use --force to replace the files.\n";
                    return 1;
                }
        }
        const PoData data = generate(opt);
        writeFiles(data, form, dir);
        out << "Wrote synthetic Post Office files (" << data.sectors.size() << " sectors, " << data.selections.size()
            << " selections, " << data.residues.size() << " residues, " << data.regions.size() << " regions, "
            << data.places.size() << " places) in " << (form == Form::Comma ? "comma-delimited" : "fixed-column")
            << " form to " << utf8FromPath(dir) << ".\n";
    } catch (const std::exception& e) {
        err << "qvpogen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace qv::pogen
