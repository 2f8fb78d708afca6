// Thousands of mixed operations against the record manager and against a plain in-memory
// model (a sorted container per key), comparing every status, record and key.
#include <algorithm>
#include <map>
#include <optional>
#include <random>

#include "recman_fixture.h"

namespace recman::testing {
namespace {

// 24-byte records:
//   key 0: bytes 1-4, unique, not modifiable;
//   key 1: bytes 5-8, duplicates, compared through a table that folds case;
//   key 2: bytes 9-10, a little-endian number, duplicates, descending;
//   key 3: byte 11 then the little-endian number in bytes 12-13, unique;
//   bytes 14-24 payload.
constexpr int kLength = 24;
constexpr int kKeys = 4;
constexpr int kKeyLength[kKeys] = {4, 4, 2, 3};

std::vector<uint8_t> ModelBlock() {
  const uint16_t dm = kSegDuplicates | kSegModifiable;
  return MakeBlock(kLength,
                   {{{1, 4, 0}},
                    {{5, 4, static_cast<uint16_t>(dm | kSegAltCollate)}},
                    {{9, 2, static_cast<uint16_t>(dm | kSegBinary | kSegDescending)}},
                    {{11, 1, kSegModifiable}, {12, 2, kSegModifiable | kSegBinary}}},
                   UpperCaseTable());
}

std::string KeyOf(const std::string& record, int key) {
  switch (key) {
    case 0:
      return record.substr(0, 4);
    case 1:
      return record.substr(4, 4);
    case 2:
      return record.substr(8, 2);
    default:
      return record.substr(10, 3);
  }
}

int Number(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8);
}

// The order of a key value, worked out without the library's encoding.
std::vector<int> Order(const std::string& value, int key) {
  std::vector<int> order;
  switch (key) {
    case 0:
      for (char c : value) order.push_back(static_cast<uint8_t>(c));
      break;
    case 1:
      for (char c : value) order.push_back(std::toupper(static_cast<uint8_t>(c)));
      break;
    case 2:
      order.push_back(-Number(value, 0));
      break;
    default:
      order.push_back(static_cast<uint8_t>(value[0]));
      order.push_back(Number(value, 1));
      break;
  }
  return order;
}

using Place = std::pair<std::vector<int>, uint32_t>;  // key order, then position

struct ModelCursor {
  bool anchored = false;
  bool live = false;
  bool vanished = false;  // the other client deleted the current record
  int key = 0;
  Place place;
};

class Model {
 public:
  std::map<uint32_t, std::string> records;

  Place PlaceOf(uint32_t position, int key) const {
    return {Order(KeyOf(records.at(position), key), key), position};
  }
  std::vector<Place> Sorted(int key) const {
    std::vector<Place> all;
    for (const auto& [position, record] : records) all.push_back(PlaceOf(position, key));
    std::sort(all.begin(), all.end());
    return all;
  }
  // Another record holding the same value of a key without duplicates.
  bool Clashes(const std::string& record, uint32_t self) const {
    for (int key : {0, 3}) {
      for (const auto& [position, other] : records) {
        if (position != self && Order(KeyOf(other, key), key) == Order(KeyOf(record, key), key)) {
          return true;
        }
      }
    }
    return false;
  }
  uint32_t Distinct(int key) const {
    std::vector<std::vector<int>> values;
    for (const auto& [position, record] : records) values.push_back(Order(KeyOf(record, key), key));
    std::sort(values.begin(), values.end());
    return static_cast<uint32_t>(std::unique(values.begin(), values.end()) - values.begin());
  }
};

class ModelRun {
 public:
  explicit ModelRun(uint32_t seed) : random_(seed) {}

  std::string RandomRecord() {
    std::string record(kLength, ' ');
    record.replace(0, 4, std::to_string(1000 + Pick(150)));
    const char letters[] = "aAbB";
    for (int i = 4; i < 8; ++i) record[i] = letters[Pick(4)];
    const int number = Pick(25) * (Pick(4) == 0 ? 1000 : 1);
    record[8] = static_cast<char>(number & 0xff);
    record[9] = static_cast<char>(number >> 8);
    record[10] = static_cast<char>('a' + Pick(4));
    const int second = Pick(12) * 300;
    record[11] = static_cast<char>(second & 0xff);
    record[12] = static_cast<char>(second >> 8);
    for (int i = 13; i < kLength; ++i) record[i] = static_cast<char>('a' + Pick(26));
    return record;
  }
  int Pick(int n) { return static_cast<int>(random_() % n); }

  std::mt19937 random_;
};

class RecmanModel : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    path_ = dir_.File("model.dat");
    ASSERT_EQ(client_.Create(path_, ModelBlock()), 0);
    ASSERT_EQ(client_.Open(path_), 0);
    ASSERT_EQ(other_.Open(path_), 0);
  }
  void TearDown() override {
    client_.Close();
    other_.Close();
  }

  // The record and key the library returned match the model's record at `position`.
  void ExpectReached(uint32_t position, int key) {
    const std::string& expected = model_.records.at(position);
    ASSERT_EQ(client_.Record(), expected);
    ASSERT_EQ(client_.Key(kKeyLength[key]), KeyOf(expected, key));
    cursor_ = {true, true, false, key, model_.PlaceOf(position, key)};
  }

  // The expected outcome of a Get by key value on the model.
  std::optional<uint32_t> ModelFind(uint16_t op, int key, const std::string& value) {
    const auto all = model_.Sorted(key);
    const auto target = Order(value, key);
    std::optional<uint32_t> found;
    for (const auto& place : all) {
      const bool match = op == kOpGetEqual            ? place.first == target
                         : op == kOpGetGreater        ? place.first > target
                         : op == kOpGetGreaterOrEqual ? place.first >= target
                         : op == kOpGetLess           ? place.first < target
                         : op == kOpGetLessOrEqual    ? place.first <= target
                                                      : true;
      if (!match) continue;
      if (op == kOpGetLess || op == kOpGetLessOrEqual || op == kOpGetLast) {
        found = place.second;  // the last that matches
      } else if (!found) {
        found = place.second;
      }
    }
    return found;
  }

  void CheckGetByKey(ModelRun& run) {
    static const uint16_t kOps[] = {kOpGetEqual, kOpGetGreater,     kOpGetGreaterOrEqual,
                                    kOpGetLess,  kOpGetLessOrEqual, kOpGetFirst,
                                    kOpGetLast};
    const uint16_t op = kOps[run.Pick(7)];
    const int key = run.Pick(kKeys);
    std::string value = KeyOf(run.RandomRecord(), key);
    // Usually look for a value that is present.
    if (!model_.records.empty() && run.Pick(3) != 0) {
      auto it = model_.records.begin();
      std::advance(it, run.Pick(static_cast<int>(model_.records.size())));
      value = KeyOf(it->second, key);
    }
    const auto expected = ModelFind(op, key, value);
    const int16_t status = client_.Get(op, static_cast<int8_t>(key), value);
    if (!expected) {
      ASSERT_EQ(status, op == kOpGetEqual ? kKeyNotFound : kEndOfFile);
      cursor_ = {};
      return;
    }
    ASSERT_EQ(status, 0);
    ExpectReached(*expected, key);
  }

  void CheckStep(bool forward) {
    const int16_t status = client_.Step(forward ? kOpGetNext : kOpGetPrevious);
    if (!cursor_.anchored) {
      ASSERT_EQ(status, kNoCurrentRecord);
      return;
    }
    const auto all = model_.Sorted(cursor_.key);
    std::optional<uint32_t> expected;
    if (forward) {
      auto it = std::upper_bound(all.begin(), all.end(), cursor_.place);
      if (it != all.end()) expected = it->second;
    } else {
      auto it = std::lower_bound(all.begin(), all.end(), cursor_.place);
      if (it != all.begin()) expected = std::prev(it)->second;
    }
    if (!expected) {
      ASSERT_EQ(status, kEndOfFile);
      return;
    }
    ASSERT_EQ(status, 0);
    ExpectReached(*expected, cursor_.key);
  }

  void CheckInsert(ModelRun& run, Client& who, bool by_other) {
    const std::string record = run.RandomRecord();
    const int key = run.Pick(kKeys);
    const int16_t status = who.Insert(record, static_cast<int8_t>(key));
    if (model_.Clashes(record, 0)) {
      ASSERT_EQ(status, kDuplicateKey);
      return;
    }
    ASSERT_EQ(status, 0);
    uint32_t position = 0;
    ASSERT_EQ(who.Position(&position), 0);
    ASSERT_EQ(model_.records.count(position), 0u);
    model_.records[position] = record;
    if (!by_other) cursor_ = {true, true, false, key, model_.PlaceOf(position, key)};
  }

  void CheckUpdate(ModelRun& run) {
    if (!cursor_.live) {
      ASSERT_EQ(client_.Update(run.RandomRecord()), kNoCurrentRecord);
      return;
    }
    if (cursor_.vanished) {
      ASSERT_EQ(client_.Update(run.RandomRecord()), kInvalidRecordPosition);
      return;
    }
    const uint32_t position = cursor_.place.second;
    std::string record = run.RandomRecord();
    // Mostly keep the key that may not change.
    if (run.Pick(5) != 0) record.replace(0, 4, model_.records[position].substr(0, 4));
    const int16_t status = client_.Update(record);
    if (KeyOf(record, 0) != KeyOf(model_.records[position], 0)) {
      ASSERT_EQ(status, kKeyNotModifiable);
      return;
    }
    if (model_.Clashes(record, position)) {
      ASSERT_EQ(status, kDuplicateKey);
      return;
    }
    ASSERT_EQ(status, 0);
    model_.records[position] = record;
    cursor_.place = model_.PlaceOf(position, cursor_.key);
  }

  void CheckDelete(Client& who, bool by_other, ModelRun& run) {
    if (by_other) {
      // The other client deletes a random record it reaches directly.
      if (model_.records.empty()) return;
      auto it = model_.records.begin();
      std::advance(it, run.Pick(static_cast<int>(model_.records.size())));
      const uint32_t position = it->first;
      ASSERT_EQ(who.Direct(position, 0), 0);
      ASSERT_EQ(who.Call(kOpDelete), 0);
      if (cursor_.live && cursor_.place.second == position) cursor_.vanished = true;
      model_.records.erase(position);
      return;
    }
    const int16_t status = who.Call(kOpDelete);
    if (!cursor_.live) {
      ASSERT_EQ(status, kNoCurrentRecord);
      return;
    }
    if (cursor_.vanished) {
      ASSERT_EQ(status, kInvalidRecordPosition);
      return;
    }
    ASSERT_EQ(status, 0);
    model_.records.erase(cursor_.place.second);
    cursor_.live = false;
  }

  void CheckDirect(ModelRun& run) {
    const int key = run.Pick(kKeys);
    uint32_t position = static_cast<uint32_t>(run.Pick(400) + 1);
    if (!model_.records.empty() && run.Pick(4) != 0) {
      auto it = model_.records.begin();
      std::advance(it, run.Pick(static_cast<int>(model_.records.size())));
      position = it->first;
    }
    const int16_t status = client_.Direct(position, static_cast<int8_t>(key));
    if (model_.records.count(position) == 0) {
      ASSERT_EQ(status, kInvalidRecordPosition);
      return;
    }
    ASSERT_EQ(status, 0);
    ExpectReached(position, key);
  }

  void CheckPosition() {
    uint32_t position = 0;
    const int16_t status = client_.Position(&position);
    if (!cursor_.live) {
      ASSERT_EQ(status, kNoCurrentRecord);
      return;
    }
    ASSERT_EQ(status, 0);
    ASSERT_EQ(position, cursor_.place.second);
  }

  void CheckStat() {
    ASSERT_EQ(client_.Call(kOpStat), 0);
    ASSERT_EQ(ReadU32(client_.data.data() + 6), model_.records.size());
    const int first_segment[kKeys] = {0, 1, 2, 3};
    for (int key = 0; key < kKeys; ++key) {
      ASSERT_EQ(ReadU32(client_.data.data() + 16 + 16 * first_segment[key] + 6),
                model_.Distinct(key))
          << key;
    }
  }

  TempDir dir_;
  std::string path_;
  Client client_;
  Client other_;  // a second open of the same file, changing it under the first
  Model model_;
  ModelCursor cursor_;
};

TEST_P(RecmanModel, AgreesWithTheModelOnEveryCall) {
  ModelRun run(GetParam());
  constexpr int kSteps = 3000;
  for (int step = 0; step < kSteps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const int choice = run.Pick(100);
    if (choice < 22) {
      CheckInsert(run, client_, false);
    } else if (choice < 27) {
      CheckInsert(run, other_, true);
    } else if (choice < 34) {
      CheckUpdate(run);
    } else if (choice < 39) {
      CheckDelete(client_, false, run);
    } else if (choice < 41) {
      CheckDelete(other_, true, run);
    } else if (choice < 58) {
      CheckGetByKey(run);
    } else if (choice < 72) {
      CheckStep(true);
    } else if (choice < 80) {
      CheckStep(false);
    } else if (choice < 84) {
      // A run of steps in one direction, with the other client changing the file between
      // some of them: read-ahead must never hide those changes.
      const bool forward = run.Pick(2) == 0;
      for (int i = run.Pick(12) + 2; i > 0 && !HasFatalFailure(); --i) {
        const int between = run.Pick(10);
        if (between < 2) {
          CheckInsert(run, other_, true);
        } else if (between < 3) {
          CheckDelete(other_, true, run);
        }
        if (!HasFatalFailure()) CheckStep(forward);
      }
    } else if (choice < 90) {
      CheckDirect(run);
    } else if (choice < 95) {
      CheckPosition();
    } else if (choice < 98) {
      CheckStat();
    } else {
      ASSERT_EQ(client_.Close(), 0);
      ASSERT_EQ(client_.Open(path_), 0);
      cursor_ = {};
    }
    if (HasFatalFailure()) return;
  }
  // Everything the model holds is in the file, in every key's order.
  for (int key = 0; key < kKeys; ++key) {
    const auto all = model_.Sorted(key);
    int16_t status = client_.Get(kOpGetFirst, static_cast<int8_t>(key));
    for (const auto& place : all) {
      ASSERT_EQ(status, 0);
      ASSERT_EQ(client_.Record(), model_.records.at(place.second));
      status = client_.Step(kOpGetNext);
    }
    ASSERT_EQ(status, kEndOfFile);
  }
}

INSTANTIATE_TEST_SUITE_P(Recman, RecmanModel, ::testing::Values(20261208u, 77u));

}  // namespace
}  // namespace recman::testing
