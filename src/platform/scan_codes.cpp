#include "platform/scan_codes.h"

namespace zem::platform::scan {

uint8_t FunctionKey(int n) {
  if (n >= 1 && n <= 10) return static_cast<uint8_t>(kF1 + n - 1);
  if (n == 11) return kF11;
  if (n == 12) return kF12;
  return 0;
}

uint8_t Letter(char letter) {
  // Scan codes of A to Z on the PC keyboard, in alphabetical order.
  static constexpr uint8_t kLetters[26] = {0x1e, 0x30, 0x2e, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                           0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                           0x1f, 0x14, 0x16, 0x2f, 0x11, 0x2d, 0x15, 0x2c};
  if (letter >= 'a' && letter <= 'z') return kLetters[letter - 'a'];
  if (letter >= 'A' && letter <= 'Z') return kLetters[letter - 'A'];
  return 0;
}

uint8_t KeypadDigit(int digit) {
  static constexpr uint8_t kKeys[10] = {kIns,  kEnd,   kDown, kPgDn, kLeft,
                                        kPad5, kRight, kHome, kUp,   kPgUp};
  return digit >= 0 && digit <= 9 ? kKeys[digit] : 0;
}

}  // namespace zem::platform::scan
