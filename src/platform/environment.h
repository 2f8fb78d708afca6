#pragma once

#include <map>
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

// A fixed set of variables, for tests.
class MapEnvironment : public Environment {
 public:
  MapEnvironment() = default;
  explicit MapEnvironment(std::map<std::string, std::string> vars) : vars_(std::move(vars)) {}
  std::string Get(const std::string& name) const override;
  void Set(const std::string& name, const std::string& value) { vars_[name] = value; }
  void Unset(const std::string& name) { vars_.erase(name); }

 private:
  std::map<std::string, std::string> vars_;
};

}  // namespace zem::platform
