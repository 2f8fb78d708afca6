// Message catalogues: whatever a catalogue holds after its first record, Translate never fails,
// and a key that the first record pairs with its translations is found with the one of the
// language asked for; a text no record holds comes back unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "format/session_settings.h"
#include "fuzz_check.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/catalogue.h"
#include "support/fake_services.h"

namespace {

// A text as a quoted item can hold it.
std::string Quotable(std::string text) {
  std::erase_if(text, [](char c) { return c == '"' || c == 26; });
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zem::platform::FakeServices services;
  zem::ResetProgramState();
  FuzzedDataProvider input(data, size);
  static const char* const kLanguages[] = {"SPA", "GLG", "OCI", "CAT", "   "};
  const std::string language = kLanguages[input.ConsumeIntegralInRange<int>(0, 4)];
  const std::string key = "ZFUZZ" + Quotable(input.ConsumeRandomLengthString(20));
  const std::string galician = Quotable(input.ConsumeRandomLengthString(20));
  const std::string aranese = Quotable(input.ConsumeRandomLengthString(20));
  const std::string spanish = Quotable(input.ConsumeRandomLengthString(20));
  const std::string rest = input.ConsumeRemainingBytesAsString();

  zem::Session().RootDir = "/R/";
  zem::Session().Language = language;
  services.files.AddFile(
      "/R/LOCALE/ZEMBRALO.LNG",
      "\"" + key + "\",\"" + galician + "\",\"" + aranese + "\",\"" + spanish + "\"\r\n" + rest);
  const std::string expected = language == "SPA"   ? spanish
                               : language == "GLG" ? galician
                               : language == "OCI" ? aranese
                                                   : key;
  FUZZ_CHECK(zem::Translate(key) == expected, key);
  // A text that no item can hold (a byte 26 ends the text) is never translated. A CR is no such
  // byte: a quoted item may hold one.
  FUZZ_CHECK(zem::Translate("\x1aZFUZZ") == "\x1aZFUZZ", "unmatched text");
  zem::CatalogueProblem();
  zem::ResetProgramState();
  return 0;
}
