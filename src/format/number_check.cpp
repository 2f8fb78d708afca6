#include "format/number_check.h"

#include <cmath>
#include <cstdlib>

#include "format/plain_decimal.h"

namespace zem {
namespace {

// The number a checked text holds: blanks are ignored wherever they stand, so "1 2" reads 12.
double ReadCheckedNumber(const std::string& text) {
  std::string compact;
  for (char c : text) {
    if (c != ' ') compact += c;
  }
  if (compact.empty() || compact == "-" || compact == "+" || compact == "." || compact == "-." ||
      compact == "+.") {
    return 0;
  }
  return std::strtod(compact.c_str(), nullptr);
}

}  // namespace

std::string NumberText(double value) {
  if (!std::isfinite(value) || value == 0) return {};
  std::string digits = PlainDecimal(value);
  if (digits == "0") return {};
  return value < 0 ? "-" + digits : digits;
}

int16_t CheckNumberText(const std::string& text, const std::string& allowed) {
  const bool points_allowed = allowed.find('.') != std::string::npos;
  const bool signs_allowed = allowed.find_first_of("-+") != std::string::npos;
  bool error = false;
  bool sign_possible = signs_allowed;
  bool point_possible = points_allowed;
  for (char c : text) {
    if (c == '+' || c == '-') {
      if (!sign_possible) error = true;
      sign_possible = false;
    } else if (c == '.') {
      if (!point_possible) error = true;
      point_possible = false;
      sign_possible = false;
    } else if (c >= '0' && c <= '9') {
      sign_possible = false;
    } else if (c != ' ') {
      error = true;
    }
  }
  return error ? -1 : 0;
}

int16_t CheckNumberRange(const std::string& text, double min, double max, int16_t decimals) {
  if (max < min || decimals < 0 || decimals > 16) return -1;
  std::string allowed;
  if (decimals > 0) allowed += '.';
  if (min < 0) allowed += '-';
  if (CheckNumberText(text, allowed) != 0) return -1;
  const double scale = std::pow(10.0, decimals);
  const double v = std::floor(ReadCheckedNumber(text) * scale + 0.5);
  const double lo = std::floor(min * scale);
  const double hi = std::floor(max * scale + 0.5);
  return v < lo || v > hi ? -1 : 0;
}

}  // namespace zem
