#include "platform/terminal_output.h"

namespace zem::platform {

Frame CaptureFrame(const Console& console) {
  Frame frame;
  for (int row = 1; row <= Console::kRows; ++row) {
    for (int column = 1; column <= Console::kColumns; ++column) {
      frame[(row - 1) * Console::kColumns + (column - 1)] = console.CellAt(row, column);
    }
  }
  return frame;
}

std::vector<CellRun> ChangedRuns(const Frame& shown, const Frame& wanted, int join_gap) {
  std::vector<CellRun> runs;
  for (int row = 0; row < Console::kRows; ++row) {
    const Cell* before = &shown[row * Console::kColumns];
    const Cell* after = &wanted[row * Console::kColumns];
    int column = 0;
    while (column < Console::kColumns) {
      if (before[column] == after[column]) {
        ++column;
        continue;
      }
      // The run goes on while the next changed cell follows after fewer than join_gap
      // unchanged ones.
      int last_changed = column;
      for (int end = column + 1; end < Console::kColumns; ++end) {
        if (!(before[end] == after[end])) {
          last_changed = end;
        } else if (end - last_changed >= join_gap) {
          break;
        }
      }
      CellRun run{row + 1, column + 1, {after + column, after + last_changed + 1}};
      runs.push_back(std::move(run));
      column = last_changed + 1;
    }
  }
  return runs;
}

int AnsiColour(int console_colour) {
  static constexpr int kOrder[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  return kOrder[console_colour & 7] + (console_colour & 8);
}

int PairNumber(int foreground, int background, int n) {
  int index = foreground + n * background;
  // Pair 0 cannot be redefined and shows white (7) on black: swap it with the index of 7 on 0.
  if (index == 7) return 0;
  if (index == 0) return 7;
  return index;
}

TerminalColours ColoursFor(uint8_t attribute, int colours) {
  TerminalColours out;
  int foreground = AnsiColour(attribute & 15);
  int background = AnsiColour(attribute >> 4);
  if (colours >= 16) {
    out.foreground = foreground;
    out.background = background;
    out.pair = PairNumber(foreground, background, 16);
  } else if (colours >= 8) {
    out.foreground = foreground & 7;
    out.background = background & 7;
    out.bold = (foreground & 8) != 0;
    out.pair = PairNumber(out.foreground, out.background, 8);
  } else {
    // Without colours: light text stays normal, dark text on a light background is reversed.
    out.bold = (foreground & 8) != 0;
    out.reverse = (background & 7) != 0 && (foreground & 7) == 0;
  }
  return out;
}

Placement PlaceScreen(int terminal_rows, int terminal_columns) {
  Placement placement;
  placement.fits = terminal_rows >= Console::kRows && terminal_columns >= Console::kColumns;
  return placement;  // the screen stands in the top-left corner
}

std::string EnlargeRequest(int terminal_rows, int terminal_columns) {
  return "Amplieu la finestra fins a " + std::to_string(Console::kColumns) + " x " +
         std::to_string(Console::kRows) + " (ara " + std::to_string(terminal_columns) + " x " +
         std::to_string(terminal_rows) + ")";
}

}  // namespace zem::platform
