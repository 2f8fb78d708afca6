#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zem {

// What decides the print records of a template line, page breaks apart: its text and the
// format it is filled to.
struct LineShape {
  std::string_view text;
  int left = 0;
  int right = 0;
  int indent = 0;
  char alignment = '\0';
};

// The print records a line wrote when it began no page, and how many lines it advanced. They
// do not depend on where the line stands on its page, so a line met again writes them again
// as long as it begins no page there either.
struct LineOutput {
  std::string records;
  int lines = 0;
};

// The records of lines met in earlier letters (the letterhead, the fixed paragraphs, values
// that repeat), so that they are not filled and cut again. A line is kept once it has been met
// twice, so that lines seen once (an address) cost a hash and no copies; the table is bounded
// and starts again when full.
class LineOutputCache {
 public:
  // The hash that Find, Seen and Keep take for `shape`.
  static uint64_t Hash(const LineShape& shape);
  // The output kept for `shape`, or null.
  const LineOutput* Find(const LineShape& shape, uint64_t hash) const;
  // Whether `hash` was met before (and notes it): only then is a line's output worth keeping.
  bool Seen(uint64_t hash);
  void Keep(const LineShape& shape, uint64_t hash, std::string_view records, int lines);
  void Clear();

 private:
  struct Entry {
    std::string text;
    int left = 0;
    int right = 0;
    int indent = 0;
    char alignment = '\0';
    LineOutput output;
  };
  static constexpr size_t kMaxEntries = 256;
  // Lines longer than this are not kept (they are rare, and would make the table large).
  static constexpr size_t kMaxKeptBytes = 4096;
  std::unordered_map<uint64_t, Entry> entries_;
  // The hashes met once, by their low bits: a line whose slot another one took is kept a
  // sighting later.
  std::array<uint64_t, 1024> seen_{};
};

}  // namespace zem
