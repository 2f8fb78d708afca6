#include "format/byte_scan.h"

#include <cstdint>
#include <cstring>

namespace zem {
namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Nonzero when some byte of `word` is below `n` (n at most 128). Exact as to whether there is
// one, not as to which.
uint64_t HasByteBelow(uint64_t word, uint8_t n) {
  return (word - kOnes * n) & ~word & kHighBits;
}

uint64_t HasZeroByte(uint64_t word) {
  return HasByteBelow(word, 1);
}

bool IsControl(unsigned char byte) {
  return byte < 32;
}

bool IsUnprintable(unsigned char byte) {
  return byte < 32 || byte == 127 || byte == 255;
}

template <typename WordHas, typename ByteIs>
size_t FindByte(const char* data, size_t size, WordHas word_has, ByteIs byte_is) {
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, data + i, sizeof word);
    if (word_has(word)) break;
  }
  for (; i < size; ++i) {
    if (byte_is(static_cast<unsigned char>(data[i]))) return i;
  }
  return size;
}

}  // namespace

size_t FindEitherByte(const char* data, size_t size, char a, char b) {
  const uint64_t a_word = kOnes * static_cast<unsigned char>(a);
  const uint64_t b_word = kOnes * static_cast<unsigned char>(b);
  return FindByte(
      data, size,
      [&](uint64_t word) { return (HasZeroByte(word ^ a_word) | HasZeroByte(word ^ b_word)) != 0; },
      [&](unsigned char byte) {
        return byte == static_cast<unsigned char>(a) || byte == static_cast<unsigned char>(b);
      });
}

size_t FindControlByte(const char* data, size_t size) {
  return FindByte(
      data, size, [](uint64_t word) { return HasByteBelow(word, 32) != 0; }, IsControl);
}

size_t FindUnprintableByte(const char* data, size_t size) {
  return FindByte(
      data, size,
      [](uint64_t word) {
        return (HasByteBelow(word, 32) | HasZeroByte(word ^ (kOnes * 127)) | HasZeroByte(~word)) !=
               0;
      },
      IsUnprintable);
}

}  // namespace zem
