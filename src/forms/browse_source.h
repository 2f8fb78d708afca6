#pragma once

#include <cstdint>
#include <string>

#include "forms/browse_file.h"

namespace zem {

// The lines of one pick list: those already in the work file, then, as they are asked for,
// the lines of further records read in key order from the starting key, for as long as the
// keys begin with it. Lines are addressed by their position in the work file; 0 is no line.
class BrowseSource {
 public:
  // `file_id` 0 lists only what the work file holds.
  BrowseSource(int16_t number, int16_t file_id, int16_t key_number, std::string start);

  uint32_t First();
  // The line after `position`, reading a record when the work file has no more; 0 at the end.
  uint32_t After(uint32_t position);
  // The line before `position`; 0 at the first line.
  uint32_t Before(uint32_t position) const;
  // The entry at `position` (an empty one for 0 or a damaged position).
  BrowseFile::Entry At(uint32_t position) const;

 private:
  // Reads records until one gives a line; false when the data file is exhausted.
  bool ReadMore();
  bool NextRecord();

  const int16_t number_;
  const int16_t file_id_;
  const int16_t key_number_;
  const std::string start_;
  std::string end_;  // the starting text as a key text, once the key number is set
  BrowseFile file_;
  bool exhausted_;
  bool started_ = false;
  uint32_t last_ = 0;  // position of the last entry appended or found
};

}  // namespace zem
