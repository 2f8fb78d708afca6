#pragma once

#include <string>

namespace zem {

// The magnitude of `value` as a person writes it: plain decimal notation, never an exponent, at
// most 15 significant digits, no trailing zeros in the fraction and no "0" before the point of a
// value below 1. 2024 gives 2024, 12.5 gives 12.5, 0.3 gives .3, -7 gives 7, 0 gives 0 and
// 1e20 gives 100000000000000000000. A NaN or an infinity gives the empty text.
std::string PlainDecimal(double value);

}  // namespace zem
