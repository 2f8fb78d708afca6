#include "lock_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace recman {

LockFile::~LockFile() {
  Close();
}

bool LockFile::Open(const std::string& data_path) {
  Close();
  fd_ = ::open(PathFor(data_path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  // The file only ever grows, so the mapping never loses its page.
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && (info.st_size >= static_cast<off_t>(sizeof *counter_) ||
                                   ::ftruncate(fd_, sizeof *counter_) == 0)) {
    void* mapped = ::mmap(nullptr, sizeof *counter_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (mapped != MAP_FAILED) counter_ = static_cast<uint64_t*>(mapped);
  }
  return true;
}

void LockFile::Close() {
  if (counter_ != nullptr) ::munmap(counter_, sizeof *counter_);
  counter_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint64_t LockFile::ChangeCount() const {
  return counter_ != nullptr ? __atomic_load_n(counter_, __ATOMIC_ACQUIRE) : 0;
}

void LockFile::NoteChange() {
  if (counter_ != nullptr) __atomic_fetch_add(counter_, 1, __ATOMIC_ACQ_REL);
}

bool LockFile::SetLock(short type, int64_t start) {
  if (fd_ < 0) return false;
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = 1;
  int rc;
  do {
    rc = ::fcntl(fd_, F_OFD_SETLK, &lock);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

bool LockFile::HeldByOther(short type, int64_t start) {
  if (fd_ < 0) return false;
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = 1;
  if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

bool LockFile::LockFileLevel(bool exclusive) {
  return SetLock(exclusive ? F_WRLCK : F_RDLCK, 0);
}

bool LockFile::FileHeldByOther() {
  return HeldByOther(F_WRLCK, 0);
}

bool LockFile::LockRecord(uint32_t position) {
  return SetLock(F_WRLCK, position);
}

void LockFile::UnlockRecord(uint32_t position) {
  SetLock(F_UNLCK, position);
}

bool LockFile::RecordHeldByOther(uint32_t position) {
  return HeldByOther(F_WRLCK, position);
}

}  // namespace recman
