// The line filler: every line it makes for a padding alignment has exactly the width, and it
// only ever adds or removes blanks (and "-" for "N"), never a character of the text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "format/fill_line.h"
#include "fuzz_check.h"

namespace {

size_t Visible(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += static_cast<unsigned char>(c) >= 32 ? 1 : 0;
  return count;
}

std::string WithoutFill(const std::string& text, bool dashes) {
  std::string kept;
  for (char c : text) {
    if (c != ' ' && !(dashes && c == '-')) kept.push_back(c);
  }
  return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int indent = input.ConsumeIntegralInRange<int>(-20, 20);
  const int width = input.ConsumeIntegralInRange<int>(std::abs(indent) + 1, 120);
  const char alignment =
      input.PickValueInArray({'E', 'L', 'I', 'N', 'D', 'R', 'C', 'A', 'B', 'X', 'e', 'c', 'a'});
  const std::string text = input.ConsumeRemainingBytesAsString();

  std::string filled = text;
  zem::FillLine(filled, indent, width, alignment);

  const char letter = alignment >= 'a' ? static_cast<char>(alignment - 'a' + 'A') : alignment;
  const bool dashes = letter == 'N';
  FUZZ_CHECK(WithoutFill(filled, dashes) == WithoutFill(text, dashes), "text lost or changed");
  if (letter != 'A' && letter != 'B' && letter != 'X') {
    FUZZ_CHECK(Visible(filled) % static_cast<size_t>(width) == 0,
               "width " + std::to_string(width) + " visible " + std::to_string(Visible(filled)));
  }
  return 0;
}
