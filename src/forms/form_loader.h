#pragma once

#include <string>

namespace zem {

// The result of reading the screen form file. A malformed file names the line where reading
// stopped and what was wrong, in Catalan (code page 850) through the form's translation hook.
struct FormLoadResult {
  enum class Outcome { kLoaded, kMissing, kMalformed } outcome = Outcome::kLoaded;
  int line = 0;
  std::string problem;
};

// Reads the screen form file at `path` (a suite path) into the form tables. Labels, choice
// lists and pick-list headings are translated as they are read; exit-key lists are not. A file
// that ends between two steps leaves the remaining tables empty. When the file is missing or
// malformed the tables are left empty.
FormLoadResult LoadScreenForm(const std::string& path);

// The same from the file's bytes. Any bytes are safe to hand it.
FormLoadResult LoadScreenFormBytes(std::string bytes);

}  // namespace zem
