#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zem {

// Statuses the storage layer acts on or adds to the record manager's own.
constexpr int16_t kStatusOk = 0;
constexpr int16_t kStatusNotOpen = 3;
constexpr int16_t kStatusKeyNotFound = 4;
constexpr int16_t kStatusEndOfFile = 9;
constexpr int16_t kStatusInvalidFileName = 11;
constexpr int16_t kStatusFileNotFound = 12;
constexpr int16_t kStatusBufferTooShort = 22;
constexpr int16_t kStatusRecordLocked = 84;
constexpr int16_t kStatusFileLocked = 85;
constexpr int16_t kStatusAlreadyOpen = 1002;  // the id is open already
constexpr int16_t kStatusNoFreeSlot = 1003;   // every slot holds a file
constexpr int16_t kStatusNoSuchKey = 1004;    // the key number is not defined in the file

// Record manager operation codes the program issues.
constexpr uint16_t kOpOpen = 0;
constexpr uint16_t kOpGetEqual = 5;
constexpr uint16_t kOpGetNext = 6;
constexpr uint16_t kOpGetPrevious = 7;
constexpr uint16_t kOpGetGreaterOrEqual = 9;
constexpr uint16_t kOpGetLessOrEqual = 11;
constexpr uint16_t kOpCreate = 14;
constexpr uint16_t kOpStat = 15;
constexpr uint16_t kOpGetPosition = 22;
constexpr uint16_t kOpGetDirect = 23;
constexpr uint16_t kOpReset = 28;
// Added to a read operation when the file's lock mode asks for a single-record no-wait lock.
constexpr uint16_t kLockBias = 200;

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
  int16_t KeyNumber = 0;     // the key positioning operations follow
  std::string KeyValue;      // the current key value
  int16_t LockMode = 0;      // 0 no lock, 1 lock and wait, 2 lock without waiting
};

// The open-file table: entry 0 is reserved for Reset, entries 1 to 40 hold open files. The
// lock-mode stack keeps saved lock modes as byte pairs (slot, lock mode).
struct FileTable {
  std::array<FileSlot, kMaxOpenFiles + 1> Slots;
  std::string LockModeStack;
};

// The one instance, and back to its starting state (tests).
FileTable& OpenFiles();
void ResetFileTable();

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

// Resets the record manager (closes every file). Only on success is the table cleared.
int16_t ResetRecordManager();

// The locked-file message in the session's language.
std::string LockedFileMessage();

// Ends the process with `code`. The default hook calls std::exit; tests install their own to
// observe the end (a hook that returns lets the caller go on, so tests usually throw).
using EndProgramHook = void (*)(int code);
void SetEndProgramHook(EndProgramHook hook);  // nullptr restores the default
void EndProgram(int code);

}  // namespace zem
