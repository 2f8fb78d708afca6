#include "platform/files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace zem::platform {
namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::vector<std::string> ListHostDir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* handle = opendir(dir.empty() ? "." : dir.c_str());
  if (!handle) return names;
  while (dirent* entry = readdir(handle)) names.emplace_back(entry->d_name);
  closedir(handle);
  return names;
}

class HostOutputFile : public OutputFile {
 public:
  explicit HostOutputFile(std::FILE* file) : file_(file) {}
  ~HostOutputFile() override { Close(); }
  bool Write(std::string_view bytes) override {
    if (!file_) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
    return !failed_;
  }
  bool Close() override {
    if (!file_) return !failed_;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
  }

 private:
  std::FILE* file_;
  bool failed_ = false;
};

}  // namespace

std::string SuiteToHostSyntax(std::string_view suite_path) {
  std::string_view rest = suite_path;
  std::string out;
  if (rest.size() >= 2 && rest[1] == ':' &&
      ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
    // "C:" alone or "C:NAME" is relative to the drive's root on this host.
    rest.remove_prefix(2);
    out = "/";
  }
  // Separators become "/", and a run of them one: a directory written "/TMP/" that gets the
  // suite's "\" appended still names "/TMP/".
  for (char c : rest) {
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  return out;
}

std::string ResolveCaseInsensitive(
    const std::string& host_path,
    const std::function<std::vector<std::string>(const std::string&)>& list_dir) {
  if (host_path.empty()) return host_path;
  const bool absolute = host_path[0] == '/';
  const bool trailing_slash = host_path.size() > 1 && host_path.back() == '/';
  std::string resolved = absolute ? "/" : "";
  bool parent_exists = true;
  for (const std::string& part : SplitComponents(host_path)) {
    std::string chosen = part;
    if (parent_exists && part != "." && part != "..") {
      bool exact = false;
      std::string candidate;
      for (const std::string& name : list_dir(resolved)) {
        if (name == part) {
          exact = true;
          break;
        }
        if (candidate.empty() && EqualsIgnoringCase(name, part)) candidate = name;
      }
      if (!exact && !candidate.empty()) chosen = candidate;
      if (!exact && candidate.empty()) parent_exists = false;
    }
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    resolved += chosen;
  }
  if (trailing_slash && !resolved.empty() && resolved.back() != '/') resolved += '/';
  if (resolved.empty()) resolved = absolute ? "/" : ".";
  return resolved;
}

// ---- Host ----

std::string HostFileSystem::HostPath(const std::string& path) {
  std::string host = SuiteToHostSyntax(path);
  // A path that exists as written needs no directory listings (the common case, and the one
  // every letter of a run takes several times).
  struct stat info {};
  if (!host.empty() && ::stat(host.c_str(), &info) == 0) return host;
  return ResolveCaseInsensitive(host, ListHostDir);
}

bool HostFileSystem::ReadFile(const std::string& path, std::string* bytes) {
  std::ifstream in(HostPath(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *bytes = buffer.str();
  return !in.bad();
}

bool HostFileSystem::WriteFile(const std::string& path, std::string_view bytes) {
  auto out = OpenOutput(path, false);
  if (!out) return false;
  bool ok = out->Write(bytes);
  return out->Close() && ok;
}

std::unique_ptr<OutputFile> HostFileSystem::OpenOutput(const std::string& path, bool append) {
  std::FILE* file = std::fopen(HostPath(path).c_str(), append ? "ab" : "wb");
  if (!file) return nullptr;
  return std::make_unique<HostOutputFile>(file);
}

bool HostFileSystem::Exists(const std::string& path) {
  struct stat info {};
  return ::stat(HostPath(path).c_str(), &info) == 0;
}

bool HostFileSystem::IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(HostPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HostFileSystem::Remove(const std::string& path) {
  return std::remove(HostPath(path).c_str()) == 0;
}

bool HostFileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(HostPath(from).c_str(), HostPath(to).c_str()) == 0;
}

bool HostFileSystem::ChangeDir(const std::string& path) {
  return ::chdir(HostPath(path).c_str()) == 0;
}

bool HostFileSystem::MakeDir(const std::string& path) {
  return ::mkdir(HostPath(path).c_str(), 0777) == 0;
}

// ---- Memory ----

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
  for (const std::string& part : SplitComponents(host)) {
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
  return ResolveCaseInsensitive(Absolute(path),
                                [this](const std::string& dir) { return List(dir); });
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

bool MemoryFileSystem::Exists(const std::string& path) {
  std::string resolved = HostPath(path);
  return files_.count(resolved) || dirs_.count(resolved);
}

bool MemoryFileSystem::IsDirectory(const std::string& path) {
  return dirs_.count(HostPath(path)) > 0;
}

bool MemoryFileSystem::Remove(const std::string& path) {
  return files_.erase(HostPath(path)) > 0;
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

// ---- Text ----

bool TextReader::AtEnd() const {
  return pos_ >= data_.size() || data_[pos_] == 26;
}

std::string TextReader::ReadLine() {
  if (AtEnd()) return {};
  size_t end = data_.find('\r', pos_);
  if (end == std::string::npos) end = data_.size();
  std::string line = data_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < data_.size()) {
    ++pos_;  // the CR
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  }
  return line;
}

int TextReader::LineNumber() const {
  size_t end = std::min(pos_, data_.size());
  return 1 + static_cast<int>(std::count(data_.begin(), data_.begin() + end, '\r'));
}

void TextReader::SkipBlanks() {
  while (pos_ < data_.size() && data_[pos_] == ' ') ++pos_;
}

void TextReader::ConsumeSeparator() {
  if (AtFileEnd(pos_)) return;
  if (data_[pos_] == ',') {
    ++pos_;
  } else if (data_[pos_] == '\r') {
    ++pos_;
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  }
}

TextReader::Item TextReader::ReadTextItem(std::string* item) {
  item->clear();
  SkipBlanks();
  if (AtFileEnd(pos_)) {
    pos_ = data_.size();
    return Item::kEnd;
  }
  if (data_[pos_] == '"') {
    ++pos_;
    size_t close = pos_;
    while (!AtFileEnd(close) && data_[close] != '"') ++close;
    item->assign(data_, pos_, close - pos_);
    if (AtFileEnd(close)) {
      pos_ = data_.size();
      return Item::kUnclosedQuote;
    }
    pos_ = close + 1;
    while (!AtFileEnd(pos_) && data_[pos_] != ',' && data_[pos_] != '\r') ++pos_;
  } else {
    while (!AtFileEnd(pos_) && data_[pos_] != ',' && data_[pos_] != '\r') {
      char c = data_[pos_++];
      if (c != '\t' && c != '\n') item->push_back(c);
    }
  }
  ConsumeSeparator();
  return Item::kRead;
}

TextReader::Item TextReader::ReadNumberItem(int32_t* value) {
  *value = 0;
  auto blank = [this](size_t p) {
    return p < data_.size() && (data_[p] == ' ' || data_[p] == '\t' || data_[p] == '\n');
  };
  while (blank(pos_)) ++pos_;
  if (AtFileEnd(pos_)) {
    pos_ = data_.size();
    return Item::kEnd;
  }
  size_t start = pos_;
  while (!AtFileEnd(pos_) && !blank(pos_) && data_[pos_] != ',' && data_[pos_] != '\r') ++pos_;
  std::string_view text(data_.data() + start, pos_ - start);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    number = std::min<int64_t>(number * 10 + (text[i] - '0'), int64_t{1} << 31);
  }
  if (negative) number = -number;
  *value = static_cast<int32_t>(std::clamp<int64_t>(number, INT32_MIN, INT32_MAX));
  while (blank(pos_)) ++pos_;
  ConsumeSeparator();
  return Item::kRead;
}

bool TextReader::SkipCommentLines() {
  while (!AtEnd()) {
    size_t p = pos_;
    while (p < data_.size() && data_[p] == ' ') ++p;
    if (p >= data_.size() || data_[p] != '\'') return true;
    ReadLine();
  }
  return false;
}

}  // namespace zem::platform
