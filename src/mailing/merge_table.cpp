#include "mailing/merge_table.h"

#include <algorithm>
#include <cstdint>

namespace zem {
namespace {

constexpr char kNameMark = '\x7f';

char Capital(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

size_t MergeTable::NameHash::operator()(std::string_view name) const noexcept {
  // FNV-1a over the capitals.
  uint64_t hash = 14695981039346656037ull;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(Capital(c));
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

bool MergeTable::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Capital(a[i]) != Capital(b[i])) return false;
  }
  return true;
}

void MergeTable::Assign(const std::string& bytes) {
  for (auto& [name, lines] : names_) lines.clear();
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
      const std::string_view name = all.substr(pos + 1, end - pos - 1);
      auto entry = names_.find(name);
      if (entry == names_.end()) entry = names_.try_emplace(std::string(name)).first;
      entry->second.push_back(lines_.size() - 1);
    }
    pos = end;
    if (pos < all.size()) {
      ++pos;
      if (pos < all.size() && all[pos] == '\n') ++pos;
    }
  }
}

size_t MergeTable::FindName(std::string_view name, size_t from) const {
  auto found = names_.find(name);
  if (found == names_.end()) return size();
  auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
  return at == found->second.end() ? size() : *at;
}

}  // namespace zem
