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

MergeTable::MergeTable(const std::string& bytes) {
  platform::TextReader reader(bytes);
  while (!reader.AtEnd()) {
    lines_.push_back(reader.ReadLine());
    const std::string& line = lines_.back();
    if (!line.empty() && line[0] == kNameMark) {
      names_[Capitals(std::string_view(line).substr(1))].push_back(lines_.size() - 1);
    }
  }
}

size_t MergeTable::FindName(std::string_view name, size_t from) const {
  auto found = names_.find(Capitals(name));
  if (found == names_.end()) return lines_.size();
  auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
  return at == found->second.end() ? lines_.size() : *at;
}

}  // namespace zem
