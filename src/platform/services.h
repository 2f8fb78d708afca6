#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/record_manager.h"

namespace zem::platform {

// Everything outside the program that the program touches. The program reaches the operating
// system, the terminal and the record manager only through these; tests install fakes.
struct Services {
  Environment* env = nullptr;
  Clock* clock = nullptr;
  FileSystem* files = nullptr;
  Console* console = nullptr;
  ProcessRunner* processes = nullptr;
  RecordManager* records = nullptr;
};

// The services in force. Never null members once installed.
Services& Current();
inline Environment& Env() {
  return *Current().env;
}
inline Clock& Time() {
  return *Current().clock;
}
inline FileSystem& Files() {
  return *Current().files;
}
inline Console& Screen() {
  return *Current().console;
}
inline ProcessRunner& Processes() {
  return *Current().processes;
}
inline RecordManager& Records() {
  return *Current().records;
}

// Runs a program and waits for it: the console gives up the terminal for the time of the run
// and repaints everything afterwards. Returns the exit code, or -1 when it could not start.
int RunAndWait(const std::string& program, const std::vector<std::string>& args);

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
