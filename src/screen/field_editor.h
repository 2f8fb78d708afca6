#pragma once

#include <cstdint>
#include <string>

namespace zem {

// Edits `buffer` (a fixed-width text) in place at (row, column) of the current window, on one
// line or, with a lineWidth, on several lines of that width. Row or column 0 take the cursor's
// row or column; lineWidth 0 (or below) means one line. `cursor` (1-based, in/out) is kept between
// 1 and the buffer's length + 1. A non-empty choice list (Keyboard().Choices) makes it a choice
// field. The key that ended the edit comes back in `key`, after the exit-key list's mapping;
// a mouse click outside the field comes back as -(column × 100 + row).
void EditField(int16_t row, int16_t column, int16_t line_width, std::string& buffer,
               int16_t& cursor, int16_t& key);

}  // namespace zem
