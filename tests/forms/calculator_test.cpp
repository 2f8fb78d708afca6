#include <gtest/gtest.h>

#include "calculator_calendar_fixture.h"
#include "forms/calculator_popup.h"
#include "forms/calculator_state.h"
#include "screen/field_editor.h"

namespace zem::testing {
namespace {

const std::string kRule(24, '\xc4');
const std::string kTopRule = kTopRule;
const std::string kBottomRule = kBottomRule;

std::string Padded(const std::string& figure) {
  return std::string(21 - figure.size(), ' ') + figure;
}
std::string TapeRow(const std::string& figure, char op) {
  return "\xb3" + Padded(figure) + " " + op + "\xb3";
}
std::string DisplayRow(const std::string& figure) {
  return "\xb3" + Padded(figure) + "  \xb3";
}

class CalculatorTest : public PopupTest {
 protected:
  std::string Calculate(const std::string& typed) {
    services.console.PushKeys(typed);
    return CalculatorPopup();
  }
  // Whether a look saw `text` at a row of the strip, from its left column on.
  ::testing::AssertionResult Shows(size_t peek, int row, const std::string& text, int left = 1) {
    const std::string seen = peeks.at(peek).at(row).substr(left - 1, text.size());
    if (seen == text) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "row " << row << " shows \"" << seen << "\"";
  }
  std::string StateFile() { return services.files.Contents(CalculatorStatePath()); }
};

struct TapeCase {
  const char* name;
  std::string typed;
  std::string display;
  std::vector<std::pair<std::string, char>> tape;  // oldest first
};

class CalculatorTapeTest : public CalculatorTest, public ::testing::WithParamInterface<TapeCase> {};

TEST_P(CalculatorTapeTest, ShowsDisplayAndTape) {
  const TapeCase& c = GetParam();
  services.console.PushKeys(c.typed);
  PeekFromCalculator();
  PushKey(keys::kEsc);
  EXPECT_EQ(CalculatorPopup(), "");
  EXPECT_TRUE(Shows(0, 24, DisplayRow(c.display)));
  const int top = 23 - static_cast<int>(c.tape.size());
  EXPECT_TRUE(Shows(0, 23, c.tape.empty() ? kTopRule : "\xc3" + kRule + "\xb4"));
  if (!c.tape.empty()) {
    EXPECT_TRUE(Shows(0, top - 1, kTopRule));
  }
  for (size_t i = 0; i < c.tape.size(); ++i)
    EXPECT_TRUE(Shows(0, top + static_cast<int>(i), TapeRow(c.tape[i].first, c.tape[i].second)));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, CalculatorTapeTest,
    ::testing::Values(
        TapeCase{"AddAndEquals", "12+3=", "15", {{"12", '+'}, {"3", '='}, {"15", ' '}}},
        TapeCase{"PercentOfAccumulator", "200+10%", "20", {{"200", '+'}, {"10", '%'}}},
        TapeCase{"PercentAfterTimes", "50*10%", "0'1", {{"50", '*'}, {"10", '%'}}},
        TapeCase{"BackspaceOnce", "1.25\b", "1'2", {}},
        TapeCase{"BackspaceDropsPoint", "1.25\b\b\b", "1", {}},
        TapeCase{"ClearCancelsEntry", "5+7C", "5", {{"5", '+'}}},
        TapeCase{"ClearKeepsPending", "5+7C2=", "7", {{"5", '+'}, {"2", '='}, {"7", ' '}}},
        TapeCase{"SecondClearZeroes", "5+7CC", "0", {{"5", '+'}}},
        TapeCase{"Groups", "1234567.5", "1.234.567'5", {}}, TapeCase{"Negative", "7T", "-7", {}},
        TapeCase{"RoundHalfEven", "2.345R", "2'34", {{"2'34", 'R'}}},
        TapeCase{"RoundCutsNegative", "1.239TR", "-1'23", {{"-1'23", 'R'}}},
        TapeCase{"DivisionByZero", "12/0=", std::string(21, '!'), {{"12", '/'}, {"0", '='}}},
        TapeCase{"AfterDivisionByZero",
                 "12/0=+3=",
                 "15",
                 {{"12", '/'}, {"0", '='}, {"12", '+'}, {"3", '='}, {"15", ' '}}},
        TapeCase{"ClearAfterDivisionByZero", "12/0=C", "0", {{"12", '/'}, {"0", '='}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalculatorTest, ThirdClearEmptiesTapeAndUncoversScreen) {
  PaintPattern();
  const std::vector<platform::Cell> before = Snapshot();
  services.console.PushKeys("5+7CCC");
  PeekFromCalculator();
  PushKey(keys::kEsc);
  CalculatorPopup();
  EXPECT_TRUE(Shows(0, 23, kTopRule));
  for (int row = 1; row <= 22; ++row)
    EXPECT_EQ(peeked_cells[0][(row - 1) * 80], before[(row - 1) * 80]) << "row " << row;
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(CalculatorTest, TwentySecondLinePushesOldestOff) {
  for (int i = 1; i <= 22; ++i) services.console.PushKeys(std::to_string(i) + "+");
  PeekFromCalculator();
  services.console.PushKeys("23+");
  PeekFromCalculator();
  PushKey(keys::kEsc);
  CalculatorPopup();
  EXPECT_TRUE(Shows(0, 1, kTopRule));
  EXPECT_TRUE(Shows(0, 2, TapeRow("2", '+')));
  EXPECT_TRUE(Shows(0, 22, TapeRow("22", '+')));
  EXPECT_TRUE(Shows(1, 2, TapeRow("3", '+')));
  EXPECT_TRUE(Shows(1, 22, TapeRow("23", '+')));
  CalculatorState state = ReadCalculatorState(StateFile());
  EXPECT_EQ(state.TapeTop, 2);
  EXPECT_EQ(state.Tape[0].Value, 2);  // the hidden line
}

TEST_F(CalculatorTest, SlidesPastBothEdges) {
  PaintPattern();
  const std::vector<platform::Cell> before = Snapshot();
  for (int16_t key : {keys::kLeft, keys::kRight, keys::kCtrlRight}) {
    PushKey(key);
    PeekFromCalculator();
  }
  PushKey(keys::kEsc);
  CalculatorPopup();
  EXPECT_TRUE(Shows(0, 25, kBottomRule, 55));
  EXPECT_EQ(peeked_cells[0][24 * 80], before[24 * 80]) << "column 1 uncovered";
  EXPECT_TRUE(Shows(1, 25, kBottomRule));
  EXPECT_TRUE(Shows(2, 25, kBottomRule, 2));
  EXPECT_EQ(ReadCalculatorState(StateFile()).LeftColumn, 2);
  EXPECT_EQ(Snapshot(), before);
}

struct FigureCase {
  const char* typed;
  const char* figure;
};

class CalculatorFigureTest : public CalculatorTest,
                             public ::testing::WithParamInterface<FigureCase> {};

TEST_P(CalculatorFigureTest, ReturnsHundredths) {
  EXPECT_EQ(Calculate(GetParam().typed), GetParam().figure);
}

INSTANTIATE_TEST_SUITE_P(Figures, CalculatorFigureTest,
                         ::testing::Values(FigureCase{"12.5F", "1250"}, FigureCase{".05F", "5"},
                                           FigureCase{"1.234F", "123.4"}, FigureCase{"3TF", "300"},
                                           FigureCase{"10/3=F", "333.333333333333"},
                                           FigureCase{"1.13f", "113"},
                                           FigureCase{".00001F", ".001"}, FigureCase{"12/0=F", ""},
                                           FigureCase{"12\x1b", ""}));

TEST_F(CalculatorTest, StateFileLayout) {
  Calculate("12+3=\x1b");
  std::string expected = "1,20,15,15\r\n0,0,0,0\r\n\"\",\"\"\r\n";
  for (int i = 0; i < 19; ++i) expected += "0,0,0,\" \"\r\n";
  expected += "12,0,0,\"+\"\r\n3,0,0,\"=\"\r\n15,0,0,\" \"\r\n";
  EXPECT_EQ(StateFile(), expected);
}

TEST_F(CalculatorTest, StateSurvivesCallsAndRuns) {
  Calculate("12+3=\x1b");
  PeekFromCalculator();
  Calculate("*2\x1b");  // second call of the same run
  // A new run of the program: nothing but the files is left.
  ResetKeyboard();
  ResetWindows();
  ResetSession();
  Session().TerminalDir = kTerminalDir;
  PeekFromCalculator();
  EXPECT_EQ(Calculate("=F"), "3000");
  EXPECT_TRUE(Shows(0, 24, DisplayRow("15")));
  EXPECT_TRUE(Shows(0, 20, TapeRow("12", '+')));
  EXPECT_TRUE(Shows(1, 24, DisplayRow("2")));
  EXPECT_TRUE(Shows(1, 22, TapeRow("15", '*')));
}

TEST_F(CalculatorTest, UnwritableTerminalDirectoryStillGivesFigure) {
  Session().TerminalDir = "/nowhere/";
  EXPECT_EQ(Calculate("12.5F"), "1250");
  EXPECT_FALSE(services.files.Exists(CalculatorStatePath()));
}

struct DamagedCase {
  const char* name;
  std::string file;
  int16_t left;
  int16_t top;
  double display;
  int taken_tape_lines;  // tape lines read with value 7
};

class DamagedStateTest : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedStateTest, TakesSoundPart) {
  const DamagedCase& c = GetParam();
  CalculatorState state = ReadCalculatorState(c.file);
  EXPECT_EQ(state.LeftColumn, c.left);
  EXPECT_EQ(state.TapeTop, c.top);
  EXPECT_EQ(state.Display, c.display);
  for (int i = 0; i < kCalculatorTapeLines; ++i)
    EXPECT_EQ(state.Tape[i].Value, i < c.taken_tape_lines ? 7 : 0) << "tape line " << i;
  EXPECT_EQ(ReadCalculatorState(CalculatorStateText(state)), state);
}

std::string Head(const std::string& first_line) {
  return first_line + "\r\n-1,0,0,0\r\n\"\",\"\"\r\n";
}
std::string TapeLines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "7,0,0,\"+\"\r\n";
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedStateTest,
    ::testing::Values(
        DamagedCase{"Empty", "", 1, 23, 0, 0},
        DamagedCase{"Sound", Head("3,10,-.5,0") + TapeLines(22), 3, 10, -0.5, 22},
        DamagedCase{"TooManyTapeLines", Head("3,2,1,0") + TapeLines(30), 3, 2, 1, 22},
        DamagedCase{"LeftColumnOutOfRange", Head("56,10,1,0") + TapeLines(3), 1, 23, 0, 0},
        DamagedCase{"TapeTopOutOfRange", Head("3,1,1,0") + TapeLines(3), 1, 23, 0, 0},
        DamagedCase{"NumberDoesNotParse", Head("3,10,1x,0") + TapeLines(3), 1, 23, 0, 0},
        DamagedCase{"NoNumberAtAll", Head("3,10,inf,0"), 1, 23, 0, 0},
        DamagedCase{"DamagedTapeLine", Head("3,10,1,0") + TapeLines(2) + "7,0\r\n" + TapeLines(5),
                    3, 10, 1, 2},
        DamagedCase{"BadOperator", Head("3,10,1,0") + TapeLines(4) + "7,0,0,\"xy\"\r\n", 3, 10, 1,
                    4},
        DamagedCase{"Cut", "3,10,1", 1, 23, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalculatorTest, AltXTypesFigureIntoField) {
  SetExitKeys("ea", "d,1b");
  std::string buffer(10, ' ');
  int16_t cursor = 1, key = 0;
  PushKey(keys::kAltX);
  services.console.PushKeys("12.5");
  PushKey(0x2100);  // Alt+F
  PushKey(keys::kEnter);
  EditField(5, 10, 0, buffer, cursor, key);
  EXPECT_EQ(buffer, "1250      ");
  EXPECT_EQ(key, keys::kEnter);
}

}  // namespace
}  // namespace zem::testing
