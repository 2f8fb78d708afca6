#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zem {

// Scoped guards for what a screen must undo on every way out (return, early exit, exception):
// the window it opened, the colour role it pushed, the exit-key list it saved.

// Opens a window for the guard's lifetime. A refused open (rectangle off the screen) still
// gets its CloseWindow, which then does nothing.
class WindowGuard {
 public:
  WindowGuard(int16_t top, int16_t left, int16_t bottom, int16_t right);
  ~WindowGuard();
  WindowGuard(const WindowGuard&) = delete;
  WindowGuard& operator=(const WindowGuard&) = delete;
  bool opened() const { return opened_; }

 private:
  bool opened_;
};

// Pushes the current colour role and selects the role `code` names ("h", "n", "r", "rn", "u");
// the pushed role comes back when the guard goes.
class ColourGuard {
 public:
  explicit ColourGuard(std::string_view code);
  ~ColourGuard();
  ColourGuard(const ColourGuard&) = delete;
  ColourGuard& operator=(const ColourGuard&) = delete;
};

// Saves the exit-key list and restores it when the guard goes. The list has a single saved
// slot: a save while it is taken would be ignored and the inner restore would hand back the
// outer list too early. A nested guard is therefore a fault of its caller: it fails an
// assertion in debug builds and, in others, leaves the slot to the outer guard and restores
// nothing (KeyboardState::RefusedSaves counts it).
class ExitKeysGuard {
 public:
  ExitKeysGuard();
  ~ExitKeysGuard();
  ExitKeysGuard(const ExitKeysGuard&) = delete;
  ExitKeysGuard& operator=(const ExitKeysGuard&) = delete;

 private:
  bool saved_;
};

}  // namespace zem
