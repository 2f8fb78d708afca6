// The reminder-letter program: no arguments; everything comes from the session the suite's
// menu prepared (environment and configuration files). Exit code 0 at the normal end, 255 on
// a fault that makes running impossible.
#include <cstdio>
#include <string>

#include "platform/cp850.h"
#include "platform/services.h"
#include "platform/terminal_console.h"
#include "platform/terminal_signals.h"
#include "program/main_sequence.h"

int main(int, char** argv) {
  zem::platform::InstallTerminalGuards(argv[0]);
  std::string error;
  auto console = zem::platform::TerminalConsole::Open(&error);
  if (!console) {
    std::fprintf(stderr, "zembralo: %s\n", error.c_str());
    return 255;
  }
  int code = 0;
  {
    zem::platform::HostServices services(console.get());
    code = zem::RunProgram();
  }
  console.reset();  // the terminal is the operator's again
  const std::string& fatal = zem::Program().FatalMessage;
  if (!fatal.empty()) {
    std::fprintf(stderr, "zembralo: %s\n", zem::platform::Cp850ToUtf8(fatal).c_str());
  }
  return code;
}
