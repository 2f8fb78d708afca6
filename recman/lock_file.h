#pragma once

#include <cstdint>
#include <string>

// Locks shared between processes on a data file, held in a lock file beside it (path +
// ".lck"). Open-file-description locks: each open of a data file is its own lock owner, and
// the kernel drops the locks when the holder closes the file or dies, so a crash never leaves
// a record or a file locked.
//
// The file as a whole is locked with flock() on the lock file: every open holds it shared, an
// exclusive open holds it exclusively. Byte n (n >= 1) stands for the record at position n.
//
// The lock file gets the data file's permissions (and, made by root, its owner), so whoever
// may write the data file may write its lock file. Who may only read it opens the lock file
// read-only: flock() works all the same, a record lock is then a shared one (it still keeps
// writers off the record), and the change counter is only read. Where no lock file exists
// and none can be made, nobody locks the file in any way, and a reader goes without.
//
// The lock file's first 8 bytes also hold a change counter, mapped into memory by every open:
// each write through this library steps it before and after committing, so a reader learns
// whether anything changed since it last looked without asking the database.
namespace recman {

class LockFile {
 public:
  LockFile() = default;
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  static std::string PathFor(const std::string& data_path) { return data_path + ".lck"; }

  // Opens (creating when needed) the lock file of a data file. False when it cannot be opened
  // (not even read-only) although it exists or could be made.
  bool Open(const std::string& data_path);
  // Open and writable: this open may write the data file.
  bool writable() const { return writable_; }
  void Close();

  // Takes the file-level lock, shared or exclusive, without waiting. False when another open
  // holds it in a conflicting way; a refused change of an open's lock leaves it none.
  bool LockFileLevel(bool exclusive);

  // Locks the record at `position` without waiting; false when another open holds it.
  bool LockRecord(uint32_t position);
  void UnlockRecord(uint32_t position);
  // True when another open holds the record at `position`.
  bool RecordHeldByOther(uint32_t position);

  // False when the counter could not be mapped (then readers must ask the database).
  bool has_counter() const { return counter_ != nullptr; }
  uint64_t ChangeCount() const;
  void NoteChange();

 private:
  bool SetLock(short type, int64_t start);
  bool HeldByOther(short type, int64_t start);
  int fd_ = -1;
  bool absent_ = false;  // no lock file, and none can be made
  bool writable_ = false;
  uint64_t* counter_ = nullptr;
};

}  // namespace recman
