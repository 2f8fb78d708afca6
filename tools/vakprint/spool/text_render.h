#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "tools/vakprint/spool/page_model.h"

namespace zem::vakprint {

// Writes pages as UTF-8 plain text: text at its columns, each line ended by LF, one form feed
// between pages, trailing blanks and trailing empty lines dropped; styles do not show.
class TextRenderer : public PageSink {
 public:
  explicit TextRenderer(platform::OutputFile* out) : out_(out) {}
  bool AddPage(const Page& page) override;

 private:
  platform::OutputFile* out_;
  bool first_ = true;
  std::string text_;
};

// The whole rendering of a print file as plain text, in memory (tests and the golden runs).
struct PrintRendering {
  bool ok = false;
  std::string text;    // UTF-8 pages, each line ended by LF, "\f" between pages
  int pages = 0;       // pages rendered
  int error_line = 0;  // 1-based line of the print file at fault when !ok (0: the file itself)
  std::string error;   // what is wrong when !ok
};

PrintRendering RenderPrintFile(std::string_view bytes);

}  // namespace zem::vakprint
