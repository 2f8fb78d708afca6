#include "mailing/field_codes.h"

#include "format/byte_scan.h"
#include "format/text_utils.h"

namespace zem {
namespace {

constexpr char kValueEnd = '\xff';

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The part of `text` from `pos` for `count` bytes; empty beyond the end.
std::string_view Part(std::string_view text, size_t pos, size_t count = std::string_view::npos) {
  return pos >= text.size() ? std::string_view() : text.substr(pos, count);
}

// Reads the value that follows a matching name line and puts it in place of the code at
// `marker` (the marker and the `name_length` bytes after it). `next` is the line after the
// name line and moves past the value.
void ReplaceWithValue(const MergeTable& data, size_t& next, std::string& line, size_t& marker,
                      size_t& name_length, const std::function<void(const std::string&)>& emit) {
  while (next < data.size()) {
    const std::string_view value_line = data.line(next++);
    const bool trim = marker < line.size() && line[marker] == '@';
    const size_t end = value_line.find(kValueEnd);
    if (end != std::string_view::npos) {
      std::string_view value = value_line.substr(0, end);
      if (trim) value = BlanksTrimmed(value);
      // The code (marker and name) gives way to the value, in place.
      const size_t at = std::min(marker, line.size());
      line.replace(at, std::min(name_length + 1, line.size() - at), value);
      return;
    }
    // An earlier line of a multi-line value is printed on its own; the name's last character
    // (the marker itself for an empty name) then holds the place for the next value line.
    // The piece is built in a buffer kept from call to call (the emitter copies what it
    // prints), and the line loses its printed part in place.
    static thread_local std::string piece;
    piece.assign(line, 0, std::min(marker, line.size()));
    piece += trim ? BlanksTrimmed(value_line) : value_line;
    emit(piece);
    line.erase(0, std::min(marker + name_length, line.size()));
    marker = 0;
    name_length = 0;
  }
}

}  // namespace

size_t FindFieldMarker(std::string_view line, size_t from) {
  if (from >= line.size()) return std::string_view::npos;
  const size_t at = from + FindEitherByte(line.data() + from, line.size() - from, '@', '#');
  return at < line.size() ? at : std::string_view::npos;
}

bool IsFieldNameChar(char c) {
  c = Upper(c);
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

void ReplaceFieldCodes(std::string& line, const std::string& merge_data,
                       const std::function<void(const std::string&)>& emit, int max_replacements) {
  ReplaceFieldCodes(line, MergeTable(merge_data), emit, max_replacements);
}

void ReplaceFieldCodes(std::string& line, const MergeTable& merge_data,
                       const std::function<void(const std::string&)>& emit, int max_replacements) {
  int replacements = 0;
  size_t search_from = 0;
  while (replacements < max_replacements) {
    size_t marker = FindFieldMarker(line, search_from);
    if (marker == std::string::npos) return;
    size_t name_length = 0;
    while (marker + 1 + name_length < line.size() &&
           IsFieldNameChar(line[marker + 1 + name_length]))
      ++name_length;

    // One pass over the file: every name line is compared with the text standing after the
    // current code's position, which after a replacement is the start of the value put in.
    size_t next = 0;
    for (;;) {
      const size_t entry = merge_data.FindName(Part(line, marker + 1, name_length), next);
      if (entry >= merge_data.size()) break;
      next = entry + 1;
      ReplaceWithValue(merge_data, next, line, marker, name_length, emit);
      if (FindFieldMarker(line, 0) == std::string_view::npos) return;
      if (++replacements >= max_replacements) return;
    }
    search_from = marker + 1;
  }
}

}  // namespace zem
