#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/host_rewritten_file.h"

namespace zem::platform {
namespace {

constexpr size_t kSequentialBuffer = 1 << 16;

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

}  // namespace

std::vector<std::string> SplitHostPath(const std::string& path) {
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

namespace {

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
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail();
    return !failed_;
  }
  bool Close() override {
    if (!file_) return !failed_;
    if (std::fclose(file_) != 0) Fail();
    file_ = nullptr;
    return !failed_;
  }
  std::string LastError() const override { return error_; }

 private:
  void Fail() {
    if (!failed_) error_ = std::strerror(errno);
    failed_ = true;
  }

  std::FILE* file_;
  bool failed_ = false;
  std::string error_;
};

// Writes a temporary file and renames it over the target once all of it is written.
class HostReplacementFile : public OutputFile {
 public:
  HostReplacementFile(std::FILE* file, std::string temporary, std::string target)
      : output_(file), temporary_(std::move(temporary)), target_(std::move(target)) {}
  ~HostReplacementFile() override {
    if (!closed_) {
      output_.Close();
      ::unlink(temporary_.c_str());
    }
  }
  bool Write(std::string_view bytes) override { return output_.Write(bytes); }
  bool Close() override {
    if (closed_) return ok_;
    closed_ = true;
    ok_ = output_.Close();
    if (ok_ && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
      error_ = std::strerror(errno);
      ok_ = false;
    }
    if (!ok_) ::unlink(temporary_.c_str());
    return ok_;
  }
  std::string LastError() const override { return error_.empty() ? output_.LastError() : error_; }

 private:
  HostOutputFile output_;
  std::string temporary_;
  std::string target_;
  std::string error_;
  bool closed_ = false;
  bool ok_ = false;
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
  for (const std::string& part : SplitHostPath(host_path)) {
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

void HostFileSystem::NoteFailure() {
  last_error_ = std::strerror(errno);
}

bool HostFileSystem::ReadFile(const std::string& path, std::string* bytes) {
  const std::string host = HostPath(path);
  // A directory opens as a stream of no bytes; it is not a file that could be read.
  struct stat info {};
  if (::stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    NoteFailure();
    return false;
  }
  std::ifstream in(host, std::ios::binary);
  if (!in) {
    NoteFailure();
    return false;
  }
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
  if (!file) {
    NoteFailure();
    return nullptr;
  }
  // Files written this way are written record by record (the print file has tens of bytes a
  // record): a large buffer makes one system call of many records.
  std::setvbuf(file, nullptr, _IOFBF, kSequentialBuffer);
  return std::make_unique<HostOutputFile>(file);
}

std::unique_ptr<RewrittenFile> HostFileSystem::OpenRewritten(const std::string& path) {
  const std::string host = HostPath(path);
  // Read and write when allowed, so the file can be mapped; a write-only file is written.
  int fd = ::open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  const bool mappable = fd >= 0;
  if (fd < 0 && errno == EACCES) fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) {
    NoteFailure();
    if (fd >= 0) ::close(fd);
    return nullptr;
  }
  return MakeHostRewrittenFile(fd, static_cast<uintmax_t>(info.st_size), mappable);
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

std::unique_ptr<OutputFile> HostFileSystem::OpenReplacement(const std::string& path) {
  const std::string host = HostPath(path);
  struct stat info {};
  const bool exists = ::stat(host.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    NoteFailure();
    return nullptr;
  }
  if (exists && !S_ISREG(info.st_mode)) return OpenOutput(path, false);
  std::string temporary = host + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  std::FILE* file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    NoteFailure();
    if (fd >= 0) {
      ::close(fd);
      ::unlink(temporary.c_str());
    }
    return nullptr;
  }
  // The new file gets the permissions of the one it replaces, or those of a new file.
  mode_t mode = info.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  (void)!::fchmod(fd, mode);
  return std::make_unique<HostReplacementFile>(file, temporary, host);
}

// ---- Text ----

bool TextReader::AtEnd() const {
  return pos_ >= data_.size() || data_[pos_] == 26;
}

std::string TextReader::ReadLine() {
  std::string line;
  ReadLine(&line);
  return line;
}

void TextReader::ReadLine(std::string* line) {
  line->clear();
  if (AtEnd()) return;
  size_t end = data_.find('\r', pos_);
  if (end == std::string::npos) end = data_.size();
  line->assign(data_, pos_, end - pos_);
  pos_ = end;
  if (pos_ < data_.size()) {
    ++pos_;  // the CR
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  }
}

int TextReader::LineNumber() const {
  // The read position only moves forward, so the count goes on from where it last stopped and
  // a whole file costs one pass however often it is asked.
  const size_t end = std::min(pos_, data_.size());
  line_ends_before_ +=
      static_cast<int>(std::count(data_.begin() + static_cast<std::ptrdiff_t>(counted_up_to_),
                                  data_.begin() + static_cast<std::ptrdiff_t>(end), '\r'));
  counted_up_to_ = end;
  return 1 + line_ends_before_;
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
