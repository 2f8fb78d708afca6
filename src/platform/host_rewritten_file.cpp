#include "platform/host_rewritten_file.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace zem::platform {
namespace {

// A copy into a file mapping faults with SIGBUS when the file lost those bytes under us (cut
// by another process) or the file system cannot back a page (a full copy-on-write disk).
// The copy then returns false instead of ending the program; any other SIGBUS goes on to the
// handler that was there before.
struct CopyGuard {
  sigjmp_buf jump;
  volatile sig_atomic_t active = 0;
};
thread_local CopyGuard t_guard;
struct sigaction g_previous_bus_action;

void OnBusError(int signal_number, siginfo_t* info, void* context) {
  if (t_guard.active) {
    t_guard.active = 0;
    siglongjmp(t_guard.jump, 1);
  }
  const struct sigaction& previous = g_previous_bus_action;
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(signal_number, info, context);
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal_number);
  } else {
    signal(signal_number, SIG_DFL);  // the fault recurs on return and ends the program
  }
}

void InstallCopyGuard() {
  static const bool installed = [] {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    // Not blocked while handled, so that leaving the handler by the jump leaves it unblocked.
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    return sigaction(SIGBUS, &action, &g_previous_bus_action) == 0;
  }();
  (void)installed;
}

bool GuardedCopy(char* to, const char* from, size_t length) {
  if (sigsetjmp(t_guard.jump, 0) != 0) return false;
  t_guard.active = 1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(to, from, length);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_guard.active = 0;
  return true;
}

// Bytes the file already has are copied into a shared mapping: a rewrite of the same length
// or shorter makes no write call. Bytes past the present end are written (so a full disk is
// reported where it happens) and a shorter content cuts the file. A file that cannot be
// mapped, or whose mapping faults, is written with positioned writes alone from then on. The
// file's length is kept here instead of asked for every time.
class HostRewrittenFile : public RewrittenFile {
 public:
  HostRewrittenFile(int fd, uintmax_t size, bool mappable)
      : fd_(fd), size_(size), mappable_(mappable) {}
  ~HostRewrittenFile() override { Close(); }

  bool Rewrite(std::string_view bytes) override {
    if (fd_ < 0) return false;
    size_t done = 0;
    const size_t inside = static_cast<size_t>(std::min<uintmax_t>(bytes.size(), size_));
    if (inside > 0 && Map(inside)) {
      if (GuardedCopy(map_, bytes.data(), inside)) {
        done = inside;
      } else {
        StopMapping();
      }
    }
    while (done < bytes.size()) {
      const ssize_t n =
          ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = EIO;
        size_ = std::max<uintmax_t>(size_, done);
        return Fail();
      }
      done += static_cast<size_t>(n);
    }
    size_ = std::max<uintmax_t>(size_, done);
    if (size_ > done) {
      if (::ftruncate(fd_, static_cast<off_t>(done)) != 0) return Fail();
      size_ = done;
    }
    return true;
  }

  bool Close() override {
    if (fd_ < 0) return true;
    Unmap();
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok || Fail();
  }

  std::string LastError() const override { return error_; }

 private:
  // Maps at least the first `length` bytes; false when the file cannot be mapped.
  bool Map(size_t length) {
    if (length <= mapped_) return true;
    if (!mappable_) return false;
    Unmap();
    size_t want = size_t{1} << 16;
    while (want < length) want *= 2;
    void* map = ::mmap(nullptr, want, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) {
      mappable_ = false;
      return false;
    }
    InstallCopyGuard();
    map_ = static_cast<char*>(map);
    mapped_ = want;
    return true;
  }
  void StopMapping() {
    Unmap();
    mappable_ = false;
  }
  void Unmap() {
    if (map_) ::munmap(map_, mapped_);
    map_ = nullptr;
    mapped_ = 0;
  }
  bool Fail() {
    error_ = errno != 0 ? std::strerror(errno) : "write failed";
    return false;
  }

  int fd_;
  uintmax_t size_;
  bool mappable_;
  char* map_ = nullptr;
  size_t mapped_ = 0;
  std::string error_;
};

}  // namespace

std::unique_ptr<RewrittenFile> MakeHostRewrittenFile(int fd, uintmax_t size, bool mappable) {
  return std::make_unique<HostRewrittenFile>(fd, size, mappable);
}

}  // namespace zem::platform
