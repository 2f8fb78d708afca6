#include "storage/file_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/program_state.h"
#include "platform/services.h"
#include "screen/message.h"
#include "screen/windows.h"
#include "startup/session.h"

namespace zem {
namespace {

bool IsLockable(uint16_t operation) {
  return (operation >= 5 && operation <= 13) || operation == 19 ||
         (operation >= 22 && operation <= 24) || (operation >= 33 && operation <= 35);
}

bool IsConflict(int16_t status) {
  return status == kStatusRecordLocked || status == kStatusFileLocked;
}

// Filler after the key value: the lowest byte for the greater-or-equal family, the highest
// for the less-or-equal family, blanks otherwise.
char KeyFiller(uint16_t operation) {
  if (operation == 8 || operation == 9) return '\0';
  if (operation == 10 || operation == 11) return '\xff';
  return ' ';
}

bool ValidSlot(int slot) {
  return slot >= 1 && slot <= kMaxOpenFiles;
}

}  // namespace

FileTable& OpenFiles() {
  static FileTable table;
  return table;
}

void ResetFileTable() {
  OpenFiles() = FileTable{};
}
ZEM_REGISTER_STATE_RESET(ResetFileTable);

const std::string& RecordArea(int16_t id) {
  static const std::string none;
  int slot = FindFileSlot(id);
  if (slot <= 0 || !OpenFiles().Slots[slot].RecordArea) return none;
  return *OpenFiles().Slots[slot].RecordArea;
}

int FindFileSlot(int16_t id) {
  FileTable& table = OpenFiles();
  // An id is open in one slot at most: the slot found last is looked at first.
  if (id != 0 && table.Slots[table.LastFound].Id == id) return table.LastFound;
  int free_slot = 0;
  for (int slot = 1; slot <= kMaxOpenFiles; ++slot) {
    if (table.Slots[slot].Id == id) {
      if (id != 0) table.LastFound = slot;
      return slot;
    }
    if (table.Slots[slot].Id == 0) free_slot = slot;
  }
  return -free_slot;
}

int16_t SetLockMode(int16_t id, std::string_view flags) {
  int slot = FindFileSlot(id);
  if (slot <= 0 || id == 0) return kStatusNotOpen;
  FileTable& table = OpenFiles();
  FileSlot& entry = table.Slots[slot];
  for (char flag : flags) {
    switch (std::toupper(static_cast<unsigned char>(flag))) {
      case 'D':
        entry.LockMode = 0;
        break;
      case 'A':
        entry.LockMode = 1;
        break;
      case 'B':
        entry.LockMode = 2;
        break;
      case '+':
        table.LockModeStack.push_back(static_cast<char>(slot));
        table.LockModeStack.push_back(static_cast<char>(entry.LockMode));
        break;
      case '-': {
        std::string& stack = table.LockModeStack;
        for (size_t pair = stack.size() / 2; pair-- > 0;) {
          if (static_cast<uint8_t>(stack[2 * pair]) == slot) {
            entry.LockMode = static_cast<int16_t>(static_cast<uint8_t>(stack[2 * pair + 1]));
            stack.erase(2 * pair, 2);
            break;
          }
        }
        break;
      }
      default:
        break;
    }
  }
  return kStatusOk;
}

uint16_t BiasedOperation(int slot, uint16_t operation) {
  if (ValidSlot(slot) && OpenFiles().Slots[slot].LockMode != 0 && IsLockable(operation)) {
    return static_cast<uint16_t>(operation + kLockBias);
  }
  return operation;
}

int16_t CallForSlot(int slot, uint16_t operation, std::string* data, uint32_t* data_length,
                    std::string* key, uint8_t key_length) {
  FileSlot& entry = OpenFiles().Slots[slot];
  data->resize(kDataBufferSize, ' ');
  key->resize(kKeyBufferSize, '\0');
  // The record manager never gets told of more room than the buffer has.
  uint32_t offered = std::min<uint32_t>(*data_length, kDataBufferSize);
  *data_length = offered;
  int16_t status = platform::Records().Call(
      BiasedOperation(slot, operation), entry.PositionBlock.data(), data->data(), data_length,
      key->data(), std::min<uint8_t>(key_length, kKeyBufferSize - 1),
      static_cast<int8_t>(entry.KeyNumber));
  // A length beyond the buffer (a damaged answer) counts as the whole buffer.
  *data_length = std::min<uint32_t>(*data_length, kDataBufferSize);
  return status;
}

std::string LockedFileMessage() {
  const std::string& language = Session().Language;
  if (language == "SPA") return "FICHERO BLOQUEADO. ESPERE UN MOMENTO.";
  if (language == "GLG") return "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.";
  if (language == "OCI") return "FICH\xd4R BLOQUEJAT. ESPERATZ UN MOMENT.";
  return "FITXER BLOQUEJAT. ESPEREU UN MOMENT.";
}

namespace {

// The data buffer of a record-area call: the record area's first `length` bytes, then blanks
// to the buffer's size. Only the part an earlier call may have changed is written again.
void FillCallData(FileTable& table, std::string_view area, size_t length) {
  std::string& data = table.CallData;
  if (data.size() != kDataBufferSize) {
    data.assign(kDataBufferSize, ' ');
    table.CallDataUsed = 0;
  }
  const size_t copied = std::min(area.size(), length);
  data.replace(0, copied, area.substr(0, copied));
  if (table.CallDataUsed > copied) {
    std::fill(data.begin() + static_cast<long>(copied),
              data.begin() + static_cast<long>(table.CallDataUsed), ' ');
  }
  table.CallDataUsed = copied;
}

}  // namespace

int16_t CallWithLockWait(int slot, uint16_t& operation) {
  if (!ValidSlot(slot) || OpenFiles().Slots[slot].Id == 0) return kStatusNotOpen;
  const uint16_t unbiased = operation;
  operation = BiasedOperation(slot, operation);
  FileSlot& entry = OpenFiles().Slots[slot];
  int conflicts = 0;
  int16_t status = kStatusOk;
  for (int attempt = 1;; ++attempt) {
    if (attempt == 2 && conflicts == 1) ShowMessage(24, LockedFileMessage());
    size_t record_length = static_cast<size_t>(std::max<int32_t>(entry.RecordLength, 0));
    if (entry.RecordArea && entry.RecordArea->size() < record_length) {
      entry.RecordArea->resize(record_length, ' ');
    }
    FileTable& table = OpenFiles();
    const size_t offered = std::min(record_length, kDataBufferSize);
    FillCallData(table, entry.RecordArea ? std::string_view(*entry.RecordArea) : "", offered);
    std::string& data = table.CallData;
    std::string& key = table.CallKey;
    const size_t key_length = std::min(entry.KeyValue.size(), kKeyBufferSize - 1);
    key.resize(kKeyBufferSize);
    key.replace(0, key_length, entry.KeyValue, 0, key_length);
    std::fill(key.begin() + static_cast<long>(key_length), key.end(), KeyFiller(operation));
    uint32_t data_length = static_cast<uint32_t>(offered);
    status =
        CallForSlot(slot, unbiased, &data, &data_length, &key, static_cast<uint8_t>(key_length));
    size_t arrived = std::min<size_t>(data_length, offered);
    if (entry.RecordArea && arrived > 0) entry.RecordArea->replace(0, arrived, data, 0, arrived);
    entry.KeyValue.assign(key, 0, key_length);
    // A record manager that placed more than it says leaves no stray bytes for the next call.
    table.CallDataUsed = std::max<size_t>(offered, data_length);
    if (IsConflict(status) && entry.LockMode == 1) {
      int pause = static_cast<int>(std::lround(10000.0 * platform::Time().Random() + 1.0));
      platform::Time().SleepMs(pause);
      if (conflicts < 2) ++conflicts;
      continue;
    }
    break;
  }
  if (conflicts > 0) CloseWindow();
  return status;
}

void CloseAllFiles() {
  FileTable& table = OpenFiles();
  for (int slot = 1; slot <= kMaxOpenFiles; ++slot) {
    if (table.Slots[slot].Id == 0) continue;
    std::string data, key;
    uint32_t data_length = 0;
    CallForSlot(slot, kOpClose, &data, &data_length, &key, 0);
    table.Slots[slot] = FileSlot{};
  }
}

int16_t ResetRecordManager() {
  FileTable& table = OpenFiles();
  uint32_t data_length = 0;
  char data[1] = {0};
  char key[1] = {0};
  int16_t status = platform::Records().Call(kOpReset, table.Slots[0].PositionBlock.data(), data,
                                            &data_length, key, 0, 0);
  if (status == kStatusOk) {
    for (int slot = 1; slot <= kMaxOpenFiles; ++slot) table.Slots[slot] = FileSlot{};
  }
  return status;
}

}  // namespace zem
