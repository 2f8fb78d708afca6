#include "startup/catalogue.h"

#include <array>

#include "platform/services.h"
#include "startup/session.h"
#include "platform/program_state.h"

namespace zem {
namespace {

constexpr size_t kItemsPerRecord = 4;
using Record = std::array<std::string, kItemsPerRecord>;

// The item of a record that holds a language: Galician 2nd, Aranese 3rd, Spanish 4th;
// 0 for a language without a column of its own.
size_t LanguageItem(const std::string& language) {
  if (language == "GLG") return 1;
  if (language == "OCI") return 2;
  if (language == "SPA") return 3;
  return 0;
}

std::string CatalogueDir() {
  return Session().RootDir + "LOCALE";
}

// Creates an empty catalogue when there is none, so that a new installation shows where the
// translations go. The directory itself is left to the installation.
void EnsureCatalogueFile(const std::string& path) {
  platform::FileSystem& files = platform::Files();
  if (files.Exists(path)) return;
  if (auto out = files.OpenOutput(path, true)) out->Close();
}

// The next whole record; false at the end of the text. A last record that the text ends
// inside is not a record.
bool ReadRecord(platform::TextReader& reader, Record& record) {
  using Item = platform::TextReader::Item;
  if (reader.ReadTextItem(&record[0]) == Item::kEnd || reader.AtEnd()) return false;
  for (size_t i = 1; i < kItemsPerRecord; ++i) {
    if (reader.ReadTextItem(&record[i]) == Item::kEnd) return false;
  }
  return true;
}

// "The catalogue directory is missing" in the languages the catalogue would have given.
std::string MissingDirectoryMessage(const std::string& language) {
  const std::string dir = CatalogueDir();
  if (language == "SPA")
    return "NO EXISTE EL DIRECTORIO DE MENSAJES " + dir + ": TEXTOS EN CATAL\xb5N";
  if (language == "GLG")
    return "NON EXISTE O DIRECTORIO DE MENSAXES " + dir + ": TEXTOS EN CATAL\xb5N";
  return "NON EXIST\xd6S ETH DIRECT\xe3RI DE MESSATGES " + dir + ": T\xd4XTES EN CATALAN";
}

}  // namespace

CatalogueState& Catalogue() {
  static CatalogueState state;
  return state;
}

void ResetCatalogue() {
  Catalogue() = CatalogueState{};
}
ZEM_REGISTER_STATE_RESET(ResetCatalogue);

std::string CataloguePath() {
  return CatalogueDir() + "\\" + Catalogue().CatalogueName + ".LNG";
}

std::string Translate(const std::string& text) {
  const std::string& language = Session().Language;
  if (language == "CAT") return text;
  if (Catalogue().CatalogueName.empty()) Catalogue().CatalogueName = kProgramId;
  const std::string path = CataloguePath();
  EnsureCatalogueFile(path);
  std::string bytes;
  if (!platform::Files().ReadFile(path, &bytes)) return text;
  platform::TextReader reader(std::move(bytes));
  Record record;
  while (ReadRecord(reader, record)) {
    if (record[0] != text) continue;
    const size_t item = LanguageItem(language);
    return item == 0 ? text : record[item];
  }
  return text;
}

std::string CatalogueProblem() {
  const std::string& language = Session().Language;
  if (LanguageItem(language) == 0) return {};
  if (!platform::Files().IsDirectory(CatalogueDir())) return MissingDirectoryMessage(language);
  if (Catalogue().CatalogueName.empty()) Catalogue().CatalogueName = kProgramId;
  std::string bytes;
  if (!platform::Files().ReadFile(CataloguePath(), &bytes)) return {};
  platform::TextReader reader(std::move(bytes));
  std::string item;
  for (;;) {
    const int line = reader.LineNumber();
    const platform::TextReader::Item read = reader.ReadTextItem(&item);
    if (read == platform::TextReader::Item::kEnd) return {};
    if (read == platform::TextReader::Item::kUnclosedQuote) {
      return Translate(
                 "EL CAT\xb7LEG DE MISSATGES T\x90 UNES COMETES SENSE TANCAR A LA L\xd6NIA ") +
             std::to_string(line) + ": " + CataloguePath();
    }
  }
}

}  // namespace zem
