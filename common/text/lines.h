// Text files by lines: one reader for every input file of the suite, one
// writer for every output file.
//
// Encoding. Inside the programs every text is UTF-8. Customers' files and
// the Post Office's files come from Windows and are mostly ASCII, sometimes
// Windows-1252 (the old runtime's code page), sometimes UTF-8. LineReader
// decides per line: a line that is valid UTF-8 (strict: no overlong forms,
// no surrogates, nothing above U+10FFFF) is taken as it stands; any other
// line is decoded as Windows-1252, every byte one character, and returned
// as UTF-8. The specials 0x80..0x9F map as Windows maps them (0x80 -> U+20AC
// euro, 0x92 -> U+2019, 0x9F -> U+0178, ...); the five bytes that Windows-1252
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters U+0081 etc., as MultiByteToWideChar makes them. A Windows-1252
// line that happens to be valid UTF-8 (two or more specific high bytes in a
// row, e.g. "Ã©") is read as UTF-8; this is rare in address data.
// TextWriter writes the UTF-8 it is given, without a byte-order mark.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

bool isValidUtf8(std::string_view s);
std::string windows1252ToUtf8(std::string_view s);
// s when it is valid UTF-8, else its Windows-1252 decoding; *was1252 tells
// which.
std::string decodeLine(std::string_view s, bool* was1252 = nullptr);

// Whether bytes after an end-of-file mark (Ctrl-Z) are padding only: line
// ends, blanks, more Ctrl-Zs, NULs, DEL and the other control bytes a disk
// pads a last sector with. Anything printable is text, a byte above 0x7F
// too.
bool isPaddingAfterEnd(std::string_view bytes);

// The one message for a Ctrl-Z with records after it, which a reader would
// pass over: "Line <line> of file <file> holds an end-of-file mark (Ctrl-Z)
// with more records after it." A program adds what follows from it.
std::string strayCtrlZText(std::string_view file, std::uint64_t line);

// Streams the records of a text file, one per line, in the memory of its
// longest line (buffered reads of 64 KiB); a file of CR line ends is held
// whole, as its first line would be:
//   - a line ends at LF; the line end is not part of the record, nor one CR
//     before the LF or at the end of the last line (LF and CRLF files alike);
//     a CR elsewhere in a line stays in its record;
//   - a file in which no LF occurs but CRs do (the old Macintosh form) has CR
//     as its line end. Only the whole file can tell: the reader takes LF as
//     soon as it meets one, so only a file with no LF in its first buffer
//     decides at its end; until then its first line is gathered in memory,
//     as a line is anyway, and the file is never read twice;
//   - an empty line in the middle of the file is an empty record;
//   - a last line without a line end is still a record; after a final LF
//     there is no further (empty) record;
//   - the first Ctrl-Z byte (0x1A) ends the file, as on the old platform:
//     it and everything after it are ignored, so text before it on its line
//     is the last record, and a Ctrl-Z alone on the last line is no record.
//     A reader that must not lose records behind a stray Ctrl-Z ends with
//     readRestForStrayCtrlZ;
//   - a UTF-8 byte-order mark at the start of the file is skipped;
//   - each record is decoded as described above.
// Read errors throw std::system_error (std::ios_base::failure for streams).
class LineReader {
public:
    // Opens the file; std::system_error when it cannot be opened, and
    // NotRegularFile (files.h) before any open when it is no regular file.
    explicit LineReader(const std::filesystem::path& file);
    // Reads from a stream opened by the caller (binary mode), which must
    // outlive the reader.
    explicit LineReader(std::istream& in);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next record into line; false at the end of the file.
    bool readLine(std::string& line);

    std::uint64_t lineNumber() const { return lines_; }      // records read so far
    bool lastLineWas1252() const { return last1252_; }       // of the last record

    // Reads the rest of the file, records not yet read included (passed over
    // undecoded), and gives the line of the Ctrl-Z that ended it when
    // anything but padding (isPaddingAfterEnd) follows it: the line of the
    // text before it, or the one after the last line end. 0 when no Ctrl-Z
    // ended the file or only padding follows it. readLine finds no more
    // records afterwards.
    std::uint64_t readRestForStrayCtrlZ();

private:
    bool fill();
    bool nextRecord(std::string_view& rec);  // the next record undecoded, valid until the next read
    std::size_t readSource(char* data, std::size_t size);  // got < size: the source is exhausted

    std::FILE* file_ = nullptr;
    std::istream* in_ = nullptr;
    std::string buf_;
    std::size_t pos_ = 0, end_ = 0;
    bool done_ = false;     // source exhausted or Ctrl-Z met
    bool started_ = false;  // byte-order mark checked
    char eol_ = '\n';       // '\r' once the file is known to hold no LF
    bool decided_ = false;  // an LF met, or the whole file read without one
    std::string raw_;
    std::uint64_t lines_ = 0;
    bool last1252_ = false;
    bool lastEnded_ = true;   // the last record ended at a line end (or there was none)
    bool ctrlZ_ = false;      // a Ctrl-Z ended the file
    bool textAfterZ_ = false; // text seen after it
    bool moreAfterZ_ = false; // the source may hold more after what was seen
};

enum class LineEnd { CRLF, LF };

class ReplacingFile;

// Writes UTF-8 text lines with the chosen line end. Every write error
// throws std::system_error, also those that show only when the buffer is
// flushed: call close() to see them.
//
// Truncate replaces the file whole: the lines go to a temporary file beside
// it (ReplacingFile) and close() puts it under the final name, so a failed
// or killed run leaves the earlier file, never a cut one. A writer destroyed
// without close() leaves the earlier file too. Append writes in place and
// its destructor closes the file (swallowing errors).
class TextWriter {
public:
    enum class Mode { Truncate, Append };
    explicit TextWriter(const std::filesystem::path& file, LineEnd end = LineEnd::CRLF,
                        Mode mode = Mode::Truncate);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void write(std::string_view text);      // no line end
    void writeLine(std::string_view text);  // text and the line end
    void flush();
    void close();

private:
    [[noreturn]] void fail(const char* what);
    std::unique_ptr<ReplacingFile> replacing_;
    std::FILE* file_ = nullptr;
    std::string path_;
    const char* eol_;
    std::size_t eolLen_;
};

}  // namespace qv
