#pragma once

#include <map>
#include <string>

#include "platform/environment.h"

namespace zem::platform {

// A fixed set of variables, for tests.
class MapEnvironment : public Environment {
 public:
  MapEnvironment() = default;
  explicit MapEnvironment(std::map<std::string, std::string> vars) : vars_(std::move(vars)) {}
  std::string Get(const std::string& name) const override {
    auto it = vars_.find(name);
    return it == vars_.end() ? std::string() : it->second;
  }
  void Set(const std::string& name, const std::string& value) { vars_[name] = value; }
  void Unset(const std::string& name) { vars_.erase(name); }

 private:
  std::map<std::string, std::string> vars_;
};

}  // namespace zem::platform
