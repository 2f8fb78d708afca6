#include "format/byte_scan.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace zem {
namespace {

// Sixteen bytes at a time in the vector type of GCC and Clang, then eight bytes in a 64-bit
// word, then a last word that overlaps the bytes already seen; texts shorter than a word byte
// by byte.
using Block = unsigned char __attribute__((vector_size(16)));

Block LoadBlock(const char* data) {
  Block block;
  std::memcpy(&block, data, sizeof block);
  return block;
}

uint64_t LoadWord(const char* data) {
  uint64_t word;
  std::memcpy(&word, data, sizeof word);
  return word;
}

Block Splat(unsigned char byte) {
  Block block;
  for (int i = 0; i < 16; ++i) block[i] = byte;
  return block;
}

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of every byte of `word` below `n` (n at most 128) is set, and bits of bytes
// above such a byte may be set as well: the lowest set bit is exact, the others are not.
uint64_t BytesBelow(uint64_t word, uint8_t n) {
  return (word - kOnes * n) & ~word & kHighBits;
}

uint64_t ZeroBytes(uint64_t word) {
  return BytesBelow(word, 1);
}

// The offset within a word of the first byte flagged in `flags` (nonzero).
size_t FirstFlagged(uint64_t flags) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<size_t>(std::countr_zero(flags)) / 8;
  } else {
    return static_cast<size_t>(std::countl_zero(flags)) / 8;
  }
}

// `block_flags` gives a block with all ones in the bytes sought; `word_flags` a word as
// BytesBelow does (its lowest set bit exact).
template <typename BlockFlags, typename WordFlags, typename ByteIs>
size_t FindByte(const char* data, size_t size, BlockFlags block_flags, WordFlags word_flags,
                ByteIs byte_is) {
  if (size < 8) {
    for (size_t i = 0; i < size; ++i) {
      if (byte_is(static_cast<unsigned char>(data[i]))) return i;
    }
    return size;
  }
  size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const auto flags = block_flags(LoadBlock(data + i));
    uint64_t halves[2];
    static_assert(sizeof flags == sizeof halves);
    std::memcpy(halves, &flags, sizeof halves);
    if (halves[0] != 0) return i + FirstFlagged(halves[0]);
    if (halves[1] != 0) return i + 8 + FirstFlagged(halves[1]);
  }
  for (; i + 8 <= size; i += 8) {
    const uint64_t flags = word_flags(LoadWord(data + i));
    if (flags != 0) return i + FirstFlagged(flags);
  }
  if (i == size) return size;
  // The bytes before `i` hold none, so the first one flagged in the last word is the first.
  const uint64_t flags = word_flags(LoadWord(data + size - 8));
  return flags != 0 ? size - 8 + FirstFlagged(flags) : size;
}

bool IsUnprintable(unsigned char byte) {
  return byte < 32 || byte == 127 || byte == 255;
}

}  // namespace

size_t FindControlByte(const char* data, size_t size) {
  const Block blank = Splat(32);
  return FindByte(
      data, size, [&](Block block) { return block < blank; },
      [](uint64_t word) { return BytesBelow(word, 32); },
      [](unsigned char byte) { return byte < 32; });
}

size_t FindUnprintableByte(const char* data, size_t size) {
  const Block blank = Splat(32);
  const Block del = Splat(127);
  const Block all = Splat(255);
  return FindByte(
      data, size, [&](Block block) { return (block < blank) | (block == del) | (block == all); },
      [](uint64_t word) {
        return BytesBelow(word, 32) | ZeroBytes(word ^ (kOnes * 127)) | ZeroBytes(~word);
      },
      IsUnprintable);
}

void CopyPrintable(char* out, const char* data, size_t size) {
  const Block blank = Splat(32);
  const Block del = Splat(127);
  const Block all = Splat(255);
  const auto copy_block = [&](size_t at) {
    Block block = LoadBlock(data + at);
    // Each comparison gives all ones where it holds: those bytes take the blank.
    const Block unprintable =
        reinterpret_cast<Block>((block < blank) | (block == del) | (block == all));
    block = (block & ~unprintable) | (blank & unprintable);
    std::memcpy(out + at, &block, sizeof block);
  };
  if (size < 16) {
    for (size_t i = 0; i < size; ++i) {
      const auto byte = static_cast<unsigned char>(data[i]);
      out[i] = IsUnprintable(byte) ? ' ' : static_cast<char>(byte);
    }
    return;
  }
  size_t i = 0;
  for (; i + 16 <= size; i += 16) copy_block(i);
  // The last bytes as a block that overlaps the ones copied: they come out the same again.
  if (i < size) copy_block(size - 16);
}

size_t FindEitherByte(const char* data, size_t size, char a, char b) {
  const auto first = static_cast<unsigned char>(a);
  const auto second = static_cast<unsigned char>(b);
  const Block first_block = Splat(first);
  const Block second_block = Splat(second);
  return FindByte(
      data, size, [&](Block block) { return (block == first_block) | (block == second_block); },
      [&](uint64_t word) {
        return ZeroBytes(word ^ (kOnes * first)) | ZeroBytes(word ^ (kOnes * second));
      },
      [&](unsigned char byte) { return byte == first || byte == second; });
}

}  // namespace zem
