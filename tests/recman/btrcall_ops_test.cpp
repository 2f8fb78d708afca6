// Every operation of the record manager and the statuses it answers with.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "recman_fixture.h"

namespace recman::testing {
namespace {

// 20-byte records: code (1-4, unique), name (5-10, duplicates, modifiable, folded to
// capitals for ordering), a 2-byte binary number (11-12, duplicates, modifiable, descending),
// filler.
constexpr int kLength = 20;

std::vector<uint8_t> PeopleBlock() {
  return MakeBlock(kLength,
                   {{{1, 4, 0}},
                    {{5, 6, kSegDuplicates | kSegModifiable | kSegAltCollate}},
                    {{11, 2, kSegDuplicates | kSegModifiable | kSegBinary | kSegDescending}}},
                   UpperCaseTable());
}

std::string Person(const std::string& code, const std::string& name, uint16_t number) {
  std::string record(kLength, '.');
  record.replace(0, 4, (code + "    ").substr(0, 4));
  record.replace(4, 6, (name + "      ").substr(0, 6));
  record[10] = static_cast<char>(number & 0xff);
  record[11] = static_cast<char>(number >> 8);
  return record;
}

class RecmanOps : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("people.dat");
    ASSERT_EQ(client_.Create(path_, PeopleBlock()), 0);
    ASSERT_EQ(client_.Open(path_), 0);
  }
  void TearDown() override { client_.Call(kOpReset); }
  void InsertAll(const std::vector<std::string>& records) {
    for (const auto& record : records) ASSERT_EQ(client_.Insert(record), 0) << record;
  }

  TempDir dir_;
  std::string path_;
  Client client_;
};

TEST_F(RecmanOps, InsertedRecordIsFoundByEveryKey) {
  InsertAll({Person("A001", "maria", 300)});
  const std::string expected = Person("A001", "maria", 300);
  struct Case {
    int8_t key;
    std::string value;
  } cases[] = {{0, "A001"}, {1, "MARIA "}, {1, "maria "}, {2, std::string("\x2c\x01", 2)}};
  for (const auto& c : cases) {
    ASSERT_EQ(client_.Get(kOpGetEqual, c.key, c.value), 0) << int(c.key);
    EXPECT_EQ(client_.Record(), expected);
    EXPECT_EQ(client_.length, static_cast<uint32_t>(kLength));
    // The key buffer holds the key as it stands in the record.
    const std::string stored = c.key == 0 ? "A001" : c.key == 1 ? "maria " : expected.substr(10, 2);
    EXPECT_EQ(client_.Key(stored.size()), stored);
  }
}

TEST_F(RecmanOps, GetsByKeyValueReachTheRightRecordOrStatus) {
  InsertAll({Person("B", "x", 1), Person("D", "x", 2), Person("F", "x", 3)});
  struct Case {
    uint16_t op;
    std::string key;
    int16_t status;
    std::string code;
  } cases[] = {
      {kOpGetEqual, "D   ", 0, "D"},
      {kOpGetEqual, "C   ", kKeyNotFound, ""},
      {kOpGetGreater, "D   ", 0, "F"},
      {kOpGetGreater, "F   ", kEndOfFile, ""},
      {kOpGetGreaterOrEqual, "C", 0, "D"},
      {kOpGetGreaterOrEqual, "D   ", 0, "D"},
      {kOpGetLess, "D   ", 0, "B"},
      {kOpGetLess, "B   ", kEndOfFile, ""},
      {kOpGetLessOrEqual, "E   ", 0, "D"},
      {kOpGetLessOrEqual, "D   ", 0, "D"},
      {kOpGetFirst, "", 0, "B"},
      {kOpGetLast, "", 0, "F"},
      {kOpGetGreaterOrEqual, "G", kEndOfFile, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.op) + " " + c.key);
    ASSERT_EQ(client_.Get(c.op, 0, c.key), c.status);
    if (c.status == 0) {
      EXPECT_EQ(client_.Record().substr(0, 1), c.code);
    }
  }
}

TEST_F(RecmanOps, NextAndPreviousWalkTheKeyPathOfTheEstablishingGet) {
  InsertAll({Person("C", "bob", 5), Person("A", "Carl", 7), Person("B", "alice", 6)});
  // A fresh open has no current record.
  ASSERT_EQ(client_.Close(), 0);
  ASSERT_EQ(client_.Open(path_), 0);
  EXPECT_EQ(client_.Step(kOpGetNext), kNoCurrentRecord);
  EXPECT_EQ(client_.Step(kOpGetPrevious), kNoCurrentRecord);
  struct Case {
    int8_t key;
    std::string order;                               // codes in key order
  } cases[] = {{0, "ABC"}, {1, "BCA"}, {2, "ABC"}};  // key 2 descends: 7, 6, 5
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.key));
    ASSERT_EQ(client_.Get(kOpGetFirst, c.key), 0);
    std::string seen = client_.Record().substr(0, 1);
    while (client_.Step(kOpGetNext) == 0) seen += client_.Record().substr(0, 1);
    EXPECT_EQ(seen, c.order);
    // Past the end the cursor stays on the last record.
    ASSERT_EQ(client_.Step(kOpGetPrevious), 0);
    EXPECT_EQ(client_.Record().substr(0, 1), c.order.substr(1, 1));
    ASSERT_EQ(client_.Get(kOpGetLast, c.key), 0);
    std::string back = client_.Record().substr(0, 1);
    while (client_.Step(kOpGetPrevious) == 0) back += client_.Record().substr(0, 1);
    EXPECT_EQ(back, std::string(c.order.rbegin(), c.order.rend()));
  }
  // A failed lookup leaves no current record.
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "Z   "), kKeyNotFound);
  EXPECT_EQ(client_.Step(kOpGetNext), kNoCurrentRecord);
}

TEST_F(RecmanOps, DuplicatesFollowInInsertionOrder) {
  InsertAll({Person("1", "same", 1), Person("2", "other", 1), Person("3", "SAME", 1),
             Person("4", "same", 1)});
  ASSERT_EQ(client_.Get(kOpGetEqual, 1, "SAME  "), 0);
  std::string seen = client_.Record().substr(0, 1);
  while (client_.Step(kOpGetNext) == 0) seen += client_.Record().substr(0, 1);
  EXPECT_EQ(seen, "134");
  ASSERT_EQ(client_.Get(kOpGetLessOrEqual, 1, "SAME  "), 0);
  EXPECT_EQ(client_.Record().substr(0, 1), "4");
}

TEST_F(RecmanOps, WritesThatBreakAKeyRuleAreRefusedAndChangeNothing) {
  // Key 0 is neither duplicable nor modifiable.
  InsertAll({Person("A", "ann", 1), Person("B", "ben", 2)});
  EXPECT_EQ(client_.Insert(Person("A", "new", 3)), kDuplicateKey);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B   "), 0);
  EXPECT_EQ(client_.Update(Person("C", "ben", 2)), kKeyNotModifiable);
  EXPECT_EQ(client_.Update(Person("B", "bert", 9)), 0);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B   "), 0);
  EXPECT_EQ(client_.Record(), Person("B", "bert", 9));
  EXPECT_EQ(client_.Get(kOpGetEqual, 1, "BEN   "), kKeyNotFound);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "C   "), kKeyNotFound);
  // Records have the file's fixed length.
  EXPECT_EQ(client_.Insert(Person("Q", "x", 1).substr(0, 19)), kDataBufferTooShort);
  EXPECT_EQ(client_.Insert(Person("Q", "x", 1) + "+"), kDataBufferTooShort);
  EXPECT_EQ(client_.Insert(Person("Q", "x", 1), 5), kInvalidKeyNumber);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "Q   "), kKeyNotFound);
}

TEST_F(RecmanOps, DeleteKeepsThePlaceForNextAndPrevious) {
  InsertAll({Person("A", "a", 1), Person("B", "b", 2), Person("C", "c", 3)});
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B   "), 0);
  ASSERT_EQ(client_.Call(kOpDelete), 0);
  uint32_t position = 0;
  EXPECT_EQ(client_.Position(&position), kNoCurrentRecord);
  EXPECT_EQ(client_.Call(kOpDelete), kNoCurrentRecord);
  EXPECT_EQ(client_.Update(Person("B", "b", 2)), kNoCurrentRecord);
  ASSERT_EQ(client_.Step(kOpGetNext), 0);
  EXPECT_EQ(client_.Record().substr(0, 1), "C");
  ASSERT_EQ(client_.Step(kOpGetPrevious), 0);
  EXPECT_EQ(client_.Record().substr(0, 1), "A");
  EXPECT_EQ(client_.Get(kOpGetEqual, 0, "B   "), kKeyNotFound);
}

TEST_F(RecmanOps, PositionsAreStableAndGetDirectEstablishesTheKeyPath) {
  InsertAll({Person("A", "zed", 1), Person("B", "amy", 2), Person("C", "kim", 3)});
  std::vector<uint32_t> positions;
  for (const char* code : {"A   ", "B   ", "C   "}) {
    ASSERT_EQ(client_.Get(kOpGetEqual, 0, code), 0);
    uint32_t position = 0;
    ASSERT_EQ(client_.Position(&position), 0);
    EXPECT_EQ(client_.length, 4u);
    positions.push_back(position);
  }
  EXPECT_NE(positions[0], positions[1]);
  // Deleting a record does not move the others.
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "A   "), 0);
  ASSERT_EQ(client_.Call(kOpDelete), 0);
  ASSERT_EQ(client_.Direct(positions[2], 1), 0);
  EXPECT_EQ(client_.Record(), Person("C", "kim", 3));
  EXPECT_EQ(client_.Key(6), "kim   ");
  // Get Direct on key 1 makes Next follow the names.
  EXPECT_EQ(client_.Step(kOpGetPrevious), 0);
  EXPECT_EQ(client_.Record().substr(0, 1), "B");
  struct Case {
    uint32_t position;
    int8_t key;
    int16_t status;
  } cases[] = {{positions[0], 0, kInvalidRecordPosition},
               {0, 0, kInvalidRecordPosition},
               {999999, 0, kInvalidRecordPosition},
               {positions[1], 3, kInvalidKeyNumber},
               {positions[1], -1, kInvalidKeyNumber}};
  for (const auto& c : cases) EXPECT_EQ(client_.Direct(c.position, c.key), c.status);
}

TEST_F(RecmanOps, ShortDataBufferGetsThePartThatFits) {
  InsertAll({Person("A", "ann", 1)});
  client_.key.fill(0);
  std::memcpy(client_.key.data(), "A   ", 4);
  client_.length = 7;
  ASSERT_EQ(BTRCALL(kOpGetEqual, client_.block.data(), client_.data.data(), &client_.length,
                    client_.key.data(), 4, 0),
            kDataBufferTooShort);
  EXPECT_EQ(client_.length, 7u);
  EXPECT_EQ(client_.Record(), Person("A", "ann", 1).substr(0, 7));
  // The record was reached all the same.
  uint32_t position = 0;
  EXPECT_EQ(client_.Position(&position), 0);
  EXPECT_NE(position, 0u);
}

TEST_F(RecmanOps, InvalidKeyNumbersAreRefused) {
  InsertAll({Person("A", "ann", 1)});
  for (int8_t key : {int8_t{3}, int8_t{-1}, int8_t{100}}) {
    EXPECT_EQ(client_.Get(kOpGetEqual, key, "A"), kInvalidKeyNumber);
    EXPECT_EQ(client_.Get(kOpGetFirst, key), kInvalidKeyNumber);
  }
}

TEST_F(RecmanOps, StatReturnsTheDefinitionWithItsCounters) {
  InsertAll({Person("A", "x", 1), Person("B", "y", 1), Person("C", "x", 2)});
  ASSERT_EQ(client_.Call(kOpStat, 0, std::string(255, ' ')), 0);
  const std::vector<uint8_t> block = PeopleBlock();
  ASSERT_EQ(client_.length, block.size());
  EXPECT_EQ(ReadU16(client_.data.data()), kLength);
  EXPECT_EQ(ReadU16(client_.data.data() + 4), 3);
  EXPECT_EQ(ReadU32(client_.data.data() + 6), 3u);
  const uint32_t distinct[] = {3, 2, 2};
  for (int k = 0; k < 3; ++k) {
    const uint8_t* segment = client_.data.data() + 16 + 16 * k;
    EXPECT_EQ(ReadU16(segment + 2), ReadU16(block.data() + 16 + 16 * k + 2));
    EXPECT_EQ(ReadU32(segment + 6), distinct[k]) << k;
  }
  // The collating table follows the last segment.
  EXPECT_EQ(client_.data[16 + 48], 0xAC);
  EXPECT_EQ(client_.data[16 + 48 + 9 + 'a'], 'A');
  // Counters follow deletes and updates.
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "C   "), 0);
  ASSERT_EQ(client_.Update(Person("C", "z", 1)), 0);
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "A   "), 0);
  ASSERT_EQ(client_.Call(kOpDelete), 0);
  ASSERT_EQ(client_.Call(kOpStat), 0);
  EXPECT_EQ(ReadU32(client_.data.data() + 6), 2u);
  EXPECT_EQ(ReadU32(client_.data.data() + 16 + 16 + 6), 2u);  // y, z
  EXPECT_EQ(ReadU32(client_.data.data() + 16 + 32 + 6), 1u);  // 1
  // Too short a buffer gets the part that fits.
  EXPECT_EQ(client_.Call(kOpStat, 0, "", 16), kDataBufferTooShort);
  EXPECT_EQ(client_.length, 16u);
}

TEST_F(RecmanOps, RecordsSurviveCloseAndReopen) {
  InsertAll({Person("A", "ann", 1), Person("B", "ben", 2)});
  ASSERT_EQ(client_.Close(), 0);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0), kFileNotOpen);
  ASSERT_EQ(client_.Open(path_), 0);
  ASSERT_EQ(client_.Get(kOpGetLast, 0), 0);
  EXPECT_EQ(client_.Record(), Person("B", "ben", 2));
  ASSERT_EQ(client_.Call(kOpStat), 0);
  EXPECT_EQ(ReadU32(client_.data.data() + 6), 2u);
}

TEST_F(RecmanOps, GarbagePositionBlocksAreNotOpenFiles) {
  Client stale;
  ASSERT_EQ(stale.Open(path_), 0);
  const auto closed = stale.block;
  ASSERT_EQ(stale.Close(), 0);
  std::array<uint8_t, 128> random{};
  for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<uint8_t>(i * 37 + 11);
  auto wrong_serial = client_.block;
  wrong_serial[9] ^= 0x55;
  auto wrong_index = client_.block;
  wrong_index[4] = 0x7f;
  const std::array<uint8_t, 128> blocks[] = {{}, closed, random, wrong_serial, wrong_index};
  for (const auto& block : blocks) {
    Client other;
    other.block = block;
    EXPECT_EQ(other.Get(kOpGetFirst, 0), kFileNotOpen);
    EXPECT_EQ(other.Insert(Person("Z", "z", 1)), kFileNotOpen);
    EXPECT_EQ(other.Call(kOpStat), kFileNotOpen);
    EXPECT_EQ(other.Close(), kFileNotOpen);
  }
  uint32_t length = 0;
  EXPECT_EQ(BTRCALL(kOpGetFirst, nullptr, nullptr, &length, nullptr, 0, 0), kFileNotOpen);
  EXPECT_EQ(client_.Call(99), kInvalidOperation);
}

// Missing buffers are answered with a status, never followed.
TEST_F(RecmanOps, MissingBuffersAreRefused) {
  InsertAll({Person("A", "ann", 1)});
  uint8_t* block = client_.block.data();
  uint32_t length = 1536;
  struct Case {
    const char* name;
    uint16_t op;
    bool data, length, key;
    int16_t status;
  } cases[] = {
      {"insert without data", kOpInsert, false, true, true, kDataBufferTooShort},
      {"insert without length", kOpInsert, true, false, true, kDataBufferTooShort},
      {"get without data", kOpGetFirst, false, true, true, kDataBufferTooShort},
      {"get without key", kOpGetFirst, true, true, false, 0},
      {"get equal without key", kOpGetEqual, true, true, false, kKeyNotFound},
      {"stat without data", kOpStat, false, true, true, kDataBufferTooShort},
      {"direct without data", kOpGetDirect, false, true, true, kDataBufferTooShort},
      {"create without data", kOpCreate, false, true, true, kDataBufferTooShort},
      {"open without path", kOpOpen, true, true, false, kInvalidFileName},
  };
  std::string path_key = dir_.File("other.dat");
  path_key.resize(256, '\0');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    length = 1536;
    std::vector<uint8_t> data(1536, ' ');
    EXPECT_EQ(BTRCALL(c.op, block, c.data ? data.data() : nullptr, c.length ? &length : nullptr,
                      c.key ? path_key.data() : nullptr, 255, 0),
              c.status);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("other.dat")));
}

TEST_F(RecmanOps, ResetClosesEveryFile) {
  Client second;
  ASSERT_EQ(second.Open(path_), 0);
  ASSERT_EQ(client_.Call(kOpReset), 0);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0), kFileNotOpen);
  EXPECT_EQ(second.Get(kOpGetFirst, 0), kFileNotOpen);
  // Nothing holds the file any more: an exclusive open succeeds.
  ASSERT_EQ(second.Open(path_, kModeExclusive), 0);
}

TEST_F(RecmanOps, ReadOnlyOpenRefusesWrites) {
  InsertAll({Person("A", "ann", 1)});
  Client reader;
  ASSERT_EQ(reader.Open(path_, kModeReadOnly), 0);
  ASSERT_EQ(reader.Get(kOpGetFirst, 0), 0);
  EXPECT_EQ(reader.Insert(Person("B", "b", 1)), kAccessDenied);
  EXPECT_EQ(reader.Update(Person("A", "x", 1)), kAccessDenied);
  EXPECT_EQ(reader.Call(kOpDelete), kAccessDenied);
  ASSERT_EQ(client_.Get(kOpGetFirst, 0), 0);
  EXPECT_EQ(client_.Record(), Person("A", "ann", 1));
}

TEST_F(RecmanOps, RecordLocksHoldAgainstOtherOpens) {
  InsertAll({Person("A", "ann", 1), Person("B", "ben", 2)});
  Client other;
  ASSERT_EQ(other.Open(path_), 0);
  ASSERT_EQ(client_.Get(kOpGetEqual + kLockBias, 0, "A   "), 0);
  EXPECT_EQ(other.Get(kOpGetEqual + kLockBias, 0, "A   "), kRecordLocked);
  // A plain read of a locked record succeeds; changing it does not.
  ASSERT_EQ(other.Get(kOpGetEqual, 0, "A   "), 0);
  EXPECT_EQ(other.Update(Person("A", "x", 1)), kRecordLocked);
  EXPECT_EQ(other.Call(kOpDelete), kRecordLocked);
  // The lock moves with the holder's next locked Get.
  ASSERT_EQ(client_.Get(kOpGetEqual + kLockBias, 0, "B   "), 0);
  EXPECT_EQ(other.Get(kOpGetEqual + kLockBias, 0, "A   "), 0);
  EXPECT_EQ(client_.Get(kOpGetFirst + kLockBias, 0), kRecordLocked);
  // A refused locked Next does not move the cursor.
  ASSERT_EQ(client_.Get(kOpGetEqual, 0, "B   "), 0);
  EXPECT_EQ(client_.Step(kOpGetPrevious + kLockBias), kRecordLocked);
  ASSERT_EQ(other.Call(kOpUnlock), 0);
  ASSERT_EQ(client_.Step(kOpGetPrevious + kLockBias), 0);
  EXPECT_EQ(client_.Record().substr(0, 1), "A");
  // Closing releases.
  ASSERT_EQ(client_.Close(), 0);
  EXPECT_EQ(other.Get(kOpGetEqual + kLockBias, 0, "A   "), 0);
}

TEST_F(RecmanOps, ExclusiveOpenShutsOthersOut) {
  Client exclusive;
  EXPECT_EQ(exclusive.Open(path_, kModeExclusive), kFileLocked);
  ASSERT_EQ(client_.Close(), 0);
  ASSERT_EQ(exclusive.Open(path_, kModeExclusive), 0);
  EXPECT_EQ(client_.Open(path_), kFileLocked);
  EXPECT_EQ(client_.Create(path_, PeopleBlock(), 0), kFileLocked);
  ASSERT_EQ(exclusive.Close(), 0);
  EXPECT_EQ(client_.Open(path_), 0);
}

TEST_F(RecmanOps, OpenNeedsAnExistingFileOfOurs) {
  EXPECT_EQ(Client().Open(dir_.File("missing.dat")), kFileNotFound);
  EXPECT_EQ(Client().Open(""), kInvalidFileName);
  EXPECT_EQ(Client().Open(dir_.File("")), kInvalidFileName);  // a directory
  EXPECT_EQ(Client().Open(path_, 7), kInvalidOperation);
}

TEST_F(RecmanOps, CreateKeepsOrReplacesAnExistingFile) {
  InsertAll({Person("A", "ann", 1)});
  ASSERT_EQ(client_.Close(), 0);
  EXPECT_EQ(client_.Create(path_, PeopleBlock(), -1), kFileExists);
  ASSERT_EQ(client_.Open(path_), 0);
  ASSERT_EQ(client_.Get(kOpGetFirst, 0), 0);
  // An open file cannot be replaced.
  EXPECT_EQ(Client().Create(path_, PeopleBlock(), 0), kFileLocked);
  ASSERT_EQ(client_.Close(), 0);
  ASSERT_EQ(client_.Create(path_, PeopleBlock(), 0), 0);
  ASSERT_EQ(client_.Open(path_), 0);
  EXPECT_EQ(client_.Get(kOpGetFirst, 0), kEndOfFile);
}

}  // namespace
}  // namespace recman::testing

namespace recman::testing {
namespace {

// A scan reads ahead; changes another open makes meanwhile must still show.
TEST_F(RecmanOps, ScanSeesChangesOthersMakeMeanwhile) {
  for (char c = 'A'; c <= 'Y'; c += 2) InsertAll({Person(std::string(1, c), "n", 1)});
  Client other;
  ASSERT_EQ(other.Open(path_), 0);
  struct Step {
    const char* change;  // "+X": the other open inserts X; "-X": it deletes X; "": nothing
    const char* expected;
  };
  struct Case {
    uint16_t start;
    uint16_t step;
    std::vector<Step> steps;
  } cases[] = {
      {kOpGetFirst, kOpGetNext, {{"", "C"}, {"+D", "D"}, {"-G", "E"}, {"", "I"}, {"-K", "M"}}},
      {kOpGetLast, kOpGetPrevious, {{"", "W"}, {"+V", "V"}, {"-S", "U"}, {"", "Q"}}},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(client_.Get(c.start, 0), 0);
    for (const auto& step : c.steps) {
      SCOPED_TRACE(std::string(step.change) + " " + step.expected);
      if (step.change[0] != 0) {
        const std::string code = std::string(1, step.change[1]) + "   ";
        if (step.change[0] == '+') {
          ASSERT_EQ(other.Insert(Person(code, "n", 1)), 0);
        } else {
          ASSERT_EQ(other.Get(kOpGetEqual, 0, code), 0);
          ASSERT_EQ(other.Call(kOpDelete), 0);
        }
      }
      ASSERT_EQ(client_.Step(c.step), 0);
      EXPECT_EQ(client_.Record().substr(0, 1), step.expected);
    }
  }
}

}  // namespace
}  // namespace recman::testing
