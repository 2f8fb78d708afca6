#include "btrcall.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "call_args.h"
#include "file_definition.h"
#include "status.h"

namespace recman {
namespace {

bool IsRead(uint16_t operation) {
  return (operation >= kOpGetEqual && operation <= kOpGetLast) || operation == kOpGetDirect ||
         operation == kOpStat;
}

bool IsLockableGet(uint16_t operation) {
  return (operation >= kOpGetEqual && operation <= kOpGetLast) || operation == kOpGetDirect ||
         operation == kOpGetPosition;
}

int16_t OpenCall(const CallArgs& call) {
  if (call.position_block == nullptr) return kFileNotOpen;
  const std::string path = call.Path();
  if (path.empty()) return kInvalidFileName;
  const int8_t mode = call.key_number;
  if (mode != kModeNormal && mode != kModeAccelerated && mode != kModeReadOnly &&
      mode != kModeVerify && mode != kModeExclusive) {
    return kInvalidOperation;
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return kFileNotFound;
  if (!S_ISREG(info.st_mode)) return kInvalidFileName;

  auto file = std::make_unique<OpenFile>();
  file->path = path;
  if (!file->locks.Open(path)) return kIoError;
  // Who may not write the data file or its lock file reads it.
  file->read_only =
      mode == kModeReadOnly || !file->locks.writable() || ::access(path.c_str(), W_OK) != 0;
  if (!file->locks.LockFileLevel(mode == kModeExclusive)) return kFileLocked;
  // Log files a reader of another account left that we may not write would refuse every
  // write: with nobody else on the file and nothing in the log, they are removed.
  if (!file->read_only && FileStore::HasUnwritableLogFiles(path)) {
    if (file->locks.LockFileLevel(true)) FileStore::RemoveIdleLogFiles(path);
    // Whether the exclusive lock came or not, the open's own one is taken again.
    if (!file->locks.LockFileLevel(mode == kModeExclusive)) return kFileLocked;
  }
  const int16_t status = file->store.Open(path, file->read_only);
  if (status != kOk) return status;
  OpenFiles::Instance().Add(std::move(file), call.position_block);
  return kOk;
}

int16_t CreateCall(const CallArgs& call) {
  const std::string path = call.Path();
  if (path.empty()) return kInvalidFileName;
  FileDefinition definition;
  const int16_t status = ParseCreationBlock(call.data, call.Capacity(), &definition);
  if (status != kOk) return status;
  const bool overwrite = call.key_number != -1;
  if (!overwrite) return FileStore::Create(path, definition, false);
  // Replacing a file: nobody may have it open meanwhile.
  LockFile guard;
  if (!guard.Open(path)) return kIoError;
  if (!guard.LockFileLevel(true)) return kFileLocked;
  return FileStore::Create(path, definition, true);
}

int16_t StatCall(const CallArgs& call, OpenFile& file) {
  uint32_t records = 0;
  std::vector<uint32_t> distinct;
  const int16_t status = file.store.Counts(&records, &distinct);
  if (status != kOk) return status;
  const std::vector<uint8_t> block = StatBlock(file.store.definition(), records, distinct);
  const uint32_t copied = std::min<uint32_t>(call.Capacity(), block.size());
  if (copied > 0) std::memcpy(call.data, block.data(), copied);
  call.SetDataLength(copied);
  return copied < block.size() ? kDataBufferTooShort : kOk;
}

int16_t FileCall(const CallArgs& call, OpenFile& file) {
  // Anything but stepping along the key path ends a read-ahead.
  if (call.operation != kOpGetNext && call.operation != kOpGetPrevious) {
    file.cursor.DropBatch();
  }
  if (IsRead(call.operation)) PrepareRead(file);
  switch (call.operation) {
    case kOpClose:
      OpenFiles::Instance().Remove(call.position_block);
      return kOk;
    case kOpInsert:
      return InsertRecord(call, file);
    case kOpUpdate:
      return UpdateRecord(call, file);
    case kOpDelete:
      return DeleteRecord(file);
    case kOpGetEqual:
    case kOpGetGreater:
    case kOpGetGreaterOrEqual:
    case kOpGetLess:
    case kOpGetLessOrEqual:
    case kOpGetFirst:
    case kOpGetLast:
      return GetByKey(call, file);
    case kOpGetNext:
    case kOpGetPrevious:
      return GetNextOrPrevious(call, file);
    case kOpStat:
      return StatCall(call, file);
    case kOpGetPosition:
      return GetPosition(call, file);
    case kOpGetDirect:
      return GetDirect(call, file);
    case kOpUnlock:
      return UnlockRecord(file);
    default:
      return kInvalidOperation;
  }
}

int16_t Dispatch(CallArgs& call) {
  if (call.operation >= kLockBias && IsLockableGet(call.operation - kLockBias)) {
    call.operation -= kLockBias;
    // A position is not a record: it has nothing to lock.
    call.lock = call.operation != kOpGetPosition;
  }
  switch (call.operation) {
    case kOpOpen:
      return OpenCall(call);
    case kOpCreate:
      return CreateCall(call);
    case kOpReset:
      OpenFiles::Instance().RemoveAll();
      return kOk;
    case kOpBeginTransaction:
      return OpenFiles::Instance().BeginTransaction();
    case kOpEndTransaction:
      return OpenFiles::Instance().EndTransaction(true);
    case kOpAbortTransaction:
      return OpenFiles::Instance().EndTransaction(false);
    default:
      break;
  }
  OpenFile* file = OpenFiles::Instance().Find(call.position_block);
  if (file == nullptr) return kFileNotOpen;
  return FileCall(call, *file);
}

}  // namespace

void EndReadSnapshots() {
  std::lock_guard<std::mutex> guard(OpenFiles::Instance().mutex());
  OpenFiles::Instance().EndSnapshots();
}

}  // namespace recman

extern "C" int16_t BTRCALL(uint16_t operation, void* position_block, void* data_buffer,
                           uint32_t* data_length, void* key_buffer, uint8_t key_length,
                           int8_t key_number) {
  recman::CallArgs call;
  call.operation = operation;
  call.position_block = static_cast<uint8_t*>(position_block);
  call.data = static_cast<uint8_t*>(data_buffer);
  call.data_length = data_length;
  call.key = static_cast<uint8_t*>(key_buffer);
  call.key_length = key_length;
  call.key_number = key_number;
  std::lock_guard<std::mutex> guard(recman::OpenFiles::Instance().mutex());
  return recman::Dispatch(call);
}
