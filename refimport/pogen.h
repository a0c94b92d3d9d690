// A generator of synthetic Post Office Mailsort files (msortd.dat,
// msorta.dat, msortb.dat, msortc.dat) in either form, for tests, the demo
// folder and benchmarks. The data are invented: postcode areas begin with
// letters no real area uses (Q, V, X, Z, J), place names are made of
// invented syllables, and the codes follow no published scheme. The same
// options give the same data on every machine.
//
//   auto data = qv::pogen::generate({.seed = 7, .sectors = 11000});
//   qv::pogen::writeFiles(data, qv::pogen::Form::Comma, "podata");
//   for (auto& s : data.sectors) ... qv::pogen::postcode(s, 12) ...
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::pogen {

constexpr int kNationalSectors = 11000;   // about the number of postcode sectors in the country
constexpr int kMinSectors = 4;
constexpr int kMaxSectors = 20000;

struct Options {
    std::uint64_t seed = 1;
    int sectors = kNationalSectors;   // kMinSectors..kMaxSectors
};

// "tiny" (8 sectors), "small" (400), "national" (11000) or a number of
// sectors in range; nullopt otherwise.
std::optional<int> sectorsForSize(std::string_view size);

struct Region {
    char letter;          // 'A'...
    int number;           // 1...
};

struct Residue {
    std::string code;         // 3 digits
    char region;              // letter of its region
    std::string description;  // up to 50 characters
    std::string sortString;   // 32 characters: the sort position of region n at 2n-1, 2n
};

struct Selection {
    std::string code;         // 5 digits, the first three its residue code
    std::string description;  // up to 75 characters
};

struct Sector {
    std::string outward;      // 2 to 4 characters: "Q1", "VA12", "XB1C"
    char digit;               // '0'..'9'
    std::string selection;    // its selection code
    int town;                 // index into PoData::towns
    int county;               // index into PoData::counties
    std::string key() const;  // the pcode key: outward padded to 4, then the digit
    std::string residue() const { return selection.substr(0, 3); }
};

struct PostTown {
    std::string name;         // up to 10 characters
    std::string residue;
};

struct County {
    std::string name;         // may be longer than 10 characters ("VEXFORDSHIRE")
    std::string residue;
    // True when its first 10 characters are also its county town's name:
    // such a county has no place row of its own (the town's row serves).
    bool sharesTownKey = false;
};

// A row of msortc.dat: a post town or county, by the first 10 characters
// of its name.
struct Place {
    std::string name;         // up to 10 characters, unpadded
    std::string residue;
    bool county;
};

// Label records of other types than 2 and 3 (msortb.dat): descriptions only.
struct OtherLabel {
    char type;
    std::string code;         // 3 characters
    std::string description;
};

struct PoData {
    std::vector<Region> regions;
    std::vector<Residue> residues;
    std::vector<Selection> selections;
    std::vector<Sector> sectors;        // in postcode order
    std::vector<PostTown> towns;
    std::vector<County> counties;
    std::vector<Place> places;          // rows of msortc.dat in file order; keys unique
    std::vector<OtherLabel> otherLabels;
};

// std::invalid_argument when sectors is out of range.
PoData generate(const Options& options);

enum class Form { Comma, Fixed };
enum class File { D, A, B, C };
const char* fileName(File f);           // "msortd.dat" ...

// The lines of one file, without line ends. The fixed form pads every field
// to its columns; the comma form quotes every field and pads nothing.
std::vector<std::string> fileLines(const PoData& data, File file, Form form);

// Writes the four files into folder (made when missing) with CRLF line ends,
// replacing files of the same names. std::system_error on failure.
void writeFiles(const PoData& data, Form form, const std::filesystem::path& folder);

// A full postcode in a sector: "QA1 2AB". unit picks the two letters.
std::string postcode(const Sector& sector, unsigned unit);

// Well-formed postcodes whose sector is in no file: a sector digit a
// district does not use. Deterministic for a seed; fewer than count only
// when every district uses every digit.
std::vector<std::string> unknownSectorPostcodes(const PoData& data, std::size_t count, std::uint64_t seed = 1);

// qvpogen [--seed N] [--size tiny|small|national|N] [--form comma|fixed]
//         [--force] FOLDER
// 0 done, 1 refused or failed (reason on err), 2 bad usage.
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::pogen
