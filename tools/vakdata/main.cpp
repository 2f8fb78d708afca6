// vakdata: builds and inspects the suite's data files for administrators.

#include <iostream>
#include <string>
#include <vector>

#include "platform/services.h"
#include "tools/vakdata/commands.h"

int main(int argc, char** argv) {
  // The host's services with a console that draws nothing; whatever the record manager still
  // holds is closed when they go.
  zem::platform::HostServices services;
  std::vector<std::string> args(argv + 1, argv + argc);
  return zem::vakdata::RunVakdata(args, std::cin, std::cout, std::cerr);
}
