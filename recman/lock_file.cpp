#include "lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
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
  const std::string path = PathFor(data_path);
  struct stat data {};
  const bool have_data = ::stat(data_path.c_str(), &data) == 0;
  const mode_t mode = have_data ? (data.st_mode & 0666) : 0666;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd_ >= 0) {
    // Made here: the umask plays no part, and root hands it to the data file's owner. Should
    // either fail, the lock file still locks; other accounts may only find it read-only.
    (void)!::fchmod(fd_, mode);
    if (have_data && ::geteuid() == 0) (void)!::fchown(fd_, data.st_uid, data.st_gid);
    writable_ = true;
  } else if (errno == EEXIST) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    writable_ = fd_ >= 0;
    if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
      fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
  } else if (errno == EACCES || errno == EROFS) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    absent_ = fd_ < 0 && errno == ENOENT;
    return fd_ >= 0 || absent_;
  }
  if (fd_ < 0) return false;
  // The file only ever grows, so the mapping never loses its page.
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && (info.st_size >= static_cast<off_t>(sizeof *counter_) ||
                                   (writable_ && ::ftruncate(fd_, sizeof *counter_) == 0))) {
    void* mapped = ::mmap(nullptr, sizeof *counter_, PROT_READ | (writable_ ? PROT_WRITE : 0),
                          MAP_SHARED, fd_, 0);
    if (mapped != MAP_FAILED) counter_ = static_cast<uint64_t*>(mapped);
  }
  return true;
}

void LockFile::Close() {
  if (counter_ != nullptr) ::munmap(counter_, sizeof *counter_);
  counter_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  absent_ = false;
  writable_ = false;
}

uint64_t LockFile::ChangeCount() const {
  return counter_ != nullptr ? __atomic_load_n(counter_, __ATOMIC_ACQUIRE) : 0;
}

void LockFile::NoteChange() {
  if (counter_ != nullptr && writable_) __atomic_fetch_add(counter_, 1, __ATOMIC_ACQ_REL);
}

bool LockFile::SetLock(short type, int64_t start) {
  if (absent_) return true;
  if (fd_ < 0) return false;
  // A read-only lock file takes shared locks only.
  if (type == F_WRLCK && !writable_) type = F_RDLCK;
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
  if (absent_ || fd_ < 0) return false;
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = 1;
  if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

bool LockFile::LockFileLevel(bool exclusive) {
  if (absent_) return true;
  if (fd_ < 0) return false;
  int rc;
  do {
    rc = ::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
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
