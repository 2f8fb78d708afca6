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

std::vector<std::string> PageLines(const Page& page) {
  std::vector<std::string> lines;
  for (const Row& row : page.rows) {
    size_t end = row.bytes.find_last_not_of(' ');
    if (end == std::string::npos) continue;
    lines.resize(static_cast<size_t>(row.line) + 1);
    lines.back() = row.bytes.substr(0, end + 1);
  }
  return lines;
}

bool TextRenderer::AddPage(const Page& page) {
  std::string text = first_ ? "" : "\f";
  first_ = false;
  for (const std::string& line : PageLines(page)) {
    text += platform::Cp850ToUtf8(line);
    text += '\n';
  }
  return out_->Write(text);
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
