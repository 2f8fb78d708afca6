#include "mailing/merge_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace zem {
namespace {

constexpr char kNameMark = '\x7f';

char Capital(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// A name of up to eight bytes in capitals as one word, zero bytes after it: every byte from
// "a" to "z" loses 32 at once.
uint64_t PackedCapitals(std::string_view name) {
  uint64_t word = 0;
  if (!name.empty()) std::memcpy(&word, name.data(), name.size());  // an empty view may be null
  const uint64_t low = word & ~kHighBits;
  const uint64_t from_a = low + kOnes * (0x80 - 'a');
  const uint64_t past_z = low + kOnes * (0x7f - 'z');
  const uint64_t lower = from_a & ~past_z & ~word & kHighBits;
  return word - (lower >> 2);
}

// A name's key: its packed capitals when it is short, 0 otherwise.
uint64_t NameKey(std::string_view name) {
  return name.size() <= sizeof(uint64_t) ? PackedCapitals(name) : 0;
}

uint64_t NameHash(std::string_view name, uint64_t key) {
  if (name.size() <= sizeof(uint64_t)) return (key ^ name.size()) * 0x9e3779b97f4a7c15ull;
  // FNV-1a over the capitals.
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(Capital(c));
    hash *= 1099511628211ull;
  }
  return hash;
}

// Whether `name` (key `key`) in capitals is `capitals` (key `capitals_key`).
bool SameName(std::string_view capitals, uint64_t capitals_key, std::string_view name,
              uint64_t key) {
  if (capitals.size() != name.size()) return false;
  if (name.size() <= sizeof(uint64_t)) return capitals_key == key;
  for (size_t i = 0; i < name.size(); ++i) {
    if (Capital(name[i]) != capitals[i]) return false;
  }
  return true;
}

}  // namespace

size_t MergeTable::SlotOf(std::string_view name) const {
  const uint64_t key = NameKey(name);
  // The high bits of the hash pick the slot: the multiplication mixes them best.
  const size_t mask = slots_.size() - 1;
  size_t slot = static_cast<size_t>(NameHash(name, key) >> 40) & mask;
  while (slots_[slot] != 0) {
    const Name& entry = names_[slots_[slot] - 1];
    if (SameName(entry.capitals, entry.key, name, key)) break;
    slot = (slot + 1) & mask;
  }
  return slot;
}

MergeTable::Name& MergeTable::Entry(std::string_view name) {
  if (2 * (names_.size() + 1) > slots_.size()) {
    // Grown before it is half full, so that every search meets a free slot soon.
    slots_.assign(std::max<size_t>(64, 2 * slots_.size()), 0);
    for (size_t i = 0; i < names_.size(); ++i) {
      slots_[SlotOf(names_[i].capitals)] = static_cast<uint32_t>(i + 1);
    }
  }
  const size_t slot = SlotOf(name);
  if (slots_[slot] == 0) {
    std::string capitals(name);
    for (char& c : capitals) c = Capital(c);
    const uint64_t key = NameKey(capitals);
    names_.push_back({std::move(capitals), key, {}});
    slots_[slot] = static_cast<uint32_t>(names_.size());
  }
  return names_[slots_[slot] - 1];
}

void MergeTable::Assign(const std::string& bytes) {
  for (Name& name : names_) name.lines.clear();
  lines_.clear();
  bytes_ = bytes;
  const std::string_view all(bytes_);
  // Lines end at a CR (and the LF after it); a byte 26 where a line would begin ends the file.
  size_t pos = 0;
  while (pos < all.size() && all[pos] != 26) {
    size_t end = all.find('\r', pos);
    if (end == std::string_view::npos) end = all.size();
    lines_.push_back({pos, end - pos});
    if (end > pos && all[pos] == kNameMark) {
      Entry(all.substr(pos + 1, end - pos - 1)).lines.push_back(lines_.size() - 1);
    }
    pos = end;
    if (pos < all.size()) {
      ++pos;
      if (pos < all.size() && all[pos] == '\n') ++pos;
    }
  }
}

size_t MergeTable::FindName(std::string_view name, size_t from) const {
  if (slots_.empty()) return size();
  const uint32_t index = slots_[SlotOf(name)];
  if (index == 0) return size();
  const std::vector<size_t>& lines = names_[index - 1].lines;
  auto at = std::lower_bound(lines.begin(), lines.end(), from);
  return at == lines.end() ? size() : *at;
}

}  // namespace zem
