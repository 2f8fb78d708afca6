#include "mailing/line_output_cache.h"

#include <cstring>

namespace zem {
namespace {

uint64_t Mix(uint64_t hash, uint64_t word) {
  hash = (hash ^ word) * 0xff51afd7ed558ccdull;
  return hash ^ (hash >> 32);
}

}  // namespace

// A word at a time: every line of every letter is hashed, most of them short.
uint64_t LineOutputCache::Hash(const LineShape& shape) {
  uint64_t hash = 0x9e3779b97f4a7c15ull ^ shape.text.size();
  const char* bytes = shape.text.data();
  size_t left = shape.text.size();
  for (; left >= 8; bytes += 8, left -= 8) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    hash = Mix(hash, word);
  }
  if (left > 0) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, left);
    hash = Mix(hash, word);
  }
  const auto format = static_cast<uint64_t>(static_cast<uint16_t>(shape.left)) |
                      static_cast<uint64_t>(static_cast<uint16_t>(shape.right)) << 16 |
                      static_cast<uint64_t>(static_cast<uint16_t>(shape.indent)) << 32 |
                      static_cast<uint64_t>(static_cast<unsigned char>(shape.alignment)) << 48;
  return Mix(hash, format);
}

const LineOutput* LineOutputCache::Find(const LineShape& shape, uint64_t hash) const {
  auto found = entries_.find(hash);
  if (found == entries_.end()) return nullptr;
  const Entry& entry = found->second;
  if (entry.left != shape.left || entry.right != shape.right || entry.indent != shape.indent ||
      entry.alignment != shape.alignment || entry.text != shape.text) {
    return nullptr;
  }
  return &entry.output;
}

bool LineOutputCache::Seen(uint64_t hash) {
  uint64_t& slot = seen_[hash % seen_.size()];
  const bool seen = slot == hash;
  slot = hash;
  return seen;
}

void LineOutputCache::Keep(const LineShape& shape, uint64_t hash, std::string_view records,
                           int lines) {
  if (shape.text.size() + records.size() > kMaxKeptBytes) return;
  if (entries_.size() >= kMaxEntries) entries_.clear();
  Entry& entry = entries_[hash];
  entry.text.assign(shape.text);
  entry.left = shape.left;
  entry.right = shape.right;
  entry.indent = shape.indent;
  entry.alignment = shape.alignment;
  entry.output.records.assign(records);
  entry.output.lines = lines;
}

void LineOutputCache::Clear() {
  entries_.clear();
  seen_.fill(0);
}

}  // namespace zem
