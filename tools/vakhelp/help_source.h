#pragma once

#include <string>
#include <vector>

namespace zem::vakhelp {

// The readable source of a text help file: UTF-8, one help line per source line. Lines that
// begin with "#" are notes for the writer and are left out. Three marks switch colours on and
// off inside a line and take no room: "*" highlighting, "_" the colour of the field being
// edited, "^" reverse colours; a mark written twice is the character itself. Every mark that
// a line switches on it switches off again.
inline constexpr int kHelpLineBytes = 80;     // one line of the help file, markup included
inline constexpr int kHelpVisibleWidth = 76;  // characters the help window shows of a line

// Builds the help file: code page 850, every line exactly kHelpLineBytes bytes (blank-padded),
// no line ends. False with one message per faulty line (its number, what is wrong) in `errors`.
bool BuildHelpFile(const std::string& source, std::string* help, std::vector<std::string>* errors);

}  // namespace zem::vakhelp
