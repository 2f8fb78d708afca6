// Creation blocks: an accepted block describes keys that fit the record and the key limits,
// and the block kept for Stat reads back as the same definition.
#include "fuzz_check.h"
#include "recman/file_definition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  recman::FileDefinition definition;
  if (recman::ParseCreationBlock(data, size, &definition) != 0) return 0;
  FUZZ_CHECK(definition.record_length >= 1 && definition.record_length <= 1536,
             std::to_string(definition.record_length));
  FUZZ_CHECK(!definition.keys.empty(), "no keys");
  size_t next_segment = 0;
  for (const recman::KeyDefinition& key : definition.keys) {
    FUZZ_CHECK(static_cast<size_t>(key.first_segment) == next_segment && key.segment_count > 0,
               std::to_string(key.first_segment));
    int length = 0;
    for (int s = 0; s < key.segment_count; ++s) {
      const recman::Segment& segment = definition.segments.at(next_segment++);
      FUZZ_CHECK(segment.offset >= 0 && segment.length > 0 &&
                     segment.offset + segment.length <= definition.record_length,
                 std::to_string(segment.offset) + "+" + std::to_string(segment.length));
      length += segment.length;
    }
    FUZZ_CHECK(key.length == length && length <= 255, std::to_string(key.length));
  }
  FUZZ_CHECK(next_segment == definition.segments.size(), "segments outside every key");

  recman::FileDefinition again;
  FUZZ_CHECK(
      recman::ParseCreationBlock(definition.block.data(), definition.block.size(), &again) == 0,
      "the kept block is refused");
  FUZZ_CHECK(again.block == definition.block && again.keys.size() == definition.keys.size() &&
                 again.record_length == definition.record_length,
             "the kept block reads differently");
  const std::vector<uint32_t> distinct(definition.keys.size(), 0);
  FUZZ_CHECK(recman::StatBlock(definition, 0, distinct).size() >= definition.block.size(),
             "Stat block shorter than the definition");
  return 0;
}
