#include "screen/windows.h"

#include <gtest/gtest.h>

#include "screen_fixture.h"

namespace zem::testing {
namespace {

class WindowsTest : public ScreenTest {};

uint32_t TopOfStack(const std::string& file) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value * 256 + static_cast<uint8_t>(file[i]);
  return value;
}

TEST_F(WindowsTest, BlockLayoutOnEmptyStack) {
  PaintPattern();
  services.console.SetCursor(3, 7);
  ASSERT_TRUE(OpenWindow(5, 10, 7, 20));

  const std::string file = StackFile();
  ASSERT_EQ(file.size(), 4u + 91u);
  EXPECT_EQ(TopOfStack(file), 96u);
  const std::string block = file.substr(4);
  EXPECT_EQ(block.substr(0, 4), "0307");      // cursor when the window was opened
  EXPECT_EQ(block.substr(4, 8), "00000000");  // no enclosing window
  EXPECT_EQ(block.substr(12, 8), "05100720");
  EXPECT_EQ(block.substr(86), "00091");
  size_t at = 20;
  for (int row = 5; row <= 7; ++row) {
    for (int column = 10; column <= 20; ++column) {
      platform::Cell cell = services.console.CellAt(row, column);
      EXPECT_EQ(static_cast<uint8_t>(block[at]), cell.ch) << row << "," << column;
      EXPECT_EQ(static_cast<uint8_t>(block[at + 1]), cell.attr) << row << "," << column;
      at += 2;
    }
  }
  EXPECT_EQ(Windows().WindowDepth, 1);
  EXPECT_EQ(Windows().CurrentWindow, (WindowRect{5, 10, 7, 20}));
}

TEST_F(WindowsTest, NestedBlockRecordsEnclosingWindow) {
  ASSERT_TRUE(OpenWindow(5, 10, 7, 20));
  ASSERT_TRUE(OpenWindow(2, 3, 2, 4));
  const std::string file = StackFile();
  // Second block at 96: header, 2 cells, length 29.
  ASSERT_EQ(file.size(), 95u + 29u);
  EXPECT_EQ(TopOfStack(file), 96u + 29u);
  EXPECT_EQ(file.substr(95 + 4, 16), "0510072002030204");
  EXPECT_EQ(file.substr(file.size() - 5), "00029");
  EXPECT_EQ(Windows().WindowDepth, 2);
}

TEST_F(WindowsTest, NestedWindowsRestoreEveryCellAndTheCursor) {
  PaintPattern();
  services.console.SetCursor(12, 34);
  const auto original = Snapshot();

  ASSERT_TRUE(OpenWindow(3, 5, 15, 60));
  services.console.SetColours(14, 1);
  DrawFrame(2);
  LocateInWindow(1, 1);
  services.console.Print("outer");
  const auto with_outer = Snapshot();
  const int outer_row = services.console.CursorRow(),
            outer_column = services.console.CursorColumn();

  ASSERT_TRUE(OpenWindow(10, 40, 20, 79));
  services.console.SetColours(0, 7);
  DrawFrame(1);
  LocateInWindow(2, 2);
  services.console.Print("inner");
  EXPECT_NE(Snapshot(), with_outer);

  CloseWindow();
  EXPECT_EQ(Snapshot(), with_outer);
  EXPECT_EQ(services.console.CursorRow(), outer_row);
  EXPECT_EQ(services.console.CursorColumn(), outer_column);
  EXPECT_EQ(Windows().CurrentWindow, (WindowRect{3, 5, 15, 60}));
  EXPECT_EQ(Windows().WindowDepth, 1);
  EXPECT_TRUE(StackFileExists());

  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_EQ(services.console.CursorRow(), 12);
  EXPECT_EQ(services.console.CursorColumn(), 34);
  EXPECT_EQ(Windows().CurrentWindow, WindowRect{});
  EXPECT_EQ(Windows().WindowDepth, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowsTest, WindowsStillNestWithoutAWritableWorkDirectory) {
  Session().WorkDir = "/missing/dir/";
  PaintPattern();
  const auto original = Snapshot();
  ASSERT_TRUE(OpenWindow(2, 2, 9, 30));
  DrawFrame(1);
  const auto outer = Snapshot();
  ASSERT_TRUE(OpenWindow(5, 5, 12, 50));
  DrawFrame(2);
  EXPECT_FALSE(StackFileExists());
  CloseWindow();
  EXPECT_EQ(Snapshot(), outer);
  EXPECT_EQ(Windows().WindowDepth, 1);
  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_EQ(Windows().WindowDepth, 0);
  EXPECT_FALSE(Windows().StackInMemory);
}

TEST_F(WindowsTest, CloseLeavesColoursOfLastRestoredCell) {
  services.console.SetCell(4, 6, platform::Cell{'q', static_cast<uint8_t>(3 + 16 * 5)});
  ASSERT_TRUE(OpenWindow(3, 3, 4, 6));
  services.console.SetColours(1, 1);
  CloseWindow();
  EXPECT_EQ(services.console.Foreground(), 3);
  EXPECT_EQ(services.console.Background(), 5);
}

struct RefusedCase {
  const char* name;
  int16_t top, left, bottom, right;
};

class RefusedOpenTest : public WindowsTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedOpenTest, RefusedOpenDoesNotCloseTheEnclosingWindow) {
  const RefusedCase& c = GetParam();
  PaintPattern();
  const auto original = Snapshot();
  ASSERT_TRUE(OpenWindow(2, 2, 10, 40));
  DrawFrame(1);
  const auto framed = Snapshot();
  const std::string file = StackFile();

  EXPECT_FALSE(OpenWindow(c.top, c.left, c.bottom, c.right));
  EXPECT_EQ(StackFile(), file);
  EXPECT_EQ(Windows().WindowDepth, 1);
  EXPECT_EQ(Windows().CurrentWindow, (WindowRect{2, 2, 10, 40}));

  // The refused window's own close: the enclosing window stays open and untouched.
  CloseWindow();
  EXPECT_EQ(Snapshot(), framed);
  EXPECT_EQ(Windows().WindowDepth, 1);

  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_FALSE(StackFileExists());
}

INSTANTIATE_TEST_SUITE_P(OffScreen, RefusedOpenTest,
                         ::testing::Values(RefusedCase{"TopZero", 0, 1, 5, 5},
                                           RefusedCase{"LeftZero", 1, 0, 5, 5},
                                           RefusedCase{"BottomBelowScreen", 1, 1, 26, 5},
                                           RefusedCase{"RightPastScreen", 1, 1, 5, 81},
                                           RefusedCase{"Negative", -3, 4, 5, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, WindowOpenedInsideARefusedOneClosesItsOwnBlock) {
  ASSERT_TRUE(OpenWindow(2, 2, 10, 40));
  DrawFrame(1);
  const auto framed = Snapshot();
  EXPECT_FALSE(OpenWindow(0, 0, 0, 0));
  ASSERT_TRUE(OpenWindow(4, 4, 6, 20));
  DrawFrame(2);
  CloseWindow();  // the inner window's own close
  EXPECT_EQ(Snapshot(), framed);
  EXPECT_EQ(Windows().CurrentWindow, (WindowRect{2, 2, 10, 40}));
  CloseWindow();  // the refused one: nothing
  EXPECT_EQ(Snapshot(), framed);
  EXPECT_EQ(Windows().WindowDepth, 1);
}

TEST_F(WindowsTest, InvertedRectangleSavesNoCells) {
  ASSERT_TRUE(OpenWindow(7, 10, 5, 20));
  const std::string file = StackFile();
  ASSERT_EQ(file.size(), 4u + 25u);
  EXPECT_EQ(file.substr(file.size() - 5), "00025");
  CloseWindow();
  EXPECT_FALSE(StackFileExists());
  EXPECT_EQ(Windows().WindowDepth, 0);
}

TEST_F(WindowsTest, CloseWithoutStackFileDoesNothing) {
  PaintPattern();
  const auto original = Snapshot();
  services.files.AddFile(WindowStackPath(), "ab");
  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_FALSE(StackFileExists());
  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
}

TEST_F(WindowsTest, StackLeftByAnEarlierRunIsContinued) {
  PaintPattern();
  const auto original = Snapshot();
  ASSERT_TRUE(OpenWindow(1, 1, 3, 3));
  services.console.PutText(2, 2, "Z");
  const auto after_first = Snapshot();
  ResetWindows();  // a new run finds the file of the old one
  ASSERT_TRUE(OpenWindow(5, 5, 6, 6));
  EXPECT_EQ(TopOfStack(StackFile()), 4u + 1u + 20u + 18u + 5u + 20u + 8u + 5u);
  services.console.PutText(5, 5, "Y");
  CloseWindow();
  EXPECT_EQ(Snapshot(), after_first);
  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_FALSE(StackFileExists());
  EXPECT_EQ(Windows().WindowDepth, 0);
}

struct DamagedCase {
  const char* name;
  std::string file;
  bool top_outside_file;  // the next open then starts the stack afresh
};

class DamagedStackTest : public WindowsTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedStackTest, DamagedStackIsDroppedWithoutTouchingTheScreen) {
  PaintPattern();
  const auto original = Snapshot();
  services.files.AddFile(WindowStackPath(), GetParam().file);
  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_FALSE(StackFileExists());
}

TEST_P(DamagedStackTest, OpenOverDamagedStackWritesWithinTheFile) {
  const DamagedCase& c = GetParam();
  services.files.AddFile(WindowStackPath(), c.file);
  ASSERT_TRUE(OpenWindow(5, 10, 7, 20));
  const std::string file = StackFile();
  const size_t start = c.top_outside_file ? 5 : TopOfStack(c.file);
  EXPECT_EQ(TopOfStack(file), start + 91);
  EXPECT_EQ(file.size(), start - 1 + 91);
  EXPECT_EQ(file.substr(start - 1 + 86, 5), "00091");
}

const std::string kBadTopPastEnd = std::string("\xff\xff\x00\x00", 4) + "garbage";
const std::string kBadTopBelowFive = std::string("\x02\x00\x00\x00", 4) + "abcdefghij";
const std::string kLengthNotDigits = std::string("\x23\x00\x00\x00", 4) + std::string(30, 'x');
// The header's rectangle holds two cells, the length only one.
const std::string kLengthDisagrees =
    std::string("\x20\x00\x00\x00", 4) + "0101" + "00000000" + "01010102" + "ab" + "00027";

INSTANTIATE_TEST_SUITE_P(Files, DamagedStackTest,
                         ::testing::Values(DamagedCase{"TopPastEnd", kBadTopPastEnd, true},
                                           DamagedCase{"TopBelowFive", kBadTopBelowFive, true},
                                           DamagedCase{"LengthNotDigits", kLengthNotDigits, false},
                                           DamagedCase{"LengthDisagreesWithRectangle",
                                                       kLengthDisagrees, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, LocateAndInnerEdges) {
  LocateInWindow(3, 4);
  EXPECT_EQ(services.console.CursorRow(), 3);
  EXPECT_EQ(services.console.CursorColumn(), 4);
  EXPECT_EQ(InnerLeft(), 1);
  EXPECT_EQ(InnerTop(), 1);
  EXPECT_EQ(InnerRight(), 80);
  EXPECT_EQ(ScreenRows(), 25);
  EXPECT_EQ(ScreenColumns(), 80);

  ASSERT_TRUE(OpenWindow(4, 1, 22, 80));
  LocateInWindow(1, 2);
  EXPECT_EQ(services.console.CursorRow(), 5);
  EXPECT_EQ(services.console.CursorColumn(), 3);
  LocateInWindow(0, 0);
  EXPECT_EQ(services.console.CursorRow(), 4);
  EXPECT_EQ(services.console.CursorColumn(), 1);
  EXPECT_EQ(InnerLeft(), 2);
  EXPECT_EQ(InnerTop(), 5);
  EXPECT_EQ(InnerRight(), 79);
}

struct FrameCase {
  int16_t style;
  char top_left, top_right, bottom_left, bottom_right, horizontal, vertical;
};

class DrawFrameTest : public WindowsTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(DrawFrameTest, DrawsFrameAndClearsInside) {
  const FrameCase& f = GetParam();
  PaintPattern();
  ASSERT_TRUE(OpenWindow(3, 5, 6, 12));
  const auto before = Snapshot();
  services.console.SetColours(2, 4);
  DrawFrame(f.style);
  const uint8_t attr = 2 + 16 * 4;
  auto ch = [&](int row, int column) {
    return static_cast<char>(services.console.CellAt(row, column).ch);
  };
  EXPECT_EQ(ch(3, 5), f.top_left);
  EXPECT_EQ(ch(3, 12), f.top_right);
  EXPECT_EQ(ch(6, 5), f.bottom_left);
  EXPECT_EQ(ch(6, 12), f.bottom_right);
  for (int column = 6; column <= 11; ++column) {
    EXPECT_EQ(ch(3, column), f.horizontal);
    EXPECT_EQ(ch(6, column), f.horizontal);
    for (int row = 4; row <= 5; ++row) EXPECT_EQ(ch(row, column), ' ');
  }
  for (int row = 4; row <= 5; ++row) {
    EXPECT_EQ(ch(row, 5), f.vertical);
    EXPECT_EQ(ch(row, 12), f.vertical);
  }
  for (int row = 3; row <= 6; ++row)
    for (int column = 5; column <= 12; ++column)
      EXPECT_EQ(services.console.CellAt(row, column).attr, attr);
  // Nothing outside the rectangle changes.
  const auto after = Snapshot();
  for (int row = 1; row <= 25; ++row)
    for (int column = 1; column <= 80; ++column)
      if (row < 3 || row > 6 || column < 5 || column > 12) {
        size_t i = (row - 1) * 80 + (column - 1);
        EXPECT_EQ(after[i], before[i]) << row << "," << column;
      }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, DrawFrameTest,
    ::testing::Values(FrameCase{0, ' ', ' ', ' ', ' ', ' ', ' '},
                      FrameCase{1, '\xda', '\xbf', '\xc0', '\xd9', '\xc4', '\xb3'},
                      FrameCase{2, '\xc9', '\xbb', '\xc8', '\xbc', '\xcd', '\xba'}));

TEST_F(WindowsTest, DrawFrameWithoutWindowDrawsNothing) {
  PaintPattern();
  const auto original = Snapshot();
  DrawFrame(2);
  EXPECT_EQ(Snapshot(), original);
}

struct ScrollCase {
  const char* name;
  int16_t n;
  // Expected first character of rows 3..7 (0-based rows 2..6): letters of the source rows,
  // '.' for a blank line.
  const char* rows;
};

class ScrollAreaTest : public WindowsTest, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(ScrollAreaTest, MovesRowsInsideTheRectangle) {
  const ScrollCase& c = GetParam();
  for (int row = 1; row <= 9; ++row)
    services.console.PutText(row, 1, std::string(12, static_cast<char>('a' + row - 1)));
  services.console.SetColours(5, 2);
  ScrollArea(2, 3, 6, 8, c.n);  // screen rows 3..7, columns 4..9
  for (int row = 3; row <= 7; ++row) {
    char expected = c.rows[row - 3] == '.' ? ' ' : c.rows[row - 3];
    EXPECT_EQ(TextAt(row, 4, 6), std::string(6, expected)) << "row " << row;
    if (expected == ' ') {
      EXPECT_EQ(services.console.CellAt(row, 4).attr, 5 + 16 * 2);
    }
    // Columns outside keep their row's letter.
    EXPECT_EQ(TextAt(row, 3, 1)[0], 'a' + row - 1);
    EXPECT_EQ(TextAt(row, 10, 1)[0], 'a' + row - 1);
  }
  EXPECT_EQ(TextAt(2, 4, 6), "bbbbbb");
  EXPECT_EQ(TextAt(8, 4, 6), "hhhhhh");
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, ScrollAreaTest,
    ::testing::Values(ScrollCase{"None", 0, "cdefg"}, ScrollCase{"UpOne", 1, "defg."},
                      ScrollCase{"UpTwo", 2, "efg.."}, ScrollCase{"DownOne", -1, ".cdef"},
                      ScrollCase{"UpAll", 5, "....."}, ScrollCase{"DownMore", -9, "....."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zem::testing
