// A first look at a customer's file before a program works on it: can it be
// read, does it look like text, has it a record at all. The import, the
// layout designer and the duplicate checker all take a file by this look,
// which reads the first block only (and a file with nothing before its first
// Ctrl-Z on to its end).
#pragma once

#include <string>

namespace qv {

// NotRegular: a FIFO, a folder or a device (files.h), refused before any open.
enum class FileProblem { None, NotFound, NotRegular, CannotOpen, NotText, Empty, TextAfterEnd };

// NotText: a NUL byte or a UTF-16 byte-order mark in the first block, or
// more than a few other control characters before any Ctrl-Z. Padding after
// a Ctrl-Z in that block (isPaddingAfterEnd, lines.h) is no part of it: such
// a file is judged by what stands before the mark, as it would be without
// the padding. Empty: the line reader would find no record (nothing before
// the first Ctrl-Z) and only padding follows. TextAfterEnd: nothing before
// the first Ctrl-Z, but records after it; the mark stands on line 1.
FileProblem checkTextFile(const std::string& path);

}  // namespace qv
