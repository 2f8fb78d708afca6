#include "screen/field_editor.h"

#include <gtest/gtest.h>

#include "screen_fixture.h"

namespace zem::testing {
namespace {

constexpr int16_t kRow = 5;
constexpr int16_t kColumn = 10;

struct EditResult {
  std::string buffer;
  int16_t cursor;
  int16_t key;
};

class FieldEditorTest : public ScreenTest {
 protected:
  EditResult Edit(std::string buffer, int16_t line_width, int16_t cursor,
                  const std::vector<int16_t>& codes, int16_t row = kRow, int16_t column = kColumn) {
    PushKeys(codes);
    int16_t key = 0;
    EditField(row, column, line_width, buffer, cursor, key);
    return {buffer, cursor, key};
  }
  // Runs `during` when the script reaches it, while the editor waits for the next key (the
  // calculator's entry point in the key reader is the hook; Alt+X then is not an exit key).
  void AtThisPoint(std::function<void()> during) {
    Keyboard().Calculator = [during] {
      during();
      return std::string();
    };
    PushKey(keys::kAltX);
  }
};

struct EditCase {
  const char* name;
  std::string buffer;
  int16_t line_width;
  int16_t cursor;
  std::vector<int16_t> keys;
  const char* exit_list;  // null: empty list
  bool insert;
  std::string expected_buffer;
  int16_t expected_cursor;
  int16_t expected_key;
};

class EditKeysTest : public FieldEditorTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditKeysTest, Edits) {
  const EditCase& c = GetParam();
  if (c.exit_list) SetExitKeys("ea", c.exit_list);
  services.console.SetInsertMode(c.insert);
  EditResult r = Edit(c.buffer, c.line_width, c.cursor, c.keys);
  EXPECT_EQ(r.buffer, c.expected_buffer);
  EXPECT_EQ(r.cursor, c.expected_cursor);
  EXPECT_EQ(r.key, c.expected_key);
  EXPECT_EQ(services.console.Pending(), 0u) << "keys left over";
}

using namespace keys;
const std::string kTen = "abcdefghij";
const std::string k120(120, ' ');
const std::string kWords = "one two,three";
const char* kNavigation = "d,1b,4800,5000,4900,5100,4b00,4d00";

INSTANTIATE_TEST_SUITE_P(
    Cursor, EditKeysTest,
    ::testing::Values(
        EditCase{"RightStopsAtEnd",
                 kTen,
                 0,
                 9,
                 {kRight, kRight, kRight, kEnter},
                 nullptr,
                 true,
                 kTen,
                 11,
                 kEnter},
        EditCase{"DownEndsSingleLine", kTen, 0, 2, {kDown}, nullptr, true, kTen, 2, kDown},
        EditCase{"UpEndsSingleLine", kTen, 0, 2, {kUp}, nullptr, true, kTen, 2, kUp},
        EditCase{"LeftStopsAtOne",
                 kTen,
                 0,
                 2,
                 {kLeft, kLeft, kLeft, kEnter},
                 nullptr,
                 true,
                 kTen,
                 1,
                 kEnter},
        EditCase{"Home", kTen, 0, 7, {kHome, kEnter}, nullptr, true, kTen, 1, kEnter},
        EditCase{"EndAfterLastNonBlank",
                 "ab  cd    ",
                 0,
                 2,
                 {kEnd, kEnter},
                 nullptr,
                 true,
                 "ab  cd    ",
                 7,
                 kEnter},
        EditCase{
            "EndOfBlankBuffer", "     ", 0, 4, {kEnd, kEnter}, nullptr, true, "     ", 1, kEnter},
        EditCase{"NegativeLineWidthIsOneLine",
                 kTen,
                 -3,
                 9,
                 {kRight, kRight, kRight, kDown},
                 nullptr,
                 true,
                 kTen,
                 11,
                 kDown},
        EditCase{"CursorBelowOneClamped", kTen, 0, 0, {kEnter}, nullptr, true, kTen, 1, kEnter},
        EditCase{"CursorPastEndClamped", kTen, 0, 99, {kEnter}, nullptr, true, kTen, 11, kEnter},
        EditCase{"MultiLineDown", k120, 40, 5, {kDown, kEnter}, nullptr, true, k120, 45, kEnter},
        EditCase{
            "MultiLineDownFromLastLineEnds", k120, 40, 85, {kDown}, nullptr, true, k120, 85, kDown},
        EditCase{
            "MultiLineDownToEnd", k120, 40, 81, {kDown, kEnter}, nullptr, true, k120, 121, kEnter},
        EditCase{"MultiLineUp", k120, 40, 45, {kUp, kEnter}, nullptr, true, k120, 5, kEnter},
        EditCase{"MultiLineUpFromFirstLineEnds", k120, 40, 40, {kUp}, nullptr, true, k120, 40, kUp},
        EditCase{"ShiftTabMovesUpThenEndsAsUp",
                 k120,
                 40,
                 45,
                 {kShiftTab, kShiftTab},
                 nullptr,
                 true,
                 k120,
                 5,
                 kUp},
        EditCase{"CtrlLeftWordByWord",
                 kWords,
                 0,
                 14,
                 {kCtrlLeft, kCtrlLeft, kEnter},
                 nullptr,
                 true,
                 kWords,
                 5,
                 kEnter},
        EditCase{
            "CtrlLeftToStart", kWords, 0, 5, {kCtrlLeft, kEnter}, nullptr, true, kWords, 1, kEnter},
        EditCase{"CtrlLeftWordAtTwoGoesToOne",
                 " abc def",
                 0,
                 5,
                 {kCtrlLeft, kEnter},
                 nullptr,
                 true,
                 " abc def",
                 1,
                 kEnter},
        EditCase{"CtrlLeftPastSeparators",
                 "x abc ;,de",
                 0,
                 9,
                 {kCtrlLeft, kEnter},
                 nullptr,
                 true,
                 "x abc ;,de",
                 3,
                 kEnter},
        EditCase{
            "CtrlLeftAtOneEnds", kWords, 0, 1, {kCtrlLeft}, nullptr, true, kWords, 1, kCtrlLeft},
        EditCase{"CtrlRightWordByWord",
                 kWords,
                 0,
                 1,
                 {kCtrlRight, kCtrlRight, kEnter},
                 nullptr,
                 true,
                 kWords,
                 9,
                 kEnter},
        EditCase{"CtrlRightToEnd",
                 kWords,
                 0,
                 9,
                 {kCtrlRight, kEnter},
                 nullptr,
                 true,
                 kWords,
                 14,
                 kEnter},
        EditCase{"CtrlRightAtEndEnds",
                 kWords,
                 0,
                 14,
                 {kCtrlRight},
                 nullptr,
                 true,
                 kWords,
                 14,
                 kCtrlRight}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Typing, EditKeysTest,
    ::testing::Values(
        EditCase{"InsertShiftsRight",
                 "ab   ",
                 0,
                 1,
                 {'x', 'y', kEnter},
                 nullptr,
                 true,
                 "xyab ",
                 3,
                 kEnter},
        EditCase{"InsertIntoFullBufferDoesNothing",
                 "abcde",
                 0,
                 2,
                 {'x', kEnter},
                 nullptr,
                 true,
                 "abcde",
                 2,
                 kEnter},
        EditCase{"InsertAtEndDoesNothing",
                 "ab   ",
                 0,
                 6,
                 {'x', kEnter},
                 nullptr,
                 true,
                 "ab   ",
                 6,
                 kEnter},
        EditCase{"Overwrite", "abcde", 0, 2, {'x', 'y', kEnter}, "d", false, "axyde", 4, kEnter},
        EditCase{"OverwriteAtEndDoesNothing",
                 "abc",
                 0,
                 4,
                 {'x', kEnter},
                 nullptr,
                 false,
                 "abc",
                 4,
                 kEnter},
        EditCase{"AccentedAndBlankAreTyped",
                 "    ",
                 0,
                 1,
                 {0x82, ' ', 0xa4, kEnter},
                 nullptr,
                 false,
                 "\x82 \xa4 ",
                 4,
                 kEnter},
        EditCase{
            "Backspace", "abcde", 0, 3, {kBackspace, kEnter}, nullptr, true, "acde ", 2, kEnter},
        EditCase{"BackspaceAtStart",
                 "abcde",
                 0,
                 1,
                 {kBackspace, kEnter},
                 nullptr,
                 true,
                 "abcde",
                 1,
                 kEnter},
        EditCase{"Del", "abcde", 0, 2, {kDel, kEnter}, nullptr, true, "acde ", 2, kEnter},
        EditCase{"DelAtEndDoesNothing",
                 "abcde",
                 0,
                 6,
                 {kDel, kEnter},
                 nullptr,
                 true,
                 "abcde",
                 6,
                 kEnter},
        EditCase{"CtrlY", "abcde", 0, 3, {kCtrlY, kEnter}, nullptr, true, "     ", 1, kEnter},
        EditCase{"CtrlHome", "abcde", 0, 3, {kCtrlHome, kEnter}, nullptr, true, "     ", 1, kEnter},
        EditCase{"InsKeyTogglesToOverwrite",
                 "abc",
                 0,
                 1,
                 {kIns, 'x', kEnter},
                 nullptr,
                 true,
                 "xbc",
                 2,
                 kEnter},
        EditCase{"MultiLineTypingCrossesLines",
                 std::string(6, ' '),
                 3,
                 3,
                 {'a', 'b', kEnter},
                 nullptr,
                 false,
                 "  ab  ",
                 5,
                 kEnter}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Ending, EditKeysTest,
    ::testing::Values(
        EditCase{"UnlistedKeyIgnored", kTen, 0, 1, {kF5, kEsc}, kNavigation, true, kTen, 1, kEsc},
        EditCase{"AnyKeyEndsWithEmptyList", kTen, 0, 1, {kF5}, nullptr, true, kTen, 1, kF5},
        EditCase{"ResultReplacesKey", kTen, 0, 1, {kUp}, "4800=1b", true, kTen, 1, kEsc},
        EditCase{"TabIsEnter", kTen, 0, 1, {kTab}, nullptr, true, kTen, 1, kEnter},
        EditCase{"TabIsEnterInList", kTen, 0, 1, {kTab}, "d", true, kTen, 1, kEnter},
        EditCase{"EnterIsEndWhenEndListed", kTen, 0, 1, {kEnter}, "4f00,1b", true, kTen, 1, kEnd},
        EditCase{"TabIsEndWhenEndListed", kTen, 0, 1, {kTab}, "4f00,1b", true, kTen, 1, kEnd},
        EditCase{"EnterStaysWithoutEnd", kTen, 0, 1, {kEnter}, "d,1b", true, kTen, 1, kEnter},
        EditCase{"CtrlF4IsEsc", kTen, 0, 1, {kCtrlF4}, "1b", true, kTen, 1, kEsc},
        EditCase{"AltF4IsEsc", kTen, 0, 1, {kAltF4}, nullptr, true, kTen, 1, kEsc},
        EditCase{
            "EnterNotListedIgnored", kTen, 0, 1, {kEnter, kPgDn}, "5100", true, kTen, 1, kPgDn},
        EditCase{"F11EndsLikeAClick", kTen, 0, 1, {kF11}, "d", true, kTen, 1, kF11}),
    [](const auto& info) { return std::string(info.param.name); });

struct ClickCase {
  const char* name;
  std::string buffer;
  int16_t line_width;
  int row;
  int column;
  int16_t expected_cursor;
  bool ends;
};

class EditClickTest : public FieldEditorTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(EditClickTest, ClickMovesCursorOrEnds) {
  const ClickCase& c = GetParam();
  SetExitKeys("ea", "d");
  // The field stands at window row 2, column 5 of a window whose corner is (3, 4).
  ASSERT_TRUE(OpenWindow(3, 4, 20, 70));
  PushClick(c.row, c.column);
  if (!c.ends) PushKey(kEnter);
  std::string buffer = c.buffer;
  int16_t cursor = 1, key = 0;
  EditField(2, 5, c.line_width, buffer, cursor, key);
  EXPECT_EQ(cursor, c.expected_cursor);
  EXPECT_EQ(key, c.ends ? -(c.column * 100 + c.row) : kEnter);
}

INSTANTIATE_TEST_SUITE_P(
    Points, EditClickTest,
    ::testing::Values(ClickCase{"FirstCharacter", kTen, 0, 5, 9, 1, false},
                      ClickCase{"Inside", kTen, 0, 5, 13, 5, false},
                      ClickCase{"AfterLast", kTen, 0, 5, 19, 11, false},
                      ClickCase{"PastField", kTen, 0, 5, 20, 1, true},
                      ClickCase{"LeftOfField", kTen, 0, 5, 8, 1, true},
                      ClickCase{"RowBelow", kTen, 0, 6, 12, 1, true},
                      ClickCase{"SecondLine", std::string(12, ' '), 4, 6, 10, 6, false},
                      ClickCase{"ThirdLineLastColumn", std::string(12, ' '), 4, 7, 12, 12, false},
                      ClickCase{"BelowLines", std::string(12, ' '), 4, 8, 10, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FieldEditorTest, ShowsBufferInFieldColoursAndPlacesCursor) {
  services.console.SetInsertMode(false);
  std::vector<std::string> seen;
  platform::CursorShape shape = platform::CursorShape::kHidden;
  int cursor_row = 0, cursor_column = 0;
  SetExitKeys("ea", "d");
  PushKeys({kRight, kRight});
  AtThisPoint([&] {
    seen.push_back(TextAt(kRow, kColumn, 10));
    shape = services.console.GetCursorShape();
    cursor_row = services.console.CursorRow();
    cursor_column = services.console.CursorColumn();
  });
  PushKey(kEnter);
  std::string buffer = "hello     ";
  int16_t cursor = 1, key = 0;
  EditField(kRow, kColumn, 0, buffer, cursor, key);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], "hello     ");
  EXPECT_EQ(shape, platform::CursorShape::kFull);
  EXPECT_EQ(cursor_row, kRow);
  EXPECT_EQ(cursor_column, kColumn + 2);
  EXPECT_EQ(services.console.CellAt(kRow, kColumn).attr, RoleAttribute(4));
  // Afterwards: values colour, the cursor at the field's start, hidden.
  EXPECT_EQ(Keyboard().ColourRole, 0);
  EXPECT_EQ(services.console.CursorRow(), kRow);
  EXPECT_EQ(services.console.CursorColumn(), kColumn);
  EXPECT_EQ(services.console.GetCursorShape(), platform::CursorShape::kHidden);
}

TEST_F(FieldEditorTest, CursorAtEndOfMultiLineFieldStaysOnLastLine) {
  int cursor_row = 0, cursor_column = 0;
  platform::CursorShape shape = platform::CursorShape::kHidden;
  SetExitKeys("ea", "d");
  AtThisPoint([&] {
    cursor_row = services.console.CursorRow();
    cursor_column = services.console.CursorColumn();
    shape = services.console.GetCursorShape();
  });
  PushKey(kEnter);
  std::string buffer(120, 'x');
  int16_t cursor = 121, key = 0;
  EditField(kRow, kColumn, 40, buffer, cursor, key);
  EXPECT_EQ(cursor_row, kRow + 2);
  EXPECT_EQ(cursor_column, kColumn + 40);
  EXPECT_EQ(shape, platform::CursorShape::kHalf);
  EXPECT_EQ(TextAt(kRow + 2, kColumn, 41), std::string(40, 'x') + " ");
}

TEST_F(FieldEditorTest, MissingRowAndColumnComeFromTheCursor) {
  services.console.SetCursor(8, 30);
  EditResult r = Edit("ab ", 0, 1, {'z', kEnter}, 0, 0);
  EXPECT_EQ(r.buffer, "zab");
  EXPECT_EQ(TextAt(8, 30, 3), "zab");
}

TEST_F(FieldEditorTest, MissingRowAndColumnInsideAWindowStayWhereTheCursorIs) {
  ASSERT_TRUE(OpenWindow(4, 10, 20, 70));
  services.console.SetCursor(8, 30);
  EditResult r = Edit("ab ", 0, 1, {'z', kEnter}, 0, 0);
  EXPECT_EQ(r.buffer, "zab");
  EXPECT_EQ(TextAt(8, 30, 3), "zab");
  EXPECT_EQ(services.console.CursorRow(), 8);
  EXPECT_EQ(services.console.CursorColumn(), 30);
  CloseWindow();
}

TEST_F(FieldEditorTest, MaskHidesTheCharacters) {
  SetExitKeys("h", "");
  services.console.SetInsertMode(false);
  EditResult r = Edit("      ", 0, 1, {'p', 'w', kEnter});
  EXPECT_EQ(r.buffer, "pw    ");
  EXPECT_EQ(TextAt(kRow, kColumn, 7), "XXXXXX ");
}

TEST_F(FieldEditorTest, CopyPutsTrimmedBufferOnClipboard) {
  EditResult r = Edit("  two words  ", 0, 1, {kCtrlC, kEnter});
  EXPECT_EQ(services.console.ClipboardText(), "two words");
  EXPECT_EQ(r.buffer, "  two words  ");
}

struct PasteCase {
  const char* name;
  std::string clipboard;
  std::string buffer;
  int16_t cursor;
  std::string expected;
};

class PasteTest : public FieldEditorTest, public ::testing::WithParamInterface<PasteCase> {};

TEST_P(PasteTest, PastesCleanedClipboardFromCursor) {
  const PasteCase& c = GetParam();
  services.console.SetClipboardText(c.clipboard);
  EditResult r = Edit(c.buffer, 0, c.cursor, {kCtrlV, kEnter});
  EXPECT_EQ(r.buffer, c.expected);
  EXPECT_EQ(r.cursor, c.cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PasteTest,
    ::testing::Values(PasteCase{"Plain", "xy", "abcdef", 2, "axydef"},
                      PasteCase{"ControlsDropped", std::string("\x01 x\ty\x7f\xff \r\n", 10),
                                "abcdef", 1, "xycdef"},
                      PasteCase{"CutAtBufferEnd", "123456", "abcdef", 4, "abc123"},
                      PasteCase{"AtEndNothing", "123", "abc", 4, "abc"},
                      PasteCase{"EmptyClipboard", "", "abc", 1, "abc"},
                      PasteCase{"AccentsKept", "\x87\x82", "abcd", 2,
                                "a\x87\x82"
                                "d"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Choice fields ----

const std::string kChoices = "|S,S\xa1|N,No|P,Pendent";

struct ChoiceCase {
  const char* name;
  std::string buffer;
  std::vector<int16_t> keys;
  std::string expected_buffer;
  int16_t expected_key;
};

class ChoiceFieldTest : public FieldEditorTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ChoiceFieldTest, Chooses) {
  const ChoiceCase& c = GetParam();
  Keyboard().Choices = kChoices;
  SetExitKeys("ea", "d,1b,4800,5000,7300,7400,3b00");
  EditResult r = Edit(c.buffer, 0, 1, c.keys);
  EXPECT_EQ(r.buffer, c.expected_buffer);
  EXPECT_EQ(r.key, c.expected_key);
  EXPECT_EQ(services.console.Pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ChoiceFieldTest,
    ::testing::Values(
        ChoiceCase{"UnknownValueTakesFirst", "Q", {kEnter}, "S", kEnter},
        ChoiceCase{"RightNext", "S", {kRight, kEnter}, "N", kEnter},
        ChoiceCase{"RightWraps", "P", {kRight, kEnter}, "S", kEnter},
        ChoiceCase{"SpaceNext", "N", {' ', kEnter}, "P", kEnter},
        ChoiceCase{"LeftWrapsToLast", "S", {kLeft, kEnter}, "P", kEnter},
        ChoiceCase{"TypedInitial", "S", {'p', kEnter}, "P", kEnter},
        ChoiceCase{"TypedInitialWraps", "P", {'n', kEnter}, "N", kEnter},
        ChoiceCase{"UnmatchedInitialKeeps", "N", {'z', kEnter}, "N", kEnter},
        ChoiceCase{
            "TextOnlyKeysIgnored", "N", {kCtrlY, kBackspace, kDel, kCtrlV, kEnter}, "N", kEnter},
        ChoiceCase{"UpEnds", "N", {kUp}, "N", kUp},
        ChoiceCase{"DownEnds", "N", {kDown}, "N", kDown},
        ChoiceCase{"CtrlLeftEnds", "N", {kCtrlLeft}, "N", kCtrlLeft},
        ChoiceCase{"CtrlRightEnds", "N", {kCtrlRight}, "N", kCtrlRight},
        ChoiceCase{"F1Ends", "P", {kLeft, kF1}, "N", kF1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FieldEditorTest, ChoiceInitialMatchesAfterFolding) {
  Keyboard().Choices = "|1,\x90xit|2,Cap";
  // "\x82" (e acute) folds to E, like "\x90" (E acute capital) itself.
  EditResult r = Edit("2", 0, 1, {0x82, kEnter});
  EXPECT_EQ(r.buffer, "1");
  EXPECT_FALSE(Folding().On);  // the caller's folding switch is left as it was
}

TEST_F(FieldEditorTest, ChoiceFieldShowsArrowsAndDescription) {
  Keyboard().Choices = kChoices;
  SetExitKeys("ea", "d");
  std::string during;
  platform::CursorShape shape = platform::CursorShape::kHalf;
  PushKey(kRight);
  AtThisPoint([&] {
    during = TextAt(kRow, kColumn - 1, 9);
    shape = services.console.GetCursorShape();
  });
  PushKey(kEnter);
  std::string buffer = "S";
  int16_t cursor = 1, key = 0;
  EditField(kRow, kColumn, 0, buffer, cursor, key);
  EXPECT_EQ(during, "\x11No     \x10");
  EXPECT_EQ(shape, platform::CursorShape::kHidden);
  EXPECT_EQ(TextAt(kRow, kColumn - 1, 9), " No      ");
  EXPECT_EQ(services.console.CellAt(kRow, kColumn).attr, RoleAttribute(4));
}

TEST_F(FieldEditorTest, ChoiceCopyTakesDescription) {
  Keyboard().Choices = kChoices;
  Edit("P", 0, 1, {kCtrlC, kEnter});
  EXPECT_EQ(services.console.ClipboardText(), "Pendent");
}

struct ChoiceClickCase {
  const char* name;
  int row;
  int column;
  std::string expected_buffer;
  bool ends;
};

class ChoiceClickTest : public FieldEditorTest,
                        public ::testing::WithParamInterface<ChoiceClickCase> {};

TEST_P(ChoiceClickTest, ArrowsStepAndOutsideEnds) {
  const ChoiceClickCase& c = GetParam();
  Keyboard().Choices = kChoices;
  PushClick(c.row, c.column);
  if (!c.ends) PushKey(kEnter);
  EditResult r = Edit("N", 0, 1, {});
  EXPECT_EQ(r.buffer, c.expected_buffer);
  EXPECT_EQ(r.key, c.ends ? -(c.column * 100 + c.row) : kEnter);
}

INSTANTIATE_TEST_SUITE_P(
    Points, ChoiceClickTest,
    ::testing::Values(ChoiceClickCase{"LeftArrow", kRow, kColumn - 1, "S", false},
                      ChoiceClickCase{"RightArrow", kRow, kColumn + 7, "P", false},
                      ChoiceClickCase{"Description", kRow, kColumn + 3, "N", false},
                      ChoiceClickCase{"PastArrow", kRow, kColumn + 8, "N", true},
                      ChoiceClickCase{"OtherRow", kRow + 1, kColumn, "N", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FieldEditorTest, ChoiceCodesArePaddedToTheBuffer) {
  Keyboard().Choices = "|A,Alta|BB,Baixa";
  EditResult r = Edit("A  ", 0, 1, {kRight, kEnter});
  EXPECT_EQ(r.buffer, "BB ");
}

}  // namespace
}  // namespace zem::testing
