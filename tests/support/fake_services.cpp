#include "support/fake_services.h"

namespace zem::platform {

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
