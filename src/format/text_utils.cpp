#include "format/text_utils.h"

#include <array>
#include <cmath>

#include "format/plain_decimal.h"
#include "platform/program_state.h"

namespace zem {
namespace {

constexpr unsigned char kFirstMapped = 0x40;
constexpr unsigned char kLastMapped = 0xED;

using CaseTable = std::array<unsigned char, 256>;

CaseTable MakePlainTable() {
  CaseTable table;
  for (int c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 'a' + 'A');
  static constexpr unsigned char kPairs[][2] = {
      {0x81, 0x9A}, {0x82, 0x90}, {0x83, 0xB6}, {0x84, 0x8E}, {0x85, 0xB7}, {0x86, 0x8F},
      {0x87, 0x80}, {0x88, 0xD2}, {0x89, 0xD3}, {0x8A, 0xD4}, {0x8B, 0xD8}, {0x8C, 0xD7},
      {0x8D, 0xDE}, {0x91, 0x92}, {0x93, 0xE2}, {0x94, 0x99}, {0x95, 0xE3}, {0x96, 0xEA},
      {0x97, 0xEB}, {0xA0, 0xB5}, {0xA1, 0xD6}, {0xA2, 0xE0}, {0xA3, 0xE9}, {0xA4, 0xA5},
      {0xC6, 0xC7}, {0xD0, 0xD1}, {0xE4, 0xE5}, {0xEC, 0xED}};
  for (const auto& pair : kPairs) table[pair[0]] = pair[1];
  return table;
}

CaseTable MakeFoldingTable() {
  CaseTable table;
  for (int c = 0; c < 256; ++c) {
    table[c] = c >= kFirstMapped && c <= kLastMapped ? ' ' : static_cast<unsigned char>(c);
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    table[c] = static_cast<unsigned char>(c);
    table[c - 'A' + 'a'] = static_cast<unsigned char>(c);
  }
  struct Fold {
    char letter;
    const char* codes;
  };
  static constexpr Fold kFolds[] = {
      {'A', "\x83\x84\x85\x86\x8E\x8F\x91\x92\xA0\xA6\xB5\xB6\xB7\xC6\xC7"},
      {'C', "\x80\x87"},
      {'D', "\xD0\xD1"},
      {'E', "\x82\x88\x89\x8A\x90\xD2\xD3\xD4\xD5"},
      {'I', "\x8B\x8C\x8D\xA1\xD6\xD7\xD8\xDE"},
      {'N', "\xA4\xA5"},
      {'O', "\x93\x94\x95\x99\x9B\x9D\xA2\xA7\xE0\xE2\xE3\xE4\xE5"},
      {'S', "\xE1"},
      {'T', "\xE7\xE8"},
      {'U', "\x81\x96\x97\x9A\xA3\xE9\xEA\xEB"},
      {'Y', "\x98\xEC\xED"}};
  for (const Fold& fold : kFolds) {
    for (const char* p = fold.codes; *p != '\0'; ++p) {
      table[static_cast<unsigned char>(*p)] = static_cast<unsigned char>(fold.letter);
    }
  }
  return table;
}

}  // namespace

std::string ZeroPad(double value, int16_t width) {
  if (width <= 0) return {};
  const size_t size = static_cast<size_t>(width);
  if (!std::isfinite(value)) return std::string(size, '0');
  std::string digits = PlainDecimal(value);
  if (digits.size() >= size) return digits.substr(digits.size() - size);
  return std::string(size - digits.size(), '0') + digits;
}

std::string_view BlanksTrimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string TrimBlanks(const std::string& text) {
  return std::string(BlanksTrimmed(text));
}

std::string TrimTrailingBlanks(std::string_view text) {
  const size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string NameOrder(const std::string& name) {
  std::string ordered;
  AppendNameOrder(ordered, name);
  return ordered;
}

void AppendNameOrder(std::string& out, std::string_view name) {
  size_t star = name.find('*');
  if (star == std::string_view::npos || star == 0) {
    out.append(BlanksTrimmed(name));
    return;
  }
  const std::string_view surname = BlanksTrimmed(name.substr(0, star));
  const std::string_view first_name = BlanksTrimmed(name.substr(star + 1));
  // The joining blank stays also when one part is empty ("Puig*" gives " Puig"): letters
  // that must not show it print the name with the trimming code "@".
  const bool joins_directly = !first_name.empty() && first_name.back() == '\'';
  out.append(first_name);
  if (!joins_directly) out += ' ';
  out.append(surname);
}

bool IsAllChar(std::string_view text, int16_t code) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) != code) return false;
  }
  return true;
}

FoldingState& Folding() {
  static FoldingState state;
  return state;
}

void ResetFolding() {
  Folding() = FoldingState{};
}
ZEM_REGISTER_STATE_RESET(ResetFolding);

void SetFolding(bool on) {
  Folding().On = on;
}

std::string UpperFold(const std::string& text) {
  static const CaseTable kPlain = MakePlainTable();
  static const CaseTable kFolding = MakeFoldingTable();
  const CaseTable& table = Folding().On ? kFolding : kPlain;
  std::string result = text;
  for (char& c : result) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  return result;
}

}  // namespace zem
