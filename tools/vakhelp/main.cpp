// vakhelp: builds a text help file ("AJUDA\<topic>.HLP") from its readable source.
//   vakhelp <source.txt> <topic.HLP>

#include <iostream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tools/vakhelp/help_source.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: vakhelp <source.txt> <topic.HLP>\n";
    return 1;
  }
  zem::platform::HostFileSystem files;
  std::string source;
  if (!files.ReadFile(argv[1], &source)) {
    std::cerr << "vakhelp: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string help;
  std::vector<std::string> errors;
  if (!zem::vakhelp::BuildHelpFile(source, &help, &errors)) {
    for (const std::string& error : errors) std::cerr << argv[1] << ": " << error << "\n";
    return 2;
  }
  if (!files.WriteFile(argv[2], help)) {
    std::cerr << "vakhelp: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
