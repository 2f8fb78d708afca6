#pragma once

#include <cstdint>

// Operation codes and status codes of the record manager's call interface.
namespace recman {

enum Op : uint16_t {
  kOpOpen = 0,
  kOpClose = 1,
  kOpInsert = 2,
  kOpUpdate = 3,
  kOpDelete = 4,
  kOpGetEqual = 5,
  kOpGetNext = 6,
  kOpGetPrevious = 7,
  kOpGetGreater = 8,
  kOpGetGreaterOrEqual = 9,
  kOpGetLess = 10,
  kOpGetLessOrEqual = 11,
  kOpGetFirst = 12,
  kOpGetLast = 13,
  kOpCreate = 14,
  kOpStat = 15,
  kOpBeginTransaction = 19,
  kOpEndTransaction = 20,
  kOpAbortTransaction = 21,
  kOpGetPosition = 22,
  kOpGetDirect = 23,
  kOpUnlock = 27,
  kOpReset = 28,
};

// Added to a Get: lock the record reached (single record, no wait).
constexpr uint16_t kLockBias = 200;

enum Status : int16_t {
  kOk = 0,
  kInvalidOperation = 1,
  kIoError = 2,
  kFileNotOpen = 3,
  kKeyNotFound = 4,
  kDuplicateKey = 5,
  kInvalidKeyNumber = 6,
  kKeyNotModifiable = 10,
  kInvalidFileName = 11,
  kFileNotFound = 12,
  kDataBufferTooShort = 22,
  kNoCurrentRecord = 8,
  kEndOfFile = 9,
  kInvalidKeyCount = 26,
  kInvalidKeyPosition = 27,
  kInvalidRecordLength = 28,
  kInvalidKeyLength = 29,
  kTransactionActive = 37,
  kTransactionError = 39,
  kInvalidRecordPosition = 43,
  kAccessDenied = 46,
  kFileExists = 59,
  kRecordLocked = 84,
  kFileLocked = 85,
};

// Open modes, passed as the key number of Open.
enum OpenMode : int8_t {
  kModeNormal = 0,
  kModeAccelerated = -1,
  kModeReadOnly = -2,
  kModeVerify = -3,
  kModeExclusive = -4,
};

// The longest record the suite's programs handle (their data buffer).
constexpr int kMaxRecordLength = 1536;
// The longest key value: it must fit the caller's key buffer.
constexpr int kMaxKeyLength = 255;
// The position block the caller keeps for each open file.
constexpr int kPositionBlockSize = 128;

}  // namespace recman
