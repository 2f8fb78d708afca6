#pragma once

#include <string>
#include <vector>

namespace zem::platform {

// Runs another program and waits for it to end.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Runs `program` (a host path) directly, without a shell, with `args`; returns its exit
  // code, or -1 when it could not be started.
  virtual int Run(const std::string& program, const std::vector<std::string>& args) = 0;
};

class HostProcessRunner : public ProcessRunner {
 public:
  int Run(const std::string& program, const std::vector<std::string>& args) override;
};

}  // namespace zem::platform
