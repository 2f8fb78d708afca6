#include "platform/services.h"

#include "recman/btrcall.h"
#include "recman/status.h"

namespace zem::platform {

Services& Current() {
  static Services services;
  return services;
}

int RunAndWait(const std::string& program, const std::vector<std::string>& args) {
  // The program waits for the other one: the record manager lets go of its read snapshots.
  recman::EndReadSnapshots();
  Console* console = Current().console;
  if (console) console->Suspend();
  int code = Processes().Run(program, args);
  if (console) console->Resume();
  return code;
}

HostServices::HostServices(Console* console) : saved_(Current()) {
  Current() =
      Services{&env, &clock, &files, console ? console : &headless_console, &processes, &records};
}

HostServices::~HostServices() {
  // Closes every file the record manager still holds for this process.
  uint8_t block[recman::kPositionBlockSize] = {};
  char none[1] = {};
  uint32_t length = 0;
  records.Call(recman::kOpReset, block, none, &length, none, 0, 0);
  Current() = saved_;
}

}  // namespace zem::platform
