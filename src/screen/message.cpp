#include "screen/message.h"

#include <algorithm>
#include <vector>

#include "format/fill_line.h"
#include "format/text_utils.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"

namespace zem {

namespace {

constexpr int kLineWidth = 76;

}  // namespace

void ShowMessage(int16_t centre_row, const std::string& text) {
  SetColour("+rh");
  std::string filled = text;
  FillLine(filled, 0, kLineWidth, 'i');
  std::vector<std::string> lines;
  for (size_t at = 0; at + kLineWidth <= filled.size(); at += kLineWidth)
    lines.push_back(TrimTrailingBlanks(filled.substr(at, kLineWidth)));
  const int m = static_cast<int>(filled.size() / kLineWidth);

  int top = std::max(1, centre_row - (m + 1) / 2 - 2);
  int bottom = top + m + 1;
  if (bottom > ScreenRows()) {
    bottom = ScreenRows();
    top = bottom - m - 1;
    if (top < 1) {
      SetColour("-");
      RecordRefusedOpen();
      return;
    }
  }
  int left = 0, right = 0;
  for (const std::string& line : lines) {
    const int length = static_cast<int>(line.size());
    if (right - left < length + 4) {
      left = 41 - (length + 1) / 2 - 2;
      right = length / 2 + 42;
    }
  }
  // A message without lines has no width; the open below is then refused and nothing is drawn.
  if (OpenWindow(static_cast<int16_t>(top), static_cast<int16_t>(left),
                 static_cast<int16_t>(bottom), static_cast<int16_t>(right))) {
    DrawFrame(1);
    for (size_t i = 0; i < lines.size(); ++i) {
      LocateInWindow(static_cast<int16_t>(i + 1), 2);
      platform::Screen().Print(lines[i]);
    }
  }
  SetColour("-");
}

void ShowMessageAndWait(int16_t centre_row, const std::string& text) {
  ShowMessage(centre_row, text);
  Beep();
  FlushKeys();
  int16_t key = 0;
  WaitKey(key);
  CloseWindow();
}

}  // namespace zem
