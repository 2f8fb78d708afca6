#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "file_definition.h"

// One data file kept in one SQLite database: the file's definition and its fixed-length
// records. Each key has a column holding the record's comparable key (see key_codec.h) and an
// index over it (unique unless the key allows duplicates); an index entry carries the row's
// position, so records with equal keys follow in position order. A record's position is its
// row id, never reused. The database runs in write-ahead-log mode, so readers and one writer
// of other processes work side by side; a write waits for the write lock at most a short
// while and then reports the file as locked. Several writes can be joined in one transaction.
//
// A store opened read-only creates nothing it could not remove: where SQLite cannot make its
// shared-memory file it reads the file as it stands, and the log files it made are removed
// by the caller once nobody else has the file open (RemoveIdleLogFiles).
namespace recman {

struct StoredRecord {
  uint32_t position = 0;
  std::string data;  // exactly the record length
  // Read along a key: the comparable key stored for the record (empty when read by position).
  std::string key;
  // A damaged file: the stored key disagrees with the record's bytes, or the stored position
  // is none a record can have.
  bool damaged = false;
};

// What a cursor compares to know whether records it fetched ahead are still current.
struct StoreVersion {
  int64_t external = -1;  // changes committed by other connections
  uint64_t local = 0;     // changes committed through this store
  bool operator==(const StoreVersion&) const = default;
};

enum class Seek { kEqual, kGreater, kGreaterOrEqual, kLess, kLessOrEqual, kFirst, kLast };

class FileStore {
 public:
  FileStore() = default;
  ~FileStore();
  FileStore(const FileStore&) = delete;
  FileStore& operator=(const FileStore&) = delete;

  // Makes a new data file at `path`. Returns 0, 59 when it exists and `overwrite` is false,
  // or 2 when it cannot be written. The file appears complete or not at all.
  static int16_t Create(const std::string& path, const FileDefinition& definition, bool overwrite);

  // Opens an existing data file. Returns 0, 12 when there is none, 85 when the database is
  // locked beyond the wait, or 2 when it is not one of ours or is damaged.
  int16_t Open(const std::string& path, bool read_only);
  void Close();

  const FileDefinition& definition() const { return definition_; }
  bool read_only() const { return read_only_; }
  // Opened read-only when no log file was there: whatever log files exist after Close are the
  // store's own (or of opens the caller's lock rules out).
  bool may_tidy() const { return read_only_ && !found_log_files_; }

  // Log files beside `path` that the caller cannot write (left by a reader of another
  // account or mode): SQLite would then refuse every write.
  static bool HasUnwritableLogFiles(const std::string& path);
  // Removes the log files of a file nobody has open, unless the log holds changes.
  static void RemoveIdleLogFiles(const std::string& path);

  // One transaction over the following writes: 0, or the status of the failure.
  int16_t BeginTransaction();
  int16_t EndTransaction(bool commit);
  bool in_transaction() const { return in_transaction_; }

  // Asks SQLite for the data version: inside a read snapshot it stays what it was when the
  // snapshot began, so a caller that must learn of other connections' commits asks outside one.
  StoreVersion Version();

  // A read snapshot shared by the following reads: they see the file as it stood at the first
  // of them, without each taking and dropping SQLite's read lock. The caller decides how long
  // it stays valid (the change counter, see record_calls.cpp) and ends it; a write, a
  // transaction and Close end it themselves. An open read snapshot holds back the
  // checkpoints of other connections, so it is not kept over a pause.
  void BeginSnapshot();
  void EndSnapshot();
  bool holds_snapshot() const;

  // The record at `position`: 0, or 43 when there is none.
  int16_t Fetch(uint32_t position, StoredRecord* out);
  // The record reached by `seek` on `key` from the comparable key `target`, and up to `ahead`
  // records that follow it in the seek's direction along the key, into the first *count
  // elements of `out` (see Step): 0, 4 (no equal key) or 9 (nothing in that direction).
  int16_t Find(int key, Seek seek, const std::string& target, int ahead,
               std::vector<StoredRecord>* out, size_t* count);
  // Up to `limit` records following (or preceding) the record with comparable key `current`
  // at `position`, in key order, into the first *count elements of `out` (elements beyond
  // them are kept for reuse, so that reading a batch allocates nothing once they exist).
  // Returns 0 (possibly with none found) or an error status.
  int16_t Step(int key, bool forward, const std::string& current, uint32_t position, int limit,
               std::vector<StoredRecord>* out, size_t* count);

  // Writes take the write lock for the whole change. 5: a key without duplicates already has
  // the value; 10: a key that may not change was changed; 43: no record at `position`.
  int16_t Insert(const uint8_t* record, uint32_t* position);
  int16_t Update(uint32_t position, const uint8_t* record);
  int16_t Delete(uint32_t position);

  // Number of records and, per key, the number of distinct key values.
  int16_t Counts(uint32_t* records, std::vector<uint32_t>* distinct);

 private:
  enum Query {
    kGreaterQ,
    kGreaterOrEqualQ,
    kLessQ,
    kLessOrEqualQ,
    kFirstQ,
    kLastQ,
    kNextSameQ,
    kNextQ,
    kPreviousSameQ,
    kPreviousQ,
    kOtherWithKeyQ,
    kQueryCount
  };
  enum Fixed {
    kBegin,
    kBeginRead,
    kCommit,
    kRollback,
    kSavepoint,
    kRelease,
    kRollbackTo,
    kDataVersion,
    kFetch,
    kInsert,
    kUpdate,
    kDelete,
    kCountsQ,
    kAddCount,
    kFixedCount
  };

  sqlite3_stmt* Statement(int key, Query query);
  sqlite3_stmt* Statement(Fixed which);
  // Prepares `sql` into *slot for repeated use; null (and *slot null) when it fails.
  sqlite3_stmt* PreparePersistent(const std::string& sql, sqlite3_stmt** slot);
  int16_t StatusOf(int rc) const;
  int16_t Run(Fixed which);
  int16_t OpenDatabase(const std::string& path, bool immutable);
  int16_t Begin();
  int16_t Finish(int16_t status);
  // `key` >= 0: the row carries that key's stored column, checked against the record.
  int16_t ReadRow(sqlite3_stmt* statement, int key, StoredRecord* out);
  int16_t OtherWithKey(int key, const std::string& comparable, uint32_t position, bool* found);
  int16_t AddCount(int key, int delta);
  void BindKeys(sqlite3_stmt* statement, const uint8_t* record, int first_parameter);

  sqlite3* db_ = nullptr;
  FileDefinition definition_;
  std::vector<sqlite3_stmt*> key_statements_;
  std::vector<sqlite3_stmt*> fixed_statements_;
  uint64_t local_writes_ = 0;
  bool read_only_ = false;
  bool found_log_files_ = false;
  bool in_transaction_ = false;
  bool snapshot_ = false;   // a read transaction of ours was begun and not yet ended
  std::string comparable_;  // a record's comparable key, reused from call to call
};

}  // namespace recman
