#pragma once

#include <string>

namespace zem {

// Wraps `text` into lines of `width` characters and aligns each line; the lines are returned
// one after another in `text` (no separators: the caller cuts the result every `width`
// characters that are not control bytes). Control bytes (below 32) take no room on a line.
// A positive `indent` indents the first line, a negative one every later line (a hanging
// indent of its absolute value). Alignment, upper or lower case: "E", "L", "I" blank-fill on the
// right, "N" fills with "-", "D", "R" blank-fill on the left, "C" centres, "A", "B" justify to
// both margins (all lines but the last, which stays as cut); any other letter leaves each line
// as cut.
// A justified line with no gap to widen (one word, or blanks only within its indent) is
// blank-filled on the right to the full width: leaving it short would break the rule that
// every line but the last has `width` characters, and the caller, which cuts the result at
// every `width` characters, would then shift all later lines.
// Returns whether the result holds control bytes (when it holds none, the caller may cut it
// every `width` bytes without looking).
bool FillLine(std::string& text, int indent, int width, char alignment);

}  // namespace zem
