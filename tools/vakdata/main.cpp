// vakdata: builds and inspects the suite's data files for administrators.

#include <iostream>
#include <string>
#include <vector>

#include "platform/services.h"
#include "tools/vakdata/commands.h"

int main(int argc, char** argv) {
  using namespace zem::platform;
  HostEnvironment env;
  HostClock clock;
  HostFileSystem files;
  HostProcessRunner processes;
  MemoryConsole console;  // the tool draws nothing
  LibraryRecordManager records(&files);
  Services& services = Current();
  services.env = &env;
  services.clock = &clock;
  services.files = &files;
  services.console = &console;
  services.processes = &processes;
  services.records = &records;
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = zem::vakdata::RunVakdata(args, std::cin, std::cout, std::cerr);
  // Closes whatever the record manager still holds.
  uint32_t length = 0;
  char block[129] = {};
  char none[1] = {};
  records.Call(28, block, none, &length, none, 0, 0);
  return code;
}
