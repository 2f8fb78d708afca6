#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zem::vakdata {

// The longest path the record manager takes (a key buffer's length).
constexpr size_t kLongestDataPath = 255;

// "status 46: the file is open read-only": a status with its meaning, for messages.
std::string StatusText(int16_t status);

// One data file opened through the record manager in force (platform::Records()).
class DataFile {
 public:
  DataFile() = default;
  ~DataFile() { Close(); }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  // Creates a file from a creation block; an existing file is not overwritten (status 59).
  int16_t Create(const std::string& path, const std::string& block);
  int16_t Open(const std::string& path);
  void Close();
  // The Stat answer's data buffer.
  int16_t Stat(std::string* data);
  int16_t Insert(const std::string& record);
  // The first record and the next ones along key 0.
  int16_t First(std::string* record);
  int16_t Next(std::string* record);
  // The record manager's position of the current record; 0 when there is none.
  uint32_t Position();
  // The record manager's transaction over the writes in between.
  int16_t BeginTransaction();
  int16_t EndTransaction();
  int16_t AbortTransaction();

 private:
  int16_t Call(uint16_t operation, std::string* data, uint32_t length, std::string* key,
               uint8_t key_length, int8_t key_number);
  int16_t Read(uint16_t operation, std::string* record);

  std::array<uint8_t, 129> position_block_{};
  bool open_ = false;
};

}  // namespace zem::vakdata
