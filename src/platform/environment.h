#pragma once

#include <string>

namespace zem::platform {

// Environment variables. An unset variable reads as the empty text.
class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::string Get(const std::string& name) const = 0;
};

// The host's name for one of the suite's session variables. The suite's TERM names the
// terminal's work directory; on Linux TERM always holds the terminal type, so the suite's
// value lives in VAKTERM instead. Every other name is the same on the host.
std::string HostVariableName(const std::string& suite_name);

// The process's real environment, read under the host's names.
class HostEnvironment : public Environment {
 public:
  std::string Get(const std::string& name) const override;
};

}  // namespace zem::platform
