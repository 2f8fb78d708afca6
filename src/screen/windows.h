#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zem {

// A window's rectangle in screen rows and columns counted from 1, frame included.
struct WindowRect {
  int16_t Top = 0;
  int16_t Left = 0;
  int16_t Bottom = 0;
  int16_t Right = 0;
  bool operator==(const WindowRect&) const = default;
};

// The program-wide window state. The saved rectangles themselves live in the stack file.
struct WindowState {
  int16_t WindowDepth = 0;   // open windows; 0 = positions are screen positions
  WindowRect CurrentWindow;  // the innermost open window
  // One entry per OpenWindow still waiting for its CloseWindow, innermost last: true when the
  // open saved a block, false when it was refused. A refused open must not let its caller's
  // CloseWindow restore a block that belongs to an enclosing window.
  std::vector<bool> Opens;
  // Where the stack lives when its file cannot be written (no work directory, full disk):
  // the same bytes, kept in memory until the stack is empty again.
  bool StackInMemory = false;
  std::string MemoryStack;
};

WindowState& Windows();
void ResetWindows();

// The stack file: the work directory + "WinPush.tmp".
std::string WindowStackPath();

// Saves the rectangle's cells (with the cursor and the enclosing window) on the stack and
// makes it the current window. A rectangle outside the screen is refused: nothing is saved and
// the matching CloseWindow does nothing. True when the window was opened.
bool OpenWindow(int16_t top, int16_t left, int16_t bottom, int16_t right);
// Restores the most recently saved rectangle, the cursor and the window current before it.
void CloseWindow();
// Notes an open that a caller refused on its own (for example a message too tall for the
// screen), so that the caller's CloseWindow does nothing.
void RecordRefusedOpen();
// Draws the current window's frame (0 blank, 1 single, 2 double) and clears its inside.
void DrawFrame(int16_t style);
// Moves the cursor relative to the current window: row 0 and column 0 are the frame lines.
void LocateInWindow(int16_t row, int16_t column);
// Screen position of a point given relative to the current window.
int16_t WindowToScreenRow(int16_t row);
int16_t WindowToScreenColumn(int16_t column);
// Position relative to the current window of a point given in screen rows and columns.
int16_t ScreenToWindowRow(int16_t row);
int16_t ScreenToWindowColumn(int16_t column);
int16_t InnerLeft();
int16_t InnerTop();
int16_t InnerRight();
int16_t ScreenRows();
int16_t ScreenColumns();
// Scrolls the rectangle (coordinates counted from 0) up by n lines (down for n < 0); blank
// lines in the active colours enter on the other side.
void ScrollArea(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t n);

}  // namespace zem
