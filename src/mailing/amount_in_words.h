#pragma once

#include <string>

namespace zem {

// A number spelled in words, in lower case, in the session's language (Spanish, Galician,
// Aranese, else Catalan), without a trailing blank. Only the first letter of `option` counts,
// in any case:
//   "p"  `amount` is in hundredths of a euro and is spelled converted to pesetas (feminine);
//   "m"  `amount` is a whole number, masculine; "f" likewise, feminine;
//   else `amount` is in hundredths, spelled as units with their cents (masculine).
// The sign is ignored and only the last nine digits of the whole part are spelled. Zero, a NaN
// and an infinity give the empty text.
std::string AmountInWords(double amount, const std::string& option);

}  // namespace zem
