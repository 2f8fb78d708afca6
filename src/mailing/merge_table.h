#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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
  // Every name met so far, in capitals, with its name lines in this table (ascending); a name
  // no longer in the table keeps its entry with no lines. They are found through an open-
  // addressed table of slots (index + 1 into names_, 0 for a free slot; a power of two, at
  // most half full), so that a lookup copies nothing and compares one name or two.
  struct Name {
    std::string capitals;
    uint64_t key;  // a short name's capitals packed in a word, compared at once
    std::vector<size_t> lines;
  };
  // The slot that holds `name` (any case), or the free slot where it would go.
  size_t SlotOf(std::string_view name) const;
  // The entry of `name`, made when there is none.
  Name& Entry(std::string_view name);
  std::vector<Name> names_;
  std::vector<uint32_t> slots_;
};

}  // namespace zem
