#include "screen/guards.h"

#include <cassert>

#include "screen/keyboard.h"
#include "screen/windows.h"

namespace zem {

WindowGuard::WindowGuard(int16_t top, int16_t left, int16_t bottom, int16_t right)
    : opened_(OpenWindow(top, left, bottom, right)) {}

WindowGuard::~WindowGuard() {
  CloseWindow();
}

ColourGuard::ColourGuard(std::string_view code) {
  SetColour("+" + std::string(code));
}

ColourGuard::~ColourGuard() {
  SetColour("-");
}

ExitKeysGuard::ExitKeysGuard() : saved_(!Keyboard().SavedInUse) {
  assert(saved_ && "the exit-key list is saved already: its single slot cannot be nested");
  SetExitKeys("+", "");
}

ExitKeysGuard::~ExitKeysGuard() {
  if (saved_) SetExitKeys("-", "");
}

}  // namespace zem
