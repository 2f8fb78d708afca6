#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zem {

// Key segment flags in the record manager's Stat answer and creation block.
constexpr uint16_t kSegmentDuplicates = 0x01;
constexpr uint16_t kSegmentModifiable = 0x02;
constexpr uint16_t kSegmentBinary = 0x04;
constexpr uint16_t kSegmentContinues = 0x10;  // another segment of the same key follows
constexpr uint16_t kSegmentAlternate = 0x20;  // compared through the collating table

struct KeySegment {
  uint16_t Position = 0;  // first byte in the record, counted from 1
  uint16_t Length = 0;
  uint16_t Flags = 0;
};

// What the program reads from a Stat answer (or a creation block, which shares the layout).
struct FileStat {
  int32_t RecordLength = 0;
  int32_t PageSize = 0;
  int32_t KeyCount = 0;
  uint32_t RecordCount = 0;
  std::vector<std::vector<KeySegment>> Keys;  // segments of key 0, key 1, ...
  // Offset of the collating sequence block right after the last segment, and its 256-byte
  // translation table (empty when the answer ends before it).
  size_t CollatingOffset = 0;
  std::string CollatingTable;
};

// Reads the fields of a Stat answer. Never reads past `data`: a key count or segment chain
// that runs beyond it ends the walk there.
FileStat ParseStat(std::string_view data);
// The sum of the key's segment lengths; 0 for a key the file does not define.
int32_t KeyLength(const FileStat& stat, int key_number);

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
// not open; the key length 0 for a key the file does not define).
void KeyAndRecordLength(int16_t id, int16_t key_number, int32_t& key_length,
                        int32_t& record_length);

// The reports that end the program, in the session's language.
std::string UnreachableFileMessage(const std::string& name, int16_t status);
std::string UnreadableDictionaryMessage(const std::string& path);

}  // namespace zem
