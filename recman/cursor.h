#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_definition.h"
#include "file_store.h"

// The current record of an open file and the key path it was reached on.
//
// Get Next and Get Previous read ahead: they fetch a batch of the records that follow along
// the key and serve the following calls from it. A batch is served only while nothing has
// been committed to the file since it was read (by this process or any other: SQLite's data
// version and this store's own write count are both unchanged), so every call sees the
// records as they stand when it is made; otherwise the batch is read again from the current
// record.
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
  void DropBatch() { batch_.clear(); }

  bool has_record() const { return live_; }
  bool anchored() const { return anchored_; }
  int key() const { return key_; }
  uint32_t position() const { return position_; }

  // The record after (forward) or before the current one along the key path, without moving
  // there: 0, 8 (no current record), 9 (none) or an error status.
  int16_t Peek(FileStore& store, bool forward, const StoredRecord** out);
  // Moves onto the record the last Peek returned.
  void Advance(const FileDefinition& definition);

 private:
  bool anchored_ = false;
  bool live_ = false;
  int key_ = 0;
  uint32_t position_ = 0;
  std::string comparable_;

  std::vector<StoredRecord> batch_;
  size_t next_ = 0;
  bool forward_ = true;
  int batch_size_ = 0;
  StoreVersion version_;
};

}  // namespace recman
