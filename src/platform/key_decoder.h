#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace zem::platform {

// Turns the bytes a terminal sends into console input events: characters (UTF-8 in, code page
// 850 out), the keys without a character with their PC scan code and control-key bits, Alt
// combinations and mouse presses. Understands what xterm, tmux, rxvt and the Linux console
// send: CSI and SS3 sequences with or without an xterm modifier parameter, "ESC [ [ A" for the
// Linux console's F1, ESC followed by a key for Alt, and SGR ("ESC [ < b;x;y M") or classic
// ("ESC [ M bxy") mouse reports. A mouse press carries the terminal's 1-based row and column
// and the console's button number (1 left, 2 right, 3 middle). Has no clock of its own: the
// caller passes the time.
class KeyDecoder {
 public:
  // How long a lone ESC (or the start of a sequence) waits for the rest before it counts as
  // the Esc key: Alt+letter arrives as ESC and the letter in one piece.
  static constexpr int64_t kEscapeDelayMs = 50;
  // A run of Alt+digit keys spells a character by its code, as Alt and the keypad digits do
  // on a PC; the run ends at the next other key or after this pause.
  static constexpr int64_t kAltDigitPauseMs = 700;

  // Adds bytes read from the terminal at time `now_ms`.
  void Feed(std::string_view bytes, int64_t now_ms);
  // Takes the next complete event; false when none is ready yet.
  bool Next(InputEvent* event, int64_t now_ms);
  // Whether bytes or Alt digits are waiting for more input or for their delay to pass.
  bool Waiting() const { return !buffer_.empty() || !alt_digits_.empty(); }
  // Forgets everything pending.
  void Reset();

 private:
  void FlushAltDigits();

  std::string buffer_;
  int64_t last_byte_ms_ = 0;
  std::deque<InputEvent> ready_;
  std::string alt_digits_;
  int64_t last_alt_digit_ms_ = 0;
};

// The key event for a typed character (a Unicode code point) with the given control-key bits,
// as the console reports it: Enter, Tab, Esc and Backspace with their scan codes, control
// characters as Ctrl + letter, Ctrl or Alt + letter by the letter's scan code, anything else as
// its code-page-850 byte. False when the character has no code-page-850 byte.
bool KeyForCharacter(char32_t code_point, uint16_t control, InputEvent* event);

}  // namespace zem::platform
