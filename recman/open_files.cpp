#include "open_files.h"

#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "file_definition.h"
#include "status.h"

namespace recman {
namespace {
// Position block: magic (4 bytes), table index (4), serial (8).
constexpr uint8_t kMagic[4] = {'R', 'M', 'p', 'b'};
constexpr size_t kIndexOffset = 4;
constexpr size_t kSerialOffset = 8;
constexpr size_t kUsedBytes = 16;

// The process id, kept at hand: every call checks it, and asking the kernel each time costs
// more than the rest of a read-ahead Get Next.
pid_t cached_pid = 0;

void RefreshPid() {
  cached_pid = ::getpid();
}

pid_t Self() {
  static const bool registered = [] {
    RefreshPid();
    ::pthread_atfork(nullptr, nullptr, RefreshPid);
    return true;
  }();
  (void)registered;
  return cached_pid;
}

uint64_t ReadU64(const uint8_t* p) {
  return static_cast<uint64_t>(ReadU32(p)) | (static_cast<uint64_t>(ReadU32(p + 4)) << 32);
}
}  // namespace

OpenFile::~OpenFile() {
  const bool tidy = store.may_tidy();
  store.Close();
  // Holding the file exclusively proves that no other open uses the log files.
  if (tidy && locks.LockFileLevel(true)) FileStore::RemoveIdleLogFiles(path);
}

OpenFiles& OpenFiles::Instance() {
  // Never destroyed: at exit (or in a forked child) no destructor closes files behind the
  // caller's back.
  static OpenFiles* table = [] {
    auto* t = new OpenFiles;
    // Serials start at a value unlikely to be found in a block the caller did not get from us.
    t->next_serial_ =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 40);
    return t;
  }();
  return *table;
}

void OpenFiles::Add(std::unique_ptr<OpenFile> file, uint8_t* position_block) {
  file->owner = Self();
  file->serial = ++next_serial_;
  size_t index = 0;
  while (index < files_.size() && files_[index] != nullptr) ++index;
  if (index == files_.size()) files_.emplace_back();
  const uint64_t serial = file->serial;
  files_[index] = std::move(file);
  std::memset(position_block, 0, kUsedBytes);
  std::memcpy(position_block, kMagic, sizeof kMagic);
  WriteU32(position_block + kIndexOffset, static_cast<uint32_t>(index));
  WriteU32(position_block + kSerialOffset, static_cast<uint32_t>(serial));
  WriteU32(position_block + kSerialOffset + 4, static_cast<uint32_t>(serial >> 32));
}

OpenFile* OpenFiles::Find(const uint8_t* position_block) {
  if (position_block == nullptr || std::memcmp(position_block, kMagic, sizeof kMagic) != 0) {
    return nullptr;
  }
  const uint32_t index = ReadU32(position_block + kIndexOffset);
  if (index >= files_.size() || files_[index] == nullptr) return nullptr;
  OpenFile* file = files_[index].get();
  if (file->serial != ReadU64(position_block + kSerialOffset)) return nullptr;
  if (file->owner != Self()) return nullptr;
  return file;
}

void OpenFiles::Remove(uint8_t* position_block) {
  if (Find(position_block) == nullptr) return;
  files_[ReadU32(position_block + kIndexOffset)].reset();
  std::memset(position_block, 0, kUsedBytes);
}

void OpenFiles::RemoveAll() {
  const pid_t self = Self();
  if (transaction_owner_ == self) transaction_owner_ = 0;
  for (auto& file : files_) {
    if (file != nullptr && file->owner == self) file.reset();
  }
}

bool OpenFiles::InTransaction() {
  return transaction_owner_ != 0 && transaction_owner_ == Self();
}

void OpenFiles::EndSnapshots() {
  const pid_t self = Self();
  for (auto& file : files_) {
    if (file != nullptr && file->owner == self) file->store.EndSnapshot();
  }
}

int16_t OpenFiles::BeginTransaction() {
  if (InTransaction()) return kTransactionActive;
  transaction_owner_ = Self();
  return kOk;
}

int16_t OpenFiles::EndTransaction(bool commit) {
  if (!InTransaction()) return kTransactionError;
  transaction_owner_ = 0;
  int16_t status = kOk;
  for (auto& file : files_) {
    if (file == nullptr || file->owner != Self() || !file->store.in_transaction()) continue;
    // After a failed commit the files still to come are taken back.
    const int16_t ended = file->store.EndTransaction(commit && status == kOk);
    if (status == kOk) status = ended;
    file->cursor.DropBatch();
    file->locks.NoteChange();
  }
  return status;
}

}  // namespace recman
