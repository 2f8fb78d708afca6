#pragma once

#include <cstdint>
#include <string>

#include "open_files.h"

// One call's arguments, with the checks every operation needs.
namespace recman {

struct CallArgs {
  uint16_t operation = 0;  // without the lock bias
  bool lock = false;       // the lock bias was added
  uint8_t* position_block = nullptr;
  uint8_t* data = nullptr;
  uint32_t* data_length = nullptr;
  uint8_t* key = nullptr;
  uint8_t key_length = 0;
  int8_t key_number = 0;

  // Bytes the caller offers in the data buffer.
  uint32_t Capacity() const { return data != nullptr && data_length != nullptr ? *data_length : 0; }
  void SetDataLength(uint32_t length) const {
    if (data_length != nullptr) *data_length = length;
  }
  // The NUL-terminated path in the key buffer (Open, Create).
  std::string Path() const;
  // The search key from the key buffer: the bytes given (at most the key's length), padded
  // with NUL bytes to the key's length.
  std::string SearchKey(int length) const;
};

// Before a read: the file's reads share one read snapshot while the change counter stays
// where it was when the snapshot began (record_calls.cpp).
void PrepareRead(OpenFile& file);

// Operations on an open file (record_calls.cpp).
int16_t GetByKey(const CallArgs& call, OpenFile& file);
int16_t GetNextOrPrevious(const CallArgs& call, OpenFile& file);
int16_t GetPosition(const CallArgs& call, OpenFile& file);
int16_t GetDirect(const CallArgs& call, OpenFile& file);
int16_t InsertRecord(const CallArgs& call, OpenFile& file);
int16_t UpdateRecord(const CallArgs& call, OpenFile& file);
int16_t DeleteRecord(OpenFile& file);
int16_t UnlockRecord(OpenFile& file);

}  // namespace recman
