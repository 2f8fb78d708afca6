#include "mailing/merge_table.h"

#include <algorithm>
#include <cstdint>

namespace zem {
namespace {

constexpr char kNameMark = '\x7f';

char Capital(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

uint64_t CapitalsHash(std::string_view name) {
  // FNV-1a over the capitals.
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(Capital(c));
    hash *= 1099511628211ull;
  }
  return hash;
}

// Whether `name` in capitals is `capitals`.
bool SameName(std::string_view capitals, std::string_view name) {
  if (capitals.size() != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (Capital(name[i]) != capitals[i]) return false;
  }
  return true;
}

}  // namespace

size_t MergeTable::SlotOf(std::string_view name) const {
  const size_t mask = slots_.size() - 1;
  size_t slot = static_cast<size_t>(CapitalsHash(name)) & mask;
  while (slots_[slot] != 0 && !SameName(names_[slots_[slot] - 1].capitals, name)) {
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
    names_.push_back({std::move(capitals), {}});
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
