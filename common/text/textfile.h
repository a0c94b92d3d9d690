// A first look at a customer's file before a program works on it: can it be
// read, does it look like text, has it a record at all.
#pragma once

#include <string>

namespace qv {

enum class FileProblem { None, NotFound, CannotOpen, NotText, Empty };

FileProblem checkTextFile(const std::string& path);

}  // namespace qv
