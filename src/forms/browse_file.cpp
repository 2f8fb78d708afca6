#include "forms/browse_file.h"

#include <algorithm>

#include "platform/services.h"
#include "startup/session.h"

namespace zem {

namespace {

constexpr size_t kHeaderBytes = 10;

void PutNumber(std::string* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint32_t GetNumber(const std::string& bytes, size_t offset, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value * 256 + static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

}  // namespace

std::string BrowseFile::Path() {
  return Session().WorkDir + "Browse.tmp";
}

BrowseFile::BrowseFile(bool empty) {
  const std::string path = Path();
  if (!empty && !platform::Files().ReadFile(path, &bytes_)) bytes_.clear();
  file_ = platform::Files().OpenOutput(path, !empty);
}

BrowseFile::~BrowseFile() {
  if (file_) file_->Close();
  file_.reset();
  if (platform::Files().Exists(Path())) platform::Files().Remove(Path());
}

uint32_t BrowseFile::Append(uint32_t previous, uint32_t record, const std::string& line) {
  const uint32_t position = End();
  std::string entry;
  PutNumber(&entry, previous, 4);
  PutNumber(&entry, record, 4);
  const std::string text = line.substr(0, UINT16_MAX);
  PutNumber(&entry, static_cast<uint32_t>(text.size()), 2);
  entry += text;
  bytes_ += entry;
  if (file_ && !file_->Write(entry)) file_.reset();
  return position;
}

bool BrowseFile::Read(uint32_t position, Entry* entry) const {
  if (position < 1 || position - 1 + kHeaderBytes > bytes_.size()) return false;
  const size_t at = position - 1;
  const size_t length = GetNumber(bytes_, at + 8, 2);
  if (at + kHeaderBytes + length > bytes_.size()) return false;
  entry->Previous = GetNumber(bytes_, at, 4);
  entry->Record = GetNumber(bytes_, at + 4, 4);
  entry->Line = bytes_.substr(at + kHeaderBytes, length);
  entry->Next = static_cast<uint32_t>(at + kHeaderBytes + length + 1);
  return true;
}

}  // namespace zem
