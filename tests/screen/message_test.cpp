#include "screen/message.h"

#include <gtest/gtest.h>

#include "screen_fixture.h"

namespace zem::testing {
namespace {

class MessageTest : public ScreenTest {};

struct GeometryCase {
  const char* name;
  std::string text;
  int16_t centre_row;
  WindowRect window;
  std::vector<std::string> lines;  // as shown from window column 2
};

class MessageGeometryTest : public MessageTest,
                            public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(MessageGeometryTest, CentresFramedWindow) {
  const GeometryCase& c = GetParam();
  PaintPattern();
  const auto original = Snapshot();
  SetColour("n");
  ShowMessage(c.centre_row, c.text);

  ASSERT_EQ(Windows().WindowDepth, 1);
  const WindowRect& w = Windows().CurrentWindow;
  EXPECT_EQ(w, c.window);
  auto ch = [&](int row, int column) {
    return static_cast<char>(services.console.CellAt(row, column).ch);
  };
  EXPECT_EQ(ch(w.Top, w.Left), '\xda');
  EXPECT_EQ(ch(w.Top, w.Right), '\xbf');
  EXPECT_EQ(ch(w.Bottom, w.Left), '\xc0');
  EXPECT_EQ(ch(w.Bottom, w.Right), '\xd9');
  EXPECT_EQ(w.Bottom - w.Top - 1, static_cast<int>(c.lines.size()));
  for (size_t i = 0; i < c.lines.size(); ++i) {
    const int row = w.Top + 1 + static_cast<int>(i);
    const int width = w.Right - w.Left - 2;
    std::string expected = c.lines[i];
    expected.resize(width, ' ');
    EXPECT_EQ(TextAt(row, w.Left + 2, width), expected) << "line " << i;
    EXPECT_EQ(ch(row, w.Left + 1), ' ');
    EXPECT_EQ(services.console.CellAt(row, w.Left + 2).attr, RoleAttribute(2));
  }
  // The caller's colour role comes back; closing restores the screen.
  EXPECT_EQ(Keyboard().ColourRole, 1);
  EXPECT_EQ(services.console.Attribute(), RoleAttribute(1));
  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_FALSE(StackFileExists());
}

const std::string kThirty = "Falta la data de la carta ....";  // 30 characters

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageGeometryTest,
    ::testing::Values(
        GeometryCase{"OneLine", kThirty, 12, {9, 24, 11, 57}, {kThirty}},
        GeometryCase{"FullWidth", std::string(76, 'x'), 12, {9, 1, 11, 80}, {std::string(76, 'x')}},
        GeometryCase{"OddLength", std::string(7, 'y'), 12, {9, 35, 11, 45}, {std::string(7, 'y')}},
        GeometryCase{"TwoLinesFirstWidest",
                     std::string(50, 'a') + " " + std::string(40, 'b'),
                     12,
                     {9, 14, 12, 67},
                     {std::string(50, 'a'), std::string(40, 'b')}},
        GeometryCase{"TwoLinesSecondWidest",
                     std::string(40, 'b') + " " + std::string(74, 'a'),
                     12,
                     {9, 2, 12, 79},
                     {std::string(40, 'b'), std::string(74, 'a')}},
        GeometryCase{"TopRow", kThirty, 1, {1, 24, 3, 57}, {kThirty}},
        GeometryCase{"PulledUpFromBottom", kThirty, 30, {23, 24, 25, 57}, {kThirty}},
        GeometryCase{"BottomRow", kThirty, 25, {22, 24, 24, 57}, {kThirty}}),
    [](const auto& info) { return std::string(info.param.name); });

// Text that wraps into `lines` lines of one word each.
std::string LinesOfWords(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::string(70, static_cast<char>('a' + i % 26)) + " ";
  return text;
}

struct RefusedCase {
  const char* name;
  std::string text;
};

class MessageRefusedTest : public MessageTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(MessageRefusedTest, NothingShownAndCallersCloseDoesNothing) {
  PaintPattern();
  const auto original = Snapshot();
  ASSERT_TRUE(OpenWindow(2, 2, 20, 70));
  DrawFrame(2);
  const auto framed = Snapshot();
  SetColour("u");

  ShowMessage(12, GetParam().text);
  EXPECT_EQ(Snapshot(), framed);
  EXPECT_EQ(Windows().WindowDepth, 1);
  EXPECT_EQ(Keyboard().ColourRole, 4);

  CloseWindow();  // the message's caller closes "its" window
  EXPECT_EQ(Snapshot(), framed);
  EXPECT_EQ(Windows().WindowDepth, 1);
  EXPECT_EQ(Windows().CurrentWindow, (WindowRect{2, 2, 20, 70}));

  CloseWindow();
  EXPECT_EQ(Snapshot(), original);
  EXPECT_FALSE(StackFileExists());
}

INSTANTIATE_TEST_SUITE_P(Texts, MessageRefusedTest,
                         ::testing::Values(RefusedCase{"TooTall", LinesOfWords(24)},
                                           RefusedCase{"Empty", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessageTest, TallestMessageThatFits) {
  ShowMessage(12, LinesOfWords(23));
  ASSERT_EQ(Windows().WindowDepth, 1);
  EXPECT_EQ(Windows().CurrentWindow.Top, 1);
  EXPECT_EQ(Windows().CurrentWindow.Bottom, 25);
  EXPECT_EQ(TextAt(24, Windows().CurrentWindow.Left + 2, 3), "www");
  CloseWindow();
  EXPECT_EQ(Windows().WindowDepth, 0);
}

}  // namespace
}  // namespace zem::testing
