#include "common/text/lines.h"
#include "platform/testing/filelimit.h"
#include "platform/testing/tempfolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace qv;
using qv::testkit::FileSizeLimit;

namespace {

std::vector<std::string> readAll(const std::string& bytes) {
    std::istringstream in(bytes);
    LineReader r(in);
    std::vector<std::string> out;
    std::string line;
    while (r.readLine(line)) out.push_back(line);
    EXPECT_EQ(r.lineNumber(), out.size());
    return out;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEnds) {
    struct { const char* name; std::string bytes; Lines lines; } cases[] = {
        {"LF", "a\nb\n", {"a", "b"}},
        {"CRLF", "a\r\nb\r\n", {"a", "b"}},
        {"mixed", "a\r\nb\nc\r\n", {"a", "b", "c"}},
        {"no final line end", "a\r\nb", {"a", "b"}},
        {"no final line end LF", "a\nb", {"a", "b"}},
        {"lone CR at end of last line", "a\r\nb\r", {"a", "b"}},
        {"CR inside a line stays", "a\rb\r\n", {"a\rb"}},
        {"only one CR removed", "a\r\r\n", {"a\r"}},
        {"empty file", "", {}},
        {"one empty line", "\r\n", {""}},
        {"empty lines in the middle", "a\r\n\r\n\r\nb\r\n", {"a", "", "", "b"}},
        {"empty lines at the start", "\n\na\n", {"", "", "a"}},
        {"empty last line after final LF is no record", "a\n\n", {"a", ""}},
        {"blanks kept", "  a  \r\n   \r\n", {"  a  ", "   "}},
    };
    for (const auto& c : cases) EXPECT_EQ(readAll(c.bytes), c.lines) << c.name;
}

// The Ctrl-Z ends the file for every reader; one that must not lose records
// behind it reads the rest of the file and learns the mark's line when
// anything but padding follows it, whether it read the records first or not.
TEST(LineReader, CtrlZ) {
    struct {
        const char* name;
        std::string bytes;
        Lines lines;
        std::uint64_t strayLine;  // 0: only padding after the mark, or none
    } cases[] = {
        {"final Ctrl-Z alone on last line", "a\r\nb\r\n\x1A", {"a", "b"}, 0},
        {"final Ctrl-Z after a line without end", "a\r\nb\x1A", {"a", "b"}, 0},
        {"anything after Ctrl-Z dropped", "a\r\n\x1A" "junk\r\nmore\r\n", {"a"}, 2},
        {"Ctrl-Z then line end", "a\r\n\x1A\r\n", {"a"}, 0},
        {"Ctrl-Z mid-line ends the file", "ab\x1A" "cd\r\nef\r\n", {"ab"}, 1},
        {"only Ctrl-Z", "\x1A", {}, 0},
        {"Ctrl-Z first, records after it", "\x1A" "a\r\nb\r\n", {}, 1},
        {"CR before Ctrl-Z", "a\r\x1A", {"a"}, 0},
        {"after a byte-order mark", "\xEF\xBB\xBF\x1A" "a\r\n", {}, 1},
        {"more Ctrl-Zs, blanks and line ends after it", "a\r\n\x1A\x1A  \r\n\n\x1A\x1A", {"a"}, 0},
        {"NULs after it", std::string("a\r\n\x1A\r\n\0\0", 8), {"a"}, 0},
        {"a tab after it", "a\n\x1A\t\n", {"a"}, 0},
        {"DELs after it", "a\r\n\x1A\x7F\r\n\x7F\x7F", {"a"}, 0},
        {"a letter among NULs after it", std::string("a\r\n\x1A\0x\0", 7), {"a"}, 2},
        {"a byte of another character set after it", "a\r\n\x1A\xE9", {"a"}, 2},
        {"empty lines before it", "a\n\n\n\x1A", {"a", "", ""}, 0},
        {"empty lines before it, a record after it", "a\n\n\n\x1A" "b", {"a", "", ""}, 4},
        {"CR line ends", "a\rb\r\x1A" "c\rd\r", {"a", "b"}, 3},
        {"no Ctrl-Z", "a\r\nb\r\n", {"a", "b"}, 0},
        {"no Ctrl-Z, no line end", "a\r\nb", {"a", "b"}, 0},
        {"empty file", "", {}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readAll(c.bytes), c.lines) << c.name;
        for (const bool readFirst : {true, false}) {
            std::istringstream in(c.bytes);
            LineReader r(in);
            std::string line;
            if (readFirst)
                while (r.readLine(line)) {
                }
            EXPECT_EQ(r.readRestForStrayCtrlZ(), c.strayLine) << c.name << (readFirst ? "" : ", records unread");
            EXPECT_EQ(r.lineNumber(), c.lines.size()) << c.name;
            EXPECT_FALSE(r.readLine(line)) << c.name;
        }
    }
}

// A file with no LF at all but CRs has CR line ends; in a file with LFs a
// lone CR stays in its record.
TEST(LineReader, CrLineEnds) {
    struct { const char* name; std::string bytes; Lines lines; } cases[] = {
        {"CR only", "a\rb\rc\r", {"a", "b", "c"}},
        {"CR only, no final line end", "a\rb", {"a", "b"}},
        {"empty records between CRs", "a\r\r\rb\r", {"a", "", "", "b"}},
        {"one CR", "\r", {""}},
        {"CR only, Ctrl-Z ends it", "a\rb\r\x1A" "c\nd\n", {"a", "b"}},
        {"CR only after a byte-order mark", "\xEF\xBB\xBF" "Name\rZo\xC3\xAB\r", {"Name", "Zoë"}},
        {"CR only, Windows-1252", "Caf\xE9\rTwo\r", {"Café", "Two"}},
        {"one LF late in the file: CRs stay", "a\rb\rc\n", {"a\rb\rc"}},
        {"one LF early in the file: CRs stay", "a\nb\rc\rd", {"a", "b\rc\rd"}},
    };
    for (const auto& c : cases) EXPECT_EQ(readAll(c.bytes), c.lines) << c.name;
}

TEST(LineReader, ByteOrderMark) {
    EXPECT_EQ(readAll("\xEF\xBB\xBFName,Town\r\nZo\xC3\xAB,Leeds\r\n"), (Lines{"Name,Town", "Zoë,Leeds"}));
    EXPECT_EQ(readAll("\xEF\xBB\xBF"), Lines{});
    EXPECT_EQ(readAll("\xEF\xBB\xBF\r\n"), Lines{""});
    // Only at the start of the file.
    EXPECT_EQ(readAll("a\n\xEF\xBB\xBF" "b\n"), (Lines{"a", "\xEF\xBB\xBF" "b"}));
}

TEST(LineReader, Encoding) {
    std::istringstream in(
        "Zo\xC3\xAB M\xC3\xBCller\r\n"      // UTF-8
        "Zo\xEB M\xFCller\r\n"              // the same in Windows-1252
        "\x80 \x85 \x91quoted\x92 \x93" "d\x94 \x96 \x97 \x99 \x8A\x9A \x8C\x9C \x8E\x9E \x9F\xFF\r\n"
        "\x81\x8D\x8F\x90\x9D\r\n"          // undefined in 1252: C1 controls
        "\xA3" "12.50 \xA9 \xD7\xF7\r\n"
        "\xC3\xA9\xE9\r\n"                  // mixed: not valid UTF-8, so all 1252
        "\xED\xA0\x80\r\n"                  // a UTF-8 surrogate: invalid, 1252
        "\xC0\xAF\r\n"                      // overlong: invalid
        "\xF0\x9F\x98\x80\r\n");            // U+1F600: valid
    LineReader r(in);
    std::string line;
    struct { const char* text; bool was1252; } want[] = {
        {"Zoë Müller", false},
        {"Zoë Müller", true},
        {"€ … ‘quoted’ “d” – — ™ Šš Œœ Žž Ÿÿ", true},
        {"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", true},
        {"£12.50 © ×÷", true},
        {"Ã©é", true},
        {"\xC3\xAD\xC2\xA0€", true},
        {"\xC3\x80\xC2\xAF", true},
        {"😀", false},
    };
    for (const auto& w : want) {
        ASSERT_TRUE(r.readLine(line));
        EXPECT_EQ(line, w.text);
        EXPECT_EQ(r.lastLineWas1252(), w.was1252) << w.text;
    }
    EXPECT_FALSE(r.readLine(line));
}

TEST(Utf8, Validation) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ASCII, longer than eight bytes"));
    EXPECT_TRUE(isValidUtf8("\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"));
    const char* bad[] = {"\x80", "\xC1\xBF", "\xC2", "\xE0\x9F\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
                         "\xF5\x80\x80\x80", "\xFF", "abcdefgh\xC3", "\xE2\x82"};
    for (const char* s : bad) EXPECT_FALSE(isValidUtf8(s)) << s;
    bool was = false;
    EXPECT_EQ(decodeLine("caf\xE9", &was), "café");
    EXPECT_TRUE(was);
    EXPECT_EQ(decodeLine("café", &was), "café");
    EXPECT_FALSE(was);
    EXPECT_EQ(windows1252ToUtf8("\x80"), "€");
}

class LineFileTest : public ::testing::Test {
protected:
    std::string get(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    qv::testkit::TempFolder folder_;
    const fs::path dir_ = folder_.dir();
};

TEST_F(LineFileTest, ReadsFileAcrossBufferBoundaries) {
    // Lines of varying length so that line ends, CRLF pairs and multibyte
    // characters fall on the 64 KiB buffer edges.
    fs::path p = dir_ / "big.txt";
    std::vector<std::string> want;
    {
        std::ofstream out(p, std::ios::binary);
        for (int i = 0; i < 20000; ++i) {
            std::string s(std::size_t(i % 37), char('a' + i % 26));
            s += "é" + std::to_string(i);
            if (i % 1000 == 7) s = "";
            out << s << (i % 3 ? "\r\n" : "\n");
            want.push_back(s);
        }
        out << "last";
        want.push_back("last");
    }
    LineReader r(p);
    std::string line;
    std::size_t n = 0;
    while (r.readLine(line)) {
        ASSERT_LT(n, want.size());
        ASSERT_EQ(line, want[n]) << n;
        ++n;
    }
    EXPECT_EQ(n, want.size());
}

// What follows a Ctrl-Z is looked at to the end of the file, past the
// buffer the Ctrl-Z was found in, in a file and in a stream alike.
TEST_F(LineFileTest, TextFarAfterACtrlZIsFound) {
    const std::string head = std::string(70'000, 'x') + "\r\n\x1A";
    const std::string blanks = std::string(200'000, ' ') + "\r\n" + std::string(100'000, '\x1A');
    for (const auto& [tail, text] : {std::pair{blanks, false}, std::pair{blanks + "b", true}}) {
        const fs::path p = dir_ / "tail.txt";
        {
            std::ofstream out(p, std::ios::binary);
            out << head << tail;
        }
        std::ifstream in(p, std::ios::binary);
        LineReader fromFile(p), fromStream(in);
        for (LineReader* r : {&fromFile, &fromStream}) {
            std::string line;
            while (r->readLine(line)) {
            }
            EXPECT_EQ(r->readRestForStrayCtrlZ(), text ? 2u : 0u);
            EXPECT_EQ(r->lineNumber(), 1u);
        }
    }
}

TEST_F(LineFileTest, CrlfSplitAcrossBuffer) {
    fs::path p = dir_ / "edge.txt";
    std::string first(64 * 1024 - 1, 'x');  // its CR is the buffer's last byte
    {
        std::ofstream out(p, std::ios::binary);
        out << first << "\r\nnext\r\n";
    }
    LineReader r(p);
    std::string line;
    ASSERT_TRUE(r.readLine(line));
    EXPECT_EQ(line, first);
    ASSERT_TRUE(r.readLine(line));
    EXPECT_EQ(line, "next");
    EXPECT_FALSE(r.readLine(line));
}

// A stream that counts the bytes it hands out.
class CountingBuf : public std::streambuf {
public:
    explicit CountingBuf(std::string bytes) : bytes_(std::move(bytes)) {}
    std::size_t handedOut = 0;

protected:
    int_type underflow() override {
        if (at_ == bytes_.size()) return traits_type::eof();
        const std::size_t n = std::min<std::size_t>(4096, bytes_.size() - at_);
        setg(bytes_.data() + at_, bytes_.data() + at_, bytes_.data() + at_ + n);
        at_ += n;
        handedOut += n;
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

// Whether CR ends the lines is a matter of the whole file, not of its first
// buffer: a file that is all CR lines, and one whose only LF comes after
// the first buffer, both larger than it. Each is read once.
TEST_F(LineFileTest, CrLineEndsAreDecidedByTheWholeFile) {
    std::string crFile;
    Lines crLines;
    for (int i = 0; i < 20000; ++i) {
        std::string s(std::size_t(i % 41), char('a' + i % 26));
        s += "é" + std::to_string(i);
        if (i % 997 == 3) s = "";
        crFile += s + "\r";
        crLines.push_back(s);
    }
    crFile += "last";
    crLines.push_back("last");
    ASSERT_GT(crFile.size(), 4 * 64 * 1024u);

    const std::string lateLf = crFile + "\nnext\r\n";
    const Lines lateLfLines = {crFile, "next"};

    for (const auto& [bytes, want] : {std::pair{crFile, crLines}, std::pair{lateLf, lateLfLines}}) {
        CountingBuf buf(bytes);
        std::istream in(&buf);
        LineReader r(in);
        Lines got;
        std::string line;
        while (r.readLine(line)) got.push_back(line);
        EXPECT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want);
        EXPECT_EQ(buf.handedOut, bytes.size());  // never read twice
    }

    // The same from a file.
    std::ofstream(dir_ / "cr.txt", std::ios::binary) << crFile;
    LineReader r(dir_ / "cr.txt");
    std::string line;
    std::size_t n = 0;
    while (r.readLine(line)) {
        ASSERT_LT(n, crLines.size());
        ASSERT_TRUE(line == crLines[n]) << n;
        ++n;
    }
    EXPECT_EQ(n, crLines.size());
    EXPECT_EQ(r.lineNumber(), crLines.size());
}

TEST_F(LineFileTest, MissingFileThrows) {
    EXPECT_THROW(LineReader(dir_ / "missing.txt"), std::system_error);
}

TEST_F(LineFileTest, Speed) {
    // 300 000 lines of 100 bytes in well under a second (a million in about
    // a third of a second on a desktop).
    fs::path p = dir_ / "speed.txt";
    std::string rec(98, 'x');
    rec += "\r\n";
    {
        std::ofstream out(p, std::ios::binary);
        std::string block;
        for (int i = 0; i < 1000; ++i) block += rec;
        for (int i = 0; i < 300; ++i) out << block;
    }
    auto t0 = std::chrono::steady_clock::now();
    LineReader r(p);
    std::string line;
    std::size_t n = 0, bytes = 0;
    while (r.readLine(line)) ++n, bytes += line.size();
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_EQ(n, 300000u);
    EXPECT_EQ(bytes, 300000u * 98);
    EXPECT_LT(secs, 1.0);
}

TEST_F(LineFileTest, WriterLineEnds) {
    {
        TextWriter w(dir_ / "crlf.csv");
        w.writeLine("\"a\",1");
        w.write("Zoë");
        w.writeLine("");
        w.close();
    }
    EXPECT_EQ(get(dir_ / "crlf.csv"), "\"a\",1\r\nZoë\r\n");
    {
        TextWriter w(dir_ / "lf.txt", LineEnd::LF);
        w.writeLine("a");
        w.writeLine("");
        w.writeLine("b");
        w.close();
    }
    EXPECT_EQ(get(dir_ / "lf.txt"), "a\n\nb\n");
    {
        TextWriter w(dir_ / "lf.txt", LineEnd::LF, TextWriter::Mode::Append);
        w.writeLine("c");
        w.close();
        w.close();  // a second close does nothing
    }
    EXPECT_EQ(get(dir_ / "lf.txt"), "a\n\nb\nc\n");
    {
        TextWriter w(dir_ / "lf.txt", LineEnd::CRLF);  // replaces
        w.writeLine("d");
        w.close();
    }
    EXPECT_EQ(get(dir_ / "lf.txt"), "d\r\n");
}

// A replaced file changes only when its writer is closed whole: a run that
// fails or is given up leaves the earlier file and no stray temporary file.
TEST_F(LineFileTest, WriterReplacesWholeOrNotAtAll) {
    const fs::path file = dir_ / "out.csv";
    {
        TextWriter w(file);
        w.writeLine("old");
        w.close();
    }
    {
        TextWriter w(file);
        for (int i = 0; i < 20000; ++i) w.writeLine("new line that goes past the buffer");
        EXPECT_EQ(get(file), "old\r\n");  // nothing under the name until close
    }  // given up without close
    EXPECT_EQ(get(file), "old\r\n");
    {
        FileSizeLimit limit(64 * 1024);
        TextWriter w(file);
        EXPECT_THROW(
            {
                for (int i = 0; i < 100000; ++i) w.writeLine("a line that fills the limit and must fail");
                w.close();
            },
            std::system_error);
    }
    EXPECT_EQ(get(file), "old\r\n");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"out.csv"});
}

// A killed run leaves its temporary file; the next writer of that name
// removes it, but not one another writer still holds.
TEST_F(LineFileTest, WriterRemovesWhatAKilledRunLeft) {
    const fs::path stale = dir_ / ".OUT.CSV.a1b2c3";
    const fs::path held = dir_ / ".OUT.CSV.d4e5f6";
    const fs::path other = dir_ / ".OTHER.CSV.g7h8i9";
    for (const fs::path& p : {stale, held, other}) std::ofstream(p) << "cut";
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    {
        TextWriter w(dir_ / "OUT.CSV");
        w.writeLine("whole");
        w.close();
    }
    ::close(holder);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_EQ(get(dir_ / "OUT.CSV"), "whole\r\n");

    // Two writers of one name at once: neither takes the other's file away.
    TextWriter first(dir_ / "OUT.CSV");
    first.writeLine("first");
    TextWriter second(dir_ / "OUT.CSV");
    second.writeLine("second");
    second.close();
    EXPECT_NO_THROW(first.close());
    EXPECT_EQ(get(dir_ / "OUT.CSV"), "first\r\n");
}

// A link under the final name is replaced by the file, never followed.
TEST_F(LineFileTest, WriterReplacesALinkRatherThanFollowingIt) {
    const fs::path outside = dir_ / "outside.txt";
    {
        TextWriter w(outside);
        w.writeLine("keep");
        w.close();
    }
    fs::create_symlink(outside, dir_ / "POFILE.DAT");
    TextWriter w(dir_ / "POFILE.DAT");
    w.writeLine("new");
    w.close();
    EXPECT_EQ(get(outside), "keep\r\n");
    EXPECT_FALSE(fs::is_symlink(dir_ / "POFILE.DAT"));
    EXPECT_EQ(get(dir_ / "POFILE.DAT"), "new\r\n");
}

TEST_F(LineFileTest, WriterThenReaderRoundTrip) {
    Lines lines = {"Name,Town", "", "Zoë Müller,Leeds", "  blanks  ", "€5"};
    {
        TextWriter w(dir_ / "rt.csv");
        for (auto& l : lines) w.writeLine(l);
        w.close();
    }
    LineReader r(dir_ / "rt.csv");
    Lines got;
    std::string line;
    while (r.readLine(line)) got.push_back(line);
    EXPECT_EQ(got, lines);
}

TEST_F(LineFileTest, WriterFailsLoudly) {
    EXPECT_THROW(TextWriter(dir_ / "no" / "such" / "folder.txt"), std::system_error);
    FileSizeLimit limit(64 * 1024);
    TextWriter w(dir_ / "big.txt");
    EXPECT_THROW(
        {
            for (int i = 0; i < 100000; ++i) w.writeLine("a line that fills the buffer and must fail");
            w.close();
        },
        std::system_error);
    TextWriter w2(dir_ / "append.txt", LineEnd::CRLF, TextWriter::Mode::Append);
    try {
        w2.writeLine(std::string(70 * 1024, 'x'));  // the failure shows at a write or at close
        w2.close();
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::file_too_large) << e.what();
        EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
    }
}

}  // namespace
