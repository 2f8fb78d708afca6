// The print-file reader: a file it accepts gives UTF-8 pages, one form feed between two pages,
// no line ending in a blank.
#include <algorithm>
#include <string_view>

#include "fuzz_check.h"
#include "tools/vakprint/spool/text_render.h"

namespace {

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80         ? 1
                          : (c >> 5) == 6  ? 2
                          : (c >> 4) == 14 ? 3
                          : (c >> 3) == 30 ? 4
                                           : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const zem::vakprint::PrintRendering rendering =
      zem::vakprint::RenderPrintFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!rendering.ok) {
    FUZZ_CHECK(!rendering.error.empty(), "a refusal without a reason");
    return 0;
  }
  FUZZ_CHECK(IsUtf8(rendering.text), "not UTF-8");
  const size_t feeds =
      static_cast<size_t>(std::count(rendering.text.begin(), rendering.text.end(), '\f'));
  FUZZ_CHECK(rendering.pages == 0 ? feeds == 0 : feeds + 1 == static_cast<size_t>(rendering.pages),
             std::to_string(rendering.pages) + " pages, " + std::to_string(feeds) + " feeds");
  FUZZ_CHECK(rendering.text.find(" \n") == std::string::npos, "a line ends in a blank");
  return 0;
}
