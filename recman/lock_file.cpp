#include "lock_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace recman {

LockFile::~LockFile() {
  Close();
}

bool LockFile::Open(const std::string& data_path) {
  Close();
  fd_ = ::open(PathFor(data_path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

void LockFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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
