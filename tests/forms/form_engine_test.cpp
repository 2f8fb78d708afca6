#include "forms/form_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/dates.h"
#include "forms/form_tables.h"
#include "forms_fixture.h"

namespace zem::testing {
namespace {

using namespace keys;

constexpr const char* kExitKeys = "\"d,1b,4800,5000,4900,5100,4400,3c00,3e00\"";

// A screen block: exit keys, counts and window, then one line per field.
std::string Screen(const std::vector<std::string>& fields, int next = 0,
                   const std::string& window = "0,0,0,0") {
  std::string text = std::string(kExitKeys) + "\n" + std::to_string(fields.size()) + "," +
                     std::to_string(next) + "," + window + "\n";
  for (const std::string& field : fields) text += field + "\n";
  return text;
}

// A field line: row, column, label, length, line width, information width, flags, kind,
// pick list, choices.
std::string Field(int row, const std::string& label, int length, int flags = 0, int kind = 0,
                  int line_width = 0, int info = 0, const std::string& choices = "") {
  return std::to_string(row) + ",1," + label + "," + std::to_string(length) + "," +
         std::to_string(line_width) + "," + std::to_string(info) + "," + std::to_string(flags) +
         "," + std::to_string(kind) + ",0,\"" + choices + "\"";
}

std::string FormOf(const std::vector<std::string>& screens, int max_fields = 9) {
  std::string text = std::to_string(screens.size()) + "," + std::to_string(max_fields) + "\n";
  for (const std::string& screen : screens) text += screen;
  return text;
}

class EngineTest : public FormTest {
 protected:
  int16_t Run(int16_t screen, int16_t up = 0, int16_t down = 0) {
    int16_t key = 0;
    RunScreen(screen, up, down, key);
    return key;
  }
};

struct ShowCase {
  const char* name;
  std::string field;  // a field line at row 2 labelled "L: "
  std::string value;
  std::vector<std::string> rows;  // rows 2, 3, ... from the value's column
};

class ShowFieldTest : public EngineTest, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(ShowFieldTest, ShowsTheValueByKind) {
  const ShowCase& c = GetParam();
  Load(FormOf({Screen({c.field})}));
  SetFieldValue(1, 1, c.value);
  ShowField(1, 1);
  for (size_t i = 0; i < c.rows.size(); ++i)
    EXPECT_EQ(TextAt(2 + static_cast<int>(i), 4, c.rows[i].size()), c.rows[i]) << i;
}

const std::string k40(40, ' ');

INSTANTIATE_TEST_SUITE_P(
    Kinds, ShowFieldTest,
    ::testing::Values(
        ShowCase{"Date", Field(2, "L: ", 8, 0, 1), "050324", {"5/3/2024"}},
        ShowCase{"ThreeDigits", Field(2, "L: ", 3, 0, 2), "7", {"  7 "}},
        ShowCase{"TwoDigits", Field(2, "L: ", 3, 0, 3), "7", {" 7  "}},
        ShowCase{"Count", Field(2, "L: ", 2, 0, 7), "12", {"12"}},
        ShowCase{"Amount", Field(2, "L: ", 10, 0, 4), "123456", {"     1.234'56 "}},
        ShowCase{
            "TextCodeWithoutTheTextsFile", Field(2, "L: ", 8, 0, 5), "carta", {"carta   ", k40}},
        ShowCase{"Choice", Field(2, "L: ", 1, 0, 9, 0, 6, "|T,Tots|P,Pendents"), "P", {"Pendent "}},
        ShowCase{
            "ChoiceWithoutMatch", Field(2, "L: ", 1, 0, 9, 0, 6, "|T,Tots"), "X", {"        "}},
        ShowCase{"ThreeRows",
                 Field(2, "L: ", 120, 0, 0, 40),
                 std::string(40, 'a') + std::string(40, 'b') + std::string(40, 'c'),
                 {std::string(40, 'a') + " ", std::string(40, 'b') + " ",
                  std::string(40, 'c') + " ", std::string(41, ' ')}},
        ShowCase{"Hidden", Field(2, "L: ", 6, 2), "SECRET", {"      "}},
        ShowCase{"Plain", Field(2, "L: ", 6), "abc", {"abc   "}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, PaintsTheTitleOnTheFirstRowAndTheLabels) {
  Load(FormOf({Screen({Field(3, "Nom: ", 4)})}));
  PaintScreen(1);
  // " TITOL " is 7 long: column 41 - 4 (3.5 to the even neighbour).
  EXPECT_EQ(TextAt(1, 37, 7), " TITOL ");
  EXPECT_EQ(TextAt(3, 1, 5), "Nom: ");
}

// Three text fields of 5 characters on rows 2 to 4; the middle one may be display-only.
struct MoveCase {
  const char* name;
  const char* script;  // keys, see PushScript
  int16_t key;         // the key that ended the screen
  int16_t typed;       // the field that holds the typed "x"; 0 none
  int16_t left_screen;
  int middle_flags = 0;
  int16_t may_leave_down = 0;
};

class MoveTest : public EngineTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, MovesByTheTable) {
  const MoveCase& c = GetParam();
  Load(FormOf(
      {Screen({Field(2, "A: ", 5), Field(3, "B: ", 5, c.middle_flags), Field(4, "C: ", 5)})}));
  PushScript(c.script);
  EXPECT_EQ(Run(1, 0, c.may_leave_down), c.key);
  for (int16_t n = 1; n <= 3; ++n)
    EXPECT_EQ(FieldValue(1, n), n == c.typed ? "x    " : "     ") << n;
  EXPECT_EQ(Form().LeftScreen, c.left_screen);
  EXPECT_EQ(services.console.Pending(), 0u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Keys, MoveTest,
    ::testing::Values(
        MoveCase{"EscOnALaterFieldGoesToTheFirstAndDropsTheText", "ExXxX", kEsc, 0, 0},
        MoveCase{"EnterOnTheLastFieldLeaves", "xEEE", kEnter, 1, 0},
        MoveCase{"DownOnTheLastFieldStays", "DDDxE", kEnter, 3, 0},
        MoveCase{"UpOnTheFirstFieldOfAMainScreenStays", "UxZ", kF10, 1, 0},
        MoveCase{"PgDnLeavesFromTheLastFieldWhenAllowed", "NxN", kPgDn, 3, 1, 0, 1},
        MoveCase{"PgDnStaysOnTheLastFieldOtherwise", "NNxE", kEnter, 3, 0},
        MoveCase{"PgUpGoesToTheFirstField", "EEPxZ", kF10, 1, 0},
        MoveCase{"ADisplayOnlyFieldPassesTheKeyOn", "ExUZ", kF10, 3, 0, 4},
        MoveCase{"F4WithoutAPickListStays", "4xZ", kF10, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(EngineTest, AMouseClickOnALabelMovesToItsField) {
  Load(FormOf(
      {Screen({Field(2, "A: ", 5), Field(3, "B: ", 5), Field(4, "C: ", 5)}, 0, "5,10,12,40")}));
  PushClick(5 + 4, 10 + 1);  // the label of field 3
  PushScript("mE");
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(FieldValue(1, 3), "m    ");
}

// One field at row 2 with a value, edited by a script (Ctrl+Y, byte 25, clears the buffer).
struct EntryCase {
  const char* name;
  std::string field;
  const char* value;
  const char* script;
  std::string stored;
  int beeps;
};

class EntryTest : public EngineTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryTest, StoresWhatTheKindAccepts) {
  const EntryCase& c = GetParam();
  Session().SessionDate = PackDigits("20240305");
  Load(FormOf({Screen({c.field})}));
  SetFieldValue(1, 1, c.value);
  PushScript(c.script);
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(FieldValue(1, 1), c.stored);
  EXPECT_EQ(services.console.beeps(), c.beeps);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kinds, EntryTest,
    ::testing::Values(
        EntryCase{"BlankKeepsTheValueOfAFieldThatStartsBlank", Field(2, "A: ", 5, 1), "OLD", "E", "OLD  ", 0},
        EntryCase{"BlankKeepsTheValueOfAHiddenField", Field(2, "A: ", 5, 2), "PIN", "E", "PIN  ", 0},
        EntryCase{"BlankDateTakesTheSessionDate", Field(2, "D: ", 8, 0, 1), "", "E", "050324  ", 0},
        EntryCase{"ImpossibleDateRefused", Field(2, "D: ", 8, 0, 1), "", "310911E\x19" "300911E", "300911  ", 1},
        EntryCase{"LetterInANumberRefused", Field(2, "N: ", 3, 0, 2), "", "x1E\x19" "1E", "1  ", 1},
        EntryCase{"CountOutsideItsRangeRefused", Field(2, "N: ", 2, 0, 7), "", "0E\x19" "5E", "5 ", 1},
        EntryCase{"AmountOfZeroRefused", Field(2, "N: ", 10, 0, 4), "", "0E\x19" "100E", "100       ", 1},
        EntryCase{"TextCodeAcceptsABlankWithoutTheTextsFile", Field(2, "T: ", 8, 0, 5), "", "abcE\x19" "E", "        ", 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(EngineTest, AHiddenFieldShowsTheMaskWhileEditedAndNeverItsValue) {
  Load(FormOf({Screen({Field(2, "A: ", 5, 2)})}));
  SetFieldValue(1, 1, "PIN");
  PaintScreen(1);
  EXPECT_EQ(TextAt(2, 4, 5), "     ");
  PushScript("E");
  Run(1);
  EXPECT_EQ(TextAt(2, 4, 5), "XXXXX");
}

TEST_F(EngineTest, AScreenOfDisplayOnlyFieldsEndsAtOnceAfterItsCheck) {
  Load(FormOf({Screen({Field(2, "A: ", 5, 4), Field(3, "B: ", 5, 4)})}));
  int checks = 0;
  Form().CompletionCheck = [&](int16_t screen, int16_t&) {
    EXPECT_EQ(screen, 1);
    ++checks;
    return int16_t{-1};  // refused, yet there is nothing to edit again
  };
  int16_t key = kF10;
  RunScreen(1, 0, 0, key);
  EXPECT_EQ(key, kF10);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(TextAt(2, 1, 3), "A: ");
}

TEST_F(EngineTest, AContinuationRunsAfterTheLastFieldAndIsReenteredAfterPgDn) {
  Load(FormOf({Screen({Field(2, "A: ", 5), Field(3, "B: ", 5)}, 2),
               Screen({Field(2, "C: ", 5)}, 0, "10,10,14,40")}));
  // Up on the continuation's first field comes back as Esc: screen 1 stays on its last field.
  PushScript("EEqUXX");
  EXPECT_EQ(Run(1, 1, 1), kEsc);
  EXPECT_EQ(FieldValue(2, 1), "q    ");
  EXPECT_EQ(Windows().WindowDepth, 0);  // the continuation's window is closed again
  EXPECT_EQ(TextAt(12, 10, 31), std::string(31, ' '));
  // PgDn on the continuation's last field leaves both screens and is remembered.
  PushScript("EEN");
  EXPECT_EQ(Run(1, 1, 1), kPgDn);
  EXPECT_EQ(Form().LeftScreen, 2);
  // The next run starts in the continuation; Enter there ends screen 1 as well.
  PushScript("rE");
  EXPECT_EQ(Run(1, 1, 1), kEnter);
  EXPECT_EQ(FieldValue(2, 1), "rq   ");
  EXPECT_EQ(Form().LeftScreen, 0);
}

TEST_F(EngineTest, F1OpensTheHelpOfTheMenuAndEditingGoesOn) {
  Session().RunMode = "WIN";
  Session().MenuName = "ZEMB   ";
  services.env.Set("COMSPEC", "CMD.EXE");
  Load(FormOf({Screen({Field(2, "A: ", 5)})}));
  PushKey(kF1);
  PushScript("xE");
  EXPECT_EQ(Run(1), kEnter);
  ASSERT_EQ(services.processes.calls.size(), 1u);
  EXPECT_EQ(services.processes.calls[0].args,
            (std::vector<std::string>{"/C", "KOBRAN", "AJUDA\\ZEMB.HTM"}));
  EXPECT_EQ(FieldValue(1, 1), "x    ");
}

TEST_F(EngineTest, AScreenTheFormDoesNotHaveEndsWithEsc) {
  EXPECT_EQ(Run(3), kEsc);
}

}  // namespace
}  // namespace zem::testing
