#include "format/byte_scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace zem {
namespace {

// Each finder against a byte-by-byte search, for every byte value of interest placed at every
// offset of texts around the eight- and sixteen-byte steps, with decoy bytes just below or
// above the kind sought placed before it and another byte sought behind it.
TEST(ByteScan, FindsTheFirstByteOfItsKindAtEveryOffset) {
  struct Case {
    const char* name;
    std::function<size_t(const char*, size_t)> find;
    std::function<bool(unsigned char)> is;
    std::string targets;
  } cases[] = {
      {"control", FindControlByte, [](unsigned char b) { return b < 32; },
       std::string("\x00\x01\x10\x1f", 4)},
      {"unprintable", FindUnprintableByte,
       [](unsigned char b) { return b < 32 || b == 127 || b == 255; },
       std::string("\x00\x1f\x7f\xff", 4)},
      {"@ or #", [](const char* d, size_t n) { return FindEitherByte(d, n, '@', '#'); },
       [](unsigned char b) { return b == '@' || b == '#'; }, "@#"},
  };
  // Bytes next to the ones sought, which none of the finders must take.
  const std::string decoys = " \x20\x7e\x80\xfe\x3f\x41\x22\x24";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t size = 0; size <= 50; ++size) {
      for (size_t at = 0; at <= size; ++at) {
        for (char target : c.targets) {
          std::string text(size, 'a');
          for (size_t i = 0; i < at; ++i) {
            const char decoy = decoys[i % decoys.size()];
            if (!c.is(static_cast<unsigned char>(decoy))) text[i] = decoy;
          }
          if (at < size) text[at] = target;
          // A second one behind it must not be taken for the first.
          if (at + 2 < size) text[at + 2] = c.targets.back();
          size_t expected = size;
          for (size_t i = 0; i < size; ++i) {
            if (c.is(static_cast<unsigned char>(text[i]))) {
              expected = i;
              break;
            }
          }
          ASSERT_EQ(c.find(text.data(), text.size()), expected)
              << "size " << size << ", byte " << static_cast<int>(target) << " at " << at;
        }
      }
    }
  }
}

// Copying for a print record blanks exactly the unprintable bytes, wherever they stand around
// the sixteen-byte steps, and writes nothing past the copy.
TEST(ByteScan, CopiesPrintableBytesAndBlanksTheOthers) {
  const std::string bytes("a\x00\x1f\x20\x7e\x7f\x80\xfe\xff\x82", 10);
  for (size_t size = 0; size <= 40; ++size) {
    std::string text(size, 'x');
    for (size_t i = 0; i < size; ++i) text[i] = bytes[(i * 7 + size) % bytes.size()];
    std::string expected = text;
    for (char& c : expected) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 32 || b == 127 || b == 255) c = ' ';
    }
    std::string out(size + 1, '#');
    CopyPrintable(out.data(), text.data(), text.size());
    EXPECT_EQ(out, expected + "#") << "size " << size;
  }
}

}  // namespace
}  // namespace zem
