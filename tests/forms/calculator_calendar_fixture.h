#pragma once

#include <string>
#include <vector>

#include "forms/calculator_calendar_hooks.h"
#include "screen/screen_fixture.h"

namespace zem::testing {

// The pop-ups over the scripted console, with the terminal directory in place. A test takes a
// look at the screen while a pop-up is open by queuing a Peek(): the key reader then opens the
// other pop-up's hook, which records the screen's rows instead.
class PopupTest : public ScreenTest {
 protected:
  static constexpr const char* kTerminalDir = "/tmp/term/";

  PopupTest() {
    Session().TerminalDir = kTerminalDir;
    services.files.MakeDir("/tmp/term");
    InstallPopups();
  }

  // Queues a look at the screen from inside the calculator (through the calendar's key).
  void PeekFromCalculator() {
    Keyboard().Calendar = [this] { return Record(); };
    PushKey(keys::kAltC);
  }
  // The same from inside the calendar (through the calculator's key).
  void PeekFromCalendar() {
    Keyboard().Calculator = [this] { return Record(); };
    PushKey(keys::kAltX);
  }

  // The rows of the screen at each look, counted from 1 (entry 0 unused).
  std::vector<std::vector<std::string>> peeks;
  std::vector<std::vector<platform::Cell>> peeked_cells;

 private:
  std::string Record() {
    std::vector<std::string> rows(1);
    for (int row = 1; row <= services.console.Rows(); ++row)
      rows.push_back(services.console.RowText(row));
    peeks.push_back(rows);
    peeked_cells.push_back(Snapshot());
    return {};
  }
};

}  // namespace zem::testing
