#include "storage/file_stat.h"

namespace zem {
namespace {

constexpr size_t kSegmentOffset = 16;
constexpr size_t kSegmentSize = 16;
constexpr size_t kCollatingHeader = 9;  // signature byte and 8 name bytes

uint16_t Word(std::string_view data, size_t offset) {
  if (offset + 2 > data.size()) return 0;
  return static_cast<uint16_t>(static_cast<uint8_t>(data[offset]) |
                               (static_cast<uint8_t>(data[offset + 1]) << 8));
}

uint32_t DoubleWord(std::string_view data, size_t offset) {
  return static_cast<uint32_t>(Word(data, offset)) |
         (static_cast<uint32_t>(Word(data, offset + 2)) << 16);
}

}  // namespace

FileStat ParseStat(std::string_view data) {
  FileStat stat;
  stat.RecordLength = Word(data, 0);
  stat.PageSize = Word(data, 2);
  stat.KeyCount = static_cast<int16_t>(Word(data, 4));
  stat.RecordCount = DoubleWord(data, 6);
  size_t offset = kSegmentOffset;
  for (int key = 0; key < stat.KeyCount; ++key) {
    std::vector<KeySegment> segments;
    bool more = true;
    while (more && offset + kSegmentSize <= data.size()) {
      KeySegment segment{Word(data, offset), Word(data, offset + 2), Word(data, offset + 4)};
      segments.push_back(segment);
      offset += kSegmentSize;
      more = (segment.Flags & kSegmentContinues) != 0;
    }
    if (segments.empty()) break;
    stat.Keys.push_back(std::move(segments));
    if (more) break;  // the chain ran off the end of the answer
  }
  stat.CollatingOffset = offset;
  size_t table = offset + kCollatingHeader;
  if (table + 256 <= data.size()) stat.CollatingTable = std::string(data.substr(table, 256));
  return stat;
}

int32_t KeyLength(const FileStat& stat, int key_number) {
  if (key_number < 0 || key_number >= static_cast<int>(stat.Keys.size())) return 0;
  int32_t length = 0;
  for (const KeySegment& segment : stat.Keys[key_number]) length += segment.Length;
  return length;
}

}  // namespace zem
