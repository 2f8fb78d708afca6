#include "forms/calculator_popup.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "format/edit_mask.h"
#include "forms/calculator_keys.h"
#include "forms/calculator_state.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"

namespace zem {
namespace {

constexpr int16_t kStripWidth = 26;
constexpr int16_t kLastTapeRow = 22;
constexpr int16_t kSeparatorRow = 23;
constexpr int16_t kDisplayRow = 24;
constexpr int16_t kBottomRow = 25;
constexpr size_t kPictureWidth = 21;
constexpr int16_t kAltF = 0x2100;

const std::string kRule(24, '\xc4');  // ─
constexpr char kVertical = '\xb3';    // │

// A figure through the calculator's picture: the rightmost 21 characters of a sign position,
// the digit groups, the point and the decimals.
std::string Picture(double value, bool point, int16_t decimals) {
  std::string mask = "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
  if (point) mask += '.';
  mask.append(std::min<size_t>(std::max<int16_t>(decimals, 0), kPictureWidth), '9');
  return FormatMask(mask.substr(mask.size() - kPictureWidth), value);
}

bool TapeEmpty(const CalculatorState& state) {
  return state.TapeTop >= kCalculatorEmptyTape;
}

// The strip on the screen, drawn in screen rows from its left column.
class Strip {
 public:
  explicit Strip(const CalculatorState& state) : state_(state) {}

  // Saves what the strip covers and draws all of it.
  void Open() {
    OpenWindow(1, state_.LeftColumn, kBottomRow,
               static_cast<int16_t>(state_.LeftColumn + kStripWidth - 1));
    // Closing a window leaves the colours of the last cell it restored.
    SetColour("n");
    DrawTape();
    DrawDisplay();
    Put(kBottomRow, "\xc0" + kRule + "\xd9");
  }
  void Close() { CloseWindow(); }
  // Puts the screen back and draws the strip afresh: lines of an emptied tape disappear.
  void Redraw() {
    Close();
    Open();
  }

  void DrawDisplay() {
    const std::string figure = state_.Error
                                   ? std::string(kPictureWidth, '!')
                                   : Picture(state_.Display, state_.Point, state_.Decimals);
    Put(kDisplayRow, kVertical + figure + "  " + kVertical);
  }

 private:
  void DrawTape() {
    if (!TapeEmpty(state_)) Put(state_.TapeTop - 1, "\xda" + kRule + "\xbf");
    for (int row = state_.TapeTop; row <= kLastTapeRow; ++row) {
      const CalculatorTapeLine& line = state_.Tape[row - 1];
      Put(row, kVertical + Picture(line.Value, line.Point, line.Decimals) + " " + line.Operator +
                   kVertical);
    }
    Put(kSeparatorRow, TapeEmpty(state_) ? "\xda" + kRule + "\xbf" : "\xc3" + kRule + "\xb4");
  }

  void Put(int row, const std::string& text) {
    platform::Screen().PutText(row, state_.LeftColumn, text);
  }

  const CalculatorState& state_;
};

// The strip one column further left or right, wrapping round at the screen's edges.
int16_t SlidLeft(int16_t left) {
  return left == 1 ? kCalculatorRightmostLeft : static_cast<int16_t>(left - 1);
}
int16_t SlidRight(int16_t left) {
  return left + kStripWidth - 1 >= ScreenColumns() ? 1 : static_cast<int16_t>(left + 1);
}

}  // namespace

std::string CalculatorPopup() {
  PopupScope scope("+e", "");
  platform::FileSystem& files = platform::Files();
  const std::string path = CalculatorStatePath();
  if (!files.Exists(path)) files.WriteFile(path, "");
  std::string bytes;
  CalculatorState state;
  if (files.ReadFile(path, &bytes)) state = ReadCalculatorState(bytes);

  Strip strip(state);
  strip.Open();
  std::string figure;
  for (;;) {
    strip.DrawDisplay();
    int16_t key = 0;
    WaitKey(key);
    if (std::abs(key) > 255) {
      if (key == keys::kLeft || key == keys::kCtrlLeft || key == keys::kRight ||
          key == keys::kCtrlRight) {
        const bool left = key == keys::kLeft || key == keys::kCtrlLeft;
        strip.Close();
        state.LeftColumn = left ? SlidLeft(state.LeftColumn) : SlidRight(state.LeftColumn);
        strip.Open();
      } else if (key == kAltF) {
        figure = CalculatorFigure(state);
        break;
      }
      continue;
    }
    if (key == keys::kEsc) break;
    const char character = static_cast<char>(std::toupper(key & 0xff));
    if (character == 'F') {
      figure = CalculatorFigure(state);
      break;
    }
    if (CalculatorKey(state, character)) strip.Redraw();
  }
  strip.Close();
  // A terminal directory that cannot be written loses the state; the figure is still typed.
  files.WriteFile(path, CalculatorStateText(state));
  return figure;
}

}  // namespace zem
