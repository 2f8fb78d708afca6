#pragma once

#include <cstdint>
#include <string>

namespace zem {

// `value` in the plain decimal form a person writes, for numbers inside messages: 12, 12.5, .5,
// -.5; 0 gives the empty text. At most 15 significant digits, never an exponent. A NaN or an
// infinity gives the empty text.
std::string NumberText(double value);

// Checks typed numeric text: digits and blanks (anywhere), one leading sign when `allowed` holds
// "-" or "+", and one decimal point when it holds ".". -1 when the text breaks these rules,
// else 0.
int16_t CheckNumberText(const std::string& text, const std::string& allowed);

// Checks that typed text is a number from `min` to `max` with at most `decimals` decimals
// (0..16); a sign is allowed when `min` is negative, a point when `decimals` > 0. -1 when it is
// not, else 0.
int16_t CheckNumberRange(const std::string& text, double min, double max, int16_t decimals);

}  // namespace zem
