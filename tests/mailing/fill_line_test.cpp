#include "format/fill_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace zem {
namespace {

struct FillCase {
  const char* name;
  std::string text;
  int indent;
  int width;
  char alignment;
  std::string expected;
};

class FillLineTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillLineTest, WrapsAndAligns) {
  const FillCase& c = GetParam();
  std::string text = c.text;
  const bool has_controls = FillLine(text, c.indent, c.width, c.alignment);
  EXPECT_EQ(text, c.expected);
  EXPECT_EQ(has_controls, std::any_of(text.begin(), text.end(),
                                      [](char b) { return static_cast<unsigned char>(b) < 32; }));
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, FillLineTest,
    ::testing::Values(
        FillCase{"LeftE", "abc def ghi", 0, 5, 'E', "abc  def  ghi  "},
        FillCase{"LeftLLowerCase", "abc def ghi", 0, 5, 'l', "abc  def  ghi  "},
        FillCase{"LeftI", "abc def ghi", 0, 5, 'I', "abc  def  ghi  "},
        FillCase{"DashFillN", "abc def ghi", 0, 5, 'N', "abc--def--ghi--"},
        FillCase{"RightD", "abc def ghi", 0, 5, 'D', "  abc  def  ghi"},
        FillCase{"RightR", "abc def ghi", 0, 5, 'r', "  abc  def  ghi"},
        FillCase{"CentreOddBlankAtEnd", "abcdefg", 0, 10, 'C', " abcdefg  "},
        FillCase{"CentreEven", "abc def ghi", 0, 5, 'C', " abc  def  ghi "},
        FillCase{"OtherLetterLeavesLines", "abc def ghi", 0, 5, 'X', "abcdefghi"},
        FillCase{"ThirtyCharactersRight", "aaa bbb ccc ddd eee fff ggg hh", 0, 10, 'D',
                 "   aaa bbb   ccc ddd   eee fff    ggg hh"},
        FillCase{"LongWordIsBroken", "abcdefgh", 0, 3, 'E', "abcdefgh "},
        FillCase{"EmptyText", "", 0, 10, 'E', ""},
        FillCase{"FirstLineIndent", "aaa bbb ccc", 3, 10, 'E', "   aaa bbbccc       "},
        FillCase{"HangingIndent", "The quick brown fox jumps over the lazy dog", -4, 20, 'E',
                 "The quick brown fox "
                 "    jumps over the  "
                 "    lazy dog        "},
        FillCase{"HangingIndentRight", "aaa bbb ccc ddd", -2, 9, 'D',
                 "  aaa bbb"
                 "  ccc ddd"}),
    [](const ::testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Justification, FillLineTest,
    ::testing::Values(
        // One gap: the blank goes into the first gap from the third position on.
        FillCase{"OneGapLastLineKept", "aa bb cc dd ee", 0, 9, 'A', "aa  bb ccdd ee"},
        // Three blanks into two gaps: left to right, then again from the start.
        FillCase{"SeveralGapsWrapAround", "one two three four", 0, 16, 'A', "one   two  threefour"},
        // A gap in the first two positions is skipped first and used when the search wraps.
        FillCase{"EarlyGapUsedOnWrap", "a bc de fgh", 0, 9, 'B', "a  bc  defgh"},
        FillCase{"IndentedFirstLine", "aa bb cc dd ee ff", 2, 12, 'A', "  aa  bb  ccdd ee ff"},
        FillCase{"SingleLineNotJustified", "aa bb", 0, 10, 'A', "aa bb"},
        // A line with no gap to widen is padded on the right, so that the lines still cut
        // every `width` characters.
        FillCase{"LineWithoutGapPadded", "abcdefgh ij", 0, 9, 'A', "abcdefgh ij"},
        FillCase{"SingleWordLineBeforeLast", "abcdefg hijklmnop", 0, 10, 'B',
                 "abcdefg   hijklmnop"},
        FillCase{"HangingIndentSingleWord", "aaaa bbbb ccccc dddddd", -4, 10, 'A',
                 "aaaa  bbbb"
                 "    ccccc "
                 "    dddddd"}),
    [](const ::testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ControlBytes, FillLineTest,
    ::testing::Values(
        // A control byte inside the line takes no room.
        FillCase{"ControlTakesNoRoom",
                 "ab \x10"
                 "cd ef",
                 0, 5, 'E',
                 "ab \x10"
                 "cdef   "},
        // A control byte that starts a word moves with it; the blank before it is dropped.
        FillCase{"ControlStartsWordOnNextLine",
                 "abc \x10"
                 "defg",
                 0, 6, 'E',
                 "abc   \x10"
                 "defg  "},
        // Control bytes right after the last word taken stay on its line.
        FillCase{"TrailingControlKept", "abcd\x11 efgh", 0, 4, 'E',
                 "abcd\x11"
                 "efgh"},
        // A broken word that starts with a control byte still fills the whole width.
        FillCase{"BrokenWordAfterControl",
                 "\x10"
                 "abcdefgh",
                 0, 4, 'E',
                 "\x10"
                 "abcdefgh"}),
    [](const ::testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

// Splits a filled text into lines of `width` characters that are not control bytes.
std::vector<std::string> SplitVisible(const std::string& text, int width) {
  std::vector<std::string> lines;
  std::string line;
  int visible = 0;
  for (char c : text) {
    line += c;
    if (static_cast<unsigned char>(c) >= 32) ++visible;
    if (visible == width) {
      lines.push_back(line);
      line.clear();
      visible = 0;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string VisibleWords(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 32) out += c;
  }
  return out;
}

// Random texts of words, blanks and style bytes: with every padding alignment the result cuts
// into whole lines of exactly `width` visible characters, and no character is lost or added.
TEST(FillLineProperty, PaddedLinesHaveExactWidth) {
  std::mt19937 random(20241);
  const char alignments[] = {'E', 'L', 'I', 'N', 'D', 'R', 'C'};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    int words = std::uniform_int_distribution<int>(1, 12)(random);
    for (int w = 0; w < words; ++w) {
      if (w > 0) text.append(std::uniform_int_distribution<int>(1, 3)(random), ' ');
      int letters = std::uniform_int_distribution<int>(1, 14)(random);
      for (int l = 0; l < letters; ++l) {
        if (std::uniform_int_distribution<int>(0, 9)(random) == 0) {
          text += static_cast<char>(std::uniform_int_distribution<int>(16, 18)(random));
        }
        text += static_cast<char>('a' + std::uniform_int_distribution<int>(0, 25)(random));
      }
    }
    int width = std::uniform_int_distribution<int>(1, 30)(random);
    int indent = std::uniform_int_distribution<int>(-5, 5)(random);
    if (indent >= width || -indent >= width) indent = 0;
    char alignment = alignments[round % 7];
    std::string filled = text;
    const bool has_controls = FillLine(filled, indent, width, alignment);

    SCOPED_TRACE("text=\"" + text + "\" width=" + std::to_string(width) +
                 " indent=" + std::to_string(indent) + " alignment=" + alignment);
    std::string expected_words = VisibleWords(text);
    std::string got_words = VisibleWords(filled);
    if (alignment == 'N') std::erase(got_words, '-');
    ASSERT_EQ(got_words, expected_words);
    // It tells whether the result holds a control byte.
    ASSERT_EQ(has_controls, std::any_of(filled.begin(), filled.end(),
                                        [](char c) { return static_cast<unsigned char>(c) < 32; }));
    for (const std::string& line : SplitVisible(filled, width)) {
      int visible = 0;
      for (char c : line) visible += static_cast<unsigned char>(c) >= 32 ? 1 : 0;
      ASSERT_EQ(visible, width) << "line \"" << line << "\"";
    }
  }
}

// Justified lines (all but the last) are exactly `width` long too.
TEST(FillLineProperty, JustifiedLinesBeforeTheLastHaveExactWidth) {
  std::mt19937 random(77);
  for (int round = 0; round < 1000; ++round) {
    std::string text;
    int words = std::uniform_int_distribution<int>(2, 15)(random);
    for (int w = 0; w < words; ++w) {
      if (w > 0) text += ' ';
      text.append(std::uniform_int_distribution<int>(1, 3)(random), 'x');
    }
    int width = std::uniform_int_distribution<int>(8, 30)(random);
    std::string filled = text;
    FillLine(filled, 0, width, 'A');
    std::string padded = text;
    FillLine(padded, 0, width, 'E');
    // The padded form tells where the lines break: all but the last are justified to width.
    size_t lines = padded.size() / static_cast<size_t>(width);
    SCOPED_TRACE(text + " width " + std::to_string(width));
    ASSERT_EQ(VisibleWords(filled), VisibleWords(text));
    ASSERT_GE(filled.size(), (lines - 1) * static_cast<size_t>(width));
    for (size_t i = 0; i + 1 < lines; ++i) {
      std::string line = filled.substr(i * width, width);
      EXPECT_NE(line.front(), ' ') << line;
      EXPECT_NE(line.back(), ' ') << line;
    }
  }
}

// Justified texts with words of any length: every line but the last has exactly `width`
// visible characters, also a line that holds a single word and so has no gap to widen.
TEST(FillLineProperty, JustifiedLinesKeepTheWidthWithLongWords) {
  std::mt19937 random(4242);
  for (int round = 0; round < 2000; ++round) {
    const int width = std::uniform_int_distribution<int>(4, 20)(random);
    std::string text;
    const int words = std::uniform_int_distribution<int>(1, 10)(random);
    for (int w = 0; w < words; ++w) {
      if (w > 0) text += ' ';
      text.append(std::uniform_int_distribution<int>(1, width)(random), 'a' + w % 26);
    }
    const int indent = std::uniform_int_distribution<int>(-3, 3)(random);
    std::string filled = text;
    FillLine(filled, indent, width, round % 2 == 0 ? 'A' : 'B');
    SCOPED_TRACE("text=\"" + text + "\" width=" + std::to_string(width) +
                 " indent=" + std::to_string(indent));
    ASSERT_EQ(VisibleWords(filled), VisibleWords(text));
    std::string padded = text;
    FillLine(padded, indent, width, 'E');
    const std::vector<std::string> justified = SplitVisible(filled, width);
    const std::vector<std::string> lines = SplitVisible(padded, width);
    ASSERT_EQ(justified.size(), lines.size()) << filled;
    for (size_t i = 0; i + 1 < justified.size(); ++i) {
      EXPECT_EQ(VisibleWords(justified[i]), VisibleWords(lines[i])) << filled;
    }
  }
}

// Arbitrary bytes, widths and indents: every alignment ends and loses no visible character.
TEST(FillLineProperty, ArbitraryBytesAreSafe) {
  std::mt19937 random(255);
  const char alignments[] = {'E', 'N', 'D', 'C', 'A', 'b', '?'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(std::uniform_int_distribution<int>(0, 60)(random), ' ');
    for (char& c : text) c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    const int width = std::uniform_int_distribution<int>(-2, 25)(random);
    const int indent = std::uniform_int_distribution<int>(-30, 30)(random);
    const char alignment = alignments[round % 7];
    std::string filled = text;
    FillLine(filled, indent, width, alignment);
    std::string got = VisibleWords(filled);
    if (alignment == 'N') {
      std::erase(got, '-');
      std::string expected = VisibleWords(text);
      std::erase(expected, '-');
      ASSERT_EQ(got, expected);
    } else {
      ASSERT_EQ(got, VisibleWords(text));
    }
  }
}

// A width no larger than the indent must still end (each line carries one character).
// The filler keeps its working buffers from call to call: what one call leaves in them never
// shows in the next, whatever came before.
TEST(FillLineTest, EachCallStandsAlone) {
  const std::string long_text(300, 'x');
  for (const char* before : {"", "a b c", long_text.c_str()}) {
    SCOPED_TRACE(before);
    std::string earlier = before;
    FillLine(earlier, -3, 40, 'A');
    std::string text = "abc def ghi";
    FillLine(text, 0, 5, 'E');
    EXPECT_EQ(text, "abc  def  ghi  ");
    std::string empty;
    FillLine(empty, 2, 5, 'C');
    EXPECT_EQ(empty, "");
  }
}

TEST(FillLineTest, WidthNotAboveIndentStillEnds) {
  struct Case {
    int indent;
    int width;
  };
  for (Case c : {Case{5, 3}, Case{-5, 3}, Case{0, 0}, Case{0, -4}, Case{3, 3}}) {
    std::string text = "abc de";
    FillLine(text, c.indent, c.width, 'E');
    EXPECT_EQ(VisibleWords(text), "abcde") << c.indent << " " << c.width;
  }
}

}  // namespace
}  // namespace zem
