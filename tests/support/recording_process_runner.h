#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace zem::platform {

// Records the programs it is asked to run, for tests.
class RecordingProcessRunner : public ProcessRunner {
 public:
  struct Call {
    std::string program;
    std::vector<std::string> args;
  };
  int Run(const std::string& program, const std::vector<std::string>& args) override {
    calls.push_back({program, args});
    return exit_code;
  }
  std::vector<Call> calls;
  int exit_code = 0;
};

}  // namespace zem::platform
