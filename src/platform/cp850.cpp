#include "platform/cp850.h"

#include <cstring>

namespace zem::platform {
namespace {

// Bytes 128-255 of code page 850, eight to a row.
// clang-format off
constexpr char16_t kUpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// What the console shows for the control bytes 0-31.
constexpr char16_t kControlGlyphs[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};
// clang-format on

}  // namespace

char32_t Cp850ToCodePoint(uint8_t byte) {
  return byte < 128 ? byte : kUpperHalf[byte - 128];
}

char32_t Cp850GlyphCodePoint(uint8_t byte) {
  if (byte < 32) return kControlGlyphs[byte];
  if (byte == 127) return 0x2302;
  return Cp850ToCodePoint(byte);
}

int CodePointToCp850(char32_t code_point) {
  if (code_point < 128) return static_cast<int>(code_point);
  for (int i = 0; i < 128; ++i) {
    if (kUpperHalf[i] == code_point) return 128 + i;
  }
  return -1;
}

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendCp850AsUtf8(std::string* out, std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    // A run of ASCII bytes is the same in both and goes over at once.
    size_t ascii = i;
    for (uint64_t word; ascii + 8 <= bytes.size(); ascii += 8) {
      std::memcpy(&word, bytes.data() + ascii, 8);
      if (word & 0x8080808080808080ULL) break;
    }
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    out->append(bytes, i, ascii - i);
    if (ascii == bytes.size()) break;
    AppendUtf8(out, Cp850ToCodePoint(static_cast<uint8_t>(bytes[ascii])));
    i = ascii + 1;
  }
}

std::string Cp850ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendCp850AsUtf8(&out, bytes);
  return out;
}

int DecodeUtf8(std::string_view utf8, char32_t* code_point) {
  if (utf8.empty()) return 0;
  const auto first = static_cast<unsigned char>(utf8[0]);
  int length;
  char32_t value;
  if (first < 0x80) {
    *code_point = first;
    return 1;
  } else if ((first & 0xE0) == 0xC0) {
    length = 2;
    value = first & 0x1F;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3;
    value = first & 0x0F;
  } else if ((first & 0xF8) == 0xF0) {
    length = 4;
    value = first & 0x07;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<size_t>(i) >= utf8.size()) return 0;
    const auto next = static_cast<unsigned char>(utf8[i]);
    if ((next & 0xC0) != 0x80) return -1;
    value = (value << 6) | (next & 0x3F);
  }
  *code_point = value;
  return length;
}

std::string Utf8ToCp850(std::string_view utf8, char replacement, int* unmapped) {
  std::string out;
  out.reserve(utf8.size());
  while (!utf8.empty()) {
    char32_t cp = 0;
    int used = DecodeUtf8(utf8, &cp);
    int byte = used > 0 ? CodePointToCp850(cp) : -1;
    if (used <= 0) used = 1;
    utf8.remove_prefix(static_cast<size_t>(used));
    if (byte >= 0) {
      out.push_back(static_cast<char>(byte));
      continue;
    }
    if (unmapped) ++*unmapped;
    if (replacement) out.push_back(replacement);
  }
  return out;
}

}  // namespace zem::platform
