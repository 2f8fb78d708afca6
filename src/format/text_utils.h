#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zem {

// `value` as a digit field of exactly `width` characters: its plain decimal form without sign,
// zero-filled on the left and cut to the rightmost `width` characters. 7 in width 2 gives 07,
// 12345 in width 4 gives 2345, -5 in width 3 gives 005. A NaN or an infinity gives `width`
// zeros; a width of 0 or less gives the empty text.
std::string ZeroPad(double value, int16_t width);

// A stored "surname*first name" as written in letters: "Puig*Joan" gives "Joan Puig", and a
// first-name part ending in an apostrophe joins directly ("Al\x95s*Maria d'" gives
// "Maria d'Al\x95s"). The blank joins also when a part is empty: "Puig*" gives " Puig" and
// "  *Joan" gives "Joan ". Without a "*", or with "*" first, the name trimmed of blanks.
std::string NameOrder(const std::string& name);
// The same, added to `out`.
void AppendNameOrder(std::string& out, std::string_view name);

// `text` without the blanks (code 32 only) at its start and end.
std::string TrimBlanks(const std::string& text);
// The same, as a view into `text`.
std::string_view BlanksTrimmed(std::string_view text);

// `text` without the blanks (code 32 only) at its end.
std::string TrimTrailingBlanks(std::string_view text);

// `text` with the ASCII letters a-z upper-cased; every other byte stays.
std::string AsciiUpper(std::string text);

// Whether every byte of `text` is the character `code` (true for the empty text).
bool IsAllChar(std::string_view text, int16_t code);

// The folding switch of UpperFold: off selects plain code-page-850 upper case, on folds every
// letter to its plain capital and blanks the other characters from 64 to 237.
struct FoldingState {
  bool On = false;
};
FoldingState& Folding();
void ResetFolding();
void SetFolding(bool on);

// Upper case in code page 850 by the table the folding switch selects. Only bytes 64 to 237
// change; the length never changes.
std::string UpperFold(const std::string& text);

}  // namespace zem
