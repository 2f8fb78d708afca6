#pragma once

#include <string>

#include "file_definition.h"

// Key values and their comparable form.
//
// A key value is the key's bytes as they stand in the record, segments in order. Its
// comparable form sorts under plain byte-wise comparison the way the key is ordered: binary
// segments have their bytes reversed (little-endian integers then sort numerically),
// segments with the alternate collating sequence are translated through its table, and
// descending segments are inverted (255 - b).
namespace recman {

// The key value of `key` taken from a record of the file's record length.
std::string KeyValue(const FileDefinition& definition, int key, const uint8_t* record);

// The comparable form of a key value of exactly the key's length.
std::string ComparableKey(const FileDefinition& definition, int key, const std::string& value);

// The same two without a new string: the key value copied to `out` (the key's length), and the
// comparable form of a record's key written over *out.
void CopyKeyValue(const FileDefinition& definition, int key, const uint8_t* record, uint8_t* out);
void RecordComparableKey(const FileDefinition& definition, int key, const uint8_t* record,
                         std::string* out);

}  // namespace recman
