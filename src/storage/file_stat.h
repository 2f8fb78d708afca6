#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The record manager's Stat answer as the program reads it.
namespace zem {

// Key segment flags in the record manager's Stat answer and creation block.
constexpr uint16_t kSegmentDuplicates = 0x01;
constexpr uint16_t kSegmentModifiable = 0x02;
constexpr uint16_t kSegmentBinary = 0x04;
constexpr uint16_t kSegmentContinues = 0x10;  // another segment of the same key follows
constexpr uint16_t kSegmentAlternate = 0x20;  // compared through the collating table

struct KeySegment {
  uint16_t Position = 0;  // first byte in the record, counted from 1
  uint16_t Length = 0;
  uint16_t Flags = 0;
};

// What the program reads from a Stat answer (or a creation block, which shares the layout).
struct FileStat {
  int32_t RecordLength = 0;
  int32_t PageSize = 0;
  int32_t KeyCount = 0;
  uint32_t RecordCount = 0;
  std::vector<std::vector<KeySegment>> Keys;  // segments of key 0, key 1, ...
  // Offset of the collating sequence block right after the last segment, and its 256-byte
  // translation table (empty when the answer ends before it).
  size_t CollatingOffset = 0;
  std::string CollatingTable;
};

// Reads the fields of a Stat answer. Never reads past `data`: a key count or segment chain
// that runs beyond it ends the walk there.
FileStat ParseStat(std::string_view data);
// The sum of the key's segment lengths; 0 for a key the file does not define.
int32_t KeyLength(const FileStat& stat, int key_number);

}  // namespace zem
