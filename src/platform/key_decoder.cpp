#include "platform/key_decoder.h"

#include <vector>

#include "platform/cp850.h"
#include "platform/scan_codes.h"

namespace zem::platform {
namespace {

// What one step of decoding found at the start of the buffer.
struct Parsed {
  size_t used = 0;  // 0: the bytes so far may still grow into a longer sequence
  bool has_event = false;
  InputEvent event;
  int alt_digit = -1;  // an Alt+digit key, which joins a character code
};

// Longest CSI sequence we wait for; anything longer is noise and is dropped.
constexpr size_t kMaxSequence = 40;

Parsed Incomplete() {
  return Parsed{};
}

Parsed Consumed(size_t used) {
  Parsed p;
  p.used = used;
  return p;
}

Parsed WithEvent(size_t used, const InputEvent& event) {
  Parsed p;
  p.used = used;
  p.has_event = true;
  p.event = event;
  return p;
}

bool IsLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The xterm modifier parameter (1 + Shift 1 + Alt 2 + Ctrl 4 + Meta 8) as control-key bits.
uint16_t ModifierBits(int parameter) {
  int bits = parameter - 1;
  if (bits <= 0) return 0;
  uint16_t control = 0;
  if (bits & 1) control |= kShift;
  if (bits & (2 | 8)) control |= kLeftAlt;
  if (bits & 4) control |= kLeftCtrl;
  return control;
}

}  // namespace

bool KeyForCharacter(char32_t cp, uint16_t control, InputEvent* event) {
  switch (cp) {
    case 13:  // Ctrl+Enter types a line feed, as on the PC console
      *event = InputEvent::Key((control & kLeftCtrl) ? 10 : 13, scan::kEnter, control);
      return true;
    case 10:
      *event = InputEvent::Key(10, scan::kEnter, control | kLeftCtrl);
      return true;
    case 9:
      *event = (control & kShift) ? InputEvent::Key(0, scan::kTab, control)
                                  : InputEvent::Key(9, scan::kTab, control);
      return true;
    case 27:
      *event = InputEvent::Key(27, scan::kEsc, control);
      return true;
    case 8:
    case 127:
      *event = InputEvent::Key(8, scan::kBackspace, control);
      return true;
    case 0:
      *event = InputEvent::Key(32, scan::kSpace, control | kLeftCtrl);
      return true;
    default:
      break;
  }
  if (cp < 32) {
    uint8_t letter_scan = cp <= 26 ? scan::Letter(static_cast<char>('a' + cp - 1)) : 0;
    *event = InputEvent::Key(static_cast<uint8_t>(cp), letter_scan, control | kLeftCtrl);
    return true;
  }
  if (IsLetter(cp) && (control & kLeftCtrl)) {
    *event = InputEvent::Key(static_cast<uint8_t>(cp & 31), scan::Letter(static_cast<char>(cp)),
                             control);
    return true;
  }
  if (IsLetter(cp) && (control & kLeftAlt)) {
    uint16_t shift = (cp >= 'A' && cp <= 'Z') ? kShift : 0;
    *event = InputEvent::Key(0, scan::Letter(static_cast<char>(cp)), control | shift);
    return true;
  }
  int byte = CodePointToCp850(cp);
  if (byte < 32 || byte == 127) return false;
  *event = InputEvent::Key(static_cast<uint8_t>(byte), cp == ' ' ? scan::kSpace : 0, control);
  return true;
}

namespace {

// The numeric parameters of a CSI sequence ("1;5" gives 1 and 5); an empty one is -1.
std::vector<int> Parameters(std::string_view text) {
  std::vector<int> values;
  int value = -1;
  bool in_sub = false;
  for (char c : text) {
    if (c == ';') {
      values.push_back(value);
      value = -1;
      in_sub = false;
    } else if (c == ':') {
      in_sub = true;  // sub-parameters (colon-separated) are not used by any key we decode
    } else if (c >= '0' && c <= '9' && !in_sub) {
      value = (value < 0 ? 0 : value) * 10 + (c - '0');
      if (value > 100000) value = 100000;
    }
  }
  values.push_back(value);
  return values;
}

int ParameterAt(const std::vector<int>& values, size_t index, int fallback) {
  return index < values.size() && values[index] >= 0 ? values[index] : fallback;
}

// The scan code of a cursor or editing key named by a CSI/SS3 final letter, 0 if none.
uint8_t FinalLetterKey(char final) {
  switch (final) {
    case 'A':
      return scan::kUp;
    case 'B':
      return scan::kDown;
    case 'C':
      return scan::kRight;
    case 'D':
      return scan::kLeft;
    case 'H':
      return scan::kHome;
    case 'F':
      return scan::kEnd;
    case 'E':
    case 'G':
      return scan::kPad5;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      return scan::FunctionKey(final - 'P' + 1);
    default:
      return 0;
  }
}

// The scan code of a "CSI n ~" key, 0 if none.
uint8_t TildeKey(int number) {
  switch (number) {
    case 1:
    case 7:
      return scan::kHome;
    case 2:
      return scan::kIns;
    case 3:
      return scan::kDel;
    case 4:
    case 8:
      return scan::kEnd;
    case 5:
      return scan::kPgUp;
    case 6:
      return scan::kPgDn;
    default:
      break;
  }
  if (number >= 11 && number <= 15) return scan::FunctionKey(number - 10);
  if (number >= 17 && number <= 21) return scan::FunctionKey(number - 11);
  if (number == 23 || number == 24) return scan::FunctionKey(number - 12);
  return 0;
}

// A mouse report's button bits as a console button press; false for releases, motion and
// the wheel.
bool MousePress(int bits, int row, int column, InputEvent* event) {
  if (bits & (32 | 64 | 128)) return false;
  static constexpr int kButtons[4] = {1, 3, 2, 0};
  int button = kButtons[bits & 3];
  if (button == 0 || row < 1 || column < 1) return false;
  *event = InputEvent::Mouse(button, row, column);
  return true;
}

Parsed ParseSgrMouse(std::string_view bytes) {
  // ESC [ < bits ; column ; row M (press) or m (release)
  for (size_t i = 3; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == 'M' || c == 'm') {
      std::vector<int> values = Parameters(bytes.substr(3, i - 3));
      InputEvent event;
      if (c == 'M' && MousePress(ParameterAt(values, 0, 0), ParameterAt(values, 2, 0),
                                 ParameterAt(values, 1, 0), &event)) {
        return WithEvent(i + 1, event);
      }
      return Consumed(i + 1);
    }
    if (!((c >= '0' && c <= '9') || c == ';')) return Consumed(i);
    if (i >= kMaxSequence) return Consumed(i);
  }
  return Incomplete();
}

Parsed ParseCsi(std::string_view bytes) {
  if (bytes.size() < 3) return Incomplete();
  char first = bytes[2];
  if (first == '[') {  // the Linux console's F1 to F5: ESC [ [ A to ESC [ [ E
    if (bytes.size() < 4) return Incomplete();
    char letter = bytes[3];
    if (letter >= 'A' && letter <= 'E') {
      return WithEvent(4, InputEvent::Key(0, scan::FunctionKey(letter - 'A' + 1)));
    }
    return Consumed(4);
  }
  if (first == '<') return ParseSgrMouse(bytes);
  if (first == 'M') {  // classic mouse report: three bytes, each offset by 32
    if (bytes.size() < 6) return Incomplete();
    InputEvent event;
    int bits = static_cast<unsigned char>(bytes[3]) - 32;
    int column = static_cast<unsigned char>(bytes[4]) - 32;
    int row = static_cast<unsigned char>(bytes[5]) - 32;
    if (MousePress(bits, row, column, &event)) return WithEvent(6, event);
    return Consumed(6);
  }

  size_t i = 2;
  while (i < bytes.size() && bytes[i] >= 0x30 && bytes[i] <= 0x3f) ++i;
  size_t parameters_end = i;
  // Intermediate bytes; "$" is not one here, because rxvt ends its Shift keys with it.
  while (i < bytes.size() && bytes[i] >= 0x20 && bytes[i] <= 0x2f && bytes[i] != '$') ++i;
  if (i >= bytes.size()) return i >= kMaxSequence ? Consumed(i) : Incomplete();
  char final = bytes[i];
  if ((final < 0x40 || final > 0x7e) && final != '$')
    return Consumed(i);  // broken sequence: drop what we saw
  size_t used = i + 1;
  if (parameters_end != i) return Consumed(used);  // intermediates: not a key
  std::string_view parameter_text = bytes.substr(2, parameters_end - 2);
  if (!parameter_text.empty() && (parameter_text[0] < '0' || parameter_text[0] > ';')) {
    return Consumed(used);  // private sequences ("?", ">", "=") are replies, not keys
  }
  std::vector<int> values = Parameters(parameter_text);
  uint16_t control = ModifierBits(ParameterAt(values, 1, 1));

  if (final == 'Z') return WithEvent(used, InputEvent::Key(0, scan::kTab, control | kShift));
  if (uint8_t key = FinalLetterKey(final)) {
    return WithEvent(used, InputEvent::Key(0, key, control));
  }
  int number = ParameterAt(values, 0, 0);
  if (final == 'u' || (final == '~' && number == 27)) {
    // A character with modifiers: "CSI code ; mods u" or xterm's "CSI 27 ; mods ; code ~".
    int code = final == 'u' ? number : ParameterAt(values, 2, 0);
    uint16_t bits = final == 'u' ? control : ModifierBits(ParameterAt(values, 1, 1));
    InputEvent event;
    if (KeyForCharacter(static_cast<char32_t>(code), bits, &event)) return WithEvent(used, event);
    return Consumed(used);
  }
  if (final == '~' || final == '^' || final == '$' || final == '@') {
    // rxvt marks Ctrl with "^", Shift with "$" and both with "@".
    if (final == '^' || final == '@') control |= kLeftCtrl;
    if (final == '$' || final == '@') control |= kShift;
    if (uint8_t key = TildeKey(number)) return WithEvent(used, InputEvent::Key(0, key, control));
  }
  return Consumed(used);
}

// ESC O with an optional modifier number and a final letter: cursor keys, F1 to F4 and the
// keypad in application mode.
Parsed ParseSs3(std::string_view bytes) {
  size_t i = 2;
  while (i < bytes.size() && ((bytes[i] >= '0' && bytes[i] <= '9') || bytes[i] == ';')) ++i;
  if (i >= bytes.size()) return i >= kMaxSequence ? Consumed(i) : Incomplete();
  std::vector<int> values = Parameters(bytes.substr(2, i - 2));
  uint16_t control = ModifierBits(values.back() < 0 ? 1 : values.back());
  char final = bytes[i];
  size_t used = i + 1;
  if (uint8_t key = FinalLetterKey(final)) {
    return WithEvent(used, InputEvent::Key(0, key, control));
  }
  InputEvent event;
  if (final == 'M' && KeyForCharacter(13, control, &event)) return WithEvent(used, event);
  static constexpr std::string_view kKeypad = "*+,-./0123456789";  // 'j' to 'y'
  if (final >= 'j' && final <= 'y' &&
      KeyForCharacter(static_cast<unsigned char>(kKeypad[final - 'j']), control, &event)) {
    return WithEvent(used, event);
  }
  if (final == 'X' && KeyForCharacter('=', control, &event)) return WithEvent(used, event);
  return Consumed(used);
}

Parsed ParseOne(std::string_view bytes, bool final);

// Bytes starting with ESC: a sequence, Alt + a key, or the Esc key itself.
Parsed ParseEscape(std::string_view bytes, bool final) {
  const InputEvent esc = InputEvent::Key(27, scan::kEsc);
  if (bytes.size() == 1) return final ? WithEvent(1, esc) : Incomplete();
  char second = bytes[1];
  if (second == '[' || second == 'O') {
    Parsed p = second == '[' ? ParseCsi(bytes) : ParseSs3(bytes);
    if (p.used > 0 || !final) return p;
    if (bytes.size() == 2) {  // nothing followed: Alt+[ or Alt+O
      InputEvent event;
      KeyForCharacter(static_cast<unsigned char>(second), kLeftAlt, &event);
      return WithEvent(2, event);
    }
    return WithEvent(1, esc);
  }
  if (second >= '0' && second <= '9') {
    Parsed p = Consumed(2);
    p.alt_digit = second - '0';
    return p;
  }
  Parsed inner = ParseOne(bytes.substr(1), final);
  if (inner.used == 0) return final ? WithEvent(1, esc) : Incomplete();
  if (second == '\x1b') {
    // ESC before a whole sequence: Alt with a cursor or function key. Anything else: Esc.
    if (inner.has_event && inner.event.kind == InputEvent::Kind::kKey && inner.event.ch == 0 &&
        inner.event.scan != 0) {
      inner.event.control |= kLeftAlt;
      inner.used += 1;
      return inner;
    }
    return WithEvent(1, esc);
  }
  if (!inner.has_event) {
    inner.used += 1;
    return inner;
  }
  auto c = static_cast<unsigned char>(second);
  if (IsLetter(c)) {
    KeyForCharacter(c, inner.event.control | kLeftAlt, &inner.event);
  } else {
    inner.event.control |= kLeftAlt;
  }
  inner.used += 1;
  return inner;
}

Parsed ParseOne(std::string_view bytes, bool final) {
  auto first = static_cast<unsigned char>(bytes[0]);
  if (first == 0x1b) return ParseEscape(bytes, final);
  char32_t cp = first;
  int used = 1;
  if (first >= 0x80) {
    used = DecodeUtf8(bytes, &cp);
    if (used == 0) return final ? Consumed(1) : Incomplete();
    if (used < 0) return Consumed(1);  // not UTF-8: dropped
  }
  InputEvent event;
  if (KeyForCharacter(cp, 0, &event)) return WithEvent(static_cast<size_t>(used), event);
  return Consumed(static_cast<size_t>(used));  // no code-page-850 byte: ignored
}

}  // namespace

void KeyDecoder::Feed(std::string_view bytes, int64_t now_ms) {
  if (bytes.empty()) return;
  buffer_.append(bytes);
  last_byte_ms_ = now_ms;
}

void KeyDecoder::FlushAltDigits() {
  if (alt_digits_.empty()) return;
  int code = 0;
  for (char digit : alt_digits_) code = (code * 10 + (digit - '0')) % 256;
  alt_digits_.clear();
  if (code != 0) ready_.push_back(InputEvent::Key(static_cast<uint8_t>(code)));
}

bool KeyDecoder::Next(InputEvent* event, int64_t now_ms) {
  for (;;) {
    if (!ready_.empty()) {
      *event = ready_.front();
      ready_.pop_front();
      return true;
    }
    if (buffer_.empty()) {
      if (alt_digits_.empty() || now_ms - last_alt_digit_ms_ < kAltDigitPauseMs) return false;
      FlushAltDigits();
      continue;
    }
    bool final = now_ms - last_byte_ms_ >= kEscapeDelayMs;
    Parsed p = ParseOne(buffer_, final);
    if (p.used == 0) return false;
    buffer_.erase(0, p.used);
    if (p.alt_digit >= 0) {
      alt_digits_.push_back(static_cast<char>('0' + p.alt_digit));
      last_alt_digit_ms_ = last_byte_ms_;
      continue;
    }
    if (p.has_event) {
      FlushAltDigits();
      ready_.push_back(p.event);
    }
  }
}

void KeyDecoder::Reset() {
  buffer_.clear();
  ready_.clear();
  alt_digits_.clear();
}

}  // namespace zem::platform
