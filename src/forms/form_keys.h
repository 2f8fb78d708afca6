#pragma once

#include <string>

#include "screen/keyboard.h"

namespace zem {

// Keeps the field editor's exit-key list for the time of one field or one pick list and puts
// it back afterwards. The keyboard's own save slot holds a single list, which a nested screen
// or pick list (F4, a filter screen, a continuation) would take over; each level keeps its own
// copy here instead.
class ExitKeyScope {
 public:
  ExitKeyScope() : codes_(Keyboard().ExitCodes), results_(Keyboard().ExitResults) {}
  ~ExitKeyScope() {
    Keyboard().ExitCodes = codes_;
    Keyboard().ExitResults = results_;
  }
  ExitKeyScope(const ExitKeyScope&) = delete;
  ExitKeyScope& operator=(const ExitKeyScope&) = delete;

 private:
  std::string codes_;
  std::string results_;
};

}  // namespace zem
