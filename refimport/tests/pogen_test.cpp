#include "refimport/pogen.h"

#include "common/text/lines.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <set>
#include <sstream>

using namespace qv::pogen;
namespace fs = std::filesystem;

namespace {

bool isDigits(const std::string& s, std::size_t n) {
    return s.size() == n && s.find_first_not_of("0123456789") == std::string::npos;
}

// The outward-code shapes a postcode check accepts: AN, ANN, AAN, AANN, ANA, AANA.
bool wellFormedOutward(const std::string& o) {
    std::string shape;
    for (char c : o) shape += std::isdigit(static_cast<unsigned char>(c)) ? 'N' : 'A';
    static const std::set<std::string> ok{"AN", "ANN", "AAN", "AANN", "ANA", "AANA"};
    return ok.count(shape) != 0;
}

TEST(RefPogen, SizesByNameOrNumber) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"tiny", 8},          {"small", 400},        {"national", kNationalSectors}, {"4", 4},  {"20000", 20000},
        {"3", std::nullopt},  {"20001", std::nullopt}, {"12a", std::nullopt},       {"", std::nullopt}, {"-5", std::nullopt},
    };
    for (const auto& [text, n] : cases) EXPECT_EQ(sectorsForSize(text), n) << text;
    EXPECT_THROW(generate({.seed = 1, .sectors = 3}), std::invalid_argument);
}

TEST(RefPogen, TheSameSeedGivesTheSameFiles) {
    auto lines = [](std::uint64_t seed) {
        auto d = generate({.seed = seed, .sectors = 300});
        std::vector<std::string> all;
        for (File f : {File::D, File::A, File::B, File::C})
            for (Form form : {Form::Comma, Form::Fixed})
                for (auto& l : fileLines(d, f, form)) all.push_back(l);
        return all;
    };
    EXPECT_EQ(lines(9), lines(9));
    EXPECT_NE(lines(9), lines(10));
}

TEST(RefPogen, DataHangTogetherAtEverySize) {
    for (int sectors : {kMinSectors, 8, 60, 400, kNationalSectors, kMaxSectors}) {
        SCOPED_TRACE(sectors);
        const PoData d = generate({.seed = 3, .sectors = sectors});
        ASSERT_EQ(d.sectors.size(), std::size_t(sectors));
        EXPECT_GE(d.regions.size(), 2u);
        EXPECT_LE(d.regions.size(), 16u);

        std::map<std::string, char> residues;
        for (const auto& r : d.residues) {
            EXPECT_TRUE(isDigits(r.code, 3)) << r.code;
            EXPECT_TRUE(residues.emplace(r.code, r.region).second) << r.code;
            EXPECT_TRUE(isDigits(r.sortString, 32)) << r.sortString;
            const int own = r.region - 'A' + 1;
            EXPECT_EQ(r.sortString.substr(std::size_t(own) * 2 - 2, 2), "01");
            EXPECT_LE(r.description.size(), 50u);
        }
        std::set<std::string> selections;
        for (const auto& s : d.selections) {
            EXPECT_TRUE(isDigits(s.code, 5)) << s.code;
            EXPECT_TRUE(residues.count(s.code.substr(0, 3))) << s.code;
            EXPECT_TRUE(selections.insert(s.code).second) << s.code;
            EXPECT_LE(s.description.size(), 75u);
        }
        std::set<std::string> keys, outwardLengths;
        for (const auto& s : d.sectors) {
            EXPECT_TRUE(wellFormedOutward(s.outward)) << s.outward;
            EXPECT_TRUE(keys.insert(s.key()).second) << s.key();
            EXPECT_TRUE(selections.count(s.selection)) << s.key();
            EXPECT_EQ(d.towns[std::size_t(s.town)].residue, s.residue());
            EXPECT_EQ(d.counties[std::size_t(s.county)].residue, s.residue());
            outwardLengths.insert(std::to_string(s.outward.size()));
        }
        EXPECT_TRUE(outwardLengths.count("2") && outwardLengths.count("4"));
        std::set<std::string> places;
        for (const auto& p : d.places) {
            EXPECT_LE(p.name.size(), 10u);
            EXPECT_TRUE(places.insert(p.name).second) << p.name;
            EXPECT_TRUE(residues.count(p.residue)) << p.name;
        }
        for (const auto& t : d.towns) EXPECT_TRUE(places.count(t.name)) << t.name;
        for (const auto& c : d.counties) EXPECT_TRUE(places.count(c.name.substr(0, 10))) << c.name;
        EXPECT_EQ(d.otherLabels.size(), d.regions.size());
    }
}

TEST(RefPogen, ANationalSetIsAboutTheCountrysSize) {
    const PoData d = generate({.seed = 1, .sectors = kNationalSectors});
    EXPECT_EQ(d.regions.size(), 12u);
    EXPECT_GE(d.residues.size(), 80u);
    EXPECT_GE(d.selections.size(), 1000u);
    EXPECT_GE(d.places.size(), 800u);
}

TEST(RefPogen, FixedLinesFillTheirColumns) {
    const PoData d = generate({.seed = 2, .sectors = 200});
    std::map<char, std::size_t> widthB;
    for (const auto& l : fileLines(d, File::B, Form::Fixed)) {
        auto [it, fresh] = widthB.emplace(l[0], l.size());
        EXPECT_EQ(it->second, l.size()) << l;
    }
    EXPECT_EQ(widthB, (std::map<char, std::size_t>{{'2', 81}, {'3', 86}, {'4', 54}}));
    for (const auto& l : fileLines(d, File::A, Form::Fixed)) EXPECT_EQ(l.size(), 11u) << l;
    for (const auto& l : fileLines(d, File::C, Form::Fixed)) EXPECT_EQ(l.size(), 14u) << l;
    for (const auto& l : fileLines(d, File::D, Form::Fixed)) {
        if (l[0] == '6') {
            EXPECT_EQ(l.size(), 5u) << l;
        }
    }
    // The comma form pads nothing.
    for (const auto& l : fileLines(d, File::C, Form::Comma)) EXPECT_EQ(l.find(" \""), std::string::npos) << l;
}

TEST(RefPogen, PostcodesForCustomerFiles) {
    const PoData d = generate({.seed = 4, .sectors = 400});
    const Sector& s = d.sectors.front();
    const std::string pc = postcode(s, 21);
    EXPECT_EQ(pc.substr(0, s.outward.size() + 2), s.outward + " " + s.digit);
    EXPECT_EQ(pc.size(), s.outward.size() + 4);

    std::set<std::string> known;
    for (const auto& x : d.sectors) known.insert(x.outward + " " + x.digit);
    const auto unknown = unknownSectorPostcodes(d, 50, 7);
    EXPECT_EQ(unknown.size(), 50u);
    for (const auto& u : unknown) {
        const auto blank = u.find(' ');
        ASSERT_NE(blank, std::string::npos);
        EXPECT_TRUE(wellFormedOutward(u.substr(0, blank))) << u;
        EXPECT_FALSE(known.count(u.substr(0, blank + 2))) << u;
    }
    EXPECT_EQ(unknownSectorPostcodes(d, 50, 7), unknown);
}

class RefPogenCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qvpogen-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    int run(std::vector<std::string> args) {
        out_.str({});
        err_.str({});
        return runCommand(args, out_, err_);
    }
    fs::path dir_;
    std::ostringstream out_, err_;
};

TEST_F(RefPogenCommand, WritesTheFourFilesAndKeepsThemUnlessForced) {
    const std::string folder = (dir_ / "po").string();
    ASSERT_EQ(run({"--size", "tiny", "--form", "fixed", "--seed", "12", folder}), 0) << err_.str();
    const auto data = generate({.seed = 12, .sectors = 8});
    for (File f : {File::D, File::A, File::B, File::C}) {
        qv::LineReader r(dir_ / "po" / fileName(f));
        std::vector<std::string> lines;
        for (std::string l; r.readLine(l);) lines.push_back(l);
        EXPECT_EQ(lines, fileLines(data, f, Form::Fixed)) << fileName(f);
    }
    EXPECT_NE(out_.str().find("8 sectors"), std::string::npos) << out_.str();

    // Any one of the files, in any case, is kept.
    for (const char* n : {"msortd.dat", "msorta.dat", "msortb.dat"}) fs::remove(dir_ / "po" / n);
    fs::rename(dir_ / "po" / "msortc.dat", dir_ / "po" / "MSORTC.DAT");
    EXPECT_EQ(run({"--size", "tiny", folder}), 1);
    EXPECT_NE(err_.str().find("MSORTC.DAT exists"), std::string::npos) << err_.str();
    EXPECT_EQ(run({"--size", "tiny", "--force", folder}), 0) << err_.str();
    EXPECT_TRUE(fs::exists(dir_ / "po" / "msortc.dat"));
    EXPECT_FALSE(fs::exists(dir_ / "po" / "MSORTC.DAT"));
}

TEST_F(RefPogenCommand, RefusesBadUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--size", "huge", "x"},
        {"--size"},
        {"--form", "csv", "x"},
        {"--seed", "abc", "x"},
        {"--seed", "", "x"},
        {"--colour", "x"},
        {"a", "b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c), 2) << (c.empty() ? "" : c[0]);
        EXPECT_NE(err_.str().find("usage: qvpogen"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir_));
}

}  // namespace
