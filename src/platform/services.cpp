#include "platform/services.h"

namespace zem::platform {

Services& Current() {
  static Services services;
  return services;
}

int RunAndWait(const std::string& program, const std::vector<std::string>& args) {
  Console* console = Current().console;
  if (console) console->Suspend();
  int code = Processes().Run(program, args);
  if (console) console->Resume();
  return code;
}

FakeServices::FakeServices() : saved_(Current()) {
  Services& s = Current();
  s.env = &env;
  s.clock = &clock;
  s.files = &files;
  s.console = &console;
  s.processes = &processes;
  s.records = nullptr;
}

FakeServices::~FakeServices() {
  Current() = saved_;
}

}  // namespace zem::platform
