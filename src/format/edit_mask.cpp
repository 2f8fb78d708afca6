#include "format/edit_mask.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "format/config_file.h"
#include "platform/program_state.h"

namespace zem {
namespace {

bool IsDigitPosition(char c) {
  return c == '9' || c == 'Z' || c == 'z' || c == '*';
}
bool IsSignPosition(char c) {
  return c == '-' || c == '+';
}

// A setting read from the user file: its first character, or `fallback` when it is blank.
char SettingChar(const std::string& value, char fallback) {
  if (value.empty() || value[0] == ' ' || value[0] == '\0') return fallback;
  return value[0];
}

// Room for the decimal digits of any double.
constexpr size_t kDigitsRoom = 400;

// Writes the decimal digits of a finite, non-negative whole number, without leading zeros (none
// for 0), at `out` and returns their end. Exact for every double, however large (no integer
// type is involved).
char* WholeDigits(double x, char* out) {
  if (x == 0) return out;
  if (x < 0x1p63) {
    // A whole number below 2^63 is an integer exactly; its digits come cheaper so.
    return std::to_chars(out, out + kDigitsRoom, static_cast<uint64_t>(x)).ptr;
  }
  auto [end, ec] = std::to_chars(out, out + kDigitsRoom, x, std::chars_format::fixed, 0);
  if (ec != std::errc() || (end - out == 1 && *out == '0')) return out;
  return end;
}

// 10 to the power `n`: up to 10^22 every power is a double exactly, as std::pow gives it.
double PowerOfTen(int n) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  return n >= 0 && n <= 22 ? kExact[n] : std::pow(10.0, n);
}

// What a position shows where the number has no digit, and whether it was left because there
// was no digit at all (a point next to such positions disappears).
struct Fill {
  char ch = '\0';
  bool no_digit = false;
};

std::string Rightmost(const std::string& text, size_t n) {
  return text.size() <= n ? text : text.substr(text.size() - n);
}

// The overflow form: the plain number with its sign and decimal character, right-aligned and
// cut to the width; all "!" when not even the integer part and the sign fit.
std::string OverflowText(std::string digits, int first_decimal, bool neg, char dec_char,
                         size_t width) {
  const int integer_digits = first_decimal - 1;
  if (first_decimal < 1) {
    digits.insert(0, static_cast<size_t>(1 - first_decimal), '0');
    first_decimal = 1;
  }
  std::string t = neg ? "-" : "";
  t += digits.substr(0, static_cast<size_t>(first_decimal - 1));
  if (static_cast<size_t>(first_decimal) <= digits.size()) {
    t += dec_char;
    t += digits.substr(static_cast<size_t>(first_decimal - 1));
  }
  if (static_cast<long>(width) < integer_digits + (neg ? 1 : 0)) return std::string(width, '!');
  if (t.size() > width) return t.substr(0, width);
  return std::string(width - t.size(), ' ') + t;
}

}  // namespace

NumberDisplaySettings& NumberDisplay() {
  static NumberDisplaySettings settings;
  return settings;
}

void ResetNumberDisplay() {
  NumberDisplay() = NumberDisplaySettings{};
}
ZEM_REGISTER_STATE_RESET(ResetNumberDisplay);

void LoadNumberDisplay() {
  NumberDisplaySettings& s = NumberDisplay();
  if (s.DecCaracter != '\0' && s.MilCaracter != '\0') return;
  s.DecCaracter = SettingChar(ReadUserSetting("DecCaracter"), '\'');
  s.MilCaracter = SettingChar(ReadUserSetting("MilCaracter"), '.');
}

CurrencyState& Currency() {
  static CurrencyState state;
  return state;
}

void ResetCurrency() {
  Currency() = CurrencyState{};
}
ZEM_REGISTER_STATE_RESET(ResetCurrency);

std::string FormatMask(const std::string& mask, double value) {
  LoadNumberDisplay();
  const char dec_char = NumberDisplay().DecCaracter;
  const char mil_char = NumberDisplay().MilCaracter;
  const int L = static_cast<int>(mask.size());
  std::string out = mask;
  if (L == 0) return out;
  // Nothing sensible can be shown for these: the field is marked as overflowing.
  if (!std::isfinite(value)) return std::string(mask.size(), '!');

  // What the mask's positions are depends on the mask alone; a run formats most of its numbers
  // through one or two masks, so the last one read is kept.
  struct MaskShape {
    std::string mask;
    bool signed_mask = false;
    size_t point = std::string::npos;
    int A = 0;    // digit and sign positions right of the point
    int dec = 0;  // digit positions right after the point
  };
  static MaskShape shape;
  if (shape.mask != mask) {
    shape = MaskShape{mask};
    for (size_t i = 0; i < mask.size(); ++i) {
      shape.signed_mask |= IsSignPosition(mask[i]);
      if (mask[i] == '.' && shape.point == std::string::npos) shape.point = i;
    }
    if (shape.point != std::string::npos) {
      for (size_t i = shape.point + 1; i < mask.size(); ++i) {
        if (IsDigitPosition(mask[i]) || IsSignPosition(mask[i])) ++shape.A;
      }
      for (size_t i = shape.point + 1; i < mask.size() && IsDigitPosition(mask[i]); ++i) {
        ++shape.dec;
      }
    }
  }
  const bool signed_mask = shape.signed_mask;
  const size_t point = shape.point;
  int A = shape.A;
  const int dec = shape.dec;

  // Scale to whole units of the last decimal with one multiplication (a product rounded once,
  // so an exact half stays a half) and round half to even.
  const double magnitude = std::fabs(value);
  const double x = magnitude == 0 ? 0 : magnitude * PowerOfTen(dec);
  if (!std::isfinite(x)) return std::string(mask.size(), '!');
  double whole = std::trunc(x);
  const double fraction = x - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) == 1.0)) whole += 1;
  char D[kDigitsRoom];
  const int len = static_cast<int>(WholeDigits(whole, D) - D);
  // The index (from 1) of the last digit that is not 0; 0 when there is none.
  int last_nonzero = len;
  while (last_nonzero > 0 && D[last_nonzero - 1] == '0') --last_nonzero;
  bool neg = value < 0;

  // D is indexed from 1; no digit (0) outside it.
  auto digit_at = [&](int index) -> char { return index >= 1 && index <= len ? D[index - 1] : 0; };
  const int P = len - dec + 1;  // index in D of the first decimal digit
  int k = A + P - 1;            // index in D of the digit for the rightmost digit position
  Fill fill;

  // First pass: the number's own digits, right to left.
  int p = L;
  for (; p >= 1 && k > 0; --p) {
    const char c = mask[p - 1];
    char& o = out[p - 1];
    const bool is_point = static_cast<size_t>(p - 1) == point;
    if (c == '9') {
      const char d = digit_at(k);
      o = d ? d : '0';
      fill = {};
      --k;
    } else if (c == 'Z' || c == 'z') {
      const char d = digit_at(k);
      if (p < L - A) {
        o = d ? d : ' ';
        fill = {' ', d == 0};
      } else {
        const bool rest_nonzero = k >= 1 && k <= len && last_nonzero >= k;
        if (rest_nonzero || A == 0) {
          o = d ? d : '0';
          fill = {' ', false};
        } else {
          o = ' ';
          fill = {' ', true};
        }
      }
      --k;
    } else if (c == '*') {
      const char d = digit_at(k);
      o = d ? d : '*';
      fill = {'*', d == 0};
      --k;
    } else if (is_point) {
      o = fill.no_digit ? fill.ch : dec_char;
      A = 0;
    } else if (c == ',') {
      o = mil_char;
    } else if (c == '-' || c == '+') {
      o = neg ? '-' : (c == '+' ? '+' : ' ');
      if (A > 0) --k;
    }
  }

  if (k != 0 || (neg && !signed_mask && p == 0)) {
    return OverflowText(std::string(D, static_cast<size_t>(len)), P, neg, dec_char, mask.size());
  }

  // Second pass: the positions left of the number. Without a sign position the minus takes the
  // first digit or comma position it meets.
  for (; p >= 1; --p) {
    const char c = mask[p - 1];
    char& o = out[p - 1];
    const bool is_point = static_cast<size_t>(p - 1) == point;
    const bool integer_part = p < L - A;
    const bool minus_here = neg && !signed_mask;
    if (c == '9') {
      if (minus_here && integer_part) {
        o = '-';
        neg = false;
      } else {
        o = '0';
      }
      fill = {};
    } else if (c == 'Z' || c == 'z') {
      if (minus_here) {
        o = '-';
        neg = false;
      } else if (integer_part || value == 0) {
        o = ' ';
        fill = {' ', true};
      } else {
        o = '0';
        fill = {' ', false};
      }
    } else if (c == '*') {
      if (minus_here) {
        o = '-';
        neg = false;
      } else {
        o = integer_part ? '*' : '0';
      }
      fill = {'*', false};
    } else if (is_point) {
      o = fill.no_digit ? fill.ch : dec_char;
    } else if (c == ',') {
      if (minus_here) {
        o = '-';
        neg = false;
      } else {
        o = fill.ch ? fill.ch : mil_char;
      }
    } else if (c == '-' || c == '+') {
      o = neg ? '-' : (c == '+' ? '+' : ' ');
    }
  }
  return out;
}

namespace {

// The edit mask of a money picture, with the decimals of the main currency or of pesetas; with
// `units` the units digit is shown even where the picture does not ask for it.
std::string AmountMask(const std::string& format, bool pesetas, bool units) {
  enum class Sign { kNone, kLeading, kTrailing };
  const size_t n = format.size();
  int d = 0;
  Sign sign = Sign::kNone;
  char sign_char = '-';
  bool separators = false;
  char fill_char = 'Z';
  for (size_t i = 0; i < n; ++i) {
    const char c = format[i];
    if (c == '.') {
      ++d;
    } else if (c == '9') {
      if (d != 0) {
        ++d;
      } else {
        units = true;
      }
    } else if (c == '-' || c == '+') {
      sign = i == 0 ? Sign::kLeading : Sign::kTrailing;
      sign_char = c;
    } else if (c == ',') {
      separators = true;
    } else if (c == 'Z' || c == 'z') {
      fill_char = 'Z';
    } else if (c == '*') {
      fill_char = '*';
    }
  }

  std::string mask(n, fill_char);
  if (units) mask = Rightmost(mask + "9", n);
  if (separators) {
    for (long p = static_cast<long>(n) - 3; p >= 1; p -= 4) {
      const size_t at = static_cast<size_t>(p);
      mask = Rightmost(mask.substr(0, at) + "," + mask.substr(at), n);
    }
  }
  if (!pesetas) d += d == 0 ? 3 : 2;
  if (d != 0) {
    mask = Rightmost(mask + "." + std::string(static_cast<size_t>(d - 1), units ? '9' : 'Z'), n);
  }
  if (sign == Sign::kTrailing) {
    mask = Rightmost(mask + sign_char, n);
  } else if (sign == Sign::kLeading && !mask.empty()) {
    mask[0] = sign_char;
  }
  return mask;
}

}  // namespace

std::string FormatAmount(const std::string& format, double value) {
  const bool pesetas = Currency().Active == "P";
  // A nonzero amount always shows its units digit; zero shows it only where the picture asks.
  // The mask depends on nothing else, and a run shows all its amounts through a picture or
  // two, so the last masks built are kept.
  struct Built {
    std::string format;
    bool pesetas = false;
    std::string mask;
    bool valid = false;
  };
  static Built last[2];
  const bool forced_units = value != 0;
  Built& built = last[forced_units ? 1 : 0];
  if (!built.valid || built.pesetas != pesetas || built.format != format) {
    built.format = format;
    built.pesetas = pesetas;
    built.mask = AmountMask(format, pesetas, forced_units);
    built.valid = true;
  }
  double amount = value / 100;
  if (pesetas) amount *= kPesetaRate;
  return FormatMask(built.mask, amount);
}

void SetCurrency(const std::string& request) {
  CurrencyState& state = Currency();
  const size_t comma = request.find(',');
  const char first = request.empty() ? '\0' : request[0];
  if (comma != std::string::npos) {
    std::string code;
    const size_t start = request.find_first_not_of(' ', comma + 1);
    if (start != std::string::npos) {
      char letter = request[start];
      if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
      code.assign(1, letter);
    }
    if (first == 'A' || first == 'a') {
      state.Main = code;
      state.Active = code;
    } else {
      state.Alternative = code;
    }
  } else if (first == 'P' || first == 'p') {
    state.Active = state.Alternative.empty() ? state.Main : state.Alternative;
  } else {
    state.Active = state.Main;
  }
}

}  // namespace zem
