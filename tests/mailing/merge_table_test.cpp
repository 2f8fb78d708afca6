#include "mailing/merge_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zem {
namespace {

// A table kept from letter to letter and given other bytes holds exactly the new ones: no
// line and no name of the bytes before stays findable, however the sizes differ.
TEST(MergeTableTest, AssignedAnewHoldsOnlyTheNewBytes) {
  const std::string longer =
      "\x7f"
      "NUMREB\r\n  20\xff\r\n\x7f"
      "DES0\r\nFIRST OWNER\xff\r\n\x7f"
      "extra\r\nx\xff\r\n";
  const std::string shorter =
      "\x7f"
      "des0\r\nSecond\xff\r\n\x7f"
      "NUMREB\r\n 3\xff\r\n";
  MergeTable table;
  struct Step {
    const std::string* bytes;
    size_t lines;
    size_t numreb;  // line of the NUMREB name, size() when none
    size_t des0;
    size_t extra;
  } steps[] = {{&longer, 6, 0, 2, 4}, {&shorter, 4, 2, 0, 4}, {&longer, 6, 0, 2, 4}};
  for (const Step& step : steps) {
    table.Assign(*step.bytes);
    SCOPED_TRACE(step.lines);
    ASSERT_EQ(table.size(), step.lines);
    EXPECT_EQ(table.FindName("numreb", 0), step.numreb);
    EXPECT_EQ(table.FindName("DES0", 0), step.des0);
    EXPECT_EQ(table.FindName("EXTRA", 0), step.extra);
    EXPECT_EQ(table.FindName("DES0", step.des0 + 1), table.size());
    EXPECT_EQ(table.line(step.des0 + 1).substr(0, 6), step.bytes == &longer ? "FIRST " : "Second");
  }
  // The same bytes give the same table whether it is new or kept.
  const MergeTable fresh(shorter);
  table.Assign(shorter);
  ASSERT_EQ(fresh.size(), table.size());
  for (size_t i = 0; i < fresh.size(); ++i) EXPECT_EQ(fresh.line(i), table.line(i));
}

// Names match when they differ only in the case of ASCII letters: a name written twice in
// different cases is found in file order, and other bytes (digits, accented letters) must be
// equal.
TEST(MergeTableTest, NamesMatchIgnoringTheCaseOfAsciiLettersOnly) {
  const MergeTable table(
      "\x7f"
      "Des0\r\na\xff\r\n\x7f"
      "DES0\r\nb\xff\r\n\x7f"
      "des1\r\nc\xff\r\n\x7f"
      "NOM\x82\r\nd\xff\r\n\x7f"
      "az@[\xe1\r\ne\xff\r\n\x7f"
      "LongerName12\r\nf\xff\r\n");
  struct Case {
    const char* name;
    size_t from;
    size_t found;
  } cases[] = {
      {"dEs0", 0, 0},
      {"DES0", 1, 2},
      {"des0", 3, 12},
      {"DES1", 0, 4},
      {"DES", 0, 12},
      {"DES01", 0, 12},
      {"NOM\x82", 0, 6},
      {"NOM\x90", 0, 12},
      // Only "a" to "z" pair with capitals: not the bytes 32 away from "@", "[" or "\xe1".
      {"AZ@[\xe1", 0, 8},
      {"AZ`[\xe1", 0, 12},
      {"AZ@{\xe1", 0, 12},
      {"AZ@[\xc1", 0, 12},
      {"longername12", 0, 10},
      {"LONGERNAME1", 0, 12},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table.FindName(c.name, c.from), c.found) << c.name << " from " << c.from;
  }
  // The empty name (a marker followed by no name character, even as a view of nothing) finds
  // no line here.
  EXPECT_EQ(table.FindName(std::string_view(), 0), table.size());
  EXPECT_EQ(MergeTable("\x7f\r\nv\xff\r\n").FindName(std::string_view(), 0), 0u);
}

// However many names a table meets, and in whatever case, each is found at its own line, and
// the names of earlier bytes are not found in later ones.
TEST(MergeTableTest, FindsEveryOneOfManyNames) {
  MergeTable table;
  for (int round = 0; round < 3; ++round) {
    std::string bytes;
    const int names = 100 + 150 * round;
    for (int i = 0; i < names; ++i) {
      bytes += "\x7fn" + std::to_string(round) + "x" + std::to_string(i) + "\r\nv\xff\r\n";
    }
    table.Assign(bytes);
    for (int i = 0; i < names; ++i) {
      const std::string name = "N" + std::to_string(round) + "X" + std::to_string(i);
      ASSERT_EQ(table.FindName(name, 0), static_cast<size_t>(2 * i)) << name;
    }
    EXPECT_EQ(table.FindName("N" + std::to_string(round) + "X" + std::to_string(names), 0),
              table.size());
    if (round > 0) {
      EXPECT_EQ(table.FindName("N0X0", 0), table.size());
    }
  }
}

// Lines end at a CR with or without the LF after it; an LF alone stays in its line, and a byte
// 26 ends the bytes only where a line would begin.
TEST(MergeTableTest, SplitsLinesAsTheSuiteWritesThem) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\r\n\r\nc", {"a\nb", "", "c"}},
      {"a\x1a\r\n\x1a"
       "b\r\n",
       {"a\x1a"}},
      {"\x1a", {}},
      {"\r\n\r\n", {"", ""}},
  };
  for (const Case& c : cases) {
    const MergeTable table(c.bytes);
    std::vector<std::string> lines;
    for (size_t i = 0; i < table.size(); ++i) lines.emplace_back(table.line(i));
    EXPECT_EQ(lines, c.lines) << testing::PrintToString(c.bytes);
  }
}

}  // namespace
}  // namespace zem
