#pragma once

#include <cstdint>

namespace zem {

// The completion check of the parameter screen (screen 1): copies its fifteen values into the
// mailing parameters, refuses crossed ranges, a letter run without a template and labels per
// page that do not fill whole rows, and asks for confirmation on screen 2. Returns -1 when the
// parameter screen must be edited again, else 0. Any other screen, and Esc, pass unchecked.
int16_t CheckParameters(int16_t screen, int16_t& key);

// Makes the form engine run CheckParameters when a screen ends, and makes the mailing's
// parameter screen the form's screen 1.
void InstallParameterScreen();

}  // namespace zem
