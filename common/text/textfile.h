// A first look at a customer's file before a program works on it: can it be
// read, does it look like text, has it a record at all. The import, the
// layout designer and the duplicate checker all take a file by this look,
// which reads the first block only.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// NotRegular: a FIFO, a folder or a device (files.h), refused before any open.
enum class FileProblem { None, NotFound, NotRegular, CannotOpen, NotText, Empty };

// NotText: a NUL byte or a UTF-16 byte-order mark in the first block, or
// more than a few other control characters before any Ctrl-Z. Padding after
// a Ctrl-Z in that block (isPaddingAfterEnd, lines.h) is no part of it: such
// a file is judged by what stands before the mark, as it would be without
// the padding. Empty: the line reader would find no record (nothing before
// the first Ctrl-Z).
FileProblem checkTextFile(const std::string& path);

// The line of an end-of-file mark (Ctrl-Z) that has records after it, which
// the line reader would pass over; 0 when there is none. Reads the whole
// file, through the line reader only when it holds a Ctrl-Z at all. Read
// errors throw std::system_error.
std::uint64_t strayEndOfFile(const std::string& path);

}  // namespace qv
