#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zem {

// The merge data file's bytes split once into lines (the suite's line ends; a byte 26 where a
// line would start ends the file), with every name line (byte 127 + name) indexed by its name
// in capitals. Field codes look names up in file order from any line, as a pass over the
// file would find them, without splitting the file again for every code.
class MergeTable {
 public:
  MergeTable() = default;
  explicit MergeTable(const std::string& bytes) { Assign(bytes); }
  // The table of other bytes; the bytes, lines and names of the earlier ones lend their room,
  // so that a table kept for a run allocates nothing for letters like the ones before.
  void Assign(const std::string& bytes);

  size_t size() const { return lines_.size(); }
  std::string_view line(size_t index) const {
    return std::string_view(bytes_).substr(lines_[index].start, lines_[index].length);
  }
  // The first name line at `from` or later whose name equals `name` without regard to case
  // (ASCII letters); size() when there is none.
  size_t FindName(std::string_view name, size_t from) const;

 private:
  struct Line {
    size_t start;
    size_t length;
  };
  std::string bytes_;  // the bytes the lines stand in
  std::vector<Line> lines_;
  // Names hash and compare without regard to case (ASCII letters), so that a lookup copies
  // nothing.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const noexcept;
  };
  struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
  };
  // A name no longer in the table keeps its entry with no line numbers.
  std::unordered_map<std::string, std::vector<size_t>, NameHash, NameEqual>
      names_;  // ascending line numbers
};

}  // namespace zem
