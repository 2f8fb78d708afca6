#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A data file's definition as the creation block describes it: the file specification, one
// specification per key segment (all segments of key 0 first) and, when a segment asks for
// it, the alternate collating sequence.
namespace recman {

enum SegmentFlag : uint16_t {
  kSegDuplicates = 0x01,
  kSegModifiable = 0x02,
  kSegBinary = 0x04,
  kSegNullKey = 0x08,
  kSegNextFollows = 0x10,
  kSegAltCollate = 0x20,
  kSegDescending = 0x40,
};

constexpr size_t kFileSpecSize = 16;
constexpr size_t kSegmentSpecSize = 16;
// Signature byte, 8 name bytes, 256-byte translation table.
constexpr size_t kAltCollateSize = 1 + 8 + 256;
constexpr uint8_t kAltCollateSignature = 0xAC;

struct Segment {
  int offset = 0;  // 0-based offset in the record
  int length = 0;
  uint16_t flags = 0;
};

struct KeyDefinition {
  int first_segment = 0;
  int segment_count = 0;
  int length = 0;  // sum of the segment lengths
  bool duplicates = false;
  bool modifiable = false;
};

struct FileDefinition {
  int record_length = 0;
  std::vector<Segment> segments;
  std::vector<KeyDefinition> keys;
  bool uses_alt_collate = false;
  std::array<uint8_t, 256> collate{};
  // The block as it was given (file specification, segment specifications, collating
  // sequence when used); Stat returns it with the counters filled in.
  std::vector<uint8_t> block;
};

// Reads and checks a creation block of `length` bytes. Returns 0 and fills `out`, or the
// status that refuses it: 22 the block is shorter than the segments it announces, 26 no keys
// (or more than fit a block), 27 a segment outside the record, 28 record length 0 or above
// 1536, 29 a segment of length 0 or a key longer than 255 bytes, 48 a collating sequence
// without its signature byte.
int16_t ParseCreationBlock(const uint8_t* data, size_t length, FileDefinition* out);

// The Stat block: the stored block with the number of records and, in every segment of each
// key, the key's number of distinct values.
std::vector<uint8_t> StatBlock(const FileDefinition& definition, uint32_t records,
                               const std::vector<uint32_t>& distinct_values);

// Little-endian helpers shared by the library.
inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace recman
