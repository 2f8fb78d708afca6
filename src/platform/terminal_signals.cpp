#include "platform/terminal_signals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace zem::platform {
namespace {

// Everything the handlers touch lives in plain static storage.
struct RestoreState {
  termios settings{};
  char sequence[512] = {};
  size_t length = 0;
  volatile sig_atomic_t armed = 0;
  volatile sig_atomic_t lent = 0;
  char program[64] = "program";
  bool installed = false;
};

RestoreState& State() {
  static RestoreState state;
  return state;
}

// An alternate stack, so that a stack overflow can still be reported.
alignas(16) char fault_stack[64 * 1024];

void WriteAll(int fd, const char* bytes, size_t length) {
  while (length > 0) {
    ssize_t written = write(fd, bytes, length);
    if (written <= 0) return;
    bytes += written;
    length -= static_cast<size_t>(written);
  }
}

void WriteText(int fd, const char* text) {
  WriteAll(fd, text, std::strlen(text));
}

const char* FaultName(int signal_number) {
  switch (signal_number) {
    case SIGSEGV:
      return "invalid memory access";
    case SIGBUS:
      return "bus error";
    case SIGFPE:
      return "arithmetic fault";
    case SIGABRT:
      return "aborted";
    case SIGILL:
      return "illegal instruction";
    default:
      return "fault";
  }
}

void OnStopSignal(int signal_number) {
  RestoreState& state = State();
  if (state.lent && (signal_number == SIGINT || signal_number == SIGQUIT)) return;
  if (!state.lent) RestoreTerminalNow();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void OnFault(int signal_number) {
  RestoreTerminalNow();
  RestoreState& state = State();
  char number[4] = {static_cast<char>('0' + signal_number / 10 % 10),
                    static_cast<char>('0' + signal_number % 10), 0, 0};
  WriteText(STDERR_FILENO, state.program);
  WriteText(STDERR_FILENO, ": unrecoverable fault (signal ");
  WriteText(STDERR_FILENO, signal_number >= 10 ? number : number + 1);
  WriteText(STDERR_FILENO, ", ");
  WriteText(STDERR_FILENO, FaultName(signal_number));
  WriteText(STDERR_FILENO, ")\n");
  _exit(255);
}

void RestoreAtExit() {
  RestoreTerminalNow();
}

void Handle(int signal_number, void (*handler)(int), bool on_fault_stack) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = on_fault_stack ? SA_ONSTACK : 0;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

void InstallTerminalGuards(const char* program_name) {
  RestoreState& state = State();
  if (program_name && *program_name) {
    const char* base = std::strrchr(program_name, '/');
    base = base ? base + 1 : program_name;
    std::strncpy(state.program, base, sizeof state.program - 1);
    state.program[sizeof state.program - 1] = 0;
  }
  if (state.installed) return;
  state.installed = true;

  stack_t stack;
  std::memset(&stack, 0, sizeof stack);
  stack.ss_sp = fault_stack;
  stack.ss_size = sizeof fault_stack;
  sigaltstack(&stack, nullptr);

  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) Handle(s, OnStopSignal, false);
  for (int s : {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL}) Handle(s, OnFault, true);
  std::atexit(RestoreAtExit);
}

void ArmTerminalRestore(const termios& settings, std::string_view sequence) {
  RestoreState& state = State();
  state.armed = 0;
  state.settings = settings;
  state.length = sequence.size() < sizeof state.sequence ? sequence.size() : sizeof state.sequence;
  std::memcpy(state.sequence, sequence.data(), state.length);
  state.lent = 0;
  state.armed = 1;
}

void DisarmTerminalRestore() {
  State().armed = 0;
  State().lent = 0;
}

void SetTerminalLent(bool lent) {
  State().lent = lent ? 1 : 0;
}

void RestoreTerminalNow() {
  RestoreState& state = State();
  if (!state.armed) return;
  state.armed = 0;
  if (!state.lent) WriteAll(STDOUT_FILENO, state.sequence, state.length);
  tcsetattr(STDIN_FILENO, TCSANOW, &state.settings);
}

}  // namespace zem::platform
