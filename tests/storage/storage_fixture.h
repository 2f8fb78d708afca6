#pragma once

// A fixture for the storage tests: fake services, a scripted record manager, a clean program
// state and an end-of-program hook that records the exit code and lets the test go on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/program_state.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/open_file.h"
#include "support/fake_services.h"
#include "support/memory_records.h"
#include "support/stat_block.h"

namespace zem::testing {

// Exit codes passed to EndProgram during a test.
inline std::vector<int>& ended_codes() {
  static std::vector<int> codes;
  return codes;
}

// A console on which the operator answers every report: after the program discards pending
// keys, one key press arrives.
class AnsweringConsole : public platform::MemoryConsole {
 public:
  void DiscardInput() override {
    MemoryConsole::DiscardInput();
    Push(platform::InputEvent::Key(13));
  }
};

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    services_.SetRecords(&records_);
    platform::Current().console = &console_;
    Session().RootDir = "C:\\VAK\\";
    Session().WorkDir = "C:\\VAK\\TMP\\";
    services_.files.MakeDir("/VAK");
    services_.files.MakeDir("/VAK/TMP");
    ended_codes().clear();
    SetEndProgramHook([](int code) { ended_codes().push_back(code); });
  }
  void TearDown() override { ResetProgramState(); }

  // Every row of the console, one after the other.
  std::string ScreenText() const {
    std::string text;
    for (int row = 1; row <= platform::Console::kRows; ++row) text += console_.RowText(row);
    return text;
  }

  // Puts a file straight into the table, as a successful open would leave it (with the
  // scripted Stat answer as the one read at open).
  int PlaceOpenFile(int slot, int16_t id, std::string* area, int32_t record_length,
                    size_t key_length) {
    FileSlot& entry = OpenFiles().Slots[slot];
    entry = FileSlot{};
    entry.Id = id;
    entry.RecordArea = area;
    entry.RecordLength = record_length;
    entry.KeyValue.assign(key_length, '\0');
    entry.Stat = ParseStat(records_.stat);
    if (area->size() < static_cast<size_t>(record_length)) area->resize(record_length, ' ');
    return slot;
  }

  platform::FakeServices services_;
  AnsweringConsole console_;
  ScriptedRecords records_;
};

}  // namespace zem::testing
