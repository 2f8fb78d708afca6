#pragma once

#include <cstdint>

namespace zem::platform {

// PC keyboard scan codes as the program's key codes use them (key code = scan code × 256 for a
// key without a character). F11 and F12 carry the extended codes the program expects.
namespace scan {
constexpr uint8_t kEsc = 0x01;
constexpr uint8_t kBackspace = 0x0e;
constexpr uint8_t kTab = 0x0f;
constexpr uint8_t kEnter = 0x1c;
constexpr uint8_t kSpace = 0x39;
constexpr uint8_t kF1 = 0x3b;  // F1 to F10 are 0x3b to 0x44
constexpr uint8_t kHome = 0x47;
constexpr uint8_t kUp = 0x48;
constexpr uint8_t kPgUp = 0x49;
constexpr uint8_t kLeft = 0x4b;
constexpr uint8_t kPad5 = 0x4c;
constexpr uint8_t kRight = 0x4d;
constexpr uint8_t kEnd = 0x4f;
constexpr uint8_t kDown = 0x50;
constexpr uint8_t kPgDn = 0x51;
constexpr uint8_t kIns = 0x52;
constexpr uint8_t kDel = 0x53;
constexpr uint8_t kF11 = 0x85;
constexpr uint8_t kF12 = 0x86;

// The scan code of function key n (1 to 12), 0 otherwise.
uint8_t FunctionKey(int n);
// The scan code of a letter key (either case), 0 for anything else.
uint8_t Letter(char letter);
// The keypad key that stands for a digit while Alt is held (Ins 0, End 1, Down 2, PgDn 3,
// Left 4, keypad 5, Right 6, Home 7, Up 8, PgUp 9), 0 for anything else.
uint8_t KeypadDigit(int digit);
}  // namespace scan

}  // namespace zem::platform
