#include "tools/vakprint/spool/preview.h"

#include <algorithm>
#include <string>

#include "platform/services.h"
#include "screen/keyboard.h"

namespace zem::vakprint {
namespace {

constexpr int kPageRows = platform::Console::kRows - 2;  // the last two rows tell and ask
constexpr int kStatusRow = platform::Console::kRows - 1;
constexpr int kPromptRow = platform::Console::kRows;
constexpr int kColumns = platform::Console::kColumns;
constexpr long kSideStep = 16;  // columns moved by Left and Right

constexpr uint8_t kPaper = 0 + 16 * 7;    // black on light grey
constexpr uint8_t kStyled = 1 + 16 * 7;   // bold, underlined or italic text: blue
constexpr uint8_t kStatus = 15 + 16 * 1;  // white on blue

struct View {
  size_t page = 0;
  long top = 0;   // first line shown
  long left = 0;  // first column shown, 0-based
};

long LinesOf(const Page& page) {
  return page.rows.empty() ? 1 : page.rows.back().line + 1;
}

long WidthOf(const Page& page) {
  size_t width = 1;
  for (const Row& row : page.rows) width = std::max(width, row.bytes.size());
  return static_cast<long>(width);
}

void Fill(int row, uint8_t attr, const std::string& text) {
  platform::Console& screen = platform::Screen();
  std::string line = text.substr(0, std::min<size_t>(text.size(), kColumns));
  line.resize(kColumns, ' ');
  for (int c = 0; c < kColumns; ++c) {
    screen.SetCell(row, c + 1, platform::Cell{static_cast<uint8_t>(line[c]), attr});
  }
}

void Draw(const std::vector<Page>& pages, const View& view) {
  platform::Console& screen = platform::Screen();
  const Page& page = pages[view.page];
  for (int r = 1; r <= kPageRows; ++r) Fill(r, kPaper, "");
  for (const Row& row : page.rows) {
    const long r = row.line - view.top + 1;
    if (r < 1 || r > kPageRows) continue;
    for (long c = view.left; c < static_cast<long>(row.bytes.size()) && c - view.left < kColumns;
         ++c) {
      const bool styled = row.styles[c] != 0;
      screen.SetCell(static_cast<int>(r), static_cast<int>(c - view.left + 1),
                     platform::Cell{static_cast<uint8_t>(row.bytes[c]), styled ? kStyled : kPaper});
    }
  }
  const long last = std::min(view.top + kPageRows, LinesOf(page));
  Fill(kStatusRow, kStatus,
       " Page " + std::to_string(view.page + 1) + " of " + std::to_string(pages.size()) +
           "   lines " + std::to_string(view.top + 1) + "-" + std::to_string(last) + " of " +
           std::to_string(LinesOf(page)) + "   columns from " + std::to_string(view.left + 1));
  Fill(kPromptRow, kStatus, " PgUp PgDn Home End: pages   arrows: move   Enter: done");
  screen.Refresh();
}

// Moves the view by one key; false when the key ends the preview.
bool Move(int16_t key, const std::vector<Page>& pages, View* view) {
  const Page& page = pages[view->page];
  const size_t last_page = pages.size() - 1;
  switch (key) {
    case keys::kPgDn:
      if (view->page < last_page) *view = View{view->page + 1, 0, 0};
      break;
    case keys::kPgUp:
      if (view->page > 0) *view = View{view->page - 1, 0, 0};
      break;
    case keys::kHome:
      *view = View{0, 0, 0};
      break;
    case keys::kEnd:
      *view = View{last_page, 0, 0};
      break;
    case keys::kDown:
      if (view->top + kPageRows < LinesOf(page)) ++view->top;
      break;
    case keys::kUp:
      if (view->top > 0) --view->top;
      break;
    case keys::kRight:
      if (view->left + kColumns < WidthOf(page)) view->left += kSideStep;
      break;
    case keys::kLeft:
      view->left = std::max(0L, view->left - kSideStep);
      break;
    case keys::kEnter:
    case keys::kEsc:
      return false;
    default:
      break;
  }
  return true;
}

}  // namespace

PreviewChoice RunPreview(const std::vector<Page>& pages) {
  const std::vector<Page> nothing(1);  // nothing printed: one empty page to look at
  const std::vector<Page>& shown = pages.empty() ? nothing : pages;
  View view;
  for (;;) {
    int16_t key = 0;
    do {
      Draw(shown, view);
      WaitKey(key);
    } while (Move(key, shown, &view));
    Fill(kPromptRow, kStatus, " P: print on the default printer   S: save as PDF   D: discard");
    platform::Screen().Refresh();
    for (;;) {
      WaitKey(key);
      if (key == 'p' || key == 'P') return PreviewChoice::kPrint;
      if (key == 's' || key == 'S') return PreviewChoice::kSavePdf;
      if (key == 'd' || key == 'D') return PreviewChoice::kDiscard;
      if (key == keys::kEsc) break;
    }
  }
}

}  // namespace zem::vakprint
