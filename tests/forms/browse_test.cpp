#include "format/dates.h"
#include "forms/browse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/browse_file.h"
#include "forms/form_engine.h"
#include "forms/form_tables.h"
#include "forms_fixture.h"
#include "support/memory_records.h"
#include "storage/record_ops.h"

namespace zem::testing {
namespace {

using namespace keys;

// Screen 1: a text code (list 1), a note, a property (list 2) and a unit (list 3). Screen 2:
// the filter of list 1. Lists: 1 texts by group, 2 properties with the units as sub-list,
// 3 the units of the property in field 3.
const std::string kForm =
    "2,4\n"
    "\"d,1b,4800,5000,3e00\"\n"
    "4,0,0,0,0,0\n"
    "2,1,T: ,8,0,0,0,5,1,\"\"\n"
    "4,1,X: ,1,0,0,0,0,0,\"\"\n"
    "5,1,F: ,4,0,0,0,0,2,\"\"\n"
    "6,1,D: ,3,0,0,0,0,3,\"\"\n"
    "\"d,1b\"\n"
    "1,0,14,5,16,40\n"
    "1,1,Grup: ,8,0,0,0,0,0,\"\"\n"
    "3\n"
    "60,1,5,5,10,45,2,\"_Grup____Codi\",0\n"
    "506,0,5,5,9,30,0,\"Finques\",3\n"
    "507,0,5,5,12,60,0,\"Departaments\",0\n";

constexpr int kListRow = 6;  // the first list row of every list (window top 5)
constexpr int kListColumn = 6;

class BrowseTest : public RecordsFormTest {
 protected:
  BrowseTest() {
    Load(kForm);
    Keyboard().Calculator = [this] {
      rows.clear();
      highlighted = 0;
      for (int row = kListRow - 1; row <= kListRow + 6; ++row) rows.push_back(Row(row));
      for (int row = kListRow; row <= kListRow + 6; ++row) {
        if (services.console.CellAt(row, kListColumn).attr == RoleAttribute(4)) highlighted = row;
      }
      work_file = services.files.Exists(BrowseFile::Path())
                      ? services.files.Contents(BrowseFile::Path())
                      : "(none)";
      const int slot = FindFileSlot(kFormPropertiesFile);
      lock_mode = slot > 0 ? OpenFiles().Slots[slot].LockMode : -1;
      return std::string();
    };
  }

  void AddTextsFile() {
    AddTexts({TextRecord("RECCAT", "Recordatori ca", "CARTES"),
              TextRecord("CAPCAL",
                         "Cap\x87"
                         "alera",
                         "BLOCS"),
              TextRecord("ZZZ", "Altre", "CARTES2"),
              TextRecord("RECCAS", "Recordatori es", "CARTES")});
  }
  void AddProperties(int count) {
    std::vector<std::string> records;
    for (int n = 1; n <= count; ++n)
      records.push_back(PropertyRecord(n, "Carrer " + std::to_string(n), "", ""));
    AddFile(kFormPropertiesFile, "FinquesV", 160, {{{1, 2, 0}}}, records);
  }
  void AddUnits() {
    AddFile(kFormUnitsFile, "DepartaV", 200, {{{1, 2, 0}, {3, 2, 0}}},
            {UnitRecord(12, 1, "Puig*Joan", "1r 1a"), UnitRecord(13, 1, "Font*Anna", "Baixos"),
             UnitRecord(13, 2, "Roca*Pere", "1r")});
  }
  // The list row's text inside the frame, from the noted rows.
  std::string ListRow(int row, size_t width) const {
    return rows[static_cast<size_t>(row - kListRow + 1)].substr(kListColumn - 1, width);
  }

  std::vector<std::string> rows;  // rows 5 to 12 when the calculator's key was read
  int highlighted = 0;
  std::string work_file;
  int lock_mode = -1;
};

struct FilterCase {
  const char* name;
  std::string filter;
  std::vector<std::string> lines;  // list rows 1 to 4, 20 columns
};

class TextsListTest : public BrowseTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(TextsListTest, ListsTheTextsWhoseKeyBeginsWithTheFilterAndShowsEachGroupOnce) {
  const FilterCase& c = GetParam();
  AddTextsFile();
  services.console.PushKeys(c.filter);
  PushKeys({kEnter, kAltX});
  int16_t result = 0;
  RunBrowse(1, result);
  EXPECT_EQ(result, -1);
  ASSERT_EQ(rows.size(), 8u);
  for (int n = 0; n < 4; ++n) EXPECT_EQ(ListRow(kListRow + n, 20), c.lines[n]) << n;
  EXPECT_FALSE(services.files.Exists(BrowseFile::Path()));
}

const std::string kNoLine(20, ' ');

INSTANTIATE_TEST_SUITE_P(
    Filters, TextsListTest,
    ::testing::Values(FilterCase{"All",
                                 "",
                                 {"BLOCS     CAPCAL    ", "CARTES    RECCAS    ",
                                  "          RECCAT    ", "CARTES2   ZZZ       "}},
                      FilterCase{"OneGroupAndItsLongerNeighbour",
                                 "cartes",
                                 {"CARTES    RECCAS    ", "          RECCAT    ",
                                  "CARTES2   ZZZ       ", kNoLine}},
                      FilterCase{"NoText", "XYZ", {kNoLine, kNoLine, kNoLine, kNoLine}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, TheWorkFileHoldsEveryListedLineWithItsRecordPosition) {
  AddTextsFile();
  PushKeys({kEnter, kAltX});
  int16_t result = 0;
  RunBrowse(1, result);
  std::string expected;
  uint32_t previous = 0;
  for (const char* code : {"CAPCAL", "RECCAS", "RECCAT", "ZZZ"}) {
    ASSERT_EQ(FindByKey(kFormTextsFile, 0, Fit(code, 8), 0), 0);
    const uint32_t record = GetPosition(kFormTextsFile);
    const std::string& area = areas_[kFormTextsFile];
    const bool shown = previous == 0 || std::string(code) != "RECCAT";
    const std::string line = (shown ? area.substr(48, 8) + "  " : std::string(10, ' ')) +
                             area.substr(0, 8) + "  " + area.substr(8, 40);
    const uint32_t position = static_cast<uint32_t>(expected.size()) + 1;
    for (uint32_t value : {previous, record})
      for (int i = 0; i < 4; ++i) expected += static_cast<char>((value >> (8 * i)) & 0xff);
    expected += static_cast<char>(line.size() & 0xff);
    expected += static_cast<char>(line.size() >> 8);
    expected += line;
    previous = position;
  }
  EXPECT_EQ(work_file, expected);
}

struct SidewaysCase {
  const char* name;
  const char* script;   // after the filter screen's Enter
  std::string heading;  // the top frame line, columns 5 to 45
  std::string first;    // list row 1, its first 12 columns
};

class SidewaysTest : public BrowseTest, public ::testing::WithParamInterface<SidewaysCase> {};

TEST_P(SidewaysTest, StepsByEightWhileALineReachesFurtherAndShowsArrows) {
  // Every line is 60 long in a list 39 wide: 21 more; offsets 1, 9, 17 and 25.
  const SidewaysCase& c = GetParam();
  AddTextsFile();
  PushScript(std::string("E") + c.script);
  PushKey(kAltX);
  int16_t result = 0;
  RunBrowse(1, result);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].substr(4, 41), c.heading);
  EXPECT_EQ(ListRow(kListRow, 12), c.first);
}

const std::string kStart = "\xc9 Grup    Codi" + std::string(26, '\xcd') + "\x10";
const std::string kEnd = "\x11" + std::string(39, '\xcd') + "\xbb";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Steps, SidewaysTest,
    ::testing::Values(
        SidewaysCase{"Start", "", kStart, "BLOCS     CA"},
        SidewaysCase{"OneStep", "R", "\x11 Codi" + std::string(34, '\xcd') + "\x10", "  CAPCAL    "},
        SidewaysCase{"ThreeStepsReachTheEnd", "RRR", kEnd, "alera       "},
        SidewaysCase{"AFourthStepDoesNothing", "RRRR", kEnd, "alera       "},
        SidewaysCase{"BackToTheStart", "RRLLL", kStart, "BLOCS     CA"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct ScrollCase {
  const char* name;
  const char* script;
  std::vector<std::string> numbers;  // the three list rows' first 3 columns
  int highlighted;                   // list row, from 1
};

class ScrollTest : public BrowseTest, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(ScrollTest, MovesThroughSevenPropertiesThreeAtATime) {
  const ScrollCase& c = GetParam();
  AddProperties(7);
  PushScript(c.script);
  PushKey(kAltX);
  int16_t result = 0;
  RunBrowse(2, result);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(ListRow(kListRow + n, 3), c.numbers[n]) << n;
  EXPECT_EQ(highlighted - kListRow + 1, c.highlighted);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Keys, ScrollTest,
    ::testing::Values(
        ScrollCase{"UpOnTheFirstLineDoesNothing", "U", {"001", "002", "003"}, 1},
        ScrollCase{"DownMovesTheHighlight", "DD", {"001", "002", "003"}, 3},
        ScrollCase{"DownOnTheBottomRowScrolls", "DDD", {"002", "003", "004"}, 3},
        ScrollCase{"UpOnTheTopRowScrolls", "DDDUUU", {"001", "002", "003"}, 1},
        ScrollCase{"PgDnShowsTheNextPage", "N", {"004", "005", "006"}, 1},
        ScrollCase{"PgDnToTheLastLine", "NN", {"007", "   ", "   "}, 1},
        ScrollCase{"PgDnWithoutMoreLinesDoesNothing", "NNN", {"007", "   ", "   "}, 1},
        ScrollCase{"PgUpGoesBackAPage", "DNP", {"001", "002", "003"}, 2},
        ScrollCase{"DownOnTheLastLineDoesNothing", "DDDDDDD", {"005", "006", "007"}, 3}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(BrowseTest, APickListOverAnEmptyFileShowsItsHeadingAndCancelsOnEnter) {
  AddProperties(0);
  PushKeys({kAltX, kEnter});
  int16_t result = 0;
  RunBrowse(2, result);
  EXPECT_EQ(rows[0].substr(4, 9),
            "\xc9"
            "Finques\xcd");
  for (int n = 0; n < 3; ++n) EXPECT_EQ(ListRow(kListRow + n, 24), std::string(24, ' '));
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(services.files.Exists(BrowseFile::Path()));
  EXPECT_EQ(Windows().WindowDepth, 0);
}

TEST_F(BrowseTest, EscTypedDuringTheReadingStopsItAndKeepsTheLinesRead) {
  AddProperties(7);
  services.console.Push(platform::InputEvent{});  // nothing typed while the first record is read
  services.console.Push(platform::InputEvent{});
  PushScript("XDDE");
  int16_t result = -1;
  RunBrowse(2, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(UnpackDigits(areas_[kFormPropertiesFile].substr(0, 2)), "0002");
}

TEST_F(BrowseTest, TheLockModeIsZeroWhileTheListReadsAndComesBackAfterwards) {
  AddProperties(2);
  SetLockMode(kFormPropertiesFile, "a");
  PushKey(kAltX);
  int16_t result = 0;
  RunBrowse(2, result);
  EXPECT_EQ(lock_mode, 0);
  EXPECT_EQ(OpenFiles().Slots[FindFileSlot(kFormPropertiesFile)].LockMode, 1);
  EXPECT_TRUE(OpenFiles().LockModeStack.empty());
}

TEST_F(BrowseTest, F4StoresTheChosenKeyAndMovesOn) {
  AddProperties(13);
  AddUnits();
  // Property: PgDn, PgDn and two Downs reach 013; then the units of 013: the second, 002.
  PushScript(
      "DD4NNDDDDDDE"
      "4DE");
  int16_t key = 0;
  RunScreen(1, 0, 0, key);
  EXPECT_EQ(key, kEnter);  // the choice on the last field ends the screen
  EXPECT_EQ(FieldValue(1, 3), "013 ");
  EXPECT_EQ(FieldValue(1, 4), "002");
}

TEST_F(BrowseTest, ACancelledListBeepsAndTheFieldIsEditedAgain) {
  AddTextsFile();
  PushScript(
      "4X"
      "reccatEXX");  // Esc on the filter screen, then a code typed
  int16_t key = 0;
  RunScreen(1, 0, 0, key);
  EXPECT_EQ(services.console.beeps(), 1);
  EXPECT_EQ(FieldValue(1, 1), "RECCAT  ");
  // A text code shows its description on the row below.
  EXPECT_EQ(TextAt(3, 4, 14), "Recordatori ca");
}

TEST_F(BrowseTest, ALineChosenInTheSubListGoesToTheFieldThatOffersTheSubList) {
  AddProperties(13);
  AddUnits();
  SetFieldValue(1, 3, "13");
  // F4 on the property, F4 again in its list: the units of 13; the first goes to the unit
  // field and the property field is edited again (x typed there).
  PushScript("DD44ExEXX");
  int16_t key = 0;
  RunScreen(1, 0, 0, key);
  EXPECT_EQ(FieldValue(1, 4), "001");
  EXPECT_EQ(FieldValue(1, 3), "x13 ");
  EXPECT_EQ(Windows().WindowDepth, 0);
}

}  // namespace
}  // namespace zem::testing
