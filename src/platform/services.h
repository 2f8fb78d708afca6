#pragma once

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

// The real services, installed for the object's lifetime (the previous services come back
// afterwards): the process's environment, the system clock, the host file system, the process
// runner and the record manager library over that file system. The console is the one given,
// or a memory console that draws nothing (tools, benchmarks, headless runs). Tests of the
// whole program may replace single members afterwards through Current(). Whatever files the
// record manager still holds are closed when the object goes.
// The test counterpart, FakeServices, lives with the test support (support/fake_services.h).
class HostServices {
 public:
  explicit HostServices(Console* console = nullptr);
  ~HostServices();
  HostServices(const HostServices&) = delete;
  HostServices& operator=(const HostServices&) = delete;

  HostEnvironment env;
  HostClock clock;
  HostFileSystem files;
  MemoryConsole headless_console;
  HostProcessRunner processes;
  LibraryRecordManager records{&files};

 private:
  Services saved_;
};

}  // namespace zem::platform
