#include "format/byte_scan.h"

#include <cstdint>
#include <cstring>

namespace zem {
namespace {

// Sixteen bytes at a time in the vector type of GCC and Clang, then eight bytes in a 64-bit
// word, then byte by byte.
using Block = unsigned char __attribute__((vector_size(16)));

Block LoadBlock(const char* data) {
  Block block;
  std::memcpy(&block, data, sizeof block);
  return block;
}

// Whether a comparison of two blocks held for some byte.
template <typename Mask>
bool AnySet(Mask mask) {
  uint64_t halves[2];
  static_assert(sizeof mask == sizeof halves);
  std::memcpy(halves, &mask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

Block Splat(unsigned char byte) {
  Block block;
  for (int i = 0; i < 16; ++i) block[i] = byte;
  return block;
}

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

template <typename BlockHas, typename WordHas, typename ByteIs>
size_t FindByte(const char* data, size_t size, BlockHas block_has, WordHas word_has,
                ByteIs byte_is) {
  size_t i = 0;
  while (i + 16 <= size && !block_has(LoadBlock(data + i))) i += 16;
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

size_t FindControlByte(const char* data, size_t size) {
  const Block blank = Splat(32);
  return FindByte(
      data, size, [&](Block block) { return AnySet(block < blank); },
      [](uint64_t word) { return HasByteBelow(word, 32) != 0; },
      [](unsigned char byte) { return byte < 32; });
}

namespace {
bool IsUnprintable(unsigned char byte) {
  return byte < 32 || byte == 127 || byte == 255;
}

}  // namespace

size_t FindUnprintableByte(const char* data, size_t size) {
  const Block blank = Splat(32);
  const Block del = Splat(127);
  const Block all = Splat(255);
  return FindByte(
      data, size,
      [&](Block block) { return AnySet((block < blank) | (block == del) | (block == all)); },
      [](uint64_t word) {
        return (HasByteBelow(word, 32) | HasZeroByte(word ^ (kOnes * 127)) | HasZeroByte(~word)) !=
               0;
      },
      IsUnprintable);
}

void CopyPrintable(char* out, const char* data, size_t size) {
  const Block blank = Splat(32);
  const Block del = Splat(127);
  const Block all = Splat(255);
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    Block block = LoadBlock(data + i);
    // Each comparison gives all ones where it holds: those bytes take the blank.
    const Block unprintable =
        reinterpret_cast<Block>((block < blank) | (block == del) | (block == all));
    block = (block & ~unprintable) | (blank & unprintable);
    std::memcpy(out + i, &block, sizeof block);
  }
  for (; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    out[i] = IsUnprintable(byte) ? ' ' : static_cast<char>(byte);
  }
}

size_t FindEitherByte(const char* data, size_t size, char a, char b) {
  const auto first = static_cast<unsigned char>(a);
  const auto second = static_cast<unsigned char>(b);
  const Block first_block = Splat(first);
  const Block second_block = Splat(second);
  return FindByte(
      data, size,
      [&](Block block) { return AnySet((block == first_block) | (block == second_block)); },
      [&](uint64_t word) {
        return (HasZeroByte(word ^ (kOnes * first)) | HasZeroByte(word ^ (kOnes * second))) != 0;
      },
      [&](unsigned char byte) { return byte == first || byte == second; });
}

}  // namespace zem
