#pragma once

// A record manager for the storage tests: answers calls from a script and records every call.

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/record_manager.h"
#include "storage/open_file.h"

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

class ScriptedRecords : public platform::RecordManager {
 public:
  int16_t Call(uint16_t operation, void* position_block, void* data_buffer, uint32_t* data_length,
               void* key_buffer, uint8_t key_length, int8_t key_number) override {
    RecordedCall call;
    call.Operation = operation;
    size_t data_size = operation == 28 ? 0 : 1536;
    size_t key_size = operation == 28 ? 0 : 256;
    call.Data.assign(static_cast<const char*>(data_buffer), data_size);
    call.DataLength = *data_length;
    call.Key.assign(static_cast<const char*>(key_buffer), key_size);
    call.KeyLength = key_length;
    call.KeyNumber = key_number;
    call.PositionBlock = position_block;
    calls.push_back(call);
    if (on_call) on_call(calls.back());
    if (operation == 28) return reset_status;
    if (operation == 15 && !stat.empty()) {
      std::memcpy(data_buffer, stat.data(), std::min<size_t>(stat.size(), 1536));
      *data_length = static_cast<uint32_t>(std::min<size_t>(stat.size(), 1536));
      return 0;
    }
    if (answers.empty()) return default_status;
    Answer answer = answers.front();
    answers.pop_front();
    std::memcpy(data_buffer, answer.Data.data(), std::min<size_t>(answer.Data.size(), 1536));
    *data_length = answer.DataLength >= 0 ? static_cast<uint32_t>(answer.DataLength)
                                          : static_cast<uint32_t>(answer.Data.size());
    std::memcpy(key_buffer, answer.Key.data(), std::min<size_t>(answer.Key.size(), 255));
    return answer.Status;
  }

  // Calls other than Stat, in order.
  std::vector<RecordedCall> Issued() const {
    std::vector<RecordedCall> result;
    for (const RecordedCall& call : calls) {
      if (call.Operation != 15) result.push_back(call);
    }
    return result;
  }

  std::vector<RecordedCall> calls;
  std::deque<Answer> answers;
  std::string stat;  // the Stat answer; empty: Stat takes answers like any call
  int16_t reset_status = 0;
  int16_t default_status = 0;
  std::function<void(RecordedCall&)> on_call;
};

inline void PutWord(std::string* out, size_t offset, uint16_t value) {
  if (out->size() < offset + 2) out->resize(offset + 2, '\0');
  (*out)[offset] = static_cast<char>(value & 0xff);
  (*out)[offset + 1] = static_cast<char>(value >> 8);
}

// A Stat answer: record length, page size 1024, the keys' segments (the "continues" flag is
// set here on every segment but a key's last), and an optional collating sequence.
inline std::string BuildStat(uint16_t record_length,
                             const std::vector<std::vector<KeySegment>>& keys,
                             const std::string& collating_table = std::string()) {
  std::string out(16, '\0');
  PutWord(&out, 0, record_length);
  PutWord(&out, 2, 1024);
  PutWord(&out, 4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys) {
    for (size_t s = 0; s < key.size(); ++s) {
      std::string segment(16, '\0');
      PutWord(&segment, 0, key[s].Position);
      PutWord(&segment, 2, key[s].Length);
      uint16_t flags = key[s].Flags;
      if (s + 1 < key.size()) flags |= kSegmentContinues;
      PutWord(&segment, 4, flags);
      out += segment;
    }
  }
  if (!collating_table.empty())
    out += std::string(
               "\xac"
               "UPPER   ",
               9) +
           collating_table;
  return out;
}

}  // namespace zem::testing
