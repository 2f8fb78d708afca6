#include "mailing/merge_table.h"

#include <algorithm>
#include <cstdint>

#include "platform/files.h"

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
  count_ = 0;
  platform::TextReader reader(bytes);
  while (!reader.AtEnd()) {
    if (count_ == lines_.size()) lines_.emplace_back();
    std::string& line = lines_[count_++];
    reader.ReadLine(&line);
    if (!line.empty() && line[0] == kNameMark) {
      const std::string_view name = std::string_view(line).substr(1);
      auto entry = names_.find(name);
      if (entry == names_.end()) entry = names_.try_emplace(std::string(name)).first;
      entry->second.push_back(count_ - 1);
    }
  }
}

size_t MergeTable::FindName(std::string_view name, size_t from) const {
  auto found = names_.find(name);
  if (found == names_.end()) return count_;
  auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
  return at == found->second.end() ? count_ : *at;
}

}  // namespace zem
