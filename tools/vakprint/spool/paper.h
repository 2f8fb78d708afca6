#pragma once

#include <string>

namespace zem::vakprint {

// A sheet of paper, in PostScript points (1/72 inch).
struct Paper {
  std::string name;
  double width = 0;
  double height = 0;
};

// A4 unless the system's paper setting (the PAPER variable or /etc/papersize, through libpaper)
// names another size it knows, such as Letter.
Paper SystemPaper();

// The paper of that name ("a4", "letter", any libpaper knows); A4 for a name it does not know.
Paper PaperNamed(const std::string& name);

}  // namespace zem::vakprint
