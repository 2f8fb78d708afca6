#include "platform/cp850.h"

#include <gtest/gtest.h>

namespace zem::platform {
namespace {

TEST(Cp850, EveryByteRoundTripsThroughUtf8) {
  for (int byte = 0; byte < 256; ++byte) {
    std::string one(1, static_cast<char>(byte));
    int unmapped = 0;
    EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(one), '?', &unmapped), one) << byte;
    EXPECT_EQ(unmapped, 0);
  }
}

// Runs of plain ASCII go over a word at a time: a letter beyond ASCII at any offset, before,
// inside or after such a word, converts as on its own.
TEST(Cp850, TextConvertsAsItsBytes) {
  for (size_t length = 1; length <= 20; ++length) {
    for (size_t at = 0; at < length; ++at) {
      std::string text(length, 'a');
      text[at] = '\x82';  // "é"
      std::string expected(at, 'a');
      expected += "\xc3\xa9";
      expected.append(length - at - 1, 'a');
      EXPECT_EQ(Cp850ToUtf8(text), expected) << length << " " << at;
      std::string appended = "x";
      AppendCp850AsUtf8(&appended, text);
      EXPECT_EQ(appended, "x" + expected);
    }
  }
}

TEST(Cp850, KnownCharacters) {
  struct Case {
    std::string cp850;
    std::string utf8;
  } cases[] = {
      {"\x82", "é"},     {"\x87", "ç"},           {"\x85", "à"}, {"\xa4", "ñ"},
      {"l\xfal", "l·l"}, {"\xc9\xcd\xbb", "╔═╗"}, {"\x80", "Ç"}, {"\xd4", "È"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp850ToUtf8(c.cp850), c.utf8);
    EXPECT_EQ(Utf8ToCp850(c.utf8), c.cp850);
  }
}

TEST(Cp850, ConsoleGlyphsForControlBytes) {
  EXPECT_EQ(Cp850GlyphCodePoint(16), U'►');
  EXPECT_EQ(Cp850GlyphCodePoint(17), U'◄');
  EXPECT_EQ(Cp850GlyphCodePoint(0), U' ');
  EXPECT_EQ(Cp850ToCodePoint(16), 16u);
}

TEST(Cp850, UnmappedAndMalformedInput) {
  int unmapped = 0;
  EXPECT_EQ(Utf8ToCp850("a€b", '?', &unmapped), "a?b");
  EXPECT_EQ(unmapped, 1);
  EXPECT_EQ(Utf8ToCp850("x\xff", 0), "x");
  char32_t cp = 0;
  EXPECT_EQ(DecodeUtf8("\xc3", &cp), 0);
}

}  // namespace
}  // namespace zem::platform
