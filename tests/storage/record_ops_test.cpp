#include "storage/record_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/file_table.h"
#include "storage_fixture.h"

namespace zem::testing {
namespace {

constexpr int16_t kId = 509;

class RecordOpsTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    // Key 0: 10 bytes in two segments; key 1: a 2-byte binary segment then 3 bytes.
    records_.stat = BuildStat(12, {{{1, 4, 0}, {5, 6, 0}}, {{11, 2, kSegmentBinary}, {1, 3, 0}}});
    area_ = "oldrecord...";
    slot_ = PlaceOpenFile(7, kId, &area_, 12, 10);
  }
  std::string area_;
  int slot_ = 0;
};

// ---- FindByKey ----

struct FindCase {
  const char* name;
  int16_t key_number;
  std::string value;
  int mode;
  uint16_t operation;
  std::string sent_key;
};

class FindByKeyTest : public RecordOpsTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindByKeyTest, PadsOrCutsTheValueToTheKey) {
  const FindCase& c = GetParam();
  records_.answers.push_back({0, "found-record", 12, c.sent_key});
  EXPECT_EQ(FindByKey(kId, c.key_number, c.value, c.mode), 0);
  std::vector<RecordedCall> issued = records_.Issued();
  ASSERT_EQ(issued.size(), 1u);
  EXPECT_EQ(issued[0].Operation, c.operation);
  EXPECT_EQ(issued[0].OfferedKey(), c.sent_key);
  EXPECT_EQ(issued[0].KeyNumber, c.key_number);
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyNumber, c.key_number);
  EXPECT_EQ(area_, "found-record");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindByKeyTest,
    ::testing::Values(
        FindCase{"ShortValueEqual", 0, "ABC", 0, kOpGetEqual, std::string("ABC\0\0\0\0\0\0\0", 10)},
        FindCase{"LongValueCut", 0, "0123456789XYZ", 1, kOpGetGreaterOrEqual, "0123456789"},
        FindCase{"ExactValueBackward", 0, "0123456789", -3, kOpGetLessOrEqual, "0123456789"},
        FindCase{"OtherKey", 1, "Q", 5, kOpGetGreaterOrEqual, std::string("Q\0\0\0\0", 5)},
        FindCase{"EmptyValue", 1, "", 0, kOpGetEqual, std::string(5, '\0')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordOpsTest, FindWithAnUndefinedKeyReadsNothing) {
  OpenFiles().Slots[slot_].KeyValue = "keep";
  EXPECT_EQ(FindByKey(kId, 2, "X", 0), kStatusNoSuchKey);
  EXPECT_TRUE(records_.Issued().empty());
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyNumber, 0);
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyValue, "keep");
}

TEST_F(RecordOpsTest, FindCountsAShortBufferAsSuccessAndPassesOtherStatuses) {
  records_.answers = {{22, "abc", 3, ""}, {4, "", 0, ""}};
  EXPECT_EQ(FindByKey(kId, 0, "A", 0), 0);
  EXPECT_EQ(area_, "abcrecord...");
  EXPECT_EQ(FindByKey(kId, 0, "A", 0), kStatusKeyNotFound);
}

TEST_F(RecordOpsTest, OperationsOnAClosedFile) {
  EXPECT_EQ(FindByKey(60, 0, "A", 0), kStatusNotOpen);
  EXPECT_EQ(MoveRecords(60, 1), kStatusNotOpen);
  EXPECT_EQ(GotoPosition(60, 5), kStatusNotOpen);
  EXPECT_EQ(GetPosition(60), 0u);
  EXPECT_FALSE(PeekMoveWithinLimit(60, 1, "Z"));
  EXPECT_EQ(CurrentKeyText(60), "");
  EXPECT_EQ(KeyToComparable("raw", 60), "raw");
  EXPECT_TRUE(records_.calls.empty());
}

// ---- MoveRecords ----

struct MoveCase {
  const char* name;
  int n;
  uint16_t operation;
  size_t calls;
};

class MoveTest : public RecordOpsTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, CopiesOnlyTheLastRecord) {
  const MoveCase& c = GetParam();
  for (size_t i = 0; i < c.calls; ++i) {
    std::string record = "record-" + std::to_string(i) + "----";
    records_.answers.push_back({0, record, 12, "KEY" + std::to_string(i) + "456789"});
  }
  EXPECT_EQ(MoveRecords(kId, c.n), 0);
  std::vector<RecordedCall> issued = records_.Issued();
  ASSERT_EQ(issued.size(), c.calls);
  for (const RecordedCall& call : issued) EXPECT_EQ(call.Operation, c.operation);
  if (c.calls == 0) {
    EXPECT_EQ(area_, "oldrecord...");
    return;
  }
  // The steps before the last offer the key the previous step returned (none at first).
  EXPECT_EQ(issued[0].KeyLength, c.calls == 1 ? 10 : 0);
  for (size_t i = 1; i + 1 < c.calls; ++i) {
    EXPECT_EQ(issued[i].OfferedKey(), "KEY" + std::to_string(i - 1) + "456789");
  }
  EXPECT_EQ(area_, "record-" + std::to_string(c.calls - 1) + "----");
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyValue, "KEY" + std::to_string(c.calls - 1) + "456789");
}

INSTANTIATE_TEST_SUITE_P(Counts, MoveTest,
                         ::testing::Values(MoveCase{"Zero", 0, kOpGetNext, 0},
                                           MoveCase{"One", 1, kOpGetNext, 1},
                                           MoveCase{"Three", 3, kOpGetNext, 3},
                                           MoveCase{"TwoBack", -2, kOpGetPrevious, 2},
                                           MoveCase{"FiveBack", -5, kOpGetPrevious, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordOpsTest, MoveStopsAtTheFirstFailure) {
  records_.answers = {{22, "x", 1, "K1"}, {9, "", 0, ""}, {0, "never", 5, ""}};
  EXPECT_EQ(MoveRecords(kId, 4), kStatusEndOfFile);
  EXPECT_EQ(records_.Issued().size(), 2u);
  EXPECT_EQ(area_, "oldrecord...");
}

TEST_F(RecordOpsTest, MoveKeepsTheKeyLengthOfTheCurrentValue) {
  records_.answers = {{0, "r", 1, "LONGERKEYTHANTEN"}, {0, "rec2", 4, "ABCDEFGHIJKLM"}};
  EXPECT_EQ(MoveRecords(kId, 2), 0);
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyValue, "ABCDEFGHIJ");
}

// ---- Positions ----

TEST_F(RecordOpsTest, GetPositionReadsFourLittleEndianBytes) {
  records_.answers = {{0, std::string("\x04\x03\x02\x01", 4), 4, ""}, {8, "", 0, ""}};
  EXPECT_EQ(GetPosition(kId), 0x01020304u);
  EXPECT_EQ(GetPosition(kId), 0u);
  std::vector<RecordedCall> issued = records_.Issued();
  EXPECT_EQ(issued[0].Operation, kOpGetPosition);
  EXPECT_EQ(issued[0].KeyLength, 0);
  EXPECT_EQ(issued[0].DataLength, 1536u);
}

TEST_F(RecordOpsTest, GotoPositionSendsThePositionAndCopiesTheRecord) {
  OpenFiles().Slots[slot_].KeyNumber = 1;
  records_.answers = {{0, "direct-rec..+extra", 18, std::string("KEY\0zz", 6)}};
  EXPECT_EQ(GotoPosition(kId, 0xA0B0C0D0u), 0);
  const RecordedCall call = records_.Issued().at(0);
  EXPECT_EQ(call.Operation, kOpGetDirect);
  EXPECT_EQ(call.Data, std::string("\xd0\xc0\xb0\xa0", 4) + std::string(1532, ' '));
  EXPECT_EQ(call.KeyLength, 0);
  EXPECT_EQ(call.KeyNumber, 1);
  EXPECT_EQ(area_, "direct-rec..");
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyValue, "KEY");
}

TEST_F(RecordOpsTest, GotoPositionFailureKeepsTheRecord) {
  records_.answers = {{43, "garbage", 7, ""}};
  EXPECT_EQ(GotoPosition(kId, 99), 43);
  EXPECT_EQ(area_, "oldrecord...");
}

TEST_F(RecordOpsTest, LockModeBiasesPositionReads) {
  OpenFiles().Slots[slot_].LockMode = 2;
  records_.answers = {{0, "\x01", 4, ""}};
  GetPosition(kId);
  EXPECT_EQ(records_.Issued().at(0).Operation, kOpGetPosition + kLockBias);
}

// ---- PeekMoveWithinLimit ----

struct PeekCase {
  const char* name;
  int n;
  std::vector<Answer> steps;  // answers to the moves
  std::string limit;
  bool expected;
};

class PeekTest : public RecordOpsTest, public ::testing::WithParamInterface<PeekCase> {};

TEST_P(PeekTest, LooksAheadAndRestores) {
  const PeekCase& c = GetParam();
  OpenFiles().Slots[slot_].KeyValue = "CUR";
  records_.answers.push_back({0, std::string("\x2a\0\0\0", 4), 4, ""});  // position 42
  for (const Answer& step : c.steps) records_.answers.push_back(step);
  records_.answers.push_back({0, "restored-rec", 12, "CUR"});  // the direct read back
  EXPECT_EQ(PeekMoveWithinLimit(kId, c.n, c.limit), c.expected);
  std::vector<RecordedCall> issued = records_.Issued();
  ASSERT_GE(issued.size(), 2u);
  EXPECT_EQ(issued.front().Operation, kOpGetPosition);
  EXPECT_EQ(issued.back().Operation, kOpGetDirect);
  EXPECT_EQ(issued.back().Data.substr(0, 4), std::string("\x2a\0\0\0", 4));
  EXPECT_EQ(issued[1].OfferedKey(), "CUR");
  EXPECT_EQ(area_, "restored-rec");
  EXPECT_EQ(OpenFiles().Slots[slot_].KeyValue, "CUR");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PeekTest,
    ::testing::Values(
        PeekCase{"NextWithin", 1, {{0, "n", 1, "BBB"}}, "BBB", true},
        PeekCase{"NextBeyond", 1, {{0, "n", 1, "BBC"}}, "BBB", false},
        PeekCase{"NextComparesOnlyTheLimitsLength", 1, {{0, "n", 1, "BBBZZ"}}, "BBB", true},
        PeekCase{"LastRecord", 1, {{9, "", 0, ""}}, "ZZZ", false},
        PeekCase{"TwoBackWithin", -2, {{0, "", 0, "BB"}, {0, "", 0, "AB"}}, "AA", true},
        PeekCase{"TwoBackBefore",
                 -2,
                 {{0, "", 0, "BB"}, {0, "", 0, std::string("A\0", 2)}},
                 "AA",
                 false},
        PeekCase{"ShortBufferCounts", 1, {{22, "", 0, "AAA"}}, "B", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordOpsTest, PeekWithoutAPositionAsksForOneInsteadOfReadingBack) {
  records_.answers = {{8, "", 0, ""}, {0, "", 0, "A"}, {8, "", 0, ""}};
  EXPECT_TRUE(PeekMoveWithinLimit(kId, 1, "B"));
  std::vector<RecordedCall> issued = records_.Issued();
  ASSERT_EQ(issued.size(), 3u);
  EXPECT_EQ(issued[2].Operation, kOpGetPosition);
  EXPECT_EQ(area_, "oldrecord...");
}

// ---- Key texts ----

struct ComparableCase {
  const char* name;
  int16_t key_number;
  std::string value;
  std::string expected;
};

class ComparableTest : public RecordOpsTest,
                       public ::testing::WithParamInterface<ComparableCase> {};

TEST_P(ComparableTest, OrdersBytesLikeTheRecordManager) {
  std::string table;
  for (int i = 0; i < 256; ++i)
    table.push_back(static_cast<char>(i >= 'a' && i <= 'z' ? i - 32 : i));
  records_.stat = BuildStat(
      20, {{{1, 4, 0}}, {{11, 2, kSegmentBinary}, {1, 3, 0}}, {{1, 3, kSegmentAlternate}}}, table);
  slot_ = PlaceOpenFile(7, kId, &area_, 20, 4);
  OpenFiles().Slots[slot_].KeyNumber = GetParam().key_number;
  EXPECT_EQ(KeyToComparable(GetParam().value, kId), GetParam().expected);
  OpenFiles().Slots[slot_].KeyValue = GetParam().value;
  EXPECT_EQ(CurrentKeyText(kId), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ComparableTest,
    ::testing::Values(ComparableCase{"PlainKeyUnchanged", 0, "ab\x01z", "ab\x01z"},
                      ComparableCase{"BinaryReversed", 1, "\x34\x12xyz", "\x12\x34xyz"},
                      ComparableCase{"BinaryPaddedWhenShort", 1, "\x34", std::string("\0\x34", 2)},
                      ComparableCase{"CollatingTranslated", 2, "a\x82z", "A\x82Z"},
                      ComparableCase{"CollatingAsFarAsTheValueGoes", 2, "ab", "AB"},
                      ComparableCase{"UndefinedKeyUnchanged", 3, "\x34\x12", "\x34\x12"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zem::testing
