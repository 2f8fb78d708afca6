#include <algorithm>
#include <cstring>

#include "call_args.h"
#include "key_codec.h"
#include "status.h"

namespace recman {
namespace {

bool ValidKey(const OpenFile& file, int key) {
  return key >= 0 && key < static_cast<int>(file.store.definition().keys.size());
}

// With the lock bias, the record reached is locked for this open, and the record it held
// before is released. 84 when another open holds it; then nothing moves.
int16_t TakeLock(const CallArgs& call, OpenFile& file, uint32_t position) {
  if (!call.lock) return kOk;
  if (!file.locks.LockRecord(position)) return kRecordLocked;
  if (file.locked_position != 0 && file.locked_position != position) {
    file.locks.UnlockRecord(file.locked_position);
  }
  file.locked_position = position;
  return kOk;
}

// Hands the record reached to the caller: the record (as much as fits; 22 when it does not
// all fit) and the key value of the cursor's key path.
int16_t Deliver(const CallArgs& call, const OpenFile& file, int key, const StoredRecord& record) {
  const FileDefinition& definition = file.store.definition();
  const uint32_t length = static_cast<uint32_t>(definition.record_length);
  const uint32_t copied = std::min(call.Capacity(), length);
  if (copied > 0) std::memcpy(call.data, record.data.data(), copied);
  call.SetDataLength(copied);
  if (call.key != nullptr) {
    CopyKeyValue(definition, key, reinterpret_cast<const uint8_t*>(record.data.data()), call.key);
  }
  return copied < length ? kDataBufferTooShort : kOk;
}

// Hands the record a lookup or Get Direct reached to the caller; `move_onto` makes it the
// current record, also when it is damaged (the walk goes on past a record whose key cannot be
// trusted; it is not handed out). When it is locked elsewhere nothing moves.
template <typename MoveOnto>
int16_t ReachRecord(const CallArgs& call, OpenFile& file, int key, const StoredRecord& record,
                    MoveOnto move_onto) {
  if (record.damaged) {
    move_onto();
    return kIoError;
  }
  const int16_t status = TakeLock(call, file, record.position);
  if (status != kOk) return status;
  const int16_t delivered = Deliver(call, file, key, record);
  move_onto();
  return delivered;
}

// The version a read-ahead is checked against.
StoreVersion CurrentVersion(OpenFile& file) {
  if (!file.locks.has_counter()) return file.store.Version();
  StoreVersion version;
  version.external = static_cast<int64_t>(file.locks.ChangeCount());
  return version;
}

// Runs a write, announcing it to every reader before and after it commits. Inside the
// process's transaction the file's part of it starts with its first write.
template <typename Write>
int16_t AnnouncedWrite(OpenFile& file, Write write) {
  if (OpenFiles::Instance().InTransaction() && !file.store.in_transaction()) {
    const int16_t status = file.store.BeginTransaction();
    if (status != kOk) return status;
  }
  file.locks.NoteChange();
  const int16_t status = write();
  file.locks.NoteChange();
  return status;
}

bool WritableCall(const CallArgs& call, const OpenFile& file, int16_t* status) {
  if (file.read_only) {
    *status = kAccessDenied;
  } else if (call.data == nullptr || call.data_length == nullptr ||
             *call.data_length != static_cast<uint32_t>(file.store.definition().record_length)) {
    // Records have the file's fixed length, no more and no less.
    *status = kDataBufferTooShort;
  } else {
    return true;
  }
  return false;
}

}  // namespace

// Every write through this library steps the counter before and after it commits, and the
// counter is read before the snapshot's first read: a snapshot begun at counter value c holds
// every change whose call had finished when c was read, and any later change moves the
// counter, so the next call begins a new snapshot. A call thus sees every change whose call
// finished before it began, as without the snapshot. Without a counter there is no telling
// (SQLite's data version does not move inside a read transaction): each read stands alone.
void PrepareRead(OpenFile& file) {
  if (!file.locks.has_counter() || file.store.in_transaction()) return;
  const uint64_t now = file.locks.ChangeCount();
  if (file.store.holds_snapshot() && now == file.snapshot_count) return;
  file.store.EndSnapshot();
  file.snapshot_count = now;
  file.store.BeginSnapshot();
}

std::string CallArgs::Path() const {
  if (key == nullptr) return {};
  const size_t limit = key_length != 0 ? key_length : kMaxKeyLength;
  return std::string(reinterpret_cast<const char*>(key),
                     strnlen(reinterpret_cast<const char*>(key), limit));
}

std::string CallArgs::SearchKey(int length) const {
  std::string value;
  if (key != nullptr) {
    value.assign(reinterpret_cast<const char*>(key), std::min<int>(key_length, length));
  }
  value.resize(length, '\0');
  return value;
}

int16_t GetByKey(const CallArgs& call, OpenFile& file) {
  if (!ValidKey(file, call.key_number)) return kInvalidKeyNumber;
  const FileDefinition& definition = file.store.definition();
  const int key = call.key_number;
  Seek seek = Seek::kEqual;
  switch (call.operation) {
    case kOpGetGreater:
      seek = Seek::kGreater;
      break;
    case kOpGetGreaterOrEqual:
      seek = Seek::kGreaterOrEqual;
      break;
    case kOpGetLess:
      seek = Seek::kLess;
      break;
    case kOpGetLessOrEqual:
      seek = Seek::kLessOrEqual;
      break;
    case kOpGetFirst:
      seek = Seek::kFirst;
      break;
    case kOpGetLast:
      seek = Seek::kLast;
      break;
    default:
      break;
  }
  std::string target;
  if (seek != Seek::kFirst && seek != Seek::kLast) {
    target = ComparableKey(definition, key, call.SearchKey(definition.keys[key].length));
  }
  const StoredRecord* found = nullptr;
  const int16_t status =
      file.cursor.Lookup(file.store, CurrentVersion(file), key, seek, target, &found);
  if (status == kKeyNotFound || status == kEndOfFile) file.cursor.Clear();
  if (status != kOk) return status;
  return ReachRecord(call, file, key, *found, [&] { file.cursor.TakeFound(definition); });
}

int16_t GetNextOrPrevious(const CallArgs& call, OpenFile& file) {
  const StoredRecord* record = nullptr;
  const bool forward = call.operation == kOpGetNext;
  int16_t status = file.cursor.Peek(file.store, CurrentVersion(file), forward, &record);
  if (status != kOk) return status;
  if (record->damaged) {
    file.cursor.Advance(file.store.definition());
    return kIoError;
  }
  status = TakeLock(call, file, record->position);
  if (status != kOk) return status;
  const int key = file.cursor.key();
  const int16_t delivered = Deliver(call, file, key, *record);
  file.cursor.Advance(file.store.definition());
  return delivered;
}

int16_t GetPosition(const CallArgs& call, OpenFile& file) {
  if (!file.cursor.has_record()) return kNoCurrentRecord;
  if (call.Capacity() < 4) return kDataBufferTooShort;
  WriteU32(call.data, file.cursor.position());
  call.SetDataLength(4);
  return kOk;
}

int16_t GetDirect(const CallArgs& call, OpenFile& file) {
  if (call.Capacity() < 4) return kDataBufferTooShort;
  if (!ValidKey(file, call.key_number)) return kInvalidKeyNumber;
  const uint32_t position = ReadU32(call.data);
  if (position == 0) return kInvalidRecordPosition;
  const int16_t status = file.store.Fetch(position, &file.found);
  if (status != kOk) return status;
  return ReachRecord(call, file, call.key_number, file.found, [&] {
    file.cursor.Establish(file.store.definition(), call.key_number, file.found);
  });
}

int16_t InsertRecord(const CallArgs& call, OpenFile& file) {
  int16_t status = kOk;
  if (!WritableCall(call, file, &status)) return status;
  if (!ValidKey(file, call.key_number)) return kInvalidKeyNumber;
  StoredRecord record;
  record.data.assign(reinterpret_cast<const char*>(call.data), *call.data_length);
  status = AnnouncedWrite(file, [&] { return file.store.Insert(call.data, &record.position); });
  if (status != kOk) return status;
  // The new record becomes the current one on the key path given.
  file.cursor.Establish(file.store.definition(), call.key_number, record);
  if (call.key != nullptr) {
    const std::string value = KeyValue(file.store.definition(), call.key_number, call.data);
    std::memcpy(call.key, value.data(), value.size());
  }
  return kOk;
}

int16_t UpdateRecord(const CallArgs& call, OpenFile& file) {
  int16_t status = kOk;
  if (!WritableCall(call, file, &status)) return status;
  if (!file.cursor.has_record()) return kNoCurrentRecord;
  const uint32_t position = file.cursor.position();
  if (file.locks.RecordHeldByOther(position)) return kRecordLocked;
  status = AnnouncedWrite(file, [&] { return file.store.Update(position, call.data); });
  if (status != kOk) return status;
  StoredRecord record;
  record.position = position;
  record.data.assign(reinterpret_cast<const char*>(call.data), *call.data_length);
  file.cursor.Establish(file.store.definition(), file.cursor.key(), record);
  return kOk;
}

int16_t DeleteRecord(OpenFile& file) {
  if (file.read_only) return kAccessDenied;
  if (!file.cursor.has_record()) return kNoCurrentRecord;
  const uint32_t position = file.cursor.position();
  if (file.locks.RecordHeldByOther(position)) return kRecordLocked;
  const int16_t status = AnnouncedWrite(file, [&] { return file.store.Delete(position); });
  if (status != kOk) return status;
  file.cursor.Forget();
  return kOk;
}

int16_t UnlockRecord(OpenFile& file) {
  if (file.locked_position != 0) file.locks.UnlockRecord(file.locked_position);
  file.locked_position = 0;
  return kOk;
}

}  // namespace recman
