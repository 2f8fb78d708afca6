#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cursor.h"
#include "file_store.h"
#include "lock_file.h"

// The process-wide table of open files. Each Open makes one entry; the caller's position
// block names it by its index and a serial number, so a stale or garbage block is recognised
// and refused (status 3) instead of being followed.
namespace recman {

struct OpenFile {
  OpenFile() = default;
  // Closes the file; a reader then removes the log files it made when nobody else has the
  // file open.
  ~OpenFile();
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  pid_t owner = 0;  // a child process made by fork() never uses its parent's files
  uint64_t serial = 0;
  std::string path;
  bool read_only = false;
  FileStore store;
  LockFile locks;
  Cursor cursor;
  uint32_t locked_position = 0;  // the record this open holds locked, 0 for none
  uint64_t snapshot_count = 0;   // the change counter when the store's read snapshot began
  StoredRecord found;  // the record a Get by key or position read, kept to reuse its buffers
};

class OpenFiles {
 public:
  // The one table of the process. Calls are serialised through its mutex.
  static OpenFiles& Instance();
  std::mutex& mutex() { return mutex_; }

  // Registers an opened file and writes its position block.
  void Add(std::unique_ptr<OpenFile> file, uint8_t* position_block);
  // The open file a position block names, or nullptr.
  OpenFile* Find(const uint8_t* position_block);
  // Closes the file a position block names and clears the block.
  void Remove(uint8_t* position_block);
  // Closes every file this process opened, taking back its transaction.
  void RemoveAll();

  // The process's transaction (Begin, End and Abort Transaction): 0, 37 when one is already
  // active, 39 when none is, or the status of a failed commit (then everything is taken
  // back).
  int16_t BeginTransaction();
  int16_t EndTransaction(bool commit);
  bool InTransaction();

  // Ends the read snapshot of every file this process has open.
  void EndSnapshots();

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<OpenFile>> files_;
  uint64_t next_serial_ = 0;
  pid_t transaction_owner_ = 0;  // the process whose transaction is active, 0 for none
};

}  // namespace recman
