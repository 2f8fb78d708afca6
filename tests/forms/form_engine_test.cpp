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
  void Type(const std::string& text) { services.console.PushKeys(text); }
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
  int middle_flags;
  int16_t may_leave_down;
  std::vector<int16_t> keys;  // 0 stands for typing "x"
  int16_t key;                // the key that ended the screen
  std::vector<std::string> values;
  int16_t left_screen;
};

class MoveTest : public EngineTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, MovesByTheTable) {
  const MoveCase& c = GetParam();
  Load(FormOf(
      {Screen({Field(2, "A: ", 5), Field(3, "B: ", 5, c.middle_flags), Field(4, "C: ", 5)})}));
  for (int16_t key : c.keys) {
    if (key == 0) {
      Type("x");
    } else {
      PushKey(key);
    }
  }
  EXPECT_EQ(Run(1, 0, c.may_leave_down), c.key);
  for (int16_t n = 1; n <= 3; ++n) EXPECT_EQ(FieldValue(1, n), c.values[n - 1]) << n;
  EXPECT_EQ(Form().LeftScreen, c.left_screen);
  EXPECT_EQ(services.console.Pending(), 0u);
}

const std::string kBlank(5, ' ');
const std::string kX = "x    ";

INSTANTIATE_TEST_SUITE_P(
    Keys, MoveTest,
    ::testing::Values(
        MoveCase{"EscOnALaterFieldGoesToTheFirst",
                 0,
                 0,
                 {kEnter, 0, kEsc, 0, kEsc},
                 kEsc,
                 {kBlank, kBlank, kBlank},
                 0},
        MoveCase{"EnterOnTheLastFieldLeaves",
                 0,
                 0,
                 {0, kEnter, kEnter, kEnter},
                 kEnter,
                 {kX, kBlank, kBlank},
                 0},
        MoveCase{"DownOnTheLastFieldStays",
                 0,
                 0,
                 {kDown, kDown, kDown, 0, kEnter},
                 kEnter,
                 {kBlank, kBlank, kX},
                 0},
        MoveCase{"UpOnTheFirstFieldOfAMainScreenStays",
                 0,
                 0,
                 {kUp, 0, kF10},
                 kF10,
                 {kX, kBlank, kBlank},
                 0},
        MoveCase{"PgDnLeavesFromTheLastFieldWhenAllowed",
                 0,
                 1,
                 {kPgDn, 0, kPgDn},
                 kPgDn,
                 {kBlank, kBlank, kX},
                 1},
        MoveCase{"PgDnStaysOnTheLastFieldOtherwise",
                 0,
                 0,
                 {kPgDn, kPgDn, 0, kEnter},
                 kEnter,
                 {kBlank, kBlank, kX},
                 0},
        MoveCase{"PgUpGoesToTheFirstField",
                 0,
                 0,
                 {kEnter, kEnter, kPgUp, 0, kF10},
                 kF10,
                 {kX, kBlank, kBlank},
                 0},
        MoveCase{"ADisplayOnlyFieldPassesTheKeyOn",
                 4,
                 0,
                 {kEnter, 0, kUp, kF10},
                 kF10,
                 {kBlank, kBlank, kX},
                 0},
        MoveCase{
            "F2WithoutAContinuationStays", 0, 0, {kF2, 0, kF10}, kF10, {kX, kBlank, kBlank}, 0},
        MoveCase{"F4WithoutAPickListStays", 0, 0, {kF4, 0, kF10}, kF10, {kX, kBlank, kBlank}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, AMouseClickOnALabelMovesToItsField) {
  Load(FormOf(
      {Screen({Field(2, "A: ", 5), Field(3, "B: ", 5), Field(4, "C: ", 5)}, 0, "5,10,12,40")}));
  PushClick(5 + 4, 10 + 1);  // the label of field 3
  Type("m");
  PushKey(kEnter);
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(FieldValue(1, 3), "m    ");
}

TEST_F(EngineTest, ABlankEntryKeepsTheValueOfAFieldThatStartsBlank) {
  Load(FormOf({Screen({Field(2, "A: ", 5, 1), Field(3, "B: ", 5, 3)})}));
  SetFieldValue(1, 1, "OLD");
  SetFieldValue(1, 2, "PIN");
  PushKeys({kEnter, kEnter});
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(FieldValue(1, 1), "OLD  ");
  EXPECT_EQ(FieldValue(1, 2), "PIN  ");
  EXPECT_EQ(TextAt(3, 4, 5), "XXXXX");  // hidden: the editor's mask, never the value
}

TEST_F(EngineTest, ABlankDateTakesTheSessionDate) {
  Session().SessionDate = PackDigits("20240305");
  Load(FormOf({Screen({Field(2, "D: ", 8, 0, 1)})}));
  PushKey(kEnter);
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(FieldValue(1, 1), "050324  ");
}

TEST_F(EngineTest, ARefusedValueBeepsAndIsEditedAgainWithTheTypedText) {
  Load(FormOf({Screen({Field(2, "N: ", 3, 0, 2), Field(3, "M: ", 2, 0, 7)})}));
  Type("x1");
  PushKeys({kEnter, kHome, kDel, kEnter});  // refused, then the x is deleted
  Type("0");
  PushKey(kEnter);  // 0 is outside 1 to 99
  PushKeys({kCtrlY});
  Type("5");
  PushKey(kEnter);
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(services.console.beeps(), 2);
  EXPECT_EQ(FieldValue(1, 1), "1  ");
  EXPECT_EQ(FieldValue(1, 2), "5 ");
}

TEST_F(EngineTest, ATextCodeAcceptsABlankWithoutTheTextsFile) {
  Load(FormOf({Screen({Field(2, "T: ", 8, 0, 5)})}));
  Type("abc");
  PushKeys({kEnter, kCtrlY, kEnter});
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(services.console.beeps(), 1);  // abc names no text
  EXPECT_EQ(FieldValue(1, 1), std::string(8, ' '));
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

TEST_F(EngineTest, ARefusedCompletionStartsAgainAtTheFirstField) {
  Load(FormOf({Screen({Field(2, "A: ", 5), Field(3, "B: ", 5)})}));
  int checks = 0;
  Form().CompletionCheck = [&](int16_t, int16_t&) {
    return static_cast<int16_t>(++checks == 1 ? -1 : 0);
  };
  PushKeys({kEnter, kEnter});
  Type("x");
  PushKeys({kEnter, kEnter});
  EXPECT_EQ(Run(1), kEnter);
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(FieldValue(1, 1), kX);
}

TEST_F(EngineTest, AContinuationRunsAfterTheLastFieldAndIsReenteredAfterPgDn) {
  Load(FormOf({Screen({Field(2, "A: ", 5), Field(3, "B: ", 5)}, 2),
               Screen({Field(2, "C: ", 5)}, 0, "10,10,14,40")}));
  // Up on the continuation's first field comes back as Esc: screen 1 stays on its last field.
  PushKeys({kEnter, kEnter});
  Type("q");
  PushKeys({kUp, kEsc, kEsc});
  EXPECT_EQ(Run(1, 1, 1), kEsc);
  EXPECT_EQ(FieldValue(2, 1), "q    ");
  EXPECT_EQ(Windows().WindowDepth, 0);  // the continuation's window is closed again
  EXPECT_EQ(TextAt(12, 10, 31), std::string(31, ' '));
  // PgDn on the continuation's last field leaves both screens and is remembered.
  PushKeys({kEnter, kEnter, kPgDn});
  EXPECT_EQ(Run(1, 1, 1), kPgDn);
  EXPECT_EQ(Form().LeftScreen, 2);
  // The next run starts in the continuation; Enter there ends screen 1 as well.
  Type("r");
  PushKey(kEnter);
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
  Type("x");
  PushKey(kEnter);
  EXPECT_EQ(Run(1), kEnter);
  ASSERT_EQ(services.processes.calls.size(), 1u);
  EXPECT_EQ(services.processes.calls[0].args,
            (std::vector<std::string>{"/C", "KOBRAN", "AJUDA\\ZEMB.HTM"}));
  EXPECT_EQ(FieldValue(1, 1), kX);
}

TEST_F(EngineTest, AScreenTheFormDoesNotHaveEndsWithEsc) {
  EXPECT_EQ(Run(3), kEsc);
}

}  // namespace
}  // namespace zem::testing
