// Typed numbers: the checks are consistent with one another, and a number written as plain text
// reads back as the same number and passes the range check for itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>

#include "format/number_check.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int64_t whole = input.ConsumeIntegralInRange<int64_t>(-999999999999, 999999999999);
  const int decimals = input.ConsumeIntegralInRange<int>(0, 3);
  const std::string typed = input.ConsumeRemainingBytesAsString();

  // Allowing more never refuses what less accepts.
  if (zem::CheckNumberText(typed, "") == 0)
    FUZZ_CHECK(zem::CheckNumberText(typed, ".-") == 0, typed);
  if (zem::CheckNumberRange(typed, -1e15, 1e15, 3) != 0) {
    FUZZ_CHECK(zem::CheckNumberRange(typed, -1e9, 1e9, 0) != 0, typed);
  }

  const double value = static_cast<double>(whole) / std::pow(10.0, decimals);
  const std::string text = zem::NumberText(value);
  FUZZ_CHECK((value == 0) == text.empty(), text);
  FUZZ_CHECK(text.empty() || std::strtod(text.c_str(), nullptr) == value, text);
  FUZZ_CHECK(zem::CheckNumberText(text, ".-") == 0, text);
  FUZZ_CHECK(zem::CheckNumberRange(text, value, value, static_cast<int16_t>(decimals)) == 0, text);
  return 0;
}
