#pragma once

#include <string>

namespace zem {

// One program-wide last-in-first-out stack of byte strings, kept in a single string: each entry
// is its bytes followed by its length as a 2-byte little-endian signed number. Nested routines
// use it to keep values across calls.
struct StringStackState {
  std::string Data;
};
StringStackState& StringStack();
void ResetStringStack();

// The longest entry the 2-byte length can describe.
inline constexpr size_t kMaxStackEntry = 32767;

// Pushes `text`; a longer text than kMaxStackEntry keeps only its first kMaxStackEntry bytes.
void PushString(const std::string& text);
// Pops the most recent entry. An empty stack gives the empty text; so does a damaged one (a
// length that does not fit what lies below it), which is then emptied so that later pushes and
// pops work again.
std::string PopString();

}  // namespace zem
