#include "storage/file_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "storage_fixture.h"

namespace zem::testing {
namespace {

// ---- FindFileSlot ----

struct SlotCase {
  const char* name;
  std::set<int> free_slots;  // every other slot holds id 1000 + slot
  int16_t id;
  int expected;
};

class FindFileSlotTest : public StorageTest, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(FindFileSlotTest, FindsTheFileOrTheHighestFreeSlot) {
  const SlotCase& c = GetParam();
  for (int slot = 1; slot <= kMaxOpenFiles; ++slot) {
    OpenFiles().Slots[slot].Id = c.free_slots.count(slot) ? 0 : static_cast<int16_t>(1000 + slot);
  }
  EXPECT_EQ(FindFileSlot(c.id), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindFileSlotTest,
    ::testing::Values(SlotCase{"AllFree",
                               {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40},
                               60,
                               -40},
                      SlotCase{"ThreeAndSevenFree", {3, 7}, 60, -7},
                      SlotCase{"OnlyFirstFree", {1}, 60, -1}, SlotCase{"Found", {3, 7}, 1012, 12},
                      SlotCase{"FoundInLastSlot", {}, 1040, 40}, SlotCase{"NoneFree", {}, 60, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- SetLockMode ----

struct LockCase {
  const char* name;
  int16_t start_mode;
  std::vector<std::string> flag_calls;
  int16_t expected_mode;
  size_t expected_stack_bytes;
};

class SetLockModeTest : public StorageTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(SetLockModeTest, AppliesFlagsInOrder) {
  const LockCase& c = GetParam();
  std::string area;
  PlaceOpenFile(5, 507, &area, 10, 4);
  OpenFiles().Slots[5].LockMode = c.start_mode;
  for (const std::string& flags : c.flag_calls) EXPECT_EQ(SetLockMode(507, flags), kStatusOk);
  EXPECT_EQ(OpenFiles().Slots[5].LockMode, c.expected_mode);
  EXPECT_EQ(OpenFiles().LockModeStack.size(), c.expected_stack_bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetLockModeTest,
    ::testing::Values(LockCase{"LetterA", 0, {"A"}, 1, 0}, LockCase{"LowerB", 0, {"b"}, 2, 0},
                      LockCase{"D", 2, {"d"}, 0, 0},
                      LockCase{"SaveClearRestore", 1, {"+", "D", "-"}, 1, 0},
                      LockCase{"SaveAndClearInOneCall", 2, {"+d"}, 0, 2},
                      LockCase{"RestoreWithoutSave", 2, {"-"}, 2, 0},
                      LockCase{"NestedSaves", 0, {"+a", "+b", "-"}, 1, 2},
                      LockCase{"NestedSavesBothRestored", 0, {"+a", "+b", "-", "-"}, 0, 0},
                      LockCase{"OtherCharactersIgnored", 1, {"xyz 9"}, 1, 0},
                      LockCase{"LastLetterWins", 0, {"ABD"}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StorageTest, SetLockModeOnAClosedFileChangesNothing) {
  EXPECT_EQ(SetLockMode(506, "+A"), kStatusNotOpen);
  EXPECT_TRUE(OpenFiles().LockModeStack.empty());
}

TEST_F(StorageTest, RestoringTakesThisFilesPairAndKeepsTheOthersInOrder) {
  std::string a, b;
  PlaceOpenFile(2, 506, &a, 10, 2);
  PlaceOpenFile(9, 507, &b, 10, 4);
  SetLockMode(506, "A+");  // (2, 1)
  SetLockMode(507, "B+");  // (9, 2)
  SetLockMode(506, "B+");  // (2, 2)
  SetLockMode(507, "D");
  SetLockMode(507, "-");  // takes (9, 2)
  EXPECT_EQ(OpenFiles().Slots[9].LockMode, 2);
  EXPECT_EQ(OpenFiles().LockModeStack, std::string("\x02\x01\x02\x02", 4));
  SetLockMode(506, "D-");  // the last pair of slot 2
  EXPECT_EQ(OpenFiles().Slots[2].LockMode, 2);
  EXPECT_EQ(OpenFiles().LockModeStack, std::string("\x02\x01", 2));
}

// ---- CallWithLockWait ----

struct WaitCase {
  const char* name;
  int16_t lock_mode;
  std::vector<int16_t> statuses;  // answers to the successive attempts
  uint16_t sent_operation;        // as every attempt sends it
  size_t expected_attempts;
  int16_t expected_status;
  std::vector<int> expected_sleeps;
};

class LockWaitTest : public StorageTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(LockWaitTest, RetriesOnlyInLockModeOne) {
  const WaitCase& c = GetParam();
  std::string area = "ABCDEFGHIJ";
  int slot = PlaceOpenFile(4, 509, &area, 10, 3);
  OpenFiles().Slots[4].LockMode = c.lock_mode;
  for (int16_t status : c.statuses) records_.answers.push_back({status, "", 0, ""});
  services_.clock.SetRandomValues({0.0, 0.9999999, 0.25, 0.5});
  const std::string blank_screen = ScreenText();
  std::vector<std::string> row_at_call;
  records_.on_call = [&](RecordedCall&) { row_at_call.push_back(ScreenText()); };

  uint16_t operation = kOpGetEqual;
  EXPECT_EQ(CallWithLockWait(slot, operation), c.expected_status);
  EXPECT_EQ(operation, c.sent_operation);
  ASSERT_EQ(records_.calls.size(), c.expected_attempts);
  for (const RecordedCall& call : records_.calls) EXPECT_EQ(call.Operation, c.sent_operation);
  EXPECT_EQ(services_.clock.sleeps(), c.expected_sleeps);
  // The message is not there at the first attempt, is there from the second on, and is gone
  // when the call returns.
  EXPECT_EQ(row_at_call[0], blank_screen);
  for (size_t i = 1; i < row_at_call.size(); ++i) {
    EXPECT_NE(row_at_call[i].find("FITXER BLOQUEJAT. ESPEREU UN MOMENT."), std::string::npos);
  }
  EXPECT_EQ(ScreenText(), blank_screen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LockWaitTest,
    ::testing::Values(
        WaitCase{"ModeZeroNoBias", 0, {84}, 5, 1, 84, {}},
        WaitCase{"ModeTwoReturnsAtOnce", 2, {84}, 205, 1, 84, {}},
        WaitCase{"ModeOneWaitsOutARecordLock", 1, {84, 0}, 205, 2, 0, {1}},
        WaitCase{"ModeOneWaitsOutAFileLock", 1, {85, 84, 84, 0}, 205, 4, 0, {1, 10001, 2501}},
        WaitCase{"ModeOneEndsOnAnotherStatus", 1, {84, 4}, 205, 2, 4, {1}},
        WaitCase{"ModeOneNoConflict", 1, {0}, 205, 1, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StorageTest, LockWaitMessageIsShownOnceOnly) {
  std::string area(10, ' ');
  int slot = PlaceOpenFile(1, 60, &area, 10, 2);
  OpenFiles().Slots[1].LockMode = 1;
  for (int i = 0; i < 4; ++i) records_.answers.push_back({84, "", 0, ""});
  records_.answers.push_back({0, "", 0, ""});
  uint16_t operation = kOpGetNext;
  EXPECT_EQ(CallWithLockWait(slot, operation), 0);
  // One window was opened and closed: nothing is left on the window stack.
  EXPECT_EQ(Windows().WindowDepth, 0);
  EXPECT_EQ(records_.calls.size(), 5u);
}

struct FillerCase {
  uint16_t operation;
  char filler;
  int16_t lock_mode = 0;  // with a lock mode the code goes out biased, and biased codes get blanks
};

class KeyFillerTest : public StorageTest, public ::testing::WithParamInterface<FillerCase> {};

TEST_P(KeyFillerTest, SendsAreaKeyAndFiller) {
  std::string area = "REC";
  int slot = PlaceOpenFile(3, 60, &area, 6, 0);
  OpenFiles().Slots[3].KeyValue = "K1";
  OpenFiles().Slots[3].KeyNumber = 1;
  OpenFiles().Slots[3].LockMode = GetParam().lock_mode;
  records_.answers.push_back({0, "NEWREC-EXTRA", 12, "Z9"});
  uint16_t operation = GetParam().operation;
  EXPECT_EQ(CallWithLockWait(slot, operation), 0);
  const RecordedCall& call = records_.calls.at(0);
  EXPECT_EQ(call.Data, "REC" + std::string(1533, ' '));
  EXPECT_EQ(call.DataLength, 6u);
  EXPECT_EQ(call.Key, "K1" + std::string(254, GetParam().filler));
  EXPECT_EQ(call.KeyLength, 2);
  EXPECT_EQ(call.KeyNumber, 1);
  EXPECT_EQ(call.PositionBlock, OpenFiles().Slots[3].PositionBlock.data());
  // Only the record length is copied back; the key is the one returned.
  EXPECT_EQ(area, "NEWREC");
  EXPECT_EQ(OpenFiles().Slots[3].KeyValue, "Z9");
}

INSTANTIATE_TEST_SUITE_P(Fillers, KeyFillerTest,
                         ::testing::Values(FillerCase{5, ' '}, FillerCase{6, ' '},
                                           FillerCase{8, '\0'}, FillerCase{9, '\0'},
                                           FillerCase{10, '\xff'}, FillerCase{11, '\xff'},
                                           FillerCase{9, ' ', 2}, FillerCase{11, ' ', 1},
                                           FillerCase{5, ' ', 2}));

// The data buffer is kept between calls: whatever one call's answer left in it, the next call
// still sends its own record area and blanks after it.
TEST_F(StorageTest, EveryCallSendsItsOwnAreaThenBlanks) {
  struct Case {
    const char* name;
    Answer first;  // the answer to a call on a file of 20-byte records
  } cases[] = {{"whole record", {0, std::string(20, 'x'), 20, ""}},
               {"more placed than offered", {0, std::string(40, 'y'), 40, ""}},
               {"length beyond the buffer", {-31000, std::string(30, 'z'), 0x7fffffff, ""}},
               {"nothing", {9, "", 0, ""}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    records_.calls.clear();
    std::string wide(20, 'W');
    std::string narrow = "nnnnnn";
    const int wide_slot = PlaceOpenFile(1, 507, &wide, 20, 2);
    const int narrow_slot = PlaceOpenFile(2, 509, &narrow, 6, 2);
    records_.answers.push_back(c.first);
    records_.answers.push_back({0, "", 0, ""});
    uint16_t operation = kOpGetNext;
    CallWithLockWait(wide_slot, operation);
    operation = kOpGetNext;
    CallWithLockWait(narrow_slot, operation);
    ASSERT_EQ(records_.calls.size(), 2u);
    EXPECT_EQ(records_.calls[0].Data, std::string(20, 'W') + std::string(1516, ' '));
    EXPECT_EQ(records_.calls[1].Data, "nnnnnn" + std::string(1530, ' '));
  }
}

TEST_F(StorageTest, ShortAnswerCopiesOnlyWhatArrived) {
  std::string area = "0123456789";
  int slot = PlaceOpenFile(3, 60, &area, 10, 2);
  records_.answers.push_back({22, "abcd", 4, "xy"});
  uint16_t operation = kOpGetEqual;
  EXPECT_EQ(CallWithLockWait(slot, operation), 22);
  EXPECT_EQ(area, "abcd456789");
}

TEST_F(StorageTest, ForeignStatusAndOversizedLengthAreHarmless) {
  std::string area = "0123456789";
  int slot = PlaceOpenFile(3, 60, &area, 10, 2);
  records_.answers.push_back({-31000, "abcdefghijkl", 0x7fffffff, ""});
  uint16_t operation = kOpGetEqual;
  EXPECT_EQ(CallWithLockWait(slot, operation), -31000);
  EXPECT_EQ(area, "abcdefghij");
}

TEST_F(StorageTest, CallWithLockWaitOnAFreeSlotDoesNotCall) {
  uint16_t operation = kOpGetEqual;
  EXPECT_EQ(CallWithLockWait(6, operation), kStatusNotOpen);
  EXPECT_EQ(CallWithLockWait(0, operation), kStatusNotOpen);
  EXPECT_EQ(CallWithLockWait(41, operation), kStatusNotOpen);
  EXPECT_TRUE(records_.calls.empty());
}

struct BiasCase {
  uint16_t operation;
  uint16_t sent;
};

class BiasTest : public StorageTest, public ::testing::WithParamInterface<BiasCase> {};

TEST_P(BiasTest, BiasesOnlyTheLockableReads) {
  std::string area;
  PlaceOpenFile(2, 60, &area, 10, 2);
  OpenFiles().Slots[2].LockMode = 2;
  EXPECT_EQ(BiasedOperation(2, GetParam().operation), GetParam().sent);
  OpenFiles().Slots[2].LockMode = 0;
  EXPECT_EQ(BiasedOperation(2, GetParam().operation), GetParam().operation);
}

INSTANTIATE_TEST_SUITE_P(Codes, BiasTest,
                         ::testing::Values(BiasCase{0, 0}, BiasCase{4, 4}, BiasCase{5, 205},
                                           BiasCase{13, 213}, BiasCase{14, 14}, BiasCase{15, 15},
                                           BiasCase{19, 219}, BiasCase{21, 21}, BiasCase{22, 222},
                                           BiasCase{24, 224}, BiasCase{25, 25}, BiasCase{28, 28},
                                           BiasCase{33, 233}, BiasCase{35, 235}, BiasCase{36, 36}));

// ---- Messages ----

struct LanguageCase {
  const char* language;
  const char* locked;
};

class LockedMessageTest : public StorageTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LockedMessageTest, FollowsTheLanguage) {
  Session().Language = GetParam().language;
  EXPECT_EQ(LockedFileMessage(), GetParam().locked);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LockedMessageTest,
    ::testing::Values(LanguageCase{"SPA", "FICHERO BLOQUEADO. ESPERE UN MOMENTO."},
                      LanguageCase{"GLG", "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO."},
                      LanguageCase{"OCI", "FICH\xd4R BLOQUEJAT. ESPERATZ UN MOMENT."},
                      LanguageCase{"CAT", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},
                      LanguageCase{"   ", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},
                      LanguageCase{"spa", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."}));

// ---- Reset ----

TEST_F(StorageTest, ResetThatFailsLeavesEverySlot) {
  std::string a, b;
  PlaceOpenFile(1, 60, &a, 10, 2);
  PlaceOpenFile(40, 509, &b, 20, 4);
  OpenFiles().Slots[40].LockMode = 2;
  records_.reset_status = 2;
  EXPECT_EQ(ResetRecordManager(), 2);
  EXPECT_EQ(OpenFiles().Slots[1].Id, 60);
  EXPECT_EQ(OpenFiles().Slots[40].Id, 509);
  EXPECT_EQ(OpenFiles().Slots[40].LockMode, 2);
  EXPECT_EQ(OpenFiles().Slots[40].RecordArea, &b);
  ASSERT_EQ(records_.calls.size(), 1u);
  EXPECT_EQ(records_.calls[0].Operation, kOpReset);
  EXPECT_EQ(records_.calls[0].PositionBlock, OpenFiles().Slots[0].PositionBlock.data());
  EXPECT_EQ(records_.calls[0].DataLength, 0u);
  EXPECT_EQ(records_.calls[0].KeyLength, 0);
}

TEST_F(StorageTest, ResetThatSucceedsFreesEverySlot) {
  std::string a;
  PlaceOpenFile(1, 60, &a, 10, 2);
  OpenFiles().Slots[1].PositionBlock[7] = 9;
  OpenFiles().Slots[1].KeyNumber = 1;
  EXPECT_EQ(ResetRecordManager(), 0);
  for (int slot = 1; slot <= kMaxOpenFiles; ++slot) {
    const FileSlot& entry = OpenFiles().Slots[slot];
    EXPECT_EQ(entry.Id, 0);
    EXPECT_EQ(entry.RecordArea, nullptr);
    EXPECT_EQ(entry.RecordLength, 0);
    EXPECT_EQ(entry.KeyNumber, 0);
    EXPECT_TRUE(entry.KeyValue.empty());
    EXPECT_EQ(entry.PositionBlock[7], 0);
  }
}

}  // namespace
}  // namespace zem::testing
