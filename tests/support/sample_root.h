#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zem::testing {

// The whole contents of a file on disk; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A fresh sample installation under the system's temporary directory, made by
// scripts/make_sample.sh from the build's own tools and removed when the object goes.
class SampleRoot {
 public:
  explicit SampleRoot(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    const std::string command = "bash " + std::string(ZEM_SOURCE_DIR) + "/scripts/make_sample.sh " +
                                ZEM_BINARY_DIR + " " + path_.string() + " >/dev/null";
    built_ = std::system(command.c_str()) == 0;
  }
  ~SampleRoot() { std::filesystem::remove_all(path_); }
  SampleRoot(const SampleRoot&) = delete;
  SampleRoot& operator=(const SampleRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Whether make_sample.sh succeeded (it needs vakdata, vakhelp and vakprint built).
  bool built() const { return built_; }

 private:
  std::filesystem::path path_;
  bool built_ = false;
};

}  // namespace zem::testing
