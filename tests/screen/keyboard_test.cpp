#include "screen/keyboard.h"

#include <gtest/gtest.h>

#include "screen_fixture.h"

namespace zem::testing {
namespace {

using platform::InputEvent;

class KeyboardTest : public ScreenTest {
 protected:
  int16_t Read() {
    int16_t key = 0, button = 0, row = 0, column = 0;
    ReadKey(key, button, row, column);
    return key;
  }
  // The exit-key list as codes and results.
  static std::vector<std::pair<int, int>> Entries() {
    std::vector<std::pair<int, int>> entries;
    const KeyboardState& k = Keyboard();
    for (size_t i = 0; i + 1 < k.ExitCodes.size(); i += 2) {
      auto at = [&](const std::string& s) {
        return static_cast<int>(static_cast<int16_t>(static_cast<uint8_t>(s[i]) |
                                                     (static_cast<uint8_t>(s[i + 1]) << 8)));
      };
      entries.push_back({at(k.ExitCodes), at(k.ExitResults)});
    }
    return entries;
  }
};

struct KeyCase {
  const char* name;
  uint8_t ch;
  uint8_t scan;
  uint16_t control;
  int16_t expected;
};

class ReadKeyTest : public KeyboardTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ReadKeyTest, TranslatesConsoleKey) {
  const KeyCase& c = GetParam();
  services.console.Push(InputEvent::Key(c.ch, c.scan, c.control));
  EXPECT_EQ(Read(), c.expected);
  EXPECT_EQ(Read(), 0);  // nothing pending afterwards
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ReadKeyTest,
    ::testing::Values(
        KeyCase{"Letter", 'a', 0x1e, 0, 'a'}, KeyCase{"Accented", 0x87, 0, 0, 0x87},
        KeyCase{"Enter", 13, 0x1c, 0, 13}, KeyCase{"Up", 0, 0x48, 0, 0x4800},
        KeyCase{"F1", 0, 0x3b, 0, 0x3b00}, KeyCase{"AltF1", 0, 0x3b, platform::kLeftAlt, 0x6800},
        KeyCase{"RightAltF4", 0, 0x3e, platform::kRightAlt, 0x6b00},
        KeyCase{"CtrlF4", 0, 0x3e, platform::kLeftCtrl, 0x6100},
        KeyCase{"ShiftF10", 0, 0x44, platform::kShift, 0x5d00},
        KeyCase{"AltWinsOverCtrl", 0, 0x3b, platform::kLeftAlt | platform::kLeftCtrl, 0x6800},
        KeyCase{"AltF11", 0, 0x85, platform::kLeftAlt, static_cast<int16_t>(0x8b00)},
        KeyCase{"CtrlF12", 0, 0x86, platform::kRightCtrl, static_cast<int16_t>(0x8a00)},
        KeyCase{"ShiftF11", 0, 0x85, platform::kShift, static_cast<int16_t>(0x8700)},
        KeyCase{"CtrlHome", 0, 0x47, platform::kLeftCtrl, 0x7700},
        KeyCase{"CtrlLeft", 0, 0x4b, platform::kLeftCtrl, 0x7300},
        KeyCase{"CtrlRight", 0, 0x4d, platform::kRightCtrl, 0x7400},
        KeyCase{"ShiftHomeUnchanged", 0, 0x47, platform::kShift, 0x4700},
        KeyCase{"AltX", 0, 0x2d, platform::kLeftAlt, 0x2d00},
        KeyCase{"AltGrE", 0, 0x12, platform::kRightAlt, 213},
        KeyCase{"RightAltKeypadIsNoDigit", 0, 0x4d, platform::kRightAlt, 0x4d00}),
    [](const auto& info) { return std::string(info.param.name); });

struct AltDigitsCase {
  const char* name;
  std::vector<uint8_t> keypad_scans;
  bool ending_key;
  int16_t expected;
};

class AltKeypadTest : public KeyboardTest, public ::testing::WithParamInterface<AltDigitsCase> {};

TEST_P(AltKeypadTest, ComposesCharacterFromDigits) {
  const AltDigitsCase& c = GetParam();
  for (uint8_t scan : c.keypad_scans)
    services.console.Push(InputEvent::Key(0, scan, platform::kLeftAlt));
  if (c.ending_key) services.console.Push(InputEvent::Key('z', 0x2c));
  EXPECT_EQ(Read(), c.expected);
  // The key that ended the collection is not lost: it is read next.
  EXPECT_EQ(Read(), c.ending_key ? 'z' : 0);
  EXPECT_EQ(Read(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Digits, AltKeypadTest,
    ::testing::Values(AltDigitsCase{"SixFiveIsA", {0x4d, 0x4c}, true, 'A'},
                      AltDigitsCase{"EndsWhenNothingPending", {0x4d, 0x4c}, false, 'A'},
                      AltDigitsCase{"OneThreeZero", {0x4f, 0x51, 0x52}, true, 130},
                      AltDigitsCase{"Modulo256", {0x50, 0x50, 0x4f}, true, 221},
                      AltDigitsCase{"NineNineNine", {0x49, 0x49, 0x49}, false, 999 % 256}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardTest, ClickAfterAltKeypadIsKept) {
  services.console.Push(InputEvent::Key(0, 0x4d, platform::kLeftAlt));
  services.console.Push(InputEvent::Mouse(1, 4, 9));
  EXPECT_EQ(Read(), 6);
  int16_t key = 0, button = 0, row = 0, column = 0;
  ReadKey(key, button, row, column);
  EXPECT_EQ(button, 1);
  EXPECT_EQ(row, 4);
  EXPECT_EQ(column, 9);
}

TEST_F(KeyboardTest, TypeAheadComesFirst) {
  PushKeys({'x'});
  Keyboard().TypeAhead = "12";
  EXPECT_EQ(Read(), '1');
  EXPECT_EQ(Read(), '2');
  EXPECT_EQ(Read(), 'x');
  EXPECT_TRUE(Keyboard().TypeAhead.empty());
}

TEST_F(KeyboardTest, MouseReportingIsSwitchedAroundEachRead) {
  services.console.Push(InputEvent{});
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(Keyboard().MouseState, 1);
  EXPECT_TRUE(services.console.mouse_reporting());

  services.console.Push(InputEvent::Mouse(2, 7, 33));
  int16_t key = -1, button = 0, row = 0, column = 0;
  ReadKey(key, button, row, column);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(button, 2);
  EXPECT_EQ(row, 7);
  EXPECT_EQ(column, 33);
  EXPECT_EQ(Keyboard().MouseState, 2);
  EXPECT_FALSE(services.console.mouse_reporting());
}

TEST_F(KeyboardTest, WithoutMouseClicksAreNotReported) {
  services.console.set_has_mouse(false);
  services.console.Push(InputEvent::Mouse(1, 3, 4));
  int16_t key = 0, button = 0, row = 0, column = 0;
  ReadKey(key, button, row, column);
  EXPECT_EQ(Keyboard().MouseState, 3);
  EXPECT_EQ(button, 0);
  EXPECT_EQ(row, 0);
  EXPECT_FALSE(services.console.mouse_reporting());
}

TEST_F(KeyboardTest, WaitKeySkipsEmptyPollsAndEncodesClicks) {
  services.console.Push(InputEvent{});
  services.console.Push(InputEvent{});
  PushKey(keys::kF2);
  services.console.Push(InputEvent::Mouse(1, 5, 10));
  services.console.Push(InputEvent::Mouse(2, 25, 80));
  int16_t key = 0;
  WaitKey(key);
  EXPECT_EQ(key, keys::kF2);
  EXPECT_EQ(services.clock.sleeps().size(), 2u);  // one short pause per empty poll
  WaitKey(key);
  EXPECT_EQ(key, 10 * 256 + 1 * 64 + 5);
  WaitKey(key);
  EXPECT_EQ(key, 80 * 256 + 2 * 64 + 25);
}

TEST_F(KeyboardTest, FlushKeysDiscardsPendingInput) {
  services.console.Push(InputEvent::Key(0, 0x4d, platform::kLeftAlt));
  PushKeys({'a', 'b'});
  EXPECT_EQ(Read(), 6);  // 'a' is held back
  FlushKeys();
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(services.console.Pending(), 0u);
  EXPECT_EQ(services.console.discards(), 1);
}

TEST_F(KeyboardTest, CalculatorResultIsTypedAhead) {
  int calls = 0;
  Keyboard().Calculator = [&] {
    ++calls;
    // Alt+X inside the calculator does not open it again.
    PushKey(keys::kAltX);
    EXPECT_EQ(Read(), keys::kAltX);
    EXPECT_TRUE(Keyboard().CalculatorOpen);
    return std::string("12,5");
  };
  PushKey(keys::kAltX);
  EXPECT_EQ(Read(), keys::kAltX);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(Keyboard().CalculatorOpen);
  std::string typed;
  for (int i = 0; i < 4; ++i) typed += static_cast<char>(Read());
  EXPECT_EQ(typed, "12,5");
}

TEST_F(KeyboardTest, CalendarResultIsTypedAheadAndKeyWithoutHookPassesThrough) {
  PushKey(keys::kAltC);
  EXPECT_EQ(Read(), keys::kAltC);  // no calendar yet: only the key
  EXPECT_TRUE(Keyboard().TypeAhead.empty());
  Keyboard().Calendar = [] { return std::string("08/12/26"); };
  PushKey(keys::kAltC);
  EXPECT_EQ(Read(), keys::kAltC);
  EXPECT_EQ(Keyboard().TypeAhead, "08/12/26");
}

struct ExitKeysStep {
  const char* operations;
  const char* keys;
};

struct ExitKeysCase {
  const char* name;
  std::vector<ExitKeysStep> steps;
  std::vector<std::pair<int, int>> expected;
  uint8_t mask;
};

class SetExitKeysTest : public KeyboardTest, public ::testing::WithParamInterface<ExitKeysCase> {};

TEST_P(SetExitKeysTest, ChangesTheList) {
  const ExitKeysCase& c = GetParam();
  for (const ExitKeysStep& step : c.steps) SetExitKeys(step.operations, step.keys);
  EXPECT_EQ(Entries(), c.expected);
  EXPECT_EQ(Keyboard().MaskChar, c.mask);
  EXPECT_EQ(Keyboard().ExitCodes.size(), Keyboard().ExitResults.size());
}

INSTANTIATE_TEST_SUITE_P(
    Operations, SetExitKeysTest,
    ::testing::Values(
        ExitKeysCase{"Add", {{"ea", "d,1b,4800"}}, {{13, 13}, {27, 27}, {0x4800, 0x4800}}, 0},
        ExitKeysCase{"AddWithResult", {{"a", "4800=1b"}}, {{0x4800, 27}}, 0},
        ExitKeysCase{
            "UpperCaseAndHexCase", {{"EA", "4B00,5000=D"}}, {{0x4b00, 0x4b00}, {0x5000, 13}}, 0},
        ExitKeysCase{"EmptyItemIsZero", {{"a", ",3b00"}}, {{0, 0}, {0x3b00, 0x3b00}}, 0},
        ExitKeysCase{"NegativeCodes",
                     {{"a", "8500"}},
                     {{static_cast<int16_t>(0x8500), static_cast<int16_t>(0x8500)}},
                     0},
        ExitKeysCase{"Delete", {{"a", "d,1b,4800=5000"}, {"d", "4800,d"}}, {{27, 27}}, 0},
        ExitKeysCase{
            "DeleteFirstOnly", {{"a", "d,1b,d=4f00"}, {"d", "d"}}, {{27, 27}, {13, 0x4f00}}, 0},
        ExitKeysCase{"DeleteMissingChangesNothing", {{"a", "d"}, {"d", "1b"}}, {{13, 13}}, 0},
        // 0x1b00 holds a byte 1b at an odd offset: only whole entries match.
        ExitKeysCase{"DeleteAtEvenOffsetsOnly",
                     {{"a", "1b00,d"}, {"d", "1b"}},
                     {{0x1b00, 0x1b00}, {13, 13}},
                     0},
        ExitKeysCase{"Empty", {{"a", "d"}, {"e", ""}}, {}, 0},
        ExitKeysCase{"SaveAndRestore", {{"a", "d"}, {"+ea", "1b"}, {"-", ""}}, {{13, 13}}, 0},
        ExitKeysCase{"SecondSaveKeepsFirst",
                     {{"a", "d"}, {"+ea", "1b"}, {"+ea", "4800"}, {"-", ""}},
                     {{13, 13}},
                     0},
        ExitKeysCase{"RestoreWithoutSave", {{"a", "d"}, {"-", ""}}, {{13, 13}}, 0},
        ExitKeysCase{"MaskOn", {{"h", ""}}, {}, 'X'},
        ExitKeysCase{"MaskOff", {{"h", ""}, {"v", ""}}, {}, 0},
        ExitKeysCase{"OtherLettersIgnored", {{"qz", "d"}}, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardTest, RestoreFreesTheSlot) {
  SetExitKeys("a", "d");
  SetExitKeys("+e", "");
  SetExitKeys("-", "");
  SetExitKeys("ea", "1b");
  SetExitKeys("+e", "");
  SetExitKeys("-", "");
  EXPECT_EQ(Entries(), (std::vector<std::pair<int, int>>{{27, 27}}));
  EXPECT_FALSE(Keyboard().SavedInUse);
}

struct ColourCase {
  const char* name;
  std::vector<const char*> codes;
  int role;
  std::string stack;
};

class SetColourTest : public KeyboardTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(SetColourTest, SelectsRole) {
  const ColourCase& c = GetParam();
  services.console.SetColours(9, 9);
  for (const char* code : c.codes) SetColour(code);
  EXPECT_EQ(Keyboard().ColourRole, c.role);
  EXPECT_EQ(Keyboard().RoleStack, c.stack);
  if (c.codes.size() == 1 && std::string(c.codes[0]).find_first_not_of(' ') == std::string::npos) {
    EXPECT_EQ(services.console.Attribute(), 9 + 16 * 9);  // unchanged
  } else {
    EXPECT_EQ(services.console.Attribute(), RoleAttribute(c.role));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SetColourTest,
    ::testing::Values(ColourCase{"Values", {"h"}, 0, ""}, ColourCase{"Normal", {"n"}, 1, ""},
                      ColourCase{"Reverse", {"r"}, 2, ""},
                      ColourCase{"ReverseHighlight", {"rh"}, 2, ""},
                      ColourCase{"ReverseNormal", {"rn"}, 3, ""}, ColourCase{"Field", {"u"}, 4, ""},
                      ColourCase{"FieldWins", {"Urn"}, 4, ""},
                      ColourCase{"Push", {"n", "+u"}, 4, "1"},
                      ColourCase{"PushPop", {"n", "+u", "-"}, 1, ""},
                      ColourCase{"PopIgnoresLetters", {"r", "+n", "-u"}, 2, ""},
                      ColourCase{"PopEmptyIsValues", {"u", "-"}, 0, ""},
                      ColourCase{"NestedPushes", {"n", "+r", "+u", "-"}, 2, "1"},
                      ColourCase{"Blank", {"  "}, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardTest, BlankCodeKeepsCurrentRole) {
  SetColour("u");
  SetColour("");
  SetColour(" ");
  EXPECT_EQ(Keyboard().ColourRole, 4);
  EXPECT_EQ(services.console.Attribute(), RoleAttribute(4));
}

TEST_F(KeyboardTest, BeepSoundsTheConsole) {
  Beep();
  EXPECT_EQ(services.console.beeps(), 1);
}

}  // namespace
}  // namespace zem::testing
