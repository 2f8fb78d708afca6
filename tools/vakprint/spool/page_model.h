#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zem::vakprint {

// The printer's style switches, one bit each per printed character.
enum StyleBits : uint8_t { kBold = 1, kUnderline = 2, kItalic = 4 };

// One line of a page that holds text: code-page-850 bytes from column 1 on (blanks where
// nothing was printed) and the style of each byte.
struct Row {
  long line = 0;  // 0 at the top of the page
  std::string bytes;
  std::string styles;  // StyleBits per byte, as many as bytes
};

// One page as the printer lays it out on its grid of columns and lines. Only lines holding
// text are kept, in order, so that long runs of empty lines cost nothing.
struct Page {
  long length = 0;  // lines, from the page record (0 or less when the program gave none)
  std::vector<Row> rows;
};

// Text is kept up to these bounds: beyond them it lies off any paper, and keeping it would let
// one record's numbers decide how much memory the rendering takes.
constexpr long kLastColumn = 4096;
constexpr long kLastLine = 32767;

// Receives the pages of a print file one at a time, in order.
class PageSink {
 public:
  virtual ~PageSink() = default;
  // False when the page could not be output (the sink knows why).
  virtual bool AddPage(const Page& page) = 0;
};

struct ReadSummary {
  bool ok = false;
  bool output_failed = false;  // the sink refused a page
  int pages = 0;
  std::string device;  // the device record's text
  long dropped = 0;    // characters left out beyond kLastColumn or kLastLine
  int error_line = 0;  // 1-based line of the print file at fault (0: the file itself)
  std::string error;   // what is wrong with the print file
};

// Reads a print file and hands each page to the sink as soon as it is complete, so only one
// page is held at a time. Printer commands set the style switches ("b", "u", "i" toggle bold,
// underline and italic; "@" and "e" reset them); a justification record lays out the text
// record after it.
ReadSummary ReadPages(std::string_view bytes, PageSink* sink);

}  // namespace zem::vakprint
