#include "platform/key_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/scan_codes.h"

namespace zem::platform {
namespace {

using Events = std::vector<InputEvent>;

InputEvent Key(uint8_t scan_code, uint16_t control = 0) {
  return InputEvent::Key(0, scan_code, control);
}
InputEvent Char(uint8_t ch, uint8_t scan_code = 0, uint16_t control = 0) {
  return InputEvent::Key(ch, scan_code, control);
}

struct ScriptCase {
  const char* name;
  const char* script;
  Events expected;
};

class KeyScriptTest : public testing::TestWithParam<ScriptCase> {};

TEST_P(KeyScriptTest, ParsesItems) {
  Events events;
  std::string error;
  ASSERT_TRUE(ParseKeyScript(GetParam().script, &events, &error)) << error;
  EXPECT_EQ(events, GetParam().expected);
}

const ScriptCase kScriptCases[] = {
    {"function_keys",
     "F1 F10 F11 F12",
     {Key(scan::kF1), Key(scan::kF1 + 9), Key(scan::kF11), Key(scan::kF12)}},
    {"modified_function_keys",
     "Shift+F1 Ctrl+F4 Alt+F4 Ctrl+Shift+F2",
     {Key(scan::kF1, kShift), Key(scan::kF1 + 3, kLeftCtrl), Key(scan::kF1 + 3, kLeftAlt),
      Key(scan::kF1 + 1, kShift | kLeftCtrl)}},
    {"alt_letters_either_case",
     "Alt+X Alt+c",
     {Key(scan::Letter('x'), kLeftAlt), Key(scan::Letter('c'), kLeftAlt)}},
    {"ctrl_letters_are_control_characters",
     "Ctrl+C Ctrl+V Ctrl+y Ctrl+B",
     {Char(3, scan::Letter('c'), kLeftCtrl), Char(22, scan::Letter('v'), kLeftCtrl),
      Char(25, scan::Letter('y'), kLeftCtrl), Char(2, scan::Letter('b'), kLeftCtrl)}},
    {"cursor_keys",
     "Up Down Left Right Home End PgUp PgDn Ins Del Pad5",
     {Key(scan::kUp), Key(scan::kDown), Key(scan::kLeft), Key(scan::kRight), Key(scan::kHome),
      Key(scan::kEnd), Key(scan::kPgUp), Key(scan::kPgDn), Key(scan::kIns), Key(scan::kDel),
      Key(scan::kPad5)}},
    {"ctrl_cursor_keys",
     "Ctrl+Left Ctrl+Right Ctrl+Home",
     {Key(scan::kLeft, kLeftCtrl), Key(scan::kRight, kLeftCtrl), Key(scan::kHome, kLeftCtrl)}},
    {"keys_with_characters",
     "Enter Esc Tab Backspace Space",
     {Char(13, scan::kEnter), Char(27, scan::kEsc), Char(9, scan::kTab), Char(8, scan::kBackspace),
      Char(' ', scan::kSpace)}},
    {"ctrl_enter_is_line_feed", "Ctrl+Enter", {Char(10, scan::kEnter, kLeftCtrl)}},
    {"shift_tab_has_no_character", "Shift+Tab", {Char(0, scan::kTab, kShift)}},
    {"names_ignore_case",
     "ENTER esc pgdn",
     {Char(13, scan::kEnter), Char(27, scan::kEsc), Key(scan::kPgDn)}},
    {"quoted_text_in_code_page_850",
     "\"Caf\xc3\xa9 \xc3\xa7\"",
     {Char('C'), Char('a'), Char('f'), Char(0x82), Char(' ', scan::kSpace), Char(0x87)}},
    {"quote_escapes", R"("a\"b\\")", {Char('a'), Char('"'), Char('b'), Char('\\')}},
    {"single_characters", "S n \xc3\xb1", {Char('S'), Char('n'), Char(0xa4)}},
    {"shift_letter_is_capital", "Shift+a", {Char('A', 0, kShift)}},
    {"clicks",
     "Click 10,5 RightClick 1,80 MiddleClick 25,1",
     {InputEvent::Mouse(1, 10, 5), InputEvent::Mouse(2, 1, 80), InputEvent::Mouse(3, 25, 1)}},
    {"waits",
     "Wait Wait 2 Enter",
     {InputEvent{}, InputEvent{}, InputEvent{}, Char(13, scan::kEnter)}},
    {"alt_keypad_digits",
     "AltPad 1 3 0 Enter",
     {Key(scan::kEnd, kLeftAlt), Key(scan::kPgDn, kLeftAlt), Key(scan::kIns, kLeftAlt),
      Char(13, scan::kEnter)}},
    {"keypad_digit_keys", "AltPad 6 5", {Key(scan::kRight, kLeftAlt), Key(scan::kPad5, kLeftAlt)}},
    {"char_codes", "Char 130 Char 1", {Char(130), Char(1)}},
    {"lines_and_comments",
     "F2   # the second key\n\n  Esc # leave\n",
     {Key(scan::kF1 + 1), Char(27, scan::kEsc)}},
    {"hash_inside_quotes_is_text", "\"#1\"", {Char('#'), Char('1')}},
    {"empty_script", "  \n # nothing\n", {}},
};

INSTANTIATE_TEST_SUITE_P(Scripts, KeyScriptTest, testing::ValuesIn(kScriptCases),
                         [](const testing::TestParamInfo<ScriptCase>& info) {
                           return std::string(info.param.name);
                         });

struct BadScriptCase {
  const char* name;
  const char* script;
  const char* line;  // the line the error names
};

class BadKeyScriptTest : public testing::TestWithParam<BadScriptCase> {};

TEST_P(BadKeyScriptTest, RefusesAndNamesTheLine) {
  Events events{Char('z')};
  std::string error;
  EXPECT_FALSE(ParseKeyScript(GetParam().script, &events, &error));
  EXPECT_EQ(error.rfind(std::string("line ") + GetParam().line + ":", 0), 0u) << error;
  EXPECT_EQ(events, Events{Char('z')}) << "a refused script adds nothing";
}

const BadScriptCase kBadScriptCases[] = {
    {"unknown_name", "Enter\nFrobnicate", "2"},
    {"unknown_modifier", "Hyper+X", "1"},
    {"function_key_out_of_range", "F13", "1"},
    {"open_quote", "\"abc", "1"},
    {"character_outside_code_page", "\n\"\xe2\x82\xac\"", "2"},
    {"click_without_position", "Click", "1"},
    {"click_bad_position", "Click 10;5", "1"},
    {"click_zero_row", "Click 0,5", "1"},
    {"altpad_without_digits", "AltPad Enter", "1"},
    {"char_out_of_range", "Char 256", "1"},
    {"char_zero", "Char 0", "1"},
};

INSTANTIATE_TEST_SUITE_P(Faults, BadKeyScriptTest, testing::ValuesIn(kBadScriptCases),
                         [](const testing::TestParamInfo<BadScriptCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(PushKeyScript, QueuesEventsInOrderWithEmptyPolls) {
  MemoryConsole console;
  ASSERT_TRUE(PushKeyScript(&console, "\"ab\" Wait Click 3,4"));
  InputEvent event;
  ASSERT_TRUE(console.PollEvent(&event));
  EXPECT_EQ(event, Char('a'));
  ASSERT_TRUE(console.PollEvent(&event));
  EXPECT_EQ(event, Char('b'));
  EXPECT_FALSE(console.PollEvent(&event)) << "Wait is one poll that finds nothing";
  ASSERT_TRUE(console.PollEvent(&event));
  EXPECT_EQ(event, InputEvent::Mouse(1, 3, 4));
  EXPECT_FALSE(console.PollEvent(&event));
}

TEST(DumpScreen, ShowsFramesAndAccentsAsUtf8) {
  MemoryConsole console;
  console.PutText(1, 1, "\xc9\xcd\xcd\xbb");
  console.PutText(2, 1, "\xba\x82\x87\xba");
  console.PutText(3, 1, "\xc8\xcd\xcd\xbc");
  console.PutText(4, 3, "\x11 \x10");
  DumpOptions options;
  options.bottom = 5;
  EXPECT_EQ(DumpScreen(console, options),
            "\xe2\x95\x94\xe2\x95\x90\xe2\x95\x90\xe2\x95\x97\n"
            "\xe2\x95\x91\xc3\xa9\xc3\xa7\xe2\x95\x91\n"
            "\xe2\x95\x9a\xe2\x95\x90\xe2\x95\x90\xe2\x95\x9d\n"
            "  \xe2\x97\x84 \xe2\x96\xba\n"
            "\n");
  EXPECT_EQ(ScreenLine(console, 2), "\xe2\x95\x91\xc3\xa9\xc3\xa7\xe2\x95\x91");
}

TEST(DumpScreen, FullScreenHasOneLinePerRow) {
  MemoryConsole console;
  std::string dump = DumpScreen(console);
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), Console::kRows);
  EXPECT_EQ(dump, std::string(Console::kRows, '\n'));
}

TEST(DumpScreen, UntrimmedRegionKeepsBlanks) {
  MemoryConsole console;
  console.PutText(2, 3, "ab");
  DumpOptions options;
  options.top = options.bottom = 2;
  options.left = 2;
  options.right = 6;
  options.trim = false;
  EXPECT_EQ(DumpScreen(console, options), " ab  \n");
}

TEST(DumpScreen, AttributeLayerPutsDigitsUnderTheirCells) {
  MemoryConsole console;
  console.SetColours(15, 1);
  console.PutText(1, 2, "Hi");
  console.SetColours(0, 7);
  console.PutText(2, 1, "x");
  DumpOptions options;
  options.bottom = 2;
  options.right = 4;
  options.attributes = true;
  EXPECT_EQ(DumpScreen(console, options),
            " Hi\n"
            "x\n"
            "-- foreground\n"
            "7ff7\n"
            "0777\n"
            "-- background\n"
            "0110\n"
            "7000\n");
}

}  // namespace
}  // namespace zem::platform
