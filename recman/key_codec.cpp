#include "key_codec.h"

#include <cstring>

namespace recman {

std::string KeyValue(const FileDefinition& definition, int key, const uint8_t* record) {
  const KeyDefinition& k = definition.keys[key];
  std::string value;
  value.reserve(k.length);
  for (int s = 0; s < k.segment_count; ++s) {
    const Segment& seg = definition.segments[k.first_segment + s];
    value.append(reinterpret_cast<const char*>(record) + seg.offset, seg.length);
  }
  return value;
}

namespace {
// Turns a key value of the key's length, in place, into its comparable form.
void MakeComparable(const FileDefinition& definition, int key, char* value) {
  const KeyDefinition& k = definition.keys[key];
  size_t p = 0;
  for (int s = 0; s < k.segment_count; ++s) {
    const Segment& seg = definition.segments[k.first_segment + s];
    char* bytes = value + p;
    if (seg.flags & kSegBinary) {
      for (int i = 0, j = seg.length - 1; i < j; ++i, --j) std::swap(bytes[i], bytes[j]);
    } else if (seg.flags & kSegAltCollate) {
      for (int i = 0; i < seg.length; ++i) {
        bytes[i] = static_cast<char>(definition.collate[static_cast<uint8_t>(bytes[i])]);
      }
    }
    if (seg.flags & kSegDescending) {
      for (int i = 0; i < seg.length; ++i) {
        bytes[i] = static_cast<char>(255 - static_cast<uint8_t>(bytes[i]));
      }
    }
    p += seg.length;
  }
}
}  // namespace

std::string ComparableKey(const FileDefinition& definition, int key, const std::string& value) {
  std::string out = value;
  out.resize(definition.keys[key].length, '\0');
  MakeComparable(definition, key, out.data());
  return out;
}

void CopyKeyValue(const FileDefinition& definition, int key, const uint8_t* record, uint8_t* out) {
  const KeyDefinition& k = definition.keys[key];
  for (int s = 0; s < k.segment_count; ++s) {
    const Segment& seg = definition.segments[k.first_segment + s];
    std::memcpy(out, record + seg.offset, seg.length);
    out += seg.length;
  }
}

void RecordComparableKey(const FileDefinition& definition, int key, const uint8_t* record,
                         std::string* out) {
  out->resize(definition.keys[key].length);
  CopyKeyValue(definition, key, record, reinterpret_cast<uint8_t*>(out->data()));
  MakeComparable(definition, key, out->data());
}

}  // namespace recman
