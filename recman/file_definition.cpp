#include "file_definition.h"

#include "status.h"

namespace recman {
namespace {
constexpr int16_t kInvalidAltCollate = 48;
// A creation block never exceeds the callers' 1536-byte data buffer.
constexpr int kMaxSegments = (kMaxRecordLength - kFileSpecSize) / kSegmentSpecSize;
}  // namespace

int16_t ParseCreationBlock(const uint8_t* data, size_t length, FileDefinition* out) {
  if (data == nullptr || length < kFileSpecSize) return kDataBufferTooShort;
  FileDefinition def;
  def.record_length = ReadU16(data);
  if (def.record_length == 0 || def.record_length > kMaxRecordLength) return kInvalidRecordLength;
  const int key_count = ReadU16(data + 4);
  if (key_count == 0 || key_count > kMaxSegments) return kInvalidKeyCount;

  size_t offset = kFileSpecSize;
  for (int k = 0; k < key_count; ++k) {
    KeyDefinition key;
    key.first_segment = static_cast<int>(def.segments.size());
    bool more = true;
    while (more) {
      if (static_cast<int>(def.segments.size()) >= kMaxSegments) return kInvalidKeyCount;
      if (offset + kSegmentSpecSize > length) return kDataBufferTooShort;
      const uint8_t* segment_block = data + offset;
      Segment seg;
      const int position = ReadU16(segment_block);
      seg.length = ReadU16(segment_block + 2);
      seg.flags = ReadU16(segment_block + 4);
      if (seg.length == 0) return kInvalidKeyLength;
      if (position < 1 || position + seg.length - 1 > def.record_length) {
        return kInvalidKeyPosition;
      }
      seg.offset = position - 1;
      key.length += seg.length;
      if (key.length > kMaxKeyLength) return kInvalidKeyLength;
      key.duplicates = key.duplicates || (seg.flags & kSegDuplicates);
      key.modifiable = key.modifiable || (seg.flags & kSegModifiable);
      def.uses_alt_collate = def.uses_alt_collate || (seg.flags & kSegAltCollate);
      more = (seg.flags & kSegNextFollows) != 0;
      def.segments.push_back(seg);
      ++key.segment_count;
      offset += kSegmentSpecSize;
    }
    def.keys.push_back(key);
  }
  if (def.uses_alt_collate) {
    if (offset + kAltCollateSize > length) return kDataBufferTooShort;
    if (data[offset] != kAltCollateSignature) return kInvalidAltCollate;
    for (int i = 0; i < 256; ++i) def.collate[i] = data[offset + 9 + i];
    offset += kAltCollateSize;
  }
  def.block.assign(data, data + offset);
  *out = std::move(def);
  return kOk;
}

std::vector<uint8_t> StatBlock(const FileDefinition& definition, uint32_t records,
                               const std::vector<uint32_t>& distinct_values) {
  std::vector<uint8_t> block = definition.block;
  WriteU32(block.data() + 6, records);
  for (size_t k = 0; k < definition.keys.size(); ++k) {
    const KeyDefinition& key = definition.keys[k];
    const uint32_t distinct = k < distinct_values.size() ? distinct_values[k] : 0;
    for (int s = 0; s < key.segment_count; ++s) {
      WriteU32(block.data() + kFileSpecSize + (key.first_segment + s) * kSegmentSpecSize + 6,
               distinct);
    }
  }
  return block;
}

}  // namespace recman
