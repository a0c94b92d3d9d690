// Text helpers that count in characters (UTF-8 code points), not bytes, in
// the manner of the old runtime's Len, Mid$, Left$, Right$, Trim$, UCase$.
//
// Texts are UTF-8 (LineReader returns nothing else). A character is a lead
// byte with its continuation bytes; a stray continuation byte counts with the
// character before it. Pure ASCII texts take a byte-indexed fast path.
// Blanks are the space character only (as Trim$ removes only spaces).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

bool isAscii(std::string_view s);

// Number of characters.
std::size_t charLength(std::string_view s);

// The characters of s, one entry each, so that positions count characters
// (entry p - 1 is the character at position p).
std::vector<std::string_view> charsOf(std::string_view s);

// Mid$(s, start, len): `len` characters from the 1-based character `start`;
// a start past the end gives "", a start below 1 counts as 1; the default
// length takes the rest.
std::string mid(std::string_view s, std::size_t start, std::size_t len = std::string_view::npos);
std::string left(std::string_view s, std::size_t n);   // first n characters
std::string right(std::string_view s, std::size_t n);  // last n characters

// Fixed-width fields of reports and files, exactly n characters:
// padRight left-justifies (blanks added on the right), padLeft right-aligns
// (blanks added on the left); either way a longer text keeps its first n.
std::string padRight(std::string_view s, std::size_t n);
std::string padLeft(std::string_view s, std::size_t n);

std::string trim(std::string_view s);   // leading and trailing blanks removed
std::string ltrim(std::string_view s);  // leading blanks removed
std::string rtrim(std::string_view s);  // trailing blanks removed

// Case of ASCII letters, of the Latin-1 letters U+00C0..U+00FE (not the
// signs U+00D7, U+00F7; ß has no capital and stays) and of the further
// letters of Windows-1252: ÿ/Ÿ, š/Š, œ/Œ, ž/Ž. Other characters stay.
std::string ucase(std::string_view s);
std::string lcase(std::string_view s);

// A value as a message quotes it: whole up to `most` characters, else its
// first `most` characters and "..." (a record of megabytes must not become
// a message of megabytes).
std::string quotedStart(std::string_view s, std::size_t most = 40);

// Equal when the lcase of both is equal.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// A byte that continues a UTF-8 sequence.
inline bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Appends code point c in UTF-8.
inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace qv
