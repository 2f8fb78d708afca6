#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace zem {

// Key codes: 1-255 a character key (its code-page-850 code), scan code × 256 a key without a
// character, 0 no key, negative a mouse click -(column × 100 + row) as the field editor makes it.
namespace keys {
constexpr int16_t kNone = 0;
constexpr int16_t kCtrlB = 2;
constexpr int16_t kCtrlC = 3;
constexpr int16_t kBackspace = 8;
constexpr int16_t kTab = 9;
constexpr int16_t kEnter = 13;
constexpr int16_t kCtrlV = 22;
constexpr int16_t kCtrlY = 25;
constexpr int16_t kEsc = 27;
constexpr int16_t kSpace = 32;
constexpr int16_t kShiftTab = 0x0f00;
constexpr int16_t kAltX = 0x2d00;
constexpr int16_t kAltC = 0x2e00;
constexpr int16_t kF1 = 0x3b00;
constexpr int16_t kF2 = 0x3c00;
constexpr int16_t kF4 = 0x3e00;
constexpr int16_t kF5 = 0x3f00;
constexpr int16_t kF10 = 0x4400;
constexpr int16_t kHome = 0x4700;
constexpr int16_t kUp = 0x4800;
constexpr int16_t kPgUp = 0x4900;
constexpr int16_t kLeft = 0x4b00;
constexpr int16_t kKeypad5 = 0x4c00;
constexpr int16_t kRight = 0x4d00;
constexpr int16_t kEnd = 0x4f00;
constexpr int16_t kDown = 0x5000;
constexpr int16_t kPgDn = 0x5100;
constexpr int16_t kIns = 0x5200;
constexpr int16_t kDel = 0x5300;
constexpr int16_t kShiftF1 = 0x5400;
constexpr int16_t kCtrlF1 = 0x5e00;
constexpr int16_t kCtrlF4 = 0x6100;
constexpr int16_t kAltF1 = 0x6800;
constexpr int16_t kAltF4 = 0x6b00;
constexpr int16_t kCtrlLeft = 0x7300;
constexpr int16_t kCtrlRight = 0x7400;
constexpr int16_t kCtrlHome = 0x7700;
// F11 and F12 with their shifted forms read as negative 16-bit values.
constexpr int16_t kF11 = static_cast<int16_t>(0x8500);
constexpr int16_t kF12 = static_cast<int16_t>(0x8600);
}  // namespace keys

// The program-wide keyboard state: type-ahead, mouse state, exit-key list, input mask, choice
// list, colour roles and the entry points of the calculator and calendar pop-ups.
struct KeyboardState {
  std::string TypeAhead;  // pending characters, read before the keyboard
  int MouseState = 0;     // 0 not probed, 1 reporting on, 2 present and off, 3 no mouse
  // The event that ended an Alt+keypad character, read next.
  std::optional<platform::InputEvent> HeldEvent;
  // Pop-ups opened from inside ReadKey (Alt+X, Alt+C); each returns the text to type ahead.
  std::function<std::string()> Calculator;
  std::function<std::string()> Calendar;
  bool CalculatorOpen = false;
  bool CalendarOpen = false;
  // Exit-key list: 16-bit little-endian entries; entry n of ExitResults answers ExitCodes's n.
  std::string ExitCodes;
  std::string ExitResults;
  std::string SavedCodes;
  std::string SavedResults;
  bool SavedInUse = false;
  int RefusedSaves = 0;  // saves ("+") that found the single slot taken and were ignored
  uint8_t MaskChar = 0;  // 0 = characters shown, else the character shown for each position
  std::string Choices;   // the current field's choice list ("|code,description|...")
  int ColourRole = 0;
  std::string RoleStack;  // pushed role numbers, one digit each
};

KeyboardState& Keyboard();
void ResetKeyboard();

// Takes one pending keyboard or mouse event without waiting. With nothing pending every result
// is 0; a mouse press gives key 0 with the button and the pointer's screen row and column.
void ReadKey(int16_t& key, int16_t& button, int16_t& row, int16_t& column);
// Reads until a key or a button press comes; a press is returned as the low 16 bits of
// column × 256 + button × 64 + row.
void WaitKey(int16_t& key);
// Discards pending console input.
void FlushKeys();
// Changes the exit-key list: E empty, A add, D delete, + save, - restore, H mask on, V mask off.
void SetExitKeys(std::string_view operations, std::string_view key_list);
// The entry of the exit-key list matching `key`, or -1.
int FindExitKey(int16_t key);
// The result entry n of the exit-key list.
int16_t ExitResultAt(int index);
// Selects a colour role by code ("h", "n", "r", "rn", "u"; "+" pushes, "-" pops).
void SetColour(std::string_view code);
void Beep();
// Pauses briefly between empty polls so that waiting for a key does not spin the processor.
void IdleWait();

// What a pop-up opened from inside a key read changes and gives back on every way out. On
// construction: registers its exit keys (`operations`, `key_list` as for SetExitKeys), pushes
// colour role "n" and hides the cursor. On destruction: shows the cursor as it was, pops the
// colour role and resets the key list with "-". The field's whole exit-key list, saved slot
// included, then comes back as it was: the field editor's own "+" has usually taken the single
// slot already, so the pop-up's "+" saves nothing and its "-" alone would hand back the list
// saved before the field instead of the field's own.
class PopupScope {
 public:
  PopupScope(std::string_view operations, std::string_view key_list);
  ~PopupScope();
  PopupScope(const PopupScope&) = delete;
  PopupScope& operator=(const PopupScope&) = delete;

 private:
  std::string codes_, results_, saved_codes_, saved_results_;
  bool saved_in_use_;
  platform::CursorShape cursor_shape_;
};

}  // namespace zem
