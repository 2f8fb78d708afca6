// Amounts in words: lower-case words of code page 850 with single blanks and none at the end,
// the sign ignored, and only the last nine digits of the whole part spelled.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "fuzz_check.h"
#include "mailing/amount_in_words.h"
#include "startup/session.h"

namespace {

// Letters of the four languages' number words, their accented letters, blank and hyphen.
bool IsWordCharacter(unsigned char c) {
  switch (c) {
    case ' ':
    case '-':
    case 0x81:  // ü
    case 0x82:  // é
    case 0x88:  // ê
    case 0x8a:  // è
    case 0xa2:  // ó
      return true;
    default:
      return c >= 'a' && c <= 'z';
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  zem::Session().Language = input.PickValueInArray({"SPA", "GLG", "OCI", "CAT", "   "});
  const bool integral = input.ConsumeBool();
  const double amount = integral
                            ? static_cast<double>(input.ConsumeIntegral<int64_t>() % 1000000000000)
                            : input.ConsumeFloatingPoint<double>();
  const std::string option = input.ConsumeRemainingBytesAsString();

  const std::string words = zem::AmountInWords(amount, option);
  FUZZ_CHECK(words.empty() || (words.back() != ' ' && words.front() != ' '), words);
  FUZZ_CHECK(words.find("  ") == std::string::npos, words);
  for (char c : words) FUZZ_CHECK(IsWordCharacter(static_cast<unsigned char>(c)), words);
  FUZZ_CHECK(zem::AmountInWords(-amount, option) == words, words);

  const char choice = option.empty() ? '\0' : option[0];
  if (integral && (choice == 'm' || choice == 'M' || choice == 'f' || choice == 'F')) {
    const double last_nine = std::fmod(std::fabs(amount), 1e9);
    FUZZ_CHECK(zem::AmountInWords(last_nine, option) == words, words);
    FUZZ_CHECK(words.empty() == (last_nine == 0), words);
  }
  return 0;
}
