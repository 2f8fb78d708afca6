#include "mailing/merge_table.h"

#include <algorithm>

#include "platform/files.h"

namespace zem {
namespace {

constexpr char kNameMark = '\x7f';

std::string Capitals(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

void MergeTable::Assign(const std::string& bytes) {
  for (auto& [name, lines] : names_) lines.clear();
  count_ = 0;
  platform::TextReader reader(bytes);
  while (!reader.AtEnd()) {
    if (count_ == lines_.size()) lines_.emplace_back();
    std::string& line = lines_[count_++];
    reader.ReadLine(&line);
    if (!line.empty() && line[0] == kNameMark) {
      names_[Capitals(std::string_view(line).substr(1))].push_back(count_ - 1);
    }
  }
}

size_t MergeTable::FindName(std::string_view name, size_t from) const {
  auto found = names_.find(Capitals(name));
  if (found == names_.end()) return count_;
  auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
  return at == found->second.end() ? count_ : *at;
}

}  // namespace zem
