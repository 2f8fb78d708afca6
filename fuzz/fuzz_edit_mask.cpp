// Edit masks and money pictures: the shown field always has the picture's width, and a plain
// digit mask shows a whole number that fits as its zero-filled digits.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

#include "format/edit_mask.h"
#include "format/text_utils.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  zem::ResetCurrency();
  zem::NumberDisplay() = {',', '.'};
  zem::SetCurrency("a,E");
  if (input.ConsumeBool()) zem::SetCurrency("b,P");
  if (input.ConsumeBool()) zem::SetCurrency("p");
  const double value = input.ConsumeBool()
                           ? input.ConsumeFloatingPoint<double>()
                           : input.ConsumeIntegralInRange<int64_t>(-1000000000000, 1000000000000);
  const int digits = input.ConsumeIntegralInRange<int>(1, 15);
  const std::string mask = input.ConsumeRemainingBytesAsString();

  FUZZ_CHECK(zem::FormatMask(mask, value).size() == mask.size(), mask);
  FUZZ_CHECK(zem::FormatAmount(mask, value).size() == mask.size(), mask);

  const double whole = std::fabs(std::trunc(value));
  if (std::isfinite(value) && whole < std::pow(10.0, digits)) {
    const std::string shown = zem::FormatMask(std::string(static_cast<size_t>(digits), '9'), whole);
    FUZZ_CHECK(shown == zem::ZeroPad(whole, static_cast<int16_t>(digits)), shown);
  }
  return 0;
}
