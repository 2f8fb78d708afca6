#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/end_program.h"
#include "recman/status.h"
#include "storage/file_stat.h"

namespace zem {

// Statuses the storage layer acts on, named as the program names them, and those it adds to
// the record manager's own.
constexpr int16_t kStatusOk = recman::kOk;
constexpr int16_t kStatusNotOpen = recman::kFileNotOpen;
constexpr int16_t kStatusKeyNotFound = recman::kKeyNotFound;
constexpr int16_t kStatusEndOfFile = recman::kEndOfFile;
constexpr int16_t kStatusInvalidFileName = recman::kInvalidFileName;
constexpr int16_t kStatusFileNotFound = recman::kFileNotFound;
constexpr int16_t kStatusBufferTooShort = recman::kDataBufferTooShort;
constexpr int16_t kStatusRecordLocked = recman::kRecordLocked;
constexpr int16_t kStatusFileLocked = recman::kFileLocked;
constexpr int16_t kStatusAlreadyOpen = 1002;  // the id is open already
constexpr int16_t kStatusNoFreeSlot = 1003;   // every slot holds a file
constexpr int16_t kStatusNoSuchKey = 1004;    // the key number is not defined in the file

// Record manager operations the program issues, and the bias that asks a read for a
// single-record no-wait lock (when the file's lock mode asks for one).
using recman::kLockBias;
using recman::kOpClose;
using recman::kOpCreate;
using recman::kOpGetDirect;
using recman::kOpGetEqual;
using recman::kOpGetGreaterOrEqual;
using recman::kOpGetLessOrEqual;
using recman::kOpGetNext;
using recman::kOpGetPosition;
using recman::kOpGetPrevious;
using recman::kOpOpen;
using recman::kOpReset;
using recman::kOpStat;

constexpr int kMaxOpenFiles = 40;
constexpr size_t kPositionBlockSize = 129;
constexpr size_t kDataBufferSize = 1536;
constexpr size_t kKeyBufferSize = 256;

// One entry of the open-file table.
struct FileSlot {
  int16_t Id = 0;  // the caller's file id; 0 = free
  std::array<uint8_t, kPositionBlockSize> PositionBlock{};
  // The caller's record area, bound at open. Records read are copied there; it is kept at
  // least RecordLength bytes long.
  std::string* RecordArea = nullptr;
  int32_t RecordLength = 0;  // fixed record length reported by Stat at open
  // The Stat answer at open: a file's record length and keys stay what they are while it is
  // open (nobody can replace an open file), so key handling asks for them only once.
  FileStat Stat;
  int16_t KeyNumber = 0;  // the key positioning operations follow
  std::string KeyValue;   // the current key value
  int16_t LockMode = 0;   // 0 no lock, 1 lock and wait, 2 lock without waiting
};

// The open-file table: entry 0 is reserved for Reset, entries 1 to 40 hold open files. The
// lock-mode stack keeps saved lock modes as byte pairs (slot, lock mode).
struct FileTable {
  std::array<FileSlot, kMaxOpenFiles + 1> Slots;
  std::string LockModeStack;
  // The data and key buffers of the record-area calls, kept between calls so that a call
  // allocates nothing.
  std::string CallData;
  std::string CallKey;
  // CallData holds blanks from this offset on (the record manager never places more than it
  // was offered); only the bytes before it need filling for the next call.
  size_t CallDataUsed = 0;
  int LastFound = 0;  // the slot FindFileSlot found last (0: none)
};

// The one instance, and back to its starting state (tests).
FileTable& OpenFiles();
void ResetFileTable();

// The record area bound to an open file id; empty when the id is not open.
const std::string& RecordArea(int16_t id);

// The slot whose id is `id`; otherwise minus the highest free slot; 0 when none is free.
int FindFileSlot(int16_t id);

// Applies lock-mode flags to an open file: "D" mode 0, "A" mode 1, "B" mode 2, "+" saves the
// current mode, "-" restores the last saved mode of this file. Returns 3 when not open.
int16_t SetLockMode(int16_t id, std::string_view flags);

// The operation code as sent for a slot: biased by 200 for the lockable reads when the
// slot's lock mode is not 0.
uint16_t BiasedOperation(int slot, uint16_t operation);

// Calls the record manager for a slot with its position block. `data` and `key` are resized
// to the full buffer sizes before the call; `data_length` goes in and comes back as the
// number of bytes placed (never more than the buffer holds).
int16_t CallForSlot(int slot, uint16_t operation, std::string* data, uint32_t* data_length,
                    std::string* key, uint8_t key_length);

// The read that returns a record into the caller's area, with the wait on locked records of
// lock mode 1 (random pause, message after the first conflict). `operation` comes back as
// sent (biased when the lock mode asks for it).
int16_t CallWithLockWait(int slot, uint16_t& operation);

// Closes every open file and frees its slot.
void CloseAllFiles();

// Resets the record manager (closes every file). Only on success is the table cleared.
int16_t ResetRecordManager();

// The locked-file message in the session's language.
std::string LockedFileMessage();

}  // namespace zem
