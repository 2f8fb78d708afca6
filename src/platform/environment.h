#pragma once

#include <string>

namespace zem::platform {

// Environment variables. An unset variable reads as the empty text.
class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::string Get(const std::string& name) const = 0;
};

// The process's real environment.
class HostEnvironment : public Environment {
 public:
  std::string Get(const std::string& name) const override;
};

}  // namespace zem::platform
