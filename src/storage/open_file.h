#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_stat.h"

namespace zem {

// Issues Stat for an open slot and returns the answer's data buffer (1536 bytes).
int16_t StatSlot(int slot, std::string* data);

// The parts of a data file's name: directory (up to the last ":", "\" or "/"), base name and
// extension (from the first "." of the last component; ".dat" when there is none).
struct FileNameParts {
  std::string Directory;
  std::string Base;
  std::string Extension;
};
FileNameParts SplitDataFileName(std::string_view name);
// The path the record manager gets: directory + base + extension.
std::string DataFilePath(const FileNameParts& parts);
// The dictionary of a data file: the suite root + "ddf\" + base name + ".xdf".
std::string DictionaryPath(const FileNameParts& parts);

// Opens data file `name` under `id` and binds `record_area` to it; a missing file is created
// from its dictionary first. Returns 0, 1002 (id open already) or 1003 (no free slot); a file
// that cannot be reached is reported and ends the program (exit 0), an unreadable dictionary
// ends it with exit code 255. The record area is widened with blanks to the record length.
int16_t OpenDataFile(int16_t id, const std::string& name, std::string* record_area);

// The record length and the length of key `key_number` of an open file (both 0 when it is
// not open; the key length 0 for a key the file does not define), from its Stat answer at open.
void KeyAndRecordLength(int16_t id, int16_t key_number, int32_t& key_length,
                        int32_t& record_length);

// The reports that end the program, in the session's language.
std::string UnreachableFileMessage(const std::string& name, int16_t status);
std::string UnreadableDictionaryMessage(const std::string& path);

}  // namespace zem
