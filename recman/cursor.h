#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_definition.h"
#include "file_store.h"

// The current record of an open file and the key path it was reached on.
//
// Get Next and Get Previous read ahead: they fetch a batch of the records that follow along
// the key and serve the following calls from it. A batch is served only while the file's
// version is the one it was read at: the change counter every write through this library
// steps in the lock file (lock_file.h), or, when that is not at hand, SQLite's data version
// together with the store's own write count. So each call sees every change whose call
// finished before it began, from this process or any other; otherwise the batch is read
// again from the current record. Steps follow the stored (key, position) order.
//
// A lookup by key reads ahead too: behind the record it reaches, as many records as the last
// walk from a lookup on this open went on, so that a scan which starts with a lookup (the
// receipts of a unit, say) takes one query, and a lookup of one record reads no more.
namespace recman {

class Cursor {
 public:
  // No current record: Get Next and Get Previous answer 8.
  void Clear();
  // `record` becomes the current record on key path `key`.
  void Establish(const FileDefinition& definition, int key, const StoredRecord& record);
  // The current record is gone (deleted); Get Next / Previous continue from where it stood.
  void Forget() {
    live_ = false;
    DropBatch();
  }
  void DropBatch() { batch_count_ = 0; }

  bool has_record() const { return live_; }
  bool anchored() const { return anchored_; }
  int key() const { return key_; }
  uint32_t position() const { return position_; }

  // The record after (forward) or before the current one along the key path, without moving
  // there: 0, 8 (no current record), 9 (none) or an error status.
  // `now` is the file's current version.
  int16_t Peek(FileStore& store, const StoreVersion& now, bool forward, const StoredRecord** out);
  // Moves onto the record the last Peek returned.
  void Advance(const FileDefinition& definition);

  // The record `seek` reaches on key path `key` from the comparable key `target`, with its
  // read-ahead: 0, 4 (no equal key), 9 (none) or an error status. The cursor stays where it
  // is until TakeFound moves it onto the record, keeping the read-ahead for the walk on.
  int16_t Lookup(FileStore& store, const StoreVersion& now, int key, Seek seek,
                 const std::string& target, const StoredRecord** found);
  void TakeFound(const FileDefinition& definition);

 private:
  bool anchored_ = false;
  bool live_ = false;
  int key_ = 0;
  uint32_t position_ = 0;
  std::string comparable_;

  std::vector<StoredRecord> batch_;  // the first batch_count_ hold the batch; the rest wait
  size_t batch_count_ = 0;           // for reuse
  size_t next_ = 0;
  bool forward_ = true;
  int batch_size_ = 0;
  StoreVersion version_;

  // The last lookup's records, waiting for TakeFound, and the direction they follow.
  std::vector<StoredRecord> found_;
  size_t found_count_ = 0;
  bool found_forward_ = true;
  int found_key_ = 0;
  StoreVersion found_version_;
  int walked_ = 0;  // records stepped onto since the last lookup
};

}  // namespace recman
