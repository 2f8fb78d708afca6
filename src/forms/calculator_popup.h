#pragma once

#include <string>

namespace zem {

// The desk calculator with its paper tape, a strip of the screen's full height that slides
// left and right. Its state comes from the state file and goes back there on leaving. Returns
// the figure in hundredths when left with "F" (see CalculatorFigure), an empty text with Esc.
std::string CalculatorPopup();

}  // namespace zem
