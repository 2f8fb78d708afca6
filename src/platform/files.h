#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zem::platform {

// Suite paths are written with "\" and may start with a drive ("C:"). On the host "\" becomes
// "/" and a drive letter is dropped, so "C:\VAK\DADES" names "/VAK/DADES". A path component
// that does not exist in its exact case is matched case-insensitively against the directory's
// entries (see FileSystem::HostPath).
std::string SuiteToHostSyntax(std::string_view suite_path);

// The non-empty components of a host-syntax path ("/a//b/" gives "a", "b").
std::vector<std::string> SplitHostPath(const std::string& path);

// Resolves every component of a host-syntax path: a component that does not exist as written
// is replaced by an entry of its directory that matches it case-insensitively (ASCII letters).
// Components that match nothing are kept as written, so new files keep the caller's spelling.
// `list_dir` lists a directory's entry names; an empty list when it does not exist.
std::string ResolveCaseInsensitive(
    const std::string& host_path,
    const std::function<std::vector<std::string>(const std::string&)>& list_dir);

// A file being written sequentially (print file, merge data file, exports).
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool Write(std::string_view bytes) = 0;
  // Flushes and closes; false when anything failed to reach the file.
  virtual bool Close() = 0;
  // The system's words for the first failure, or empty.
  virtual std::string LastError() const { return std::string(); }
};

// A file kept open to be rewritten whole many times (the merge data file of a letter run).
class RewrittenFile {
 public:
  virtual ~RewrittenFile() = default;
  // Writes `bytes` from the file's first byte, then cuts the file to their length: the file
  // holds exactly `bytes` afterwards and never passes through empty, which on some file
  // systems forces a flush to disk. Nothing is buffered, so a reader sees them on return.
  // False when they did not all reach the file.
  virtual bool Rewrite(std::string_view bytes) = 0;
  // Closes; false when closing failed.
  virtual bool Close() = 0;
  // The system's words for the last failure, or empty.
  virtual std::string LastError() const { return std::string(); }
};

// Files and directories. Every path argument is a suite path (or a plain host path, which maps
// to itself); relative paths are relative to the current directory.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Reads a whole file; false when it cannot be opened.
  virtual bool ReadFile(const std::string& path, std::string* bytes) = 0;
  // Creates or truncates a file and writes all of `bytes`.
  virtual bool WriteFile(const std::string& path, std::string_view bytes) = 0;
  // Opens a file for sequential writing: truncated, or appended to when `append` is true.
  // Null when it cannot be opened.
  virtual std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append) = 0;
  // Opens a file to be rewritten whole while it stays open (see RewrittenFile), its bytes left
  // as they are until the first Rewrite. Created when missing; null when it cannot be opened.
  virtual std::unique_ptr<RewrittenFile> OpenRewritten(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Moves a file to another name in the same directory, replacing a file of that name in one
  // step (a reader sees the old file or the new one, never a part).
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool ChangeDir(const std::string& path) = 0;
  virtual bool MakeDir(const std::string& path) = 0;
  // The host path a suite path resolves to (case-insensitive lookup applied).
  virtual std::string HostPath(const std::string& path) = 0;
  // Opens a file that replaces `path` only once it is closed with everything written: the
  // bytes go to a temporary file beside it, which a successful Close renames into place; a
  // failed or abandoned one is removed and `path` stays as it was. A path that names a device
  // or a pipe is written directly. Null when it cannot be opened.
  virtual std::unique_ptr<OutputFile> OpenReplacement(const std::string& path) = 0;
  // The system's words for the last failure of ReadFile, OpenOutput, OpenRewritten or
  // OpenReplacement.
  virtual std::string LastError() const { return std::string(); }
};

// The real file system.
class HostFileSystem : public FileSystem {
 public:
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
  std::string LastError() const override { return last_error_; }

 private:
  // Keeps the system's words for the failure that just happened.
  void NoteFailure();
  std::string last_error_;
};

// Reads text the suite's way: a CR ends a line and an LF right after it belongs to the line
// end; a lone LF stays inside the line; a byte 26 where a line would start ends the file.
class TextReader {
 public:
  explicit TextReader(std::string bytes) : data_(std::move(bytes)) {}
  bool AtEnd() const;
  // The next line without its line end; empty at the end.
  std::string ReadLine();
  // The same, into `line` (its room reused).
  void ReadLine(std::string* line);
  // Bytes not read yet.
  size_t Remaining() const { return data_.size() - pos_; }
  // The line the next byte stands on, counted from 1 (for messages).
  int LineNumber() const;

  // Items, as the screen form file and the message catalogue hold them. Items are separated by
  // commas or line ends; blanks before an item are skipped. A quoted item runs to the next
  // double quote (commas and line ends included, the quotes not) and whatever follows the
  // closing quote up to the comma or line end is ignored. An unquoted item runs up to the next
  // comma or CR, keeps its trailing blanks and drops tab and LF bytes. The comma or CR LF that
  // closes an item is consumed. A byte 26 ends the item and the text.
  enum class Item {
    kRead,          // an item was read
    kEnd,           // the text ended before the item began
    kUnclosedQuote  // a quoted item ran to the end of the text; what was read is kept
  };
  Item ReadTextItem(std::string* item);
  // A number item: an optionally signed decimal number up to a comma, blank or line end, with
  // the blanks around it skipped and one comma or line end after it consumed. A number that
  // cannot be read is 0; one beyond the 32-bit range is cut to it.
  Item ReadNumberItem(int32_t* value);
  // Skips the lines whose first non-blank character is "'"; the first other line is left to
  // be read. False when the text ends.
  bool SkipCommentLines();

 private:
  bool AtFileEnd(size_t pos) const { return pos >= data_.size() || data_[pos] == 26; }
  void SkipBlanks();
  // Consumes one comma or one line end (CR with the LF after it) at the read position.
  void ConsumeSeparator();

  std::string data_;
  size_t pos_ = 0;
  // How far LineNumber has counted line ends, and how many it found.
  mutable size_t counted_up_to_ = 0;
  mutable int line_ends_before_ = 0;
};

}  // namespace zem::platform
