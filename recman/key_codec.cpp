#include "key_codec.h"

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

std::string ComparableKey(const FileDefinition& definition, int key, const std::string& value) {
  const KeyDefinition& k = definition.keys[key];
  std::string out = value;
  out.resize(k.length, '\0');
  size_t p = 0;
  for (int s = 0; s < k.segment_count; ++s) {
    const Segment& seg = definition.segments[k.first_segment + s];
    char* bytes = out.data() + p;
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
  return out;
}

}  // namespace recman
