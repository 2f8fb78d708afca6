#pragma once

#include <termios.h>

#include <string_view>

namespace zem::platform {

// Makes every way out of the program give the terminal back in a usable state: a normal end
// (exit), SIGINT, SIGTERM and SIGHUP (the terminal is restored, then the signal takes its
// usual course) and the faults SIGSEGV, SIGABRT, SIGFPE, SIGBUS and SIGILL (the terminal is
// restored, one line goes to standard error and the process ends with exit code 255). The
// program's main calls it once, early; opening the terminal console calls it too. Calling it
// again does nothing.
void InstallTerminalGuards(const char* program_name = nullptr);

// What restoring the terminal means, set by the terminal console while it has the terminal:
// the terminal settings to put back and the bytes that switch off mouse reporting, reset the
// cursor and colours and leave the alternate screen. Kept in fixed storage so that a signal
// handler can use them (sequences longer than the storage are cut).
void ArmTerminalRestore(const termios& settings, std::string_view sequence);
void DisarmTerminalRestore();
// While another program has the terminal, interrupts typed there are its business: SIGINT
// and SIGQUIT then leave this process alone.
void SetTerminalLent(bool lent);
// Puts the terminal back now, if a console armed the restore; safe inside a signal handler.
void RestoreTerminalNow();

}  // namespace zem::platform
