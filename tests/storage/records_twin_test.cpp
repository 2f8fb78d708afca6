// The in-memory record manager of the tests and the real library answer the program's reads
// the same way: the same files, the same calls, the same statuses, records and keys.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/record_manager.h"
#include "recman/status.h"
#include "support/memory_records.h"
#include "support/stat_block.h"
#include "support/temp_dir.h"

namespace zem::testing {
namespace {

// Files of the real library in a fresh directory, created from their Stat block.
struct LibraryFiles {
  ~LibraryFiles() {
    std::array<uint8_t, 129> block{};
    uint32_t length = 0;
    char none[1] = {};
    records.Call(recman::kOpReset, block.data(), none, &length, none, 0, 0);
  }
  std::string Path(const std::string& name) const { return dir.File(name); }
  void AddFile(const std::string& name, size_t record_length, size_t key_length) {
    std::string data = BuildStat(static_cast<uint16_t>(record_length),
                                 {{{1, static_cast<uint16_t>(key_length), 0}}});
    Run(recman::kOpCreate, name, &data, 0);
  }
  void Insert(const std::string& name, std::string record) {
    Run(recman::kOpInsert, name, &record, 0);
  }
  // Opens `name`, issues `operation` with `data`, closes again.
  void Run(uint16_t operation, const std::string& name, std::string* data, int8_t key_number) {
    std::array<uint8_t, 129> block{};
    std::string key = Path(name);
    key.resize(256, '\0');
    std::string buffer = *data;
    buffer.resize(recman::kMaxRecordLength, '\0');
    uint32_t length = static_cast<uint32_t>(data->size());
    const bool create = operation == recman::kOpCreate;
    if (!create) {
      uint32_t none = 0;
      ASSERT_EQ(
          records.Call(recman::kOpOpen, block.data(), buffer.data(), &none, key.data(), 255, 0), 0);
    }
    ASSERT_EQ(records.Call(operation, block.data(), buffer.data(), &length, key.data(), 255,
                           create ? -1 : key_number),
              0);
    if (!create)
      records.Call(recman::kOpClose, block.data(), buffer.data(), &length, key.data(), 0, 0);
  }
  platform::RecordManager& manager() { return records; }

  TempDir dir;
  platform::HostFileSystem files;
  platform::LibraryRecordManager records{&files};
};

struct MemoryFiles {
  std::string Path(const std::string& name) const { return "/any/" + name; }
  void AddFile(const std::string& name, size_t record_length, size_t key_length) {
    records.AddFile(name, record_length, key_length);
  }
  void Insert(const std::string& name, const std::string& record) { records.Insert(name, record); }
  platform::RecordManager& manager() { return records; }
  MemoryRecords records;
};

// One open of a file, issuing calls as the storage layer does (whole buffers).
struct Reader {
  explicit Reader(platform::RecordManager& manager) : records(manager) {}
  // `key_value` is padded with zero bytes to the file's key length, as the storage layer does.
  int16_t Call(uint16_t operation, std::string key_value = "") {
    if (key_value.size() < kKeyLength) key_value.resize(kKeyLength, '\0');
    key.assign(256, '\0');
    key.replace(0, key_value.size(), key_value);
    data.assign(recman::kMaxRecordLength, '\0');
    length = static_cast<uint32_t>(data.size());
    return records.Call(operation, block.data(), data.data(), &length, key.data(),
                        static_cast<uint8_t>(key_value.size()), 0);
  }
  int16_t Open(const std::string& path) { return Call(recman::kOpOpen, path + '\0'); }
  static constexpr size_t kKeyLength = 4;
  std::string Record() const { return data.substr(0, length); }

  platform::RecordManager& records;
  std::array<uint8_t, 129> block{};
  std::string data, key;
  uint32_t length = 0;
};

template <typename Files>
class RecordsTwinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFile("Units.dat", 12, 4);
    for (const char* record : {"B002unit two", "A001unit one", "C003unit 3  "}) {
      files_.Insert("Units.dat", record);
    }
  }
  Reader OpenUnits() {
    Reader reader(files_.manager());
    EXPECT_EQ(reader.Open(files_.Path("Units.dat")), recman::kOk);
    return reader;
  }
  Files files_;
};

using Implementations = ::testing::Types<LibraryFiles, MemoryFiles>;
TYPED_TEST_SUITE(RecordsTwinTest, Implementations);

TYPED_TEST(RecordsTwinTest, OpensOnlyExistingFiles) {
  Reader reader(this->files_.manager());
  EXPECT_EQ(reader.Open(this->files_.Path("Missing.dat")), recman::kFileNotFound);
  EXPECT_EQ(reader.Call(recman::kOpGetNext), recman::kFileNotOpen);
}

TYPED_TEST(RecordsTwinTest, StatTellsRecordLengthAndKey) {
  Reader reader = this->OpenUnits();
  ASSERT_EQ(reader.Call(recman::kOpStat), recman::kOk);
  auto word = [&](size_t at) {
    return static_cast<uint8_t>(reader.data[at]) | static_cast<uint8_t>(reader.data[at + 1]) << 8;
  };
  EXPECT_EQ(word(0), 12);  // record length
  EXPECT_EQ(word(4), 1);   // keys
  EXPECT_EQ(word(16), 1);  // key 0 starts at byte 1 ...
  EXPECT_EQ(word(18), 4);  // ... and is 4 bytes long
}

TYPED_TEST(RecordsTwinTest, ReadsByKeyAndInKeyOrder) {
  Reader reader = this->OpenUnits();
  struct Step {
    uint16_t operation;
    const char* key;
    int16_t status;
    const char* record;  // when found
  } steps[] = {
      {recman::kOpGetEqual, "B002", recman::kOk, "B002unit two"},
      {recman::kOpGetNext, "", recman::kOk, "C003unit 3  "},
      {recman::kOpGetNext, "", recman::kEndOfFile, nullptr},
      {recman::kOpGetEqual, "B001", recman::kKeyNotFound, nullptr},
      {recman::kOpGetGreaterOrEqual, "A002", recman::kOk, "B002unit two"},
      {recman::kOpGetGreaterOrEqual, "A", recman::kOk, "A001unit one"},
      {recman::kOpGetNext, "", recman::kOk, "B002unit two"},
      {recman::kOpGetGreaterOrEqual, "D", recman::kEndOfFile, nullptr},
  };
  for (const Step& step : steps) {
    ASSERT_EQ(reader.Call(step.operation, step.key), step.status)
        << step.operation << " " << step.key;
    if (step.record) {
      EXPECT_EQ(reader.Record(), step.record);
      EXPECT_EQ(reader.key.substr(0, 4), std::string(step.record, 4));
    }
  }
}

TYPED_TEST(RecordsTwinTest, ResetClosesEveryFile) {
  Reader reader = this->OpenUnits();
  ASSERT_EQ(reader.Call(recman::kOpGetEqual, "A001"), recman::kOk);
  std::array<uint8_t, 129> block{};
  uint32_t length = 0;
  char none[1] = {};
  EXPECT_EQ(this->files_.manager().Call(recman::kOpReset, block.data(), none, &length, none, 0, 0),
            recman::kOk);
  EXPECT_EQ(reader.Call(recman::kOpGetNext), recman::kFileNotOpen);
}

}  // namespace
}  // namespace zem::testing
