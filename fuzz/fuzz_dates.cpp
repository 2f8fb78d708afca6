// Typed dates: a text the check accepts is a real day that survives being shown and typed
// again; a text that reads as no date is never accepted; codes pack to digits only.
#include <cstdlib>

#include "format/dates.h"
#include "format/text_utils.h"
#include "fuzz_check.h"
#include "platform/services.h"
#include "support/fake_services.h"

namespace {

bool AllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zem::platform::FakeServices services;  // a fixed clock: two-digit years read the same
  const std::string text(reinterpret_cast<const char*>(data), size);
  zem::DateDisplay() = {"/", "DMA"};

  const std::string packed = zem::ParseDate(text);
  FUZZ_CHECK(packed.size() == 4, text);
  if (zem::CheckDate(text) == 0) {
    FUZZ_CHECK(packed != zem::ZeroDate(), text);
    const std::string iso = zem::FormatDate(packed, -1, "dma");  // YYYY-MM-DD
    FUZZ_CHECK(iso.size() == 10, iso);
    const std::string retyped = iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4);
    FUZZ_CHECK(zem::ParseDate(retyped) == packed, retyped);
    FUZZ_CHECK(zem::CheckDate(retyped) == 0, retyped);
    const int16_t weekday = zem::DayOfWeek(packed);
    FUZZ_CHECK(weekday >= 1 && weekday <= 7, iso);
    FUZZ_CHECK(zem::DateDiff(packed, zem::PackDigits("20000101"), "D") >= 0, iso);
  } else if (packed == zem::ZeroDate()) {
    FUZZ_CHECK(zem::CheckDate(text) == -1, text);
  }
  FUZZ_CHECK(AllDigits(zem::UnpackDigits(zem::PackCode(text))), text);
  return 0;
}
