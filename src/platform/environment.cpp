#include "platform/environment.h"

#include <cstdlib>

namespace zem::platform {

std::string HostVariableName(const std::string& suite_name) {
  return suite_name == "TERM" ? "VAKTERM" : suite_name;
}

std::string HostEnvironment::Get(const std::string& name) const {
  const char* value = std::getenv(HostVariableName(name).c_str());
  return value ? std::string(value) : std::string();
}

}  // namespace zem::platform
