#include "format/fill_line.h"

#include <algorithm>
#include <cstdlib>

#include "format/byte_scan.h"

namespace zem {
namespace {

bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 32;
}
bool IsAboveBlank(char c) {
  return static_cast<unsigned char>(c) > 32;
}

size_t CountControls(const std::string& text, size_t from, size_t length) {
  const char* const data = text.data() + from;
  size_t count = 0;
  for (size_t i = FindControlByte(data, length); i < length;
       i += 1 + FindControlByte(data + i + 1, length - i - 1)) {
    ++count;
  }
  return count;
}

// Widens `line` to `target` characters by putting single blanks into its gaps, left to right,
// starting at the first gap at or after `first_gap`; the search wraps to the first blank at or
// after `skip` when no gap remains to the right.
void Justify(std::string& line, size_t target, size_t skip) {
  if (line.size() >= target || line.find(' ', skip) == std::string::npos) return;
  size_t gap = line.find(' ', skip + 2);
  if (gap == std::string::npos) gap = line.find(' ', skip);
  while (line.size() < target) {
    line.insert(gap, 1, ' ');
    size_t after_run = gap;
    while (after_run < line.size() && line[after_run] == ' ') ++after_run;
    gap = line.find(' ', after_run);
    if (gap == std::string::npos) gap = line.find(' ', skip);
  }
}

void Align(std::string& line, size_t target, char alignment, bool more_lines_follow, size_t skip) {
  const size_t missing = line.size() < target ? target - line.size() : 0;
  switch (alignment) {
    case 'E':
    case 'L':
    case 'I':
      line.append(missing, ' ');
      break;
    case 'N':
      line.append(missing, '-');
      break;
    case 'D':
    case 'R':
      line.insert(0, missing, ' ');
      break;
    case 'C':
      line.insert(0, missing / 2, ' ');
      line.append((missing + 1) / 2, ' ');
      break;
    case 'A':
    case 'B':
      if (more_lines_follow) {
        Justify(line, target, skip);
        // A line without a gap to widen is blank-filled instead (see the header).
        if (line.size() < target) line.append(target - line.size(), ' ');
      }
      break;
    default:
      break;
  }
}

}  // namespace

bool FillLine(std::string& text, int indent, int width, char alignment) {
  if (alignment >= 'a' && alignment <= 'z') alignment = static_cast<char>(alignment - 'a' + 'A');
  const size_t skip = static_cast<size_t>(std::abs(indent));
  int line_indent = indent > 0 ? indent : 0;
  // The common case, a text that fits its first line and holds no control byte, is filled in
  // place: the loop below would make the same single line.
  const size_t first_room = width - line_indent > 0 ? static_cast<size_t>(width - line_indent) : 1;
  if (!text.empty() && text.size() <= first_room &&
      FindControlByte(text.data(), text.size()) == text.size()) {
    text.insert(0, static_cast<size_t>(line_indent), ' ');
    Align(text, static_cast<size_t>(line_indent) + first_room, alignment, false, skip);
    return false;
  }
  // The lines are built in buffers kept from call to call, and the result changes places with
  // the text: after the first lines of a run nothing is allocated.
  static thread_local std::string result;
  static thread_local std::string line;
  result.clear();
  size_t pos = 0;
  bool has_controls = false;

  while (pos < text.size()) {
    // Every line carries at least one character, so that a width no larger than the indent
    // cannot stall the loop.
    size_t room = width - line_indent > 0 ? static_cast<size_t>(width - line_indent) : 1;

    // Take up to `room` visible characters; control bytes ride along without taking room, also
    // those that directly follow the last word taken.
    size_t taken = 0;
    for (;;) {
      const size_t end = std::min(room, text.size() - pos);
      if (taken >= end) break;
      taken += FindControlByte(text.data() + pos + taken, end - taken);
      if (taken == end) break;
      ++taken;  // a control byte
      ++room;
    }
    if (taken > 0 && IsAboveBlank(text[pos + taken - 1])) {
      while (pos + taken < text.size() && IsControl(text[pos + taken])) ++taken;
    }

    // Do not end inside a word: step back to the blank or control byte before it. A control
    // byte that starts the word goes to the next line with it, without the blanks before it.
    size_t cut = taken;
    if (pos + cut < text.size() && IsAboveBlank(text[pos + cut])) {
      while (cut > 0 && IsAboveBlank(text[pos + cut])) --cut;
      if (IsControl(text[pos + cut])) {
        while (cut > 0 && text[pos + cut - 1] == ' ') --cut;
      }
    }
    // One word longer than the room is broken.
    if (cut < 1) cut = taken;

    const size_t base_room = width - line_indent > 0 ? static_cast<size_t>(width - line_indent) : 1;
    const size_t controls = CountControls(text, pos, cut);
    has_controls |= controls > 0;
    const size_t target = static_cast<size_t>(line_indent) + base_room + controls;
    line.assign(static_cast<size_t>(line_indent), ' ');
    line.append(text, pos, cut);

    pos += cut;
    size_t next = pos;
    while (next < text.size() && text[next] == ' ') ++next;
    const bool more_lines_follow = next < text.size();
    Align(line, target, alignment, more_lines_follow, skip);

    result += line;
    pos = next;
    line_indent = indent < 0 ? -indent : 0;
  }
  text.swap(result);
  return has_controls;
}

}  // namespace zem
