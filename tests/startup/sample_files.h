#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/cp850.h"

namespace zem::testing {

inline std::string ReadSourceFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A readable file under sample/ as scripts/make_sample.sh installs it: code page 850, CR LF.
inline std::string InstalledSample(const std::string& relative) {
  const std::string text =
      platform::Utf8ToCp850(ReadSourceFile(std::filesystem::path(ZEM_SOURCE_DIR) / relative));
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace zem::testing
