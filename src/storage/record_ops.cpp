#include "storage/record_ops.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "format/string_stack.h"
#include "storage/file_table.h"
#include "storage/open_file.h"

namespace zem {
namespace {

// The slot of an open file, or 0.
int OpenSlot(int16_t id) {
  if (id == 0) return 0;
  int slot = FindFileSlot(id);
  return slot > 0 ? slot : 0;
}

// A key buffer's text up to its first NUL byte.
std::string UpToNul(const std::string& buffer) {
  size_t end = buffer.find('\0');
  return buffer.substr(0, end == std::string::npos ? buffer.size() : end);
}

// A position as the record manager writes it: 4 bytes, low-order byte first.
std::string PositionBytes(uint32_t position) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((position >> (8 * i)) & 0xff);
  return bytes;
}

// The position held in the first 4 bytes of `bytes` (fewer when it is shorter).
uint32_t PositionFromBytes(std::string_view bytes) {
  uint32_t position = 0;
  for (size_t i = std::min<size_t>(bytes.size(), 4); i-- > 0;) {
    position = (position << 8) | static_cast<uint8_t>(bytes[i]);
  }
  return position;
}

int16_t ShortBufferIsSuccess(int16_t status) {
  return status == kStatusBufferTooShort ? kStatusOk : status;
}

// The key the record manager returned becomes the current key value, cut to the length the
// current value had.
void TakeReturnedKey(FileSlot& entry, const std::string& key_buffer) {
  std::string returned = UpToNul(key_buffer);
  if (returned.size() > entry.KeyValue.size()) returned.resize(entry.KeyValue.size());
  entry.KeyValue = std::move(returned);
}

}  // namespace

int16_t FindByKey(int16_t id, int16_t key_number, std::string_view value, int mode) {
  int slot = OpenSlot(id);
  if (slot == 0) return kStatusNotOpen;
  int32_t key_length = 0;
  int32_t record_length = 0;
  KeyAndRecordLength(id, key_number, key_length, record_length);
  if (key_length == 0) return kStatusNoSuchKey;
  FileSlot& entry = OpenFiles().Slots[slot];
  entry.KeyNumber = key_number;
  entry.KeyValue = std::string(value.substr(0, static_cast<size_t>(key_length)));
  entry.KeyValue.resize(static_cast<size_t>(key_length), '\0');
  uint16_t operation = mode == 0  ? kOpGetEqual
                       : mode > 0 ? kOpGetGreaterOrEqual
                                  : kOpGetLessOrEqual;
  return ShortBufferIsSuccess(CallWithLockWait(slot, operation));
}

int16_t MoveRecords(int16_t id, int n) {
  int slot = OpenSlot(id);
  if (slot == 0) return kStatusNotOpen;
  uint16_t operation = n >= 0 ? kOpGetNext : kOpGetPrevious;
  long steps = n >= 0 ? static_cast<long>(n) : -static_cast<long>(n);
  int16_t status = kStatusOk;
  std::string returned_key;
  while (steps > 1 && status == kStatusOk) {
    std::string data;
    std::string key = returned_key;
    uint32_t data_length = kDataBufferSize;
    status = CallForSlot(slot, operation, &data, &data_length, &key,
                         static_cast<uint8_t>(returned_key.size()));
    returned_key = UpToNul(key.substr(0, kKeyBufferSize - 1));
    TakeReturnedKey(OpenFiles().Slots[slot], key);
    status = ShortBufferIsSuccess(status);
    --steps;
  }
  if (steps == 1 && status == kStatusOk) {
    status = ShortBufferIsSuccess(CallWithLockWait(slot, operation));
  }
  return status;
}

uint32_t GetPosition(int16_t id) {
  int slot = OpenSlot(id);
  if (slot == 0) return 0;
  std::string data;
  std::string key;
  uint32_t data_length = kDataBufferSize;
  if (CallForSlot(slot, kOpGetPosition, &data, &data_length, &key, 0) != kStatusOk) return 0;
  return PositionFromBytes(data);
}

int16_t GotoPosition(int16_t id, uint32_t position) {
  int slot = OpenSlot(id);
  if (slot == 0) return kStatusNotOpen;
  std::string data = PositionBytes(position);
  data.resize(kDataBufferSize, ' ');
  std::string key;
  uint32_t data_length = kDataBufferSize;
  int16_t status = CallForSlot(slot, kOpGetDirect, &data, &data_length, &key, 0);
  FileSlot& entry = OpenFiles().Slots[slot];
  TakeReturnedKey(entry, key);
  status = ShortBufferIsSuccess(status);
  if (status == kStatusOk && entry.RecordArea) {
    size_t length = std::min<size_t>(
        {data_length, static_cast<size_t>(std::max<int32_t>(entry.RecordLength, 0))});
    if (entry.RecordArea->size() < length) entry.RecordArea->resize(length, ' ');
    entry.RecordArea->replace(0, length, data, 0, length);
  }
  return status;
}

bool PeekMoveWithinLimit(int16_t id, int n, std::string_view limit) {
  int slot = OpenSlot(id);
  if (slot == 0) return false;
  // The position to come back to waits on the program's string stack as a 4-byte text.
  PushString(PositionBytes(GetPosition(id)));
  uint16_t operation = n >= 0 ? kOpGetNext : kOpGetPrevious;
  long steps = n >= 0 ? static_cast<long>(n) : -static_cast<long>(n);
  int16_t status = kStatusOk;
  std::string key = UpToNul(OpenFiles().Slots[slot].KeyValue);
  while (steps != 0 && status == kStatusOk) {
    std::string data;
    uint32_t data_length = kDataBufferSize;
    uint8_t key_length = static_cast<uint8_t>(std::min(UpToNul(key).size(), kKeyBufferSize - 1));
    status =
        ShortBufferIsSuccess(CallForSlot(slot, operation, &data, &data_length, &key, key_length));
    --steps;
  }
  std::string reached = UpToNul(key.substr(0, kKeyBufferSize - 1)).substr(0, limit.size());
  std::string text = KeyToComparable(reached, id);
  bool within = status == kStatusOk &&
                (n >= 0 ? std::string_view(text) <= limit : std::string_view(text) >= limit);
  uint32_t saved = PositionFromBytes(PopString());
  if (saved == 0) {
    GetPosition(id);
  } else {
    GotoPosition(id, saved);
  }
  return within;
}

std::string CurrentKeyText(int16_t id) {
  int slot = OpenSlot(id);
  if (slot == 0) return std::string();
  return KeyToComparable(OpenFiles().Slots[slot].KeyValue, id);
}

std::string KeyToComparable(std::string value, int16_t id) {
  int slot = OpenSlot(id);
  if (slot == 0) return value;
  const FileStat& stat = OpenFiles().Slots[slot].Stat;
  int key_number = OpenFiles().Slots[slot].KeyNumber;
  if (key_number < 0 || key_number >= static_cast<int>(stat.Keys.size())) return value;
  size_t p = 0;  // start of the segment within the value
  for (const KeySegment& segment : stat.Keys[key_number]) {
    size_t end = p + segment.Length;
    if (segment.Flags & kSegmentBinary) {
      if (value.size() < end) value.resize(end, '\0');
      std::reverse(value.begin() + static_cast<long>(p), value.begin() + static_cast<long>(end));
    } else if ((segment.Flags & kSegmentAlternate) && stat.CollatingTable.size() == 256) {
      for (size_t i = p; i < end && i < value.size(); ++i) {
        value[i] = stat.CollatingTable[static_cast<uint8_t>(value[i])];
      }
    }
    p = end;
  }
  return value;
}

}  // namespace zem
