#include "cursor.h"

#include <algorithm>

#include "key_codec.h"
#include "status.h"

namespace recman {
namespace {
// A scan starts with small batches (a lookup followed by a step or two reads little) and
// doubles them while it goes on.
constexpr int kFirstBatch = 4;
constexpr int kLargestBatch = 256;
}  // namespace

namespace {
// Where a walk goes on from: the key stored with the record when it was read along the key,
// so that every step moves past it in the stored order even when the record's bytes disagree
// (a damaged file); its bytes' key otherwise.
void SetStepKey(const FileDefinition& definition, int key, const StoredRecord& record,
                std::string* out) {
  if (!record.key.empty()) {
    *out = record.key;
  } else {
    RecordComparableKey(definition, key, reinterpret_cast<const uint8_t*>(record.data.data()), out);
  }
}
}  // namespace

void Cursor::Clear() {
  anchored_ = false;
  live_ = false;
  position_ = 0;
  comparable_.clear();
  DropBatch();
}

void Cursor::Establish(const FileDefinition& definition, int key, const StoredRecord& record) {
  DropBatch();
  anchored_ = true;
  live_ = true;
  key_ = key;
  position_ = record.position;
  SetStepKey(definition, key, record, &comparable_);
}

int16_t Cursor::Peek(FileStore& store, const StoreVersion& now, bool forward,
                     const StoredRecord** out) {
  if (!anchored_) return kNoCurrentRecord;
  const bool usable = batch_count_ > 0 && forward_ == forward && now == version_;
  if (usable && next_ < batch_count_) {
    *out = &batch_[next_];
    return kOk;
  }
  // Carrying on along a batch that ran out: read a bigger one.
  batch_size_ = usable ? std::min(batch_size_ * 2, kLargestBatch) : kFirstBatch;
  version_ = now;
  forward_ = forward;
  next_ = 0;
  const int16_t status =
      store.Step(key_, forward, comparable_, position_, batch_size_, &batch_, &batch_count_);
  if (status != kOk) {
    batch_count_ = 0;
    return status;
  }
  if (batch_count_ == 0) return kEndOfFile;
  *out = &batch_[0];
  return kOk;
}

void Cursor::Advance(const FileDefinition& definition) {
  const StoredRecord& record = batch_[next_++];
  anchored_ = true;
  live_ = true;
  position_ = record.position;
  SetStepKey(definition, key_, record, &comparable_);
  if (walked_ < kLargestBatch) ++walked_;
}

int16_t Cursor::Lookup(FileStore& store, const StoreVersion& now, int key, Seek seek,
                       const std::string& target, const StoredRecord** found) {
  const int ahead = walked_;
  walked_ = 0;
  found_forward_ = seek != Seek::kLess && seek != Seek::kLessOrEqual && seek != Seek::kLast;
  found_key_ = key;
  found_version_ = now;
  const int16_t status = store.Find(key, seek, target, ahead, &found_, &found_count_);
  if (status != kOk) {
    found_count_ = 0;
    return status;
  }
  *found = &found_[0];
  return kOk;
}

void Cursor::TakeFound(const FileDefinition& definition) {
  if (found_count_ == 0) return;
  Establish(definition, found_key_, found_[0]);
  // The records behind it become the batch a walk on in the same direction is served from.
  batch_.swap(found_);
  batch_count_ = found_count_;
  found_count_ = 0;
  next_ = 1;
  forward_ = found_forward_;
  version_ = found_version_;
  // Should the walk go beyond them, the next batch doubles what was read ahead.
  batch_size_ = std::max(kFirstBatch / 2, static_cast<int>(batch_count_) - 1);
}

}  // namespace recman
