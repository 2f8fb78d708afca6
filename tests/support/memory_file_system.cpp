#include "support/memory_file_system.h"

namespace zem::platform {

class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Write(std::string_view bytes) override {
    if (closed_) return false;
    fs_->files_[path_].append(bytes);
    return true;
  }
  bool Close() override {
    closed_ = true;
    return true;
  }

 private:
  MemoryFileSystem* fs_;
  std::string path_;
  bool closed_ = false;
};

// Writes over the file from its first byte; Close cuts off what was beyond the last write.
class MemoryRewritten : public RewrittenFile {
 public:
  MemoryRewritten(MemoryFileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  bool Rewrite(std::string_view bytes) override {
    if (closed_) return false;
    fs_->files_[path_].assign(bytes);
    return true;
  }
  bool Close() override {
    closed_ = true;
    return true;
  }

 private:
  MemoryFileSystem* fs_;
  std::string path_;
  bool closed_ = false;
};

MemoryFileSystem::MemoryFileSystem() {
  dirs_.insert("/");
}

std::vector<std::string> MemoryFileSystem::List(const std::string& dir) const {
  std::string prefix = dir.empty() ? cwd_ : dir;
  if (prefix.back() != '/') prefix += '/';
  std::vector<std::string> names;
  auto collect = [&](const std::string& full) {
    if (full.size() > prefix.size() && full.compare(0, prefix.size(), prefix) == 0 &&
        full.find('/', prefix.size()) == std::string::npos) {
      names.push_back(full.substr(prefix.size()));
    }
  };
  for (const auto& [name, contents] : files_) collect(name);
  for (const auto& name : dirs_) collect(name);
  return names;
}

std::string MemoryFileSystem::Absolute(const std::string& path) const {
  std::string host = SuiteToHostSyntax(path);
  if (host.empty() || host[0] != '/') host = cwd_ + (cwd_.back() == '/' ? "" : "/") + host;
  // Fold "." and ".." so that every file has one name.
  std::vector<std::string> parts;
  for (const std::string& part : SplitHostPath(host)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::string MemoryFileSystem::HostPath(const std::string& path) {
  std::string absolute = Absolute(path);
  // A path that exists as written needs no listings, as on the host.
  if (files_.count(absolute) || dirs_.count(absolute)) return absolute;
  return ResolveCaseInsensitive(absolute, [this](const std::string& dir) { return List(dir); });
}

void MemoryFileSystem::MakeParents(const std::string& absolute) {
  for (size_t slash = absolute.find('/', 1); slash != std::string::npos;
       slash = absolute.find('/', slash + 1)) {
    dirs_.insert(absolute.substr(0, slash));
  }
}

bool MemoryFileSystem::ReadFile(const std::string& path, std::string* bytes) {
  std::string resolved = HostPath(path);
  ++reads_[resolved];
  auto it = files_.find(resolved);
  if (it == files_.end()) return false;
  *bytes = it->second;
  return true;
}

bool MemoryFileSystem::WriteFile(const std::string& path, std::string_view bytes) {
  auto out = OpenOutput(path, false);
  if (!out) return false;
  return out->Write(bytes) && out->Close();
}

std::unique_ptr<OutputFile> MemoryFileSystem::OpenOutput(const std::string& path, bool append) {
  std::string resolved = HostPath(path);
  std::string parent = resolved.substr(0, resolved.rfind('/'));
  if (!parent.empty() && !dirs_.count(parent)) return nullptr;
  if (dirs_.count(resolved)) return nullptr;
  if (!append || !files_.count(resolved)) files_[resolved].clear();
  return std::make_unique<MemoryOutputFile>(this, resolved);
}

std::unique_ptr<RewrittenFile> MemoryFileSystem::OpenRewritten(const std::string& path) {
  std::string resolved = HostPath(path);
  std::string parent = resolved.substr(0, resolved.rfind('/'));
  if ((!parent.empty() && !dirs_.count(parent)) || dirs_.count(resolved)) return nullptr;
  files_[resolved];
  return std::make_unique<MemoryRewritten>(this, resolved);
}

bool MemoryFileSystem::Exists(const std::string& path) {
  std::string resolved = HostPath(path);
  return files_.count(resolved) || dirs_.count(resolved);
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
  return dirs_.count(HostPath(path)) > 0;
}

bool MemoryFileSystem::Remove(const std::string& path) {
  const std::string resolved = HostPath(path);
  if (files_.erase(resolved) > 0) return true;
  // A directory goes only when it is empty, as on the host.
  if (resolved == "/" || !dirs_.count(resolved) || !List(resolved).empty()) return false;
  dirs_.erase(resolved);
  return true;
}

// Writes through OpenOutput to a temporary file and moves it over the target on Close.
class MemoryReplacement : public OutputFile {
 public:
  MemoryReplacement(MemoryFileSystem* files, std::unique_ptr<OutputFile> output,
                    std::string temporary, std::string target)
      : files_(files),
        output_(std::move(output)),
        temporary_(std::move(temporary)),
        target_(std::move(target)) {}
  ~MemoryReplacement() override {
    if (!closed_) {
      output_->Close();
      files_->files_.erase(temporary_);
    }
  }
  bool Write(std::string_view bytes) override { return output_->Write(bytes); }
  bool Close() override {
    if (closed_) return ok_;
    closed_ = true;
    ok_ = output_->Close();
    if (ok_) files_->files_[target_] = files_->files_[temporary_];
    files_->files_.erase(temporary_);
    return ok_;
  }

 private:
  MemoryFileSystem* files_;
  std::unique_ptr<OutputFile> output_;
  std::string temporary_;
  std::string target_;
  bool closed_ = false;
  bool ok_ = false;
};

std::unique_ptr<OutputFile> MemoryFileSystem::OpenReplacement(const std::string& path) {
  const std::string target = HostPath(path);
  if (dirs_.count(target)) return nullptr;
  const std::string temporary = target + ".new";
  auto output = OpenOutput(temporary, false);
  if (!output) return nullptr;
  return std::make_unique<MemoryReplacement>(this, std::move(output), temporary, target);
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  auto file = files_.find(HostPath(from));
  if (file == files_.end()) return false;
  std::string bytes = std::move(file->second);
  files_.erase(file);
  files_[HostPath(to)] = std::move(bytes);
  return true;
}

bool MemoryFileSystem::ChangeDir(const std::string& path) {
  std::string resolved = HostPath(path);
  if (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  if (!dirs_.count(resolved)) return false;
  cwd_ = resolved;
  return true;
}

bool MemoryFileSystem::MakeDir(const std::string& path) {
  std::string resolved = HostPath(path);
  if (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  std::string parent = resolved.substr(0, resolved.rfind('/'));
  if (dirs_.count(resolved) || files_.count(resolved)) return false;
  if (!parent.empty() && !dirs_.count(parent)) return false;
  dirs_.insert(resolved);
  return true;
}

void MemoryFileSystem::AddFile(const std::string& path, std::string_view bytes) {
  std::string absolute = Absolute(path);
  MakeParents(absolute);
  files_[HostPath(path)] = std::string(bytes);
}

std::string MemoryFileSystem::Contents(const std::string& path) {
  auto it = files_.find(HostPath(path));
  return it == files_.end() ? std::string() : it->second;
}

std::vector<std::string> MemoryFileSystem::FileNames() const {
  std::vector<std::string> names;
  for (const auto& [name, contents] : files_) names.push_back(name);
  return names;
}

int MemoryFileSystem::ReadCount(const std::string& path) {
  auto it = reads_.find(HostPath(path));
  return it == reads_.end() ? 0 : it->second;
}

}  // namespace zem::platform
