#pragma once

#include <sys/wait.h>
#include <unistd.h>

// A child process for tests of two processes on the same files. The child reports through a
// pipe and ends with _exit, so it never runs the parent's test machinery; the parent sequences
// it with go-aheads instead of pauses.
namespace zem::testing {

class Child {
 public:
  // Runs `body` in a child process; it gets a function to report a byte to the parent and one
  // to wait for the parent's go-ahead.
  template <typename Body>
  explicit Child(Body body) {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      auto report = [&](char c) { (void)!::write(up[1], &c, 1); };
      auto await = [&] {
        char c = 0;
        (void)!::read(down[0], &c, 1);
      };
      body(report, await);
      // Stay until the parent lets go, so its go-ahead always finds a reader.
      await();
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    from_child_ = up[0];
    to_child_ = down[1];
  }
  ~Child() { Finish(); }
  bool started() const { return pid_ > 0; }
  char Read() {
    char c = 0;
    return ::read(from_child_, &c, 1) == 1 ? c : 0;
  }
  void Go() {
    const char c = 'g';
    (void)!::write(to_child_, &c, 1);
  }
  // Lets the child end and waits for it.
  void Finish() {
    if (pid_ <= 0) return;
    Go();
    ::close(to_child_);
    ::close(from_child_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int from_child_ = -1;
  int to_child_ = -1;
};

}  // namespace zem::testing
