#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace zem::platform {

enum class CursorShape { kHidden, kHalf, kFull };

// One screen cell: a code-page-850 byte and its colour attribute (foreground + 16 × background).
struct Cell {
  uint8_t ch = ' ';
  uint8_t attr = 7;
  bool operator==(const Cell&) const = default;
};

// Control-key state bits, as the console reports them with every key.
enum ControlKeyBits : uint16_t {
  kRightAlt = 1,
  kLeftAlt = 2,
  kRightCtrl = 4,
  kLeftCtrl = 8,
  kShift = 16,
};

// One input event. A key carries its code-page-850 character (0 for keys without one), its PC
// scan code and the control-key state. A mouse press carries its button (1 left, 2 right,
// 3 middle) and its 1-based screen position.
struct InputEvent {
  enum class Kind { kNone, kKey, kMousePress };
  Kind kind = Kind::kNone;
  uint8_t ch = 0;
  uint8_t scan = 0;
  uint16_t control = 0;
  int button = 0;
  int row = 0;
  int column = 0;

  static InputEvent Key(uint8_t ch, uint8_t scan = 0, uint16_t control = 0) {
    InputEvent e;
    e.kind = Kind::kKey;
    e.ch = ch;
    e.scan = scan;
    e.control = control;
    return e;
  }
  static InputEvent Mouse(int button, int row, int column) {
    InputEvent e;
    e.kind = Kind::kMousePress;
    e.button = button;
    e.row = row;
    e.column = column;
    return e;
  }
  bool operator==(const InputEvent&) const = default;
};

// The text console: a fixed 80 × 25 screen of cells with a cursor and the active colours, which
// is the single model that windows read back and restore, plus the input side that each
// backend supplies. Rows and columns count from 1; writes outside the screen are clipped.
class Console {
 public:
  static constexpr int kRows = 25;
  static constexpr int kColumns = 80;

  Console();
  virtual ~Console() = default;

  int Rows() const { return kRows; }
  int Columns() const { return kColumns; }

  // ---- Screen model ----
  void SetColours(int foreground, int background);
  int Foreground() const { return attr_ % 16; }
  int Background() const { return attr_ / 16; }
  uint8_t Attribute() const { return attr_; }
  // Writes bytes at (row, column) in the active colours; the cursor does not move.
  void PutText(int row, int column, std::string_view bytes);
  // Writes bytes at the cursor in the active colours and moves the cursor past them (it stops
  // at the last column).
  void Print(std::string_view bytes);
  Cell CellAt(int row, int column) const;
  void SetCell(int row, int column, Cell cell);
  // Fills the screen with blanks in the active colours and homes the cursor.
  void Clear();
  void SetCursor(int row, int column);
  int CursorRow() const { return cursor_row_; }
  int CursorColumn() const { return cursor_column_; }
  void SetCursorShape(CursorShape shape) { cursor_shape_ = shape; }
  CursorShape GetCursorShape() const { return cursor_shape_; }
  // The row's characters as bytes (for tests and dumps).
  std::string RowText(int row) const;

  // The Insert toggle, kept by the program; insert mode at start.
  bool InsertMode() const { return insert_mode_; }
  void SetInsertMode(bool on) { insert_mode_ = on; }

  // The program's own text clipboard. Backends may also hand the text to the terminal.
  const std::string& ClipboardText() const { return clipboard_; }
  virtual void SetClipboardText(std::string_view text) { clipboard_ = std::string(text); }

  // ---- Backend ----
  // Takes one pending input event without waiting; false when none is pending. A backend
  // draws pending screen changes before it looks for input.
  virtual bool PollEvent(InputEvent* event) = 0;
  // Discards pending input.
  virtual void DiscardInput() = 0;
  // Whether the console can report mouse buttons, and switching that reporting.
  virtual bool HasMouse() const = 0;
  virtual void SetMouseReporting(bool on) = 0;
  virtual void Beep() = 0;
  // Draws what changed since the last refresh.
  virtual void Refresh() {}
  // Gives the terminal to another program and takes it back (repainting everything).
  virtual void Suspend() {}
  virtual void Resume() {}

 private:
  std::array<Cell, kRows * kColumns> cells_;
  uint8_t attr_ = 7;
  int cursor_row_ = 1;
  int cursor_column_ = 1;
  CursorShape cursor_shape_ = CursorShape::kHalf;
  bool insert_mode_ = true;
  std::string clipboard_;
};

// A console whose input is a queue filled by tests or scripts; nothing is drawn anywhere.
class MemoryConsole : public Console {
 public:
  bool PollEvent(InputEvent* event) override;
  void DiscardInput() override;
  bool HasMouse() const override { return has_mouse_; }
  void SetMouseReporting(bool on) override { mouse_reporting_ = on; }
  void Beep() override { ++beeps_; }

  // An empty event is queued as Kind::kNone: PollEvent then reports nothing once.
  void Push(const InputEvent& event) { queue_.push_back(event); }
  void PushKeys(std::string_view characters);
  size_t Pending() const { return queue_.size(); }
  int beeps() const { return beeps_; }
  bool mouse_reporting() const { return mouse_reporting_; }
  void set_has_mouse(bool has) { has_mouse_ = has; }
  int discards() const { return discards_; }
  // A test whose script runs out of input must not hang: after this many empty polls in a row
  // the console aborts the process with a message.
  void set_empty_poll_limit(long limit) { empty_poll_limit_ = limit; }

 private:
  std::deque<InputEvent> queue_;
  long empty_polls_ = 0;
  long empty_poll_limit_ = 1000000;
  int beeps_ = 0;
  int discards_ = 0;
  bool has_mouse_ = true;
  bool mouse_reporting_ = false;
};

}  // namespace zem::platform
