#include "tools/vakprint/spool/text_render.h"

#include "platform/cp850.h"

namespace zem::vakprint {
namespace {

// Collects what is written, for the in-memory rendering.
class StringOutput : public platform::OutputFile {
 public:
  bool Write(std::string_view bytes) override {
    text += bytes;
    return true;
  }
  bool Close() override { return true; }
  std::string text;
};

}  // namespace

bool TextRenderer::AddPage(const Page& page) {
  // The page is written as one piece, built in a buffer kept from page to page.
  text_.clear();
  if (!first_) text_ += '\f';
  first_ = false;
  // The rows come top down; a line without text (kept or not) is an empty line.
  long next_line = 0;
  for (const Row& row : page.rows) {
    const size_t end = row.bytes.find_last_not_of(' ');
    if (end == std::string::npos) continue;
    text_.append(static_cast<size_t>(row.line - next_line), '\n');
    platform::AppendCp850AsUtf8(&text_, std::string_view(row.bytes).substr(0, end + 1));
    text_ += '\n';
    next_line = row.line + 1;
  }
  return out_->Write(text_);
}

PrintRendering RenderPrintFile(std::string_view bytes) {
  StringOutput out;
  TextRenderer renderer(&out);
  ReadSummary summary = ReadPages(bytes, &renderer);
  PrintRendering result;
  result.ok = summary.ok;
  result.error = summary.error;
  result.error_line = summary.error_line;
  if (result.ok) {
    result.pages = summary.pages;
    result.text = std::move(out.text);
  }
  return result;
}

}  // namespace zem::vakprint
