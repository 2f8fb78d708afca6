#pragma once

#include <cstdint>

namespace zem::platform {

// The record manager's call, as the record storage layer issues it: operation code, the file's
// 128-byte position block, the data buffer with its length (in: bytes offered; out: bytes
// placed), the key buffer with its length, and the key number. Returns the 16-bit status.
class RecordManager {
 public:
  virtual ~RecordManager() = default;
  virtual int16_t Call(uint16_t operation, void* position_block, void* data_buffer,
                       uint32_t* data_length, void* key_buffer, uint8_t key_length,
                       int8_t key_number) = 0;
};

class FileSystem;

// The real record manager library. Paths handed to Open (0) and Create (14) are suite paths,
// mapped to host paths through the file layer before the library sees them.
class LibraryRecordManager : public RecordManager {
 public:
  explicit LibraryRecordManager(FileSystem* files) : files_(files) {}
  int16_t Call(uint16_t operation, void* position_block, void* data_buffer, uint32_t* data_length,
               void* key_buffer, uint8_t key_length, int8_t key_number) override;

 private:
  FileSystem* files_;
};

}  // namespace zem::platform
