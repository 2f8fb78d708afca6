#include "format/leading_number.h"

#include <cstddef>

namespace zem {

int LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr int kLimit = 32768;
  int value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return -value;
  return value > kLimit - 1 ? kLimit - 1 : value;
}

}  // namespace zem
