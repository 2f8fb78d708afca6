#include "format/plain_decimal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zem {

std::string PlainDecimal(double value) {
  if (!std::isfinite(value)) return {};
  value = std::fabs(value);
  if (value == 0) return "0";

  // Scientific form with 15 significant digits: "d.dddddddddddddde+XX". Rounding to 15 digits
  // hides the binary expansion (0.1 + 0.2 is written .3).
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e' && *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  if (exponent < 0) return "." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  size_t integer_digits = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= integer_digits) {
    return digits + std::string(integer_digits - digits.size(), '0');
  }
  return digits.substr(0, integer_digits) + "." + digits.substr(integer_digits);
}

}  // namespace zem
