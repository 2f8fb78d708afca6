#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zem::platform {

// An in-memory file system for tests, with the same path rules and answers as the host one
// (tests/platform/file_system_test.cpp holds both to the same cases). Its current directory
// starts at "/".
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();
  bool ReadFile(const std::string& path, std::string* bytes) override;
  bool WriteFile(const std::string& path, std::string_view bytes) override;
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append) override;
  std::unique_ptr<RewrittenFile> OpenRewritten(const std::string& path) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool ChangeDir(const std::string& path) override;
  bool MakeDir(const std::string& path) override;
  std::string HostPath(const std::string& path) override;
  std::unique_ptr<OutputFile> OpenReplacement(const std::string& path) override;

  // Test conveniences: parent directories are created as needed.
  void AddFile(const std::string& path, std::string_view bytes);
  std::string Contents(const std::string& path);
  const std::string& current_dir() const { return cwd_; }
  // Paths of every file, absolute and resolved.
  std::vector<std::string> FileNames() const;
  // Counts of ReadFile calls, by resolved path (tests check that a file is not re-read).
  int ReadCount(const std::string& path);

 private:
  std::string Absolute(const std::string& path) const;
  std::vector<std::string> List(const std::string& dir) const;
  void MakeParents(const std::string& absolute);

  std::map<std::string, std::string> files_;
  std::set<std::string> dirs_;
  std::map<std::string, int> reads_;
  std::string cwd_ = "/";
  friend class MemoryOutputFile;
  friend class MemoryRewritten;
  friend class MemoryReplacement;
};

}  // namespace zem::platform
