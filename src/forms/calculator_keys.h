#pragma once

#include <string>

#include "forms/calculator_state.h"

namespace zem {

// Acts on one character key of the calculator (already upper-cased): digits, point,
// Backspace, the operators "+ - * / % R C", "=" and Enter, and "T". Other keys change nothing.
// True when the tape changed and has to be drawn again.
bool CalculatorKey(CalculatorState& state, char key);

// The figure "F" hands back: the display while a number is being typed, else the result,
// counted in hundredths without sign, with a point only for what lies below a hundredth
// (12.5 gives 1250, 1.234 gives 123.4). Empty while the display shows the error figure.
std::string CalculatorFigure(const CalculatorState& state);

}  // namespace zem
