#pragma once

#include "platform/services.h"
#include "support/fake_clock.h"
#include "support/map_environment.h"
#include "support/memory_file_system.h"
#include "support/recording_process_runner.h"

namespace zem::platform {

// A complete set of fakes for tests, installed for the object's lifetime (the previous services
// come back afterwards): a fixed clock, an empty environment, an in-memory file system, a
// memory console and a recording process runner. `records` stays null unless a test sets it.
class FakeServices {
 public:
  FakeServices();
  ~FakeServices();
  FakeServices(const FakeServices&) = delete;
  FakeServices& operator=(const FakeServices&) = delete;

  MapEnvironment env;
  FakeClock clock;
  MemoryFileSystem files;
  MemoryConsole console;
  RecordingProcessRunner processes;

  // Replaces the record manager (for example with the real one over files on disk).
  void SetRecords(RecordManager* records) { Current().records = records; }

 private:
  Services saved_;
};

}  // namespace zem::platform
