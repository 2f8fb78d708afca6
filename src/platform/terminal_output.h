#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/console.h"

namespace zem::platform {

// The pure part of drawing the console on a terminal: which cells changed since the last
// flush, how console colours become terminal colours and where the 80 × 25 screen stands.

using Frame = std::array<Cell, Console::kRows * Console::kColumns>;

// The console's cells as they are now.
Frame CaptureFrame(const Console& console);

// A stretch of changed cells on one row, starting at (row, column), 1-based.
struct CellRun {
  int row = 0;
  int column = 0;
  std::vector<Cell> cells;
  bool operator==(const CellRun&) const = default;
};

// The runs of cells that differ between what the terminal shows and what it should show, row
// by row, left to right. Runs separated by fewer than `join_gap` unchanged cells are joined
// (rewriting a few unchanged cells is cheaper than moving the cursor).
std::vector<CellRun> ChangedRuns(const Frame& shown, const Frame& wanted, int join_gap = 4);

// The terminal (ANSI) number of a console colour 0-15: the console counts blue, green, cyan,
// red, magenta, brown, grey; the terminal red, green, yellow, blue, magenta, cyan, white.
int AnsiColour(int console_colour);

// How one cell attribute is shown on a terminal with `colours` colours (0 for none).
struct TerminalColours {
  int foreground = 7;  // terminal colour numbers
  int background = 0;
  bool bold = false;     // bright foreground on a terminal with fewer than 16 colours
  bool reverse = false;  // light background on a terminal without colours
  int pair = 0;          // colour pair number; 0 is the terminal's white on black
  bool operator==(const TerminalColours&) const = default;
};
TerminalColours ColoursFor(uint8_t attribute, int colours);

// The colour pair that shows terminal colours (foreground, background), palette size n (8 or
// 16): n × n pairs numbered 0 to n × n − 1, with white on black as pair 0.
int PairNumber(int foreground, int background, int n);

// Where the console's screen stands on a terminal of the given size.
struct Placement {
  bool fits = false;
  int top = 0;  // 0-based terminal row and column of the console's (1, 1)
  int left = 0;
  bool operator==(const Placement&) const = default;
};
Placement PlaceScreen(int terminal_rows, int terminal_columns);

// The request shown on a terminal too small for the screen (UTF-8).
std::string EnlargeRequest(int terminal_rows, int terminal_columns);

}  // namespace zem::platform
