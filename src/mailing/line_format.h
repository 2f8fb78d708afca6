#pragma once

#include <cstdint>

namespace zem {

// One line format: margins, indent (negative: a hanging indent) and alignment letter. An entry
// with both margins 0 (as the table starts out) prints like the standard format.
struct LineFormat {
  int16_t Left = 0;
  int16_t Right = 0;
  int16_t Indent = 0;
  char Alignment = '\0';
  bool operator==(const LineFormat&) const = default;
};

}  // namespace zem
