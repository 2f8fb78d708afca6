#include "platform/environment.h"

#include <cstdlib>

namespace zem::platform {

std::string HostEnvironment::Get(const std::string& name) const {
  const char* value = std::getenv(name.c_str());
  return value ? std::string(value) : std::string();
}

}  // namespace zem::platform
