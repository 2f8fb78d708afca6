#pragma once

#include <string>
#include <string_view>

namespace zem {

// Renders the records of a print file ("vakprint.tmp": device, page, command, justification and
// text records, code page 850, CR LF) as pages of plain text, the way the stand-in spooler shows
// them: text at its columns, line ends, pages separated by one form feed, justification applied
// within the box of a text record that makes a whole line (in fixed-pitch text the pieces of a
// line split by style switches are already laid out and stay as they are), "N" fills drawn up
// to their column. Printer commands
// (reset, page start, bold, underline, italic) change nothing in plain text and are ignored.
// Lines lose their trailing blanks, pages their trailing empty lines. The result is UTF-8.
struct PrintRendering {
  bool ok = false;
  std::string text;    // UTF-8 pages, each line ended by LF, "\f" between pages
  int pages = 0;       // pages rendered
  int error_line = 0;  // 1-based line of the print file at fault when !ok (0: the file itself)
  std::string error;   // what is wrong when !ok
};

PrintRendering RenderPrintFile(std::string_view bytes);

// A signed number as the print file writes it: a sign character (blank or "-"), digits, one
// blank. Leading and trailing blanks are tolerated; false when anything else is there.
bool ParsePrintNumber(std::string_view field, long* value);

}  // namespace zem
