#pragma once

// Fixtures for the form engine and pick list tests: the screen toolkit over fake services with
// a form loaded from text, and, for the tests that read records, the real record manager over
// data files in a temporary directory.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "format/string_stack.h"
#include "forms/form_loader.h"
#include "forms/form_tables.h"
#include "platform/record_manager.h"
#include "screen/screen_fixture.h"
#include "storage/file_table.h"
#include "storage/open_file.h"
#include "support/memory_records.h"
#include "support/stat_block.h"

namespace zem::testing {

// Form text written with "\n" line ends, as the file holds it with CR LF.
inline std::string FormBytes(const std::string& text) {
  std::string bytes;
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

class FormTest : public ScreenTest {
 protected:
  FormTest() {
    ResetForm();
    ResetFileTable();
    ResetStringStack();
    Session().MenuTitle = " TITOL ";
  }
  ~FormTest() override {
    ResetForm();
    ResetFileTable();
  }

  void Load(const std::string& text) {
    FormLoadResult result = LoadScreenFormBytes(FormBytes(text));
    ASSERT_EQ(result.outcome, FormLoadResult::Outcome::kLoaded) << result.problem;
  }

  std::string Row(int row) const { return services.console.RowText(row); }

  // Queues keys written one letter each: E Enter, X Esc, U Up, D Down, P PgUp, N PgDn, L Left,
  // R Right, 2 F2, 4 F4, Z F10; lower-case letters and digits other than 2 and 4 are typed.
  void PushScript(const std::string& script) {
    static const std::map<char, int16_t> named = {
        {'E', keys::kEnter}, {'X', keys::kEsc},  {'U', keys::kUp},   {'D', keys::kDown},
        {'P', keys::kPgUp},  {'N', keys::kPgDn}, {'L', keys::kLeft}, {'R', keys::kRight},
        {'2', keys::kF2},    {'4', keys::kF4},   {'Z', keys::kF10}};
    for (char c : script) {
      auto found = named.find(c);
      PushKey(found != named.end() ? found->second : static_cast<int16_t>(c));
    }
  }
};

// Data files of the real record manager: texts (60), properties (506) and units (507) in the
// layouts the pick lists read, with their dictionaries in the memory file system.
class RecordsFormTest : public FormTest {
 protected:
  RecordsFormTest() {
    char pattern[] = "/tmp/forms-records-XXXXXX";
    if (mkdtemp(pattern)) dir_ = pattern;
    services.SetRecords(&library_);
    Session().RootDir = "/root/";
  }
  ~RecordsFormTest() override {
    ResetRecordManager();
    ResetFileTable();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // Creates, opens and fills a data file under `id`.
  void AddFile(int16_t id, const std::string& base, uint16_t record_length,
               const std::vector<std::vector<StatSegment>>& keys,
               const std::vector<std::string>& records) {
    ASSERT_FALSE(dir_.empty());
    std::string block = BuildStat(record_length, keys);
    std::string dictionary;
    PutWord(&dictionary, 0, static_cast<uint16_t>(block.size()));
    services.files.AddFile("/root/ddf/" + base + ".xdf", dictionary + block);
    ASSERT_EQ(OpenDataFile(id, dir_ + "/" + base, &areas_[id]), 0);
    std::vector<uint8_t> position(129, 0);
    std::string path = dir_ + "/" + base + ".dat";
    std::string key = path;
    key.resize(256, '\0');
    std::string data(1536, ' ');
    uint32_t length = 0;
    ASSERT_EQ(library_.Call(kOpOpen, position.data(), data.data(), &length, key.data(),
                            static_cast<uint8_t>(path.size()), 0),
              0);
    for (const std::string& record : records) {
      data = record;
      data.resize(1536, ' ');
      length = record_length;
      ASSERT_EQ(library_.Call(2, position.data(), data.data(), &length, key.data(), 255, 0), 0);
    }
    length = 0;
    library_.Call(1, position.data(), data.data(), &length, key.data(), 0, 0);
  }

  // Texts: code (8), description (40), group (8); key 0 the code, key 1 group and code.
  void AddTexts(const std::vector<std::string>& records) {
    AddFile(kFormTextsFile, "Textos", 64, {{{1, 8, 0}}, {{49, 8, 0}, {1, 8, 0}}}, records);
  }

  static std::string TextRecord(const std::string& code, const std::string& description,
                                const std::string& group) {
    return Fit(code, 8) + Fit(description, 40) + Fit(group, 8) + std::string(8, ' ');
  }
  static std::string Fit(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
  }

  platform::HostFileSystem host_files_;
  platform::LibraryRecordManager library_{&host_files_};
  std::string dir_;
  std::map<int16_t, std::string> areas_;
};

}  // namespace zem::testing
