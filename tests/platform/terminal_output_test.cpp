#include "platform/terminal_output.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace zem::platform {
namespace {

struct Change {
  int row;
  int column;
  Cell cell;
};

struct Span {
  int row;
  int column;
  int length;
  bool operator==(const Span&) const = default;
};

struct DiffCase {
  const char* name;
  std::vector<Change> changes;
  int join_gap;
  std::vector<Span> expected;
};

class ChangedRunsTest : public testing::TestWithParam<DiffCase> {};

TEST_P(ChangedRunsTest, FindsOnlyChangedCells) {
  MemoryConsole console;
  Frame shown = CaptureFrame(console);
  for (const Change& change : GetParam().changes) {
    console.SetCell(change.row, change.column, change.cell);
  }
  Frame wanted = CaptureFrame(console);
  std::vector<CellRun> runs = ChangedRuns(shown, wanted, GetParam().join_gap);

  std::vector<Span> spans;
  for (const CellRun& run : runs) {
    spans.push_back({run.row, run.column, static_cast<int>(run.cells.size())});
    // A run carries the cells to show, exactly as the console holds them now.
    for (size_t i = 0; i < run.cells.size(); ++i) {
      EXPECT_EQ(run.cells[i], console.CellAt(run.row, run.column + static_cast<int>(i)));
    }
  }
  EXPECT_EQ(spans, GetParam().expected);

  // Applying the runs to the old frame gives the new one.
  Frame patched = shown;
  for (const CellRun& run : runs) {
    for (size_t i = 0; i < run.cells.size(); ++i) {
      patched[(run.row - 1) * Console::kColumns + run.column - 1 + i] = run.cells[i];
    }
  }
  EXPECT_TRUE(patched == wanted);
}

const Cell kA{'A', 7};
const Cell kBlue{' ', 0x17};

const DiffCase kDiffCases[] = {
    {"nothing_changed", {}, 4, {}},
    {"same_value_written_again", {{3, 3, Cell{' ', 7}}}, 4, {}},
    {"one_cell", {{1, 1, kA}}, 4, {{1, 1, 1}}},
    {"colour_only_change", {{5, 10, kBlue}}, 4, {{5, 10, 1}}},
    {"adjacent_cells", {{2, 5, kA}, {2, 6, kA}, {2, 7, kA}}, 4, {{2, 5, 3}}},
    {"small_gap_joined", {{2, 5, kA}, {2, 9, kA}}, 4, {{2, 5, 5}}},
    {"wide_gap_split", {{2, 5, kA}, {2, 10, kA}}, 4, {{2, 5, 1}, {2, 10, 1}}},
    {"no_joining", {{2, 5, kA}, {2, 6, kA}, {2, 8, kA}}, 0, {{2, 5, 2}, {2, 8, 1}}},
    {"last_column_and_next_row", {{4, 80, kA}, {5, 1, kA}}, 4, {{4, 80, 1}, {5, 1, 1}}},
    {"bottom_right_corner", {{25, 80, kA}}, 4, {{25, 80, 1}}},
    {"rows_in_order", {{9, 2, kA}, {3, 70, kA}}, 4, {{3, 70, 1}, {9, 2, 1}}},
};

INSTANTIATE_TEST_SUITE_P(Diff, ChangedRunsTest, testing::ValuesIn(kDiffCases),
                         [](const testing::TestParamInfo<DiffCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ChangedRuns, FullRepaintIsOneRunPerRow) {
  MemoryConsole console;
  Frame shown = CaptureFrame(console);
  console.SetColours(15, 1);
  console.Clear();
  std::vector<CellRun> runs = ChangedRuns(shown, CaptureFrame(console));
  ASSERT_EQ(runs.size(), static_cast<size_t>(Console::kRows));
  for (int row = 1; row <= Console::kRows; ++row) {
    EXPECT_EQ(runs[row - 1].row, row);
    EXPECT_EQ(runs[row - 1].column, 1);
    EXPECT_EQ(runs[row - 1].cells.size(), static_cast<size_t>(Console::kColumns));
  }
}

// Console colour numbers against the terminal's: blue/red and cyan/brown swap places.
struct ColourCase {
  int console;
  int terminal;
};

class AnsiColourTest : public testing::TestWithParam<ColourCase> {};

TEST_P(AnsiColourTest, MapsConsoleOrderToTerminalOrder) {
  EXPECT_EQ(AnsiColour(GetParam().console), GetParam().terminal);
}

INSTANTIATE_TEST_SUITE_P(Palette, AnsiColourTest,
                         testing::Values(ColourCase{0, 0}, ColourCase{1, 4}, ColourCase{2, 2},
                                         ColourCase{3, 6}, ColourCase{4, 1}, ColourCase{5, 5},
                                         ColourCase{6, 3}, ColourCase{7, 7}, ColourCase{8, 8},
                                         ColourCase{9, 12}, ColourCase{10, 10}, ColourCase{11, 14},
                                         ColourCase{12, 9}, ColourCase{13, 13}, ColourCase{14, 11},
                                         ColourCase{15, 15}));

struct AttributeCase {
  const char* name;
  uint8_t attribute;
  int colours;
  int foreground;
  int background;
  bool bold;
  bool reverse;
};

class ColoursForTest : public testing::TestWithParam<AttributeCase> {};

TEST_P(ColoursForTest, ChoosesTerminalColours) {
  const AttributeCase& c = GetParam();
  TerminalColours got = ColoursFor(c.attribute, c.colours);
  EXPECT_EQ(got.bold, c.bold) << c.name;
  EXPECT_EQ(got.reverse, c.reverse) << c.name;
  if (c.colours > 0) {
    EXPECT_EQ(got.foreground, c.foreground) << c.name;
    EXPECT_EQ(got.background, c.background) << c.name;
    EXPECT_EQ(got.pair, PairNumber(c.foreground, c.background, c.colours >= 16 ? 16 : 8)) << c.name;
  } else {
    EXPECT_EQ(got.pair, 0) << c.name;
  }
}

const AttributeCase kAttributeCases[] = {
    {"white_on_blue_16", 0x1f, 256, 15, 4, false, false},
    {"grey_on_black_16", 0x07, 16, 7, 0, false, false},
    {"yellow_on_red_16", 0x4e, 256, 11, 1, false, false},
    {"black_on_cyan_16", 0x30, 256, 0, 6, false, false},
    {"white_on_blue_8_is_bold", 0x1f, 8, 7, 4, true, false},
    {"yellow_on_red_8_is_bold_brown", 0x4e, 8, 3, 1, true, false},
    {"bright_background_8_loses_brightness", 0x97, 8, 7, 4, false, false},
    {"mono_black_on_grey_reversed", 0x70, 0, 0, 0, false, true},
    {"mono_bright_white_bold", 0x0f, 0, 0, 0, true, false},
    {"mono_grey_on_black_plain", 0x07, 0, 0, 0, false, false},
};

INSTANTIATE_TEST_SUITE_P(Attributes, ColoursForTest, testing::ValuesIn(kAttributeCases),
                         [](const testing::TestParamInfo<AttributeCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(PairNumber, EveryCombinationHasItsOwnPairWithinThePalette) {
  for (int n : {8, 16}) {
    std::set<int> seen;
    for (int foreground = 0; foreground < n; ++foreground) {
      for (int background = 0; background < n; ++background) {
        int pair = PairNumber(foreground, background, n);
        EXPECT_GE(pair, 0);
        EXPECT_LT(pair, n * n);
        seen.insert(pair);
      }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(n * n));
    EXPECT_EQ(PairNumber(7, 0, n), 0) << "white on black must be the terminal's pair 0";
  }
}

struct PlacementCase {
  int rows;
  int columns;
  bool fits;
};

class PlaceScreenTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlaceScreenTest, FitsOnlyWhenLargeEnough) {
  Placement placement = PlaceScreen(GetParam().rows, GetParam().columns);
  EXPECT_EQ(placement.fits, GetParam().fits);
  if (placement.fits) {
    EXPECT_LE(placement.top + Console::kRows, GetParam().rows);
    EXPECT_LE(placement.left + Console::kColumns, GetParam().columns);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlaceScreenTest,
                         testing::Values(PlacementCase{25, 80, true}, PlacementCase{30, 100, true},
                                         PlacementCase{24, 80, false}, PlacementCase{25, 79, false},
                                         PlacementCase{0, 0, false}));

TEST(EnlargeRequest, NamesNeededAndCurrentSize) {
  std::string text = EnlargeRequest(20, 70);
  EXPECT_NE(text.find("80 x 25"), std::string::npos) << text;
  EXPECT_NE(text.find("70 x 20"), std::string::npos) << text;
}

}  // namespace
}  // namespace zem::platform
