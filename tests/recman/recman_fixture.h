#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "recman/btrcall.h"
#include "recman/file_definition.h"
#include "recman/status.h"
#include "support/stat_block.h"
#include "support/temp_dir.h"

// Helpers shared by the record manager's tests: creation blocks, a client holding one
// position block, and a temporary directory removed after each test.
namespace recman::testing {

struct SegmentSpec {
  int position;  // counted from 1
  int length;
  uint16_t flags;
};

// A creation block: file specification, then every key's segments (0x10 set on all segments
// of a key but its last), then the collating table when given.
inline std::vector<uint8_t> MakeBlock(int record_length,
                                      const std::vector<std::vector<SegmentSpec>>& keys,
                                      const std::vector<uint8_t>& collate = {}) {
  std::vector<std::vector<zem::testing::StatSegment>> segments;
  for (const auto& key : keys) {
    segments.emplace_back();
    for (const SegmentSpec& s : key) {
      segments.back().push_back(
          {static_cast<uint16_t>(s.position), static_cast<uint16_t>(s.length), s.flags});
    }
  }
  const std::string block = zem::testing::BuildStat(static_cast<uint16_t>(record_length), segments,
                                                    std::string(collate.begin(), collate.end()));
  return std::vector<uint8_t>(block.begin(), block.end());
}

// A table that folds lower-case ASCII letters onto capitals.
inline std::vector<uint8_t> UpperCaseTable() {
  std::vector<uint8_t> table(256);
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
  return table;
}

// One open of a data file.
class Client {
 public:
  std::array<uint8_t, 128> block{};
  std::vector<uint8_t> data = std::vector<uint8_t>(1536, ' ');
  uint32_t length = 0;
  std::array<uint8_t, 256> key{};

  int16_t Call(uint16_t op, int8_t key_number = 0, const std::string& key_value = "",
               uint32_t data_length = 1536) {
    key.fill(0);
    std::memcpy(key.data(), key_value.data(), key_value.size());
    length = data_length;
    return BTRCALL(op, block.data(), data.data(), &length, key.data(),
                   static_cast<uint8_t>(key_value.size()), key_number);
  }
  int16_t Open(const std::string& path, int8_t mode = 0) {
    std::string owner("\0\0\0\0\0", 5);
    std::copy(owner.begin(), owner.end(), data.begin());
    return Call(kOpOpen, mode, path + '\0', 5);
  }
  int16_t Create(const std::string& path, const std::vector<uint8_t>& creation,
                 int8_t key_number = -1) {
    std::copy(creation.begin(), creation.end(), data.begin());
    return Call(kOpCreate, key_number, path + '\0', static_cast<uint32_t>(creation.size()));
  }
  int16_t Close() { return Call(kOpClose); }
  int16_t Insert(const std::string& record, int8_t key_number = 0) {
    std::copy(record.begin(), record.end(), data.begin());
    return Call(kOpInsert, key_number, "", static_cast<uint32_t>(record.size()));
  }
  int16_t Update(const std::string& record, int8_t key_number = 0) {
    std::copy(record.begin(), record.end(), data.begin());
    return Call(kOpUpdate, key_number, "", static_cast<uint32_t>(record.size()));
  }
  // A Get by key value (Equal, Greater, ..., First, Last).
  int16_t Get(uint16_t op, int8_t key_number, const std::string& key_value = "") {
    return Call(op, key_number, key_value);
  }
  int16_t Step(uint16_t op) { return Call(op, 0); }
  int16_t Position(uint32_t* position) {
    const int16_t status = Call(kOpGetPosition);
    std::memcpy(position, data.data(), 4);
    return status;
  }
  int16_t Direct(uint32_t position, int8_t key_number, uint16_t bias = 0) {
    std::memcpy(data.data(), &position, 4);
    return Call(kOpGetDirect + bias, key_number);
  }
  // The record the last Get returned.
  std::string Record() const { return std::string(data.begin(), data.begin() + length); }
  // The first `n` bytes of the key buffer.
  std::string Key(size_t n) const { return std::string(key.begin(), key.begin() + n); }
};

using TempDir = zem::testing::TempDir;

}  // namespace recman::testing
