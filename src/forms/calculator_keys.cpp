#include "forms/calculator_keys.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "format/plain_decimal.h"

namespace zem {
namespace {

constexpr char kBackspace = 8;
constexpr char kEnter = 13;
constexpr int kSignificantDigits = 15;

double Pow10(int exponent) {
  return std::pow(10.0, exponent);
}

bool HasFraction(double value) {
  return value != std::trunc(value);
}

// A scaled figure that binary fractions left a hair short of (or past) a whole number is that
// whole number: 1.13 typed digit by digit and scaled by 100 must cut to 113, not 112.
double SnapToWhole(double value) {
  const double whole = std::nearbyint(value);
  return std::fabs(value - whole) <= 1e-9 * std::max(1.0, std::fabs(whole)) ? whole : value;
}

// The display rounded to at most 15 significant digits and shown with as many decimals as it
// needs.
void Normalise(CalculatorState& s) {
  if (!std::isfinite(s.Display)) return;
  int before_point = 0;
  for (double rest = s.Display; rest >= 1; rest /= 10) ++before_point;
  int decimals = 0;
  while (before_point + decimals < kSignificantDigits && HasFraction(s.Display * Pow10(decimals)))
    ++decimals;
  double scaled = std::nearbyint(s.Display * Pow10(decimals));  // half to even
  while (decimals > 0 && std::fmod(scaled, 10) == 0) {
    scaled /= 10;
    --decimals;
  }
  s.Display = scaled / Pow10(decimals);
  s.Point = decimals > 0;
  s.Decimals = static_cast<int16_t>(decimals);
}

void AddTapeLine(CalculatorState& s, double value, char op) {
  if (s.TapeTop > kCalculatorHighestTapeTop) --s.TapeTop;
  std::move(s.Tape.begin() + 1, s.Tape.end(), s.Tape.begin());
  s.Tape.back() = {value, s.Point, s.Decimals, op};
}

// A step without a finite result leaves the accumulator as it was and shows the error figure;
// the next operator starts again from the accumulator.
void Fail(CalculatorState& s) {
  s.Display = s.Accumulator;
  Normalise(s);
  s.Entering = false;
  s.Cleared = false;
  s.Key.clear();
  s.Pending.clear();
  s.Error = true;
}

void StartNumber(CalculatorState& s) {
  if (s.Entering) return;
  s.Display = 0;
  s.Point = false;
  s.Decimals = 0;
}

void TypeDigit(CalculatorState& s, int digit) {
  StartNumber(s);
  int16_t decimals = s.Decimals;
  double display = 0;
  if (!s.Point) {
    display = s.Display * 10 + digit;
  } else {
    if (decimals < std::numeric_limits<int16_t>::max()) ++decimals;
    display = s.Display + digit / Pow10(decimals);
  }
  if (!std::isfinite(display)) return;  // no room for another digit
  s.Display = display;
  s.Decimals = decimals;
  s.Entering = true;
}

void TypePoint(CalculatorState& s) {
  StartNumber(s);
  if (!s.Point) {
    s.Point = true;
    s.Decimals = 0;
  }
  s.Entering = true;
}

void RubOut(CalculatorState& s) {
  if (!s.Point) {
    s.Display = std::trunc(s.Display / 10);
  } else if (--s.Decimals < 0) {
    s.Point = false;
    s.Decimals = 0;
  } else {
    const double scale = Pow10(s.Decimals);
    const double scaled = s.Display * scale;
    if (std::isfinite(scaled)) s.Display = std::trunc(SnapToWhole(scaled)) / scale;
  }
  s.Entering = s.Entering && s.Display != 0;
}

bool Clear(CalculatorState& s) {
  if (s.Entering) {
    // The entry is cancelled; the pending operator stays.
    s.Entering = false;
    s.Display = s.Accumulator;
    s.Point = false;
    s.Decimals = 0;
    return false;
  }
  if (!s.Cleared) {
    s.Display = 0;
    s.Accumulator = 0;
    s.Point = false;
    s.Decimals = 0;
    s.Key.clear();
    s.Cleared = true;
    return false;
  }
  s.TapeTop = kCalculatorEmptyTape;
  return true;
}

// Rounds to hundredths, half to even; a negative display is cut, not rounded.
bool Round(CalculatorState& s) {
  const double scaled = s.Display * 100;
  if (!std::isfinite(scaled)) {
    Fail(s);
    return false;
  }
  double whole = std::trunc(scaled);
  const double fraction = scaled - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2) != 0)) whole += 1;
  s.Display = whole / 100;
  s.Accumulator = s.Display;
  s.Point = true;
  s.Decimals = 2;
  AddTapeLine(s, s.Display, 'R');
  return true;
}

// After "+" or "-" the display is that percentage of the accumulator, otherwise a hundredth
// of itself.
bool Percent(CalculatorState& s) {
  AddTapeLine(s, s.Display, '%');
  const bool of_accumulator = s.Pending == "+" || s.Pending == "-";
  const double display = of_accumulator ? s.Accumulator / 100 * s.Display : s.Display / 100;
  if (!std::isfinite(display)) {
    Fail(s);
    return true;
  }
  s.Display = display;
  Normalise(s);
  return true;
}

// Applies the pending operator to the accumulator and the display; `op` waits next.
bool Apply(CalculatorState& s, char op) {
  double result = s.Accumulator;
  const double operand = s.Display;
  if (s.Pending == "+") {
    result += operand;
  } else if (s.Pending == "-") {
    result -= operand;
  } else if (s.Pending == "*") {
    result *= operand;
  } else if (s.Pending == "/") {
    result /= operand;
  } else {
    result = operand;
  }
  AddTapeLine(s, operand, op);
  if (!std::isfinite(result)) {
    Fail(s);
    return true;
  }
  s.Accumulator = result;
  s.Display = result;
  Normalise(s);
  s.Entering = false;
  if (op == '=') {
    s.Key.clear();
    AddTapeLine(s, s.Display, ' ');
  }
  s.Cleared = false;
  s.Pending = s.Key;
  return true;
}

bool OperatorStep(CalculatorState& s, char op) {
  s.Key = std::string(1, op);
  switch (op) {
    case 'C':
      return Clear(s);
    case 'R':
      return Round(s);
    case '%':
      return Percent(s);
    default:
      return Apply(s, op);
  }
}

}  // namespace

bool CalculatorKey(CalculatorState& s, char key) {
  if (key >= '0' && key <= '9') {
    s.Error = false;
    TypeDigit(s, key - '0');
    return false;
  }
  switch (key) {
    case '.':
      s.Error = false;
      TypePoint(s);
      return false;
    case kBackspace:
      s.Error = false;
      RubOut(s);
      return false;
    case 'T':
      s.Error = false;
      s.Display = -s.Display;
      return false;
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case 'R':
    case 'C':
      s.Error = false;
      return OperatorStep(s, key);
    case '=':
    case kEnter:
      if (!s.Entering) return false;
      s.Error = false;
      return OperatorStep(s, '=');
    default:
      return false;
  }
}

std::string CalculatorFigure(const CalculatorState& s) {
  if (s.Error) return {};
  const size_t decimals = static_cast<size_t>(std::max<int>(s.Decimals, 2));
  const double scaled = (s.Entering ? s.Display : s.Accumulator) * Pow10(decimals);
  if (!std::isfinite(scaled)) return {};
  // The magnitude's digits (15 significant, so binary fractions do not cut a digit short),
  // truncated to a whole number.
  std::string digits = PlainDecimal(scaled);
  digits = digits.substr(0, digits.find('.'));
  if (digits.empty()) digits = "0";
  const size_t below_hundredth = decimals - 2;
  if (digits.size() < below_hundredth) digits.insert(0, below_hundredth - digits.size(), '0');
  std::string figure = digits.substr(0, digits.size() - below_hundredth);
  if (below_hundredth > 0) figure += "." + digits.substr(digits.size() - below_hundredth);
  return figure;
}

}  // namespace zem
