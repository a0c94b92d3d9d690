// A first look at a customer's file before a program works on it: can it be
// read, does it look like text, has it a record at all.
#pragma once

#include <string>

namespace qv {

// NotRegular: a FIFO, a folder or a device (files.h), refused before any open.
enum class FileProblem { None, NotFound, NotRegular, CannotOpen, NotText, Empty };

FileProblem checkTextFile(const std::string& path);

}  // namespace qv
