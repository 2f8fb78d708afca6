#include "tools/vakdata/data_file.h"

#include <map>

#include "platform/services.h"
#include "recman/status.h"

namespace zem::vakdata {
namespace {
constexpr size_t kBuffer = 1536;
constexpr size_t kKeyBuffer = 256;
}  // namespace

int16_t DataFile::Call(uint16_t operation, std::string* data, uint32_t length, std::string* key,
                       uint8_t key_length, int8_t key_number) {
  data->resize(kBuffer, ' ');
  key->resize(kKeyBuffer, '\0');
  uint32_t data_length = length;
  int16_t status = platform::Records().Call(operation, position_block_.data(), data->data(),
                                            &data_length, key->data(), key_length, key_number);
  data->resize(std::min<size_t>(data_length, kBuffer));
  return status;
}

int16_t DataFile::Create(const std::string& path, const std::string& block) {
  std::string data = block.substr(0, kBuffer);
  std::string key = path;
  return Call(recman::kOpCreate, &data, kBuffer, &key,
              static_cast<uint8_t>(std::min<size_t>(path.size(), 255)), -1);
}

int16_t DataFile::Open(const std::string& path) {
  std::string data;
  std::string key = path;
  int16_t status = Call(recman::kOpOpen, &data, 0, &key,
                        static_cast<uint8_t>(std::min<size_t>(path.size(), 255)), 0);
  open_ = status == 0;
  return status;
}

void DataFile::Close() {
  if (!open_) return;
  std::string data, key;
  Call(recman::kOpClose, &data, 0, &key, 0, 0);
  open_ = false;
}

int16_t DataFile::Stat(std::string* data) {
  std::string key(255, ' ');
  int16_t status = Call(recman::kOpStat, data, kBuffer, &key, 255, 0);
  data->resize(kBuffer, '\0');
  return status;
}

int16_t DataFile::Insert(const std::string& record) {
  std::string data = record;
  std::string key;
  return Call(recman::kOpInsert, &data, static_cast<uint32_t>(record.size()), &key, 255, 0);
}

int16_t DataFile::Read(uint16_t operation, std::string* record) {
  std::string key;
  return Call(operation, record, kBuffer, &key, 255, 0);
}

int16_t DataFile::First(std::string* record) {
  return Read(recman::kOpGetFirst, record);
}
int16_t DataFile::Next(std::string* record) {
  return Read(recman::kOpGetNext, record);
}

uint32_t DataFile::Position() {
  std::string data, key;
  if (Call(recman::kOpGetPosition, &data, kBuffer, &key, 0, 0) != 0 || data.size() < 4) return 0;
  uint32_t position = 0;
  for (int i = 3; i >= 0; --i) position = (position << 8) | static_cast<uint8_t>(data[i]);
  return position;
}

int16_t DataFile::BeginTransaction() {
  std::string data, key;
  return Call(recman::kOpBeginTransaction, &data, 0, &key, 0, 0);
}

int16_t DataFile::EndTransaction() {
  std::string data, key;
  return Call(recman::kOpEndTransaction, &data, 0, &key, 0, 0);
}

int16_t DataFile::AbortTransaction() {
  std::string data, key;
  return Call(recman::kOpAbortTransaction, &data, 0, &key, 0, 0);
}

std::string StatusText(int16_t status) {
  static const std::map<int16_t, const char*> kWords = {
      {2, "the file is damaged or cannot be read or written"},
      {3, "the file is not open"},
      {5, "duplicate key"},
      {11, "invalid file name"},
      {12, "the file does not exist"},
      {22, "the record does not fit the buffer"},
      {28, "invalid record length"},
      {37, "a transaction is already active"},
      {39, "no transaction is active"},
      {46, "the file is open read-only"},
      {59, "the file exists"},
      {84, "the record is locked by another program"},
      {85, "the file is locked by another program"},
  };
  std::string text = "status " + std::to_string(status);
  auto found = kWords.find(status);
  if (found != kWords.end()) text += std::string(": ") + found->second;
  return text;
}

}  // namespace zem::vakdata
