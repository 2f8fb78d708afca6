#include "screen/windows.h"

#include <algorithm>
#include <cstddef>

#include "format/text_utils.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"

namespace zem {

namespace {

using platform::Cell;
using platform::Files;
using platform::Screen;

constexpr size_t kHeaderDigits = 20;  // cursor (2 × 2), enclosing window (4 × 2), rectangle (4 × 2)
constexpr size_t kLengthDigits = 5;

WindowState& State() {
  static WindowState state;
  return state;
}

// The top-of-stack position kept in bytes 1-4 (little-endian).
size_t ReadTopOfStack(const std::string& file) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value * 256 + static_cast<uint8_t>(file[i]);
  return value;
}

void WriteTopOfStack(std::string* file, size_t position) {
  if (file->size() < 4) file->resize(4, '\0');
  for (int i = 0; i < 4; ++i) (*file)[i] = static_cast<char>((position >> (8 * i)) & 0xff);
}

std::string Digits(int value, int width) {
  return ZeroPad(value, static_cast<int16_t>(width));
}

// Reads `width` decimal digits at `offset`; false when any of them is not a digit.
bool ParseDigits(const std::string& file, size_t offset, size_t width, int* value) {
  if (offset + width > file.size()) return false;
  int result = 0;
  for (size_t i = 0; i < width; ++i) {
    char c = file[offset + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *value = result;
  return true;
}

int SpanOf(int first, int last) {
  return std::max(0, last - first + 1);
}

// The saved part of one block, as CloseWindow reads it back.
struct SavedBlock {
  int cursor_row = 0;
  int cursor_column = 0;
  WindowRect enclosing;
  WindowRect rect;
  size_t cells_offset = 0;  // 0-based offset of the first cell in the file
};

// Reads the block that ends just before `top` (a 1-based position). False when the stack file
// does not hold a whole, consistent block there (a damaged or foreign file).
bool ReadBlockBefore(const std::string& file, size_t top, SavedBlock* block, size_t* start) {
  if (top < 5 + kHeaderDigits + kLengthDigits || top - 1 > file.size()) return false;
  int length = 0;
  if (!ParseDigits(file, top - 1 - kLengthDigits, kLengthDigits, &length)) return false;
  if (static_cast<size_t>(length) < kHeaderDigits + kLengthDigits ||
      static_cast<size_t>(length) > top - 5)
    return false;
  *start = top - length;
  size_t offset = *start - 1;
  int numbers[10];
  for (int i = 0; i < 10; ++i) {
    if (!ParseDigits(file, offset + 2 * i, 2, &numbers[i])) return false;
  }
  block->cursor_row = numbers[0];
  block->cursor_column = numbers[1];
  auto rect = [&](int i) {
    return WindowRect{static_cast<int16_t>(numbers[i]), static_cast<int16_t>(numbers[i + 1]),
                      static_cast<int16_t>(numbers[i + 2]), static_cast<int16_t>(numbers[i + 3])};
  };
  block->enclosing = rect(2);
  block->rect = rect(6);
  size_t cells = static_cast<size_t>(SpanOf(block->rect.Top, block->rect.Bottom)) *
                 SpanOf(block->rect.Left, block->rect.Right);
  if (kHeaderDigits + 2 * cells + kLengthDigits != static_cast<size_t>(length)) return false;
  block->cells_offset = offset + kHeaderDigits;
  return true;
}

bool LoadStack(const std::string& path, std::string* file) {
  const WindowState& state = State();
  if (state.StackInMemory) {
    *file = state.MemoryStack;
    return true;
  }
  return Files().ReadFile(path, file);
}

void StoreStack(const std::string& path, const std::string& file) {
  WindowState& state = State();
  if (!state.StackInMemory && Files().WriteFile(path, file)) return;
  // Without a writable stack file the windows must still close properly.
  state.StackInMemory = true;
  state.MemoryStack = file;
}

void DropStack(const std::string& path) {
  WindowState& state = State();
  state.StackInMemory = false;
  state.MemoryStack.clear();
  if (Files().Exists(path)) Files().Remove(path);
}

}  // namespace

WindowState& Windows() {
  return State();
}

void ResetWindows() {
  State() = WindowState{};
}
ZEM_REGISTER_STATE_RESET(ResetWindows);

std::string WindowStackPath() {
  return Session().WorkDir + "WinPush.tmp";
}

void RecordRefusedOpen() {
  State().Opens.push_back(false);
}

bool OpenWindow(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  WindowState& state = State();
  const int rows = ScreenRows(), columns = ScreenColumns();
  if (top < 1 || top > rows || left < 1 || left > columns || bottom < 1 || bottom > rows ||
      right < 1 || right > columns) {
    RecordRefusedOpen();
    return false;
  }
  const std::string path = WindowStackPath();
  std::string file;
  if (!LoadStack(path, &file)) file.clear();
  size_t position = 5;
  if (file.size() > 3) position = ReadTopOfStack(file);
  // A top-of-stack position that points outside the file comes from a damaged file; the
  // stack starts afresh rather than writing at an arbitrary place.
  if (position < 5 || position > file.size() + 1) position = 5;

  platform::Console& screen = Screen();
  const WindowRect& current = state.CurrentWindow;
  std::string block;
  block += Digits(screen.CursorRow(), 2);
  block += Digits(screen.CursorColumn(), 2);
  for (int value : {current.Top, current.Left, current.Bottom, current.Right})
    block += Digits(value, 2);
  for (int value : {top, left, bottom, right}) block += Digits(value, 2);
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      Cell cell = screen.CellAt(row, column);
      block += static_cast<char>(cell.ch);
      block += static_cast<char>(cell.attr);
    }
  }
  block += Digits(static_cast<int>(block.size() + kLengthDigits), kLengthDigits);

  if (file.size() < 4) file.resize(4, '\0');
  if (file.size() < position - 1 + block.size()) file.resize(position - 1 + block.size(), '\0');
  file.replace(position - 1, block.size(), block);
  position += block.size();
  state.CurrentWindow = WindowRect{top, left, bottom, right};
  ++state.WindowDepth;
  WriteTopOfStack(&file, position);
  StoreStack(path, file);
  state.Opens.push_back(true);
  return true;
}

void CloseWindow() {
  WindowState& state = State();
  if (!state.Opens.empty()) {
    bool saved = state.Opens.back();
    state.Opens.pop_back();
    if (!saved) return;  // the matching open was refused: nothing of ours to restore
  }
  const std::string path = WindowStackPath();
  std::string file;
  if (!LoadStack(path, &file) || file.size() <= 3) {
    DropStack(path);
    return;
  }
  if (state.WindowDepth > 0) --state.WindowDepth;
  SavedBlock block;
  size_t start = 0;
  if (!ReadBlockBefore(file, ReadTopOfStack(file), &block, &start)) {
    // Nothing trustworthy to restore; drop the damaged stack instead of painting garbage.
    DropStack(path);
    return;
  }
  state.CurrentWindow = block.enclosing;
  platform::Console& screen = Screen();
  size_t offset = block.cells_offset;
  for (int row = block.rect.Top; row <= block.rect.Bottom; ++row) {
    for (int column = block.rect.Left; column <= block.rect.Right; ++column) {
      uint8_t ch = static_cast<uint8_t>(file[offset]);
      uint8_t attr = static_cast<uint8_t>(file[offset + 1]);
      offset += 2;
      screen.SetColours(attr % 16, attr / 16);
      screen.PutText(row, column, std::string(1, static_cast<char>(ch)));
    }
  }
  screen.SetCursor(block.cursor_row, block.cursor_column);
  if (start < 6) {
    DropStack(path);
    return;
  }
  WriteTopOfStack(&file, start);
  StoreStack(path, file);
}

void DrawFrame(int16_t style) {
  const WindowState& state = State();
  if (state.WindowDepth == 0) return;
  struct FrameChars {
    char top_left, top_right, bottom_left, bottom_right, horizontal, vertical;
  };
  static constexpr FrameChars kStyles[] = {
      {' ', ' ', ' ', ' ', ' ', ' '},
      {'\xda', '\xbf', '\xc0', '\xd9', '\xc4', '\xb3'},
      {'\xc9', '\xbb', '\xc8', '\xbc', '\xcd', '\xba'},
  };
  const FrameChars& f = kStyles[style >= 1 && style <= 2 ? style : 0];
  const WindowRect& w = state.CurrentWindow;
  const size_t inner = static_cast<size_t>(std::max(0, w.Right - w.Left - 1));
  platform::Console& screen = Screen();
  screen.PutText(w.Top, w.Left, f.top_left + std::string(inner, f.horizontal) + f.top_right);
  for (int row = w.Top + 1; row <= w.Bottom - 1; ++row)
    screen.PutText(row, w.Left, f.vertical + std::string(inner, ' ') + f.vertical);
  screen.PutText(w.Bottom, w.Left,
                 f.bottom_left + std::string(inner, f.horizontal) + f.bottom_right);
}

int16_t WindowToScreenRow(int16_t row) {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? row : static_cast<int16_t>(row + state.CurrentWindow.Top);
}

int16_t WindowToScreenColumn(int16_t column) {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? column : static_cast<int16_t>(column + state.CurrentWindow.Left);
}

int16_t ScreenToWindowRow(int16_t row) {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? row : static_cast<int16_t>(row - state.CurrentWindow.Top);
}

int16_t ScreenToWindowColumn(int16_t column) {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? column : static_cast<int16_t>(column - state.CurrentWindow.Left);
}

void LocateInWindow(int16_t row, int16_t column) {
  Screen().SetCursor(WindowToScreenRow(row), WindowToScreenColumn(column));
}

int16_t InnerLeft() {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? 1 : static_cast<int16_t>(state.CurrentWindow.Left + 1);
}

int16_t InnerTop() {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? 1 : static_cast<int16_t>(state.CurrentWindow.Top + 1);
}

int16_t InnerRight() {
  const WindowState& state = State();
  return state.WindowDepth == 0 ? ScreenColumns()
                                : static_cast<int16_t>(state.CurrentWindow.Right - 1);
}

int16_t ScreenRows() {
  return static_cast<int16_t>(Screen().Rows());
}

int16_t ScreenColumns() {
  return static_cast<int16_t>(Screen().Columns());
}

void ScrollArea(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t n) {
  if (n == 0) return;
  platform::Console& screen = Screen();
  const int first_row = std::max(1, top + 1), last_row = std::min(screen.Rows(), bottom + 1);
  const int first_column = std::max(1, left + 1);
  const int last_column = std::min(screen.Columns(), right + 1);
  if (first_row > last_row || first_column > last_column) return;
  const Cell blank{' ', screen.Attribute()};
  auto copy_row = [&](int row, int source) {
    for (int column = first_column; column <= last_column; ++column) {
      bool inside = source >= first_row && source <= last_row;
      screen.SetCell(row, column, inside ? screen.CellAt(source, column) : blank);
    }
  };
  if (n > 0) {
    for (int row = first_row; row <= last_row; ++row) copy_row(row, row + n);
  } else {
    for (int row = last_row; row >= first_row; --row) copy_row(row, row + n);
  }
}

}  // namespace zem
