#pragma once

#include <string>

namespace zem {

// The program's own identifier: it names the screen form file and the message catalogue.
inline constexpr const char* kProgramId = "ZEMBRALO";

// The message catalogue in use. The name is set by the first lookup that needs the file.
struct CatalogueState {
  std::string CatalogueName;
};

CatalogueState& Catalogue();
// Back to the state at start (tests).
void ResetCatalogue();

// The catalogue file: RootDir + "LOCALE\" + name + ".LNG".
std::string CataloguePath();

// The operator's-language version of one of the program's Catalan texts. The catalogue pairs
// every Catalan text with its Galician, Aranese and Spanish versions, four items a record;
// the first record whose first item equals `text` byte for byte decides, and an empty
// translation stays empty. With language "CAT" the catalogue is not touched; otherwise a
// missing catalogue is created empty (its directory is not), and a text it does not hold, or
// a language without a column, gives `text` unchanged.
std::string Translate(const std::string& text);

// What keeps the catalogue from translating, for a start-up message in the operator's
// language: a missing catalogue directory, or a quote that is never closed (the rest of the
// file is then one item) with the line where it opens. Empty when there is nothing to say, and
// always for a language the catalogue has no column for.
std::string CatalogueProblem();

}  // namespace zem
