#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace zem::testing {

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/zem-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace zem::testing
