#include <algorithm>
#include <string>

#include "format/byte_scan.h"
#include "format/fill_line.h"
#include "format/text_utils.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"

namespace zem {
namespace {

constexpr char kBold = 16;
constexpr char kUnderline = 17;
constexpr char kItalic = 18;

bool IsStyle(char c) {
  return c == kBold || c == kUnderline || c == kItalic;
}

// Writes a piece of the filled text as one text record, preceded by the justification that
// matches the line's alignment.
void Flush(std::string_view segment, bool line_end, char alignment, int right) {
  switch (alignment) {
    case 'D':
    case 'C':
    case 'A':
      SetJustification(std::string_view(&alignment, 1));
      break;
    case 'N':
      if (!segment.empty()) {
        // The spooler draws the fill up to the column after the right margin; a piece that
        // does not end the line is justified instead.
        if (line_end) {
          SetJustification("N " + std::to_string(right + 1) + " \\-\\");
        } else {
          SetJustification("A");
        }
        segment = segment.substr(0, segment.find_last_not_of(' ') + 1);
      } else {
        SetJustification("E");
      }
      break;
    default:
      SetJustification("E");
      break;
  }
  PrintText(0, segment, line_end ? 1 : 0);
}

bool PageNearlyFull(const TemplateRun& run) {
  return Printing().CurrentLine > run.PageLength - 8;
}

}  // namespace

void NewLetterPage(const TemplateRun& run) {
  MergeState& merge = Merging();
  merge.PageCount = static_cast<int16_t>(merge.PageCount + 1);
  BeginPage(run.PageLength);
  if (merge.PageCount == 1) PrintCommand("@");
  PrintCommand("e");
  PrintText(0, "", run.TopMargin);
  PrintText(95 - static_cast<int>(run.Header.size()), run.Header, 2);
}

void EmitLine(TemplateRun& run, std::string_view line) {
  MergeState& merge = Merging();
  std::string& text = merge.LineText;
  text.clear();
  text.append(line);
  if (!text.empty() && text[0] >= 1 && text[0] <= 9) {
    run.CurrentFormat = text[0] - 1;
    text.erase(0, 1);
  }
  const LineFormat& format = merge.Formats[run.CurrentFormat];
  int left = format.Left + (format.Indent < 0 ? format.Indent : 0);
  int right = format.Right;
  int indent = format.Indent;
  char alignment = format.Alignment;
  if (left == 0 && right == 0) {
    left = kStandardFormat.Left;
    right = kStandardFormat.Right;
    indent = kStandardFormat.Indent;
    alignment = kStandardFormat.Alignment;
  }
  if (alignment == 'I') {
    size_t blanks = std::min(text.find_first_not_of(' '), text.size());
    text.erase(0, blanks);
    left += static_cast<int>(blanks);
  }
  // A line pushed past its right margin (crossed margins, many leading blanks) still gets one
  // column per line rather than none.
  const int width = std::max(right - left + 1, 1);

  const bool has_controls = FillLine(text, indent, width, alignment == 'N' ? 'I' : alignment);
  const std::string& filled = text;

  if (merge.PageCount == 0) NewLetterPage(run);
  if (PageNearlyFull(run)) NewLetterPage(run);
  PrintText(left, "", 0);

  // The piece of the current line collected so far: filled[piece, pos).
  size_t piece = 0;
  int on_line = 0;
  // The filled text goes out a line of `width` characters at a time; a style byte ends the
  // piece before it and takes no room.
  size_t pos = 0;
  const std::string_view all(filled);
  while (pos < filled.size()) {
    const char c = filled[pos];
    if (IsStyle(c)) {
      Flush(all.substr(piece, pos - piece), false, alignment, right);
      PrintCommand(c == kBold ? "b" : c == kUnderline ? "u" : "i");
      piece = ++pos;
      continue;
    }
    if (on_line >= width) {
      Flush(all.substr(piece, pos - piece), true, alignment, right);
      piece = pos;
      on_line = 0;
      if (PageNearlyFull(run)) NewLetterPage(run);
      PrintText(left, "", 0);
    }
    const size_t limit = std::min(filled.size(), pos + static_cast<size_t>(width - on_line));
    size_t end = has_controls ? pos : limit;
    // Style bytes are control bytes: the run up to the next control byte holds none.
    while (end < limit) {
      end += FindControlByte(filled.data() + end, limit - end);
      if (end == limit || IsStyle(filled[end])) break;
      ++end;
    }
    on_line += static_cast<int>(end - pos);
    pos = end;
  }
  // The last line of a justified paragraph is not widened.
  Flush(all.substr(piece, pos - piece), true, alignment == 'A' ? 'E' : alignment, right);
}

}  // namespace zem
