#include "platform/console.h"

#include <cstdio>
#include <cstdlib>

namespace zem::platform {

Console::Console() {
  cells_.fill(Cell{' ', 7});
}

void Console::SetColours(int foreground, int background) {
  attr_ = static_cast<uint8_t>((foreground & 15) + 16 * (background & 15));
}

void Console::PutText(int row, int column, std::string_view bytes) {
  for (unsigned char c : bytes) {
    SetCell(row, column, Cell{c, attr_});
    ++column;
  }
}

void Console::Print(std::string_view bytes) {
  PutText(cursor_row_, cursor_column_, bytes);
  int column = cursor_column_ + static_cast<int>(bytes.size());
  cursor_column_ = column > kColumns ? kColumns : column;
}

Cell Console::CellAt(int row, int column) const {
  if (row < 1 || row > kRows || column < 1 || column > kColumns) return Cell{};
  return cells_[(row - 1) * kColumns + (column - 1)];
}

void Console::SetCell(int row, int column, Cell cell) {
  if (row < 1 || row > kRows || column < 1 || column > kColumns) return;
  cells_[(row - 1) * kColumns + (column - 1)] = cell;
}

void Console::Clear() {
  cells_.fill(Cell{' ', attr_});
  cursor_row_ = 1;
  cursor_column_ = 1;
}

void Console::SetCursor(int row, int column) {
  if (row < 1) row = 1;
  if (row > kRows) row = kRows;
  if (column < 1) column = 1;
  if (column > kColumns) column = kColumns;
  cursor_row_ = row;
  cursor_column_ = column;
}

std::string Console::RowText(int row) const {
  std::string text;
  for (int column = 1; column <= kColumns; ++column)
    text += static_cast<char>(CellAt(row, column).ch);
  return text;
}

bool MemoryConsole::PollEvent(InputEvent* event) {
  if (queue_.empty()) {
    if (++empty_polls_ > empty_poll_limit_) {
      std::fprintf(stderr, "memory console: the input script ran out while input was awaited\n");
      std::abort();
    }
    return false;
  }
  empty_polls_ = 0;
  InputEvent next = queue_.front();
  queue_.pop_front();
  if (next.kind == InputEvent::Kind::kNone) return false;
  *event = next;
  return true;
}

void MemoryConsole::DiscardInput() {
  ++discards_;
  queue_.clear();
}

void MemoryConsole::PushKeys(std::string_view characters) {
  for (unsigned char c : characters) Push(InputEvent::Key(c));
}

}  // namespace zem::platform
