#include <gtest/gtest.h>

#include <functional>

#include "calculator_calendar_fixture.h"
#include "format/dates.h"
#include "forms/calculator_popup.h"
#include "forms/calendar_popup.h"
#include "screen/field_editor.h"

namespace zem::testing {
namespace {

constexpr int kInnerColumn = 60;  // screen column of the window's first inner column

class CalendarTest : public PopupTest {
 protected:
  void StartOn(const std::string& yyyymmdd) {
    Session().SessionDate = yyyymmdd.empty() ? "" : PackDigits(yyyymmdd);
  }
  // The inside of the window at a screen row, as seen at a look.
  std::string Inside(size_t peek, int row) {
    return peeks.at(peek).at(row).substr(kInnerColumn - 1, 20);
  }
  std::string Title(size_t peek, int block) { return TrimBlanks(Inside(peek, 3 + 7 * block)); }
};

struct MoveCase {
  const char* name;
  std::string start;  // the session date, CCYYMMDD; empty for none
  std::vector<int16_t> keys;
  std::string taken;
  std::string year;  // in the top frame
  std::vector<std::string> titles;
};

class CalendarMoveTest : public CalendarTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(CalendarMoveTest, MovesAndTakes) {
  const MoveCase& c = GetParam();
  StartOn(c.start);
  PushKeys(c.keys);
  PeekFromCalendar();
  PushKey('F');
  EXPECT_EQ(CalendarPopup(), c.taken);
  EXPECT_EQ(peeks[0][1].substr(66, 6), " " + c.year + " ");
  for (int block = 0; block < 3; ++block) EXPECT_EQ(Title(0, block), c.titles[block]);
}

using namespace keys;
const std::vector<std::string> kFirst = {"GENER", "FEBRER", "MAR\x80"};
const std::vector<std::string> kSecond = {"ABRIL", "MAIG", "JUNY"};
const std::vector<std::string> kThird = {"JULIOL", "AGOST", "SETEMBRE"};
const std::vector<std::string> kFourth = {"OCTUBRE", "NOVEMBRE", "DESEMBRE"};

INSTANTIATE_TEST_SUITE_P(
    Keys, CalendarMoveTest,
    ::testing::Values(
        MoveCase{"SessionDate", "20240515", {}, "15/5/2024 ", "2024", kSecond},
        MoveCase{"PageDown", "20240515", {kPgDn}, "15/8/2024 ", "2024", kThird},
        MoveCase{"PageDownHome", "20240515", {kPgDn, kHome}, "15/1/2024 ", "2024", kFirst},
        MoveCase{"End", "20240515", {kEnd}, "15/12/2024", "2024", kFourth},
        MoveCase{"RightLeavesQuarter", "20240630", {kRight}, "1/7/2024  ", "2024", kThird},
        MoveCase{"LeftLeavesYear", "20240101", {kLeft}, "31/12/2023", "2023", kFourth},
        MoveCase{"UpLeavesYear", "20240103", {kUp}, "27/12/2023", "2023", kFourth},
        MoveCase{"DownOverFebruary", "20230228", {kDown}, "7/3/2023  ", "2023", kFirst},
        MoveCase{"PageDownCutsDay", "20241130", {kPgDn}, "28/2/2025 ", "2025", kFirst},
        MoveCase{"PageUpLeavesYear", "20240215", {kPgUp}, "15/11/2023", "2023", kFourth},
        MoveCase{"OtherKeysIgnored", "20240515", {'x', kF1}, "15/5/2024 ", "2024", kSecond},
        MoveCase{"NoSessionDate", "", {}, "8/12/2026 ", "2026", kFourth},
        MoveCase{"SessionDateNoDay", "20230229", {}, "8/12/2026 ", "2026", kFourth}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalendarTest, DrawsMonthGridAndHighlight) {
  StartOn("20240515");
  PeekFromCalendar();
  PushKey(kEsc);
  EXPECT_EQ(CalendarPopup(), "");
  EXPECT_EQ(Inside(0, 2), "DL DT DC DJ DV DS DG");
  EXPECT_EQ(Inside(0, 11), "       1  2  3  4  5");  // May 2024 begins on a Wednesday
  EXPECT_EQ(Inside(0, 15), "27 28 29 30 31      ");
  EXPECT_EQ(Inside(0, 16), std::string(20, ' '));
  const auto attribute = [&](int row, int column) {
    return peeked_cells[0][(row - 1) * 80 + column - 1].attr;
  };
  EXPECT_EQ(attribute(13, 66), RoleAttribute(4)) << "15 May highlighted";
  EXPECT_EQ(attribute(13, 69), RoleAttribute(0));
  EXPECT_EQ(attribute(10, 70), RoleAttribute(1)) << "title";
}

struct LanguageCase {
  const char* language;
  bool folding;
  std::string heading;
  std::string march;
};

class CalendarLanguageTest : public CalendarTest,
                             public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(CalendarLanguageTest, HeadingsAndTitles) {
  Session().Language = GetParam().language;
  SetFolding(GetParam().folding);
  StartOn("20240301");
  PeekFromCalendar();
  PushKey(kEsc);
  CalendarPopup();
  EXPECT_EQ(Inside(0, 2), GetParam().heading);
  EXPECT_EQ(Title(0, 2), GetParam().march);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, CalendarLanguageTest,
    ::testing::Values(LanguageCase{"   ", false, "DL DT DC DJ DV DS DG", "MAR\x80"},
                      LanguageCase{"   ", true, "DL DT DC DJ DV DS DG", "MARC"},
                      LanguageCase{"SPA", false, " L  M  X  J  V  S  D", "MARZO"},
                      LanguageCase{"OCI", false, "DL DT DC DJ DD DS DG", "MAR\x80"}));

TEST_F(CalendarTest, AltCTypesTakenDateIntoField) {
  StartOn("20240515");
  SetExitKeys("ea", "d,1b");
  std::string buffer(10, ' ');
  int16_t cursor = 1, key = 0;
  PushKeys({kAltC, kRight, 'f', kEnter});
  EditField(5, 10, 0, buffer, cursor, key);
  EXPECT_EQ(buffer, "16/5/2024 ");
  EXPECT_EQ(key, kEnter);
}

// Every way out of either pop-up gives the field back its screen, exit keys (with the saved
// slot the field editor holds), colour role and cursor.
struct GiveBackCase {
  const char* name;
  std::function<std::string()> popup;
  std::vector<int16_t> keys;
  friend void PrintTo(const GiveBackCase& c, std::ostream* out) { *out << c.name; }
};

class PopupGiveBackTest : public CalendarTest,
                          public ::testing::WithParamInterface<GiveBackCase> {};

TEST_P(PopupGiveBackTest, RestoresCallersState) {
  StartOn("20240515");
  SetExitKeys("ea", "3c00");
  SetExitKeys("+ea", "d,1b");
  SetColour("+u");
  services.console.SetCursorShape(platform::CursorShape::kFull);
  PaintPattern();
  const std::vector<platform::Cell> screen = Snapshot();
  const KeyboardState before = Keyboard();
  PushKeys(GetParam().keys);
  GetParam().popup();
  const KeyboardState& after = Keyboard();
  EXPECT_EQ(Snapshot(), screen);
  EXPECT_EQ(after.ExitCodes, before.ExitCodes);
  EXPECT_EQ(after.ExitResults, before.ExitResults);
  EXPECT_EQ(after.SavedCodes, before.SavedCodes);
  EXPECT_TRUE(after.SavedInUse);
  EXPECT_EQ(after.ColourRole, 4);
  EXPECT_EQ(after.RoleStack, before.RoleStack);
  EXPECT_EQ(services.console.Attribute(), RoleAttribute(4));
  EXPECT_EQ(services.console.GetCursorShape(), platform::CursorShape::kFull);
  EXPECT_FALSE(StackFileExists());
}

INSTANTIATE_TEST_SUITE_P(
    WaysOut, PopupGiveBackTest,
    ::testing::Values(GiveBackCase{"CalendarTaken", CalendarPopup, {kPgDn, 'F'}},
                      GiveBackCase{"CalendarEsc", CalendarPopup, {kRight, kEsc}},
                      GiveBackCase{"CalculatorFigure", CalculatorPopup, {'1', 'F'}},
                      GiveBackCase{"CalculatorEsc", CalculatorPopup, {kLeft, '1', '+', kEsc}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zem::testing
