#pragma once

// The in-memory twin of the record manager, for tests: files of fixed-length records kept in
// the order of key 0 (the record's first bytes), answering the calls the program's reads issue
// (Open, Stat, Get Equal, Get Greater or Equal, Get Next, Reset) as the real library does;
// tests/storage/records_twin_test.cpp holds both to the same cases. Records with equal keys
// keep the order they were added in.
//
// For tests of the calls themselves it can also be scripted: every call is recorded, a queued
// answer is given instead of the files' own, Stat and Reset can be answered with set values,
// and `default_status` answers every unscripted call (so no file needs to exist).

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/record_manager.h"

namespace zem::testing {

struct RecordedCall {
  uint16_t Operation = 0;
  std::string Data;  // the whole data buffer as sent (1536 bytes for every call but Reset)
  uint32_t DataLength = 0;
  std::string Key;  // the whole key buffer as sent (256 bytes for every call but Reset)
  uint8_t KeyLength = 0;
  int8_t KeyNumber = 0;
  const void* PositionBlock = nullptr;
  // The key bytes the call offered: the first KeyLength bytes of the key buffer.
  std::string OfferedKey() const { return Key.substr(0, KeyLength); }
};

struct Answer {
  int16_t Status = 0;
  std::string Data;         // placed at the start of the data buffer
  int64_t DataLength = -1;  // returned data length; -1: the size of Data
  std::string Key;          // placed at the start of the key buffer
};

class MemoryRecords : public platform::RecordManager {
 public:
  // A file known by the last component of its path ("FinquesV.dat"), in any letter case.
  void AddFile(const std::string& name, size_t record_length, size_t key_length);
  // Adds a record (blank-padded or cut to the record length) in key order.
  void Insert(const std::string& name, std::string record);

  int16_t Call(uint16_t operation, void* position_block, void* data_buffer, uint32_t* data_length,
               void* key_buffer, uint8_t key_length, int8_t key_number) override;

  // Calls other than Stat, in order.
  std::vector<RecordedCall> Issued() const;

  std::vector<RecordedCall> calls;
  std::deque<Answer> answers;
  std::string stat;  // the Stat answer; empty: the file's own (or a queued answer)
  int16_t reset_status = 0;
  std::optional<int16_t> default_status;  // set: unscripted calls get it, files are not used
  std::function<void(RecordedCall&)> on_call;

 private:
  struct File {
    size_t record_length = 0;
    size_t key_length = 0;
    std::vector<std::string> records;
  };
  // What the twin keeps in the caller's position block.
  struct Position {
    uint32_t file = 0;     // 1-based; 0 = not open
    uint32_t opening = 0;  // a Reset closes every file opened before it
    int64_t record = -1;
  };

  int16_t FileCall(uint16_t operation, void* position_block, char* data, uint32_t* data_length,
                   char* key, uint8_t key_length);
  File* FileAt(const Position& position);

  std::map<std::string, File> files_;
  uint32_t resets_ = 0;
};

// The twin used for scripting alone: every call nobody scripted succeeds, with no file behind
// it.
struct ScriptedRecords : MemoryRecords {
  ScriptedRecords() { default_status = 0; }
};

// Record builders in the layouts the mailing reads. Texts are code page 850.
void Put(std::string* record, size_t offset, const std::string& text, size_t length);
std::string PackedNumber(int number);
std::string PropertyRecord(int code, const std::string& street, const std::string& line2,
                           const std::string& line3, const std::string& flag = " ");
std::string UnitRecord(int property, int unit, const std::string& owner,
                       const std::string& designation, const std::string& own_street = "",
                       const std::string& own_line2 = "", const std::string& own_line3 = "");
// `date` as eight digits, year first; `amount` in hundredths.
std::string ReceiptRecord(int property, int unit, const std::string& date, int sequence,
                          int32_t amount, char state);

}  // namespace zem::testing
