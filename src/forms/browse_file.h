#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

namespace zem {

// The pick lists' work file, the work directory + "Browse.tmp": one entry per listed line, in
// the order read. An entry is the position of the previous entry (0 for the first), the record
// position in the data file (both 32-bit little-endian), the line's length (16-bit
// little-endian) and the line. Positions count bytes from 1. The lines are also kept in
// memory, which is where they are read back from; when the file cannot be written the list
// goes on with the memory copy alone.
class BrowseFile {
 public:
  struct Entry {
    uint32_t Previous = 0;
    uint32_t Record = 0;
    std::string Line;
    uint32_t Next = 0;  // the position just after this entry
  };

  // Opens the work file: emptied when `empty` is true, else continued with what it holds.
  explicit BrowseFile(bool empty);
  // Closes and deletes the work file.
  ~BrowseFile();
  BrowseFile(const BrowseFile&) = delete;
  BrowseFile& operator=(const BrowseFile&) = delete;

  // Appends a line after the entry at `previous` and returns its position.
  uint32_t Append(uint32_t previous, uint32_t record, const std::string& line);
  // Reads the entry at `position`; false when no whole entry starts there.
  bool Read(uint32_t position, Entry* entry) const;
  // The position after the last entry.
  uint32_t End() const { return static_cast<uint32_t>(bytes_.size()) + 1; }

  static std::string Path();

 private:
  std::string bytes_;
  std::unique_ptr<platform::OutputFile> file_;
};

}  // namespace zem
