#include "platform/record_manager.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "recman/btrcall.h"
#include "recman/status.h"

namespace zem::platform {
namespace {
constexpr size_t kLongestPath = recman::kMaxKeyLength;  // what a key length can announce
}  // namespace

int16_t LibraryRecordManager::Call(uint16_t operation, void* position_block, void* data_buffer,
                                   uint32_t* data_length, void* key_buffer, uint8_t key_length,
                                   int8_t key_number) {
  if ((operation == recman::kOpOpen || operation == recman::kOpCreate) && key_buffer != nullptr) {
    const char* path = static_cast<const char*>(key_buffer);
    size_t length = strnlen(path, key_length ? key_length : kLongestPath);
    std::string host = files_->HostPath(std::string(path, length));
    // A path cut to fit would name another file, which a Create would then make.
    if (host.size() > kLongestPath) return recman::kInvalidFileName;
    std::vector<char> mapped(host.begin(), host.end());
    mapped.push_back('\0');
    return BTRCALL(operation, position_block, data_buffer, data_length, mapped.data(),
                   static_cast<uint8_t>(host.size()), key_number);
  }
  return BTRCALL(operation, position_block, data_buffer, data_length, key_buffer, key_length,
                 key_number);
}

}  // namespace zem::platform
