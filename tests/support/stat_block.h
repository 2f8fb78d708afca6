#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zem::testing {

// Writes `value` as a 16-bit little-endian word at `offset`, growing `out` as needed.
inline void PutWord(std::string* out, size_t offset, uint16_t value) {
  if (out->size() < offset + 2) out->resize(offset + 2, '\0');
  (*out)[offset] = static_cast<char>(value & 0xff);
  (*out)[offset + 1] = static_cast<char>(value >> 8);
}

// One key segment as a Stat answer and a creation block describe it.
struct StatSegment {
  uint16_t Position = 0;  // first byte in the record, counted from 1
  uint16_t Length = 0;
  uint16_t Flags = 0;
};

// A Stat answer, which is also the creation block of a data file: record length, page size
// 1024, the key count, then 16 bytes for every segment of every key (the "continues" flag 0x10
// is set here on every segment but a key's last), and the collating sequence when given.
inline std::string BuildStat(uint16_t record_length,
                             const std::vector<std::vector<StatSegment>>& keys,
                             const std::string& collating_table = std::string()) {
  std::string out(16, '\0');
  PutWord(&out, 0, record_length);
  PutWord(&out, 2, 1024);
  PutWord(&out, 4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys) {
    for (size_t s = 0; s < key.size(); ++s) {
      std::string segment(16, '\0');
      PutWord(&segment, 0, key[s].Position);
      PutWord(&segment, 2, key[s].Length);
      PutWord(&segment, 4, key[s].Flags | (s + 1 < key.size() ? 0x10 : 0));
      out += segment;
    }
  }
  if (!collating_table.empty())
    out += std::string(
               "\xac"
               "UPPER   ",
               9) +
           collating_table;
  return out;
}

}  // namespace zem::testing
