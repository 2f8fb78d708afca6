#pragma once

#include <string_view>

namespace zem {

// The value of the number a text begins with: leading blanks are skipped, then an optional
// sign and the digits that follow; no digits read 0. Values beyond the 16-bit range are held
// at its ends, so a long run of digits cannot overflow.
int LeadingNumber(std::string_view text);

}  // namespace zem
