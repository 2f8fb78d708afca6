#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "format/text_utils.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/session.h"
#include "support/fake_services.h"

namespace zem::testing {

// Fresh screen-toolkit state over the fake services. The colour roles get distinct pairs so
// that a test can tell them apart by the attribute a cell was written with.
class ScreenTest : public ::testing::Test {
 protected:
  static constexpr int16_t kForeground[5] = {15, 7, 0, 1, 14};
  static constexpr int16_t kBackground[5] = {0, 0, 7, 7, 1};

  ScreenTest() {
    ResetProgramState();
    Session().WorkDir = "/tmp/work/";
    Session().RunMode = "DOS";
    for (int role = 0; role < 5; ++role) {
      Session().Colours[0][role] = kForeground[role];
      Session().Colours[1][role] = kBackground[role];
    }
    services.files.MakeDir("/tmp");
    services.files.MakeDir("/tmp/work");
    // A script that runs out of keys ends the test instead of hanging it.
    services.console.set_empty_poll_limit(10000);
  }
  ~ScreenTest() override { ResetProgramState(); }

  static uint8_t RoleAttribute(int role) {
    return static_cast<uint8_t>(kForeground[role] + 16 * kBackground[role]);
  }

  // Queues a program key code as the console would report it.
  void PushKey(int16_t code, uint16_t control = 0) {
    if (code > 0 && code < 256) {
      services.console.Push(platform::InputEvent::Key(static_cast<uint8_t>(code), 0, control));
    } else {
      uint16_t raw = static_cast<uint16_t>(code);
      services.console.Push(platform::InputEvent::Key(0, static_cast<uint8_t>(raw >> 8), control));
    }
  }
  void PushKeys(const std::vector<int16_t>& codes) {
    for (int16_t code : codes) PushKey(code);
  }
  void PushClick(int row, int column, int button = 1) {
    services.console.Push(platform::InputEvent::Mouse(button, row, column));
  }

  // Fills the screen with a pattern of characters and colours that differs from cell to cell.
  void PaintPattern() {
    platform::Console& screen = services.console;
    for (int row = 1; row <= screen.Rows(); ++row) {
      for (int column = 1; column <= screen.Columns(); ++column) {
        uint8_t ch = static_cast<uint8_t>('!' + (row * 7 + column) % 90);
        uint8_t attr = static_cast<uint8_t>((row * 3 + column * 5) % 256);
        screen.SetCell(row, column, platform::Cell{ch, attr});
      }
    }
  }

  std::vector<platform::Cell> Snapshot() const {
    std::vector<platform::Cell> cells;
    const platform::Console& screen = services.console;
    for (int row = 1; row <= screen.Rows(); ++row)
      for (int column = 1; column <= screen.Columns(); ++column)
        cells.push_back(screen.CellAt(row, column));
    return cells;
  }

  // Characters of a row from a column on.
  std::string TextAt(int row, int column, size_t count) const {
    return services.console.RowText(row).substr(column - 1, count);
  }

  std::string StackFile() { return services.files.Contents(WindowStackPath()); }
  bool StackFileExists() { return services.files.Exists(WindowStackPath()); }

  platform::FakeServices services;
};

}  // namespace zem::testing
