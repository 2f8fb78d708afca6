#include "screen/keyboard.h"

#include <cctype>

#include "platform/program_state.h"
#include "platform/scan_codes.h"
#include "platform/services.h"
#include "startup/session.h"

namespace zem {

namespace {

using platform::InputEvent;

constexpr uint8_t kAltGrEScan = 0x12;  // the E key reported without a character (AltGr+E)
constexpr int16_t kAltGrECharacter = 213;
constexpr int kIdlePauseMs = 10;

// The digit a keypad key stands for while Alt is held (Ins 0, End 1, ... PgUp 9), or -1.
int KeypadDigit(uint8_t scan) {
  for (int digit = 0; digit <= 9; ++digit) {
    if (platform::scan::KeypadDigit(digit) == scan) return digit;
  }
  return -1;
}

bool IsAltKeypad(const InputEvent& event) {
  return event.kind == InputEvent::Kind::kKey && (event.control & platform::kLeftAlt) &&
         KeypadDigit(event.scan) >= 0;
}

bool IsF1ToF10(int16_t code) {
  return code >= keys::kF1 && code <= keys::kF10 && code % 256 == 0;
}
bool IsF11OrF12(int16_t code) {
  return code == keys::kF11 || code == keys::kF12;
}

int16_t Shifted(int16_t code, int offset) {
  return static_cast<int16_t>(code + offset);
}

// The code of a key with Alt, Ctrl or Shift held, tested in that order.
int16_t ApplyModifiers(int16_t code, uint16_t control) {
  if (control & (platform::kRightAlt | platform::kLeftAlt)) {
    if (IsF1ToF10(code)) return Shifted(code, 0x2d00);
    if (IsF11OrF12(code)) return Shifted(code, 0x0600);
  } else if (control & (platform::kRightCtrl | platform::kLeftCtrl)) {
    if (IsF1ToF10(code)) return Shifted(code, 0x2300);
    if (IsF11OrF12(code)) return Shifted(code, 0x0400);
    if (code == keys::kHome) return keys::kCtrlHome;
    if (code == keys::kRight) return keys::kCtrlRight;
    if (code == keys::kLeft) return keys::kCtrlLeft;
  } else if (control & platform::kShift) {
    if (IsF1ToF10(code)) return Shifted(code, 0x1900);
    if (IsF11OrF12(code)) return Shifted(code, 0x0200);
  }
  return code;
}

// Opens a pop-up unless it is already open; what it returns is typed ahead.
void OpenPopUp(const std::function<std::string()>& popup, bool& open) {
  if (!popup || open) return;
  open = true;
  std::string typed = popup();
  open = false;
  Keyboard().TypeAhead = typed;
}

// A key-list item read as a hexadecimal number (an empty item is 0), kept to 16 bits.
int16_t HexValue(std::string_view item) {
  size_t i = 0;
  while (i < item.size() && item[i] == ' ') ++i;
  unsigned value = 0;
  for (; i < item.size() && std::isxdigit(static_cast<unsigned char>(item[i])); ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(item[i])));
    value = (value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10)) & 0xffff;
  }
  return static_cast<int16_t>(value);
}

void AppendEntry(std::string* list, int16_t value) {
  uint16_t v = static_cast<uint16_t>(value);
  *list += static_cast<char>(v & 0xff);
  *list += static_cast<char>(v >> 8);
}

int16_t EntryAt(const std::string& list, int index) {
  uint16_t low = static_cast<uint8_t>(list[2 * index]);
  uint16_t high = static_cast<uint8_t>(list[2 * index + 1]);
  return static_cast<int16_t>(low | (high << 8));
}

template <typename F>
void ForEachItem(std::string_view key_list, F f) {
  if (key_list.empty()) return;
  size_t start = 0;
  for (;;) {
    size_t comma = key_list.find(',', start);
    f(key_list.substr(start,
                      comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return;
    start = comma + 1;
  }
}

void SelectRole(int role) {
  KeyboardState& state = Keyboard();
  state.ColourRole = role;
  const SessionSettings& session = Session();
  platform::Screen().SetColours(session.Colours[0][role], session.Colours[1][role]);
}

}  // namespace

KeyboardState& Keyboard() {
  static KeyboardState state;
  return state;
}

void ResetKeyboard() {
  Keyboard() = KeyboardState{};
}
ZEM_REGISTER_STATE_RESET(ResetKeyboard);

void ReadKey(int16_t& key, int16_t& button, int16_t& row, int16_t& column) {
  key = button = row = column = 0;
  KeyboardState& state = Keyboard();
  if (!state.TypeAhead.empty()) {
    key = static_cast<uint8_t>(state.TypeAhead[0]);
    state.TypeAhead.erase(0, 1);
    return;
  }
  platform::Console& console = platform::Screen();
  if (state.MouseState == 0) state.MouseState = console.HasMouse() ? 2 : 3;
  if (state.MouseState == 2) {
    console.SetMouseReporting(true);
    state.MouseState = 1;
  }

  InputEvent event;
  if (state.HeldEvent) {
    event = *state.HeldEvent;
    state.HeldEvent.reset();
  } else if (!console.PollEvent(&event)) {
    return;
  }
  // Alt held with keypad keys composes a character from its decimal code. The console reports
  // no key releases, so the collection ends at the next other event or when no more input is
  // pending; that other event is kept for the next read rather than lost.
  bool composed = false;
  int code_value = 0;
  while (IsAltKeypad(event)) {
    composed = true;
    code_value = (code_value * 10 + KeypadDigit(event.scan)) % 256;
    if (!console.PollEvent(&event)) break;
    if (!IsAltKeypad(event)) state.HeldEvent = event;
  }
  if (composed) {
    key = static_cast<int16_t>(code_value);
  } else if (event.kind == InputEvent::Kind::kKey) {
    int16_t code =
        event.ch != 0 ? static_cast<int16_t>(event.ch) : static_cast<int16_t>(event.scan * 256);
    if (event.ch == 0 && event.scan == kAltGrEScan) code = kAltGrECharacter;
    key = ApplyModifiers(code, event.control);
  } else if (event.kind == InputEvent::Kind::kMousePress && state.MouseState == 1) {
    button = static_cast<int16_t>(event.button);
    row = static_cast<int16_t>(event.row);
    column = static_cast<int16_t>(event.column);
  }

  if (key == keys::kAltX) OpenPopUp(state.Calculator, state.CalculatorOpen);
  if (key == keys::kAltC) OpenPopUp(state.Calendar, state.CalendarOpen);

  if (state.MouseState == 1 && (key > 0 || button != 0)) {
    console.SetMouseReporting(false);
    state.MouseState = 2;
  }
}

void WaitKey(int16_t& key) {
  int16_t button = 0, row = 0, column = 0;
  for (;;) {
    ReadKey(key, button, row, column);
    if (key != 0) return;
    if (button != 0) {
      key = static_cast<int16_t>(static_cast<uint16_t>(column * 256 + button * 64 + row));
      return;
    }
    IdleWait();
  }
}

void FlushKeys() {
  Keyboard().HeldEvent.reset();
  platform::Screen().DiscardInput();
}

void SetExitKeys(std::string_view operations, std::string_view key_list) {
  KeyboardState& state = Keyboard();
  for (char op : operations) {
    switch (std::toupper(static_cast<unsigned char>(op))) {
      case 'E':
        state.ExitCodes.clear();
        state.ExitResults.clear();
        break;
      case 'A':
        ForEachItem(key_list, [&](std::string_view item) {
          size_t equals = item.find('=');
          int16_t code = HexValue(item.substr(0, equals));
          int16_t result =
              equals == std::string_view::npos ? code : HexValue(item.substr(equals + 1));
          AppendEntry(&state.ExitCodes, code);
          AppendEntry(&state.ExitResults, result);
        });
        break;
      case 'D':
        ForEachItem(key_list, [&](std::string_view item) {
          int index = FindExitKey(HexValue(item));
          if (index < 0) return;
          state.ExitCodes.erase(2 * index, 2);
          if (state.ExitResults.size() >= static_cast<size_t>(2 * index + 2))
            state.ExitResults.erase(2 * index, 2);
        });
        break;
      case '+':
        if (!state.SavedInUse) {
          state.SavedCodes = state.ExitCodes;
          state.SavedResults = state.ExitResults;
          state.SavedInUse = true;
        } else {
          ++state.RefusedSaves;
        }
        break;
      case '-':
        if (state.SavedInUse) {
          state.ExitCodes = state.SavedCodes;
          state.ExitResults = state.SavedResults;
          state.SavedCodes.clear();
          state.SavedResults.clear();
          state.SavedInUse = false;
        }
        break;
      case 'H':
        state.MaskChar = 'X';
        break;
      case 'V':
        state.MaskChar = 0;
        break;
      default:
        break;
    }
  }
}

int FindExitKey(int16_t key) {
  const std::string& codes = Keyboard().ExitCodes;
  for (int i = 0; 2 * i + 1 < static_cast<int>(codes.size()); ++i) {
    if (EntryAt(codes, i) == key) return i;
  }
  return -1;
}

int16_t ExitResultAt(int index) {
  const std::string& results = Keyboard().ExitResults;
  if (index < 0 || 2 * index + 1 >= static_cast<int>(results.size())) return 0;
  return EntryAt(results, index);
}

void SetColour(std::string_view code) {
  std::string upper;
  for (char c : code) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.find_first_not_of(' ') == std::string::npos) return;
  KeyboardState& state = Keyboard();
  auto has = [&](char c) { return upper.find(c) != std::string::npos; };
  if (has('+')) state.RoleStack += static_cast<char>('0' + state.ColourRole);
  if (has('-')) {
    int role = 0;
    if (!state.RoleStack.empty()) {
      role = state.RoleStack.back() - '0';
      state.RoleStack.pop_back();
    }
    SelectRole(role);
    return;
  }
  int role = has('U') ? 4 : has('R') && has('N') ? 3 : has('R') ? 2 : has('N') ? 1 : 0;
  SelectRole(role);
}

void Beep() {
  platform::Screen().Beep();
}

void IdleWait() {
  platform::Time().SleepMs(kIdlePauseMs);
}

PopupScope::PopupScope(std::string_view operations, std::string_view key_list) {
  const KeyboardState& state = Keyboard();
  codes_ = state.ExitCodes;
  results_ = state.ExitResults;
  saved_codes_ = state.SavedCodes;
  saved_results_ = state.SavedResults;
  saved_in_use_ = state.SavedInUse;
  cursor_shape_ = platform::Screen().GetCursorShape();
  SetExitKeys(operations, key_list);
  SetColour("+n");
  platform::Screen().SetCursorShape(platform::CursorShape::kHidden);
}

PopupScope::~PopupScope() {
  platform::Screen().SetCursorShape(cursor_shape_);
  SetColour("-");
  SetExitKeys("-", "");
  KeyboardState& state = Keyboard();
  state.ExitCodes = codes_;
  state.ExitResults = results_;
  state.SavedCodes = saved_codes_;
  state.SavedResults = saved_results_;
  state.SavedInUse = saved_in_use_;
}

}  // namespace zem
