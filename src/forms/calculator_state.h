#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zem {

// One line of the calculator's paper tape.
struct CalculatorTapeLine {
  double Value = 0;
  bool Point = false;
  int16_t Decimals = 0;
  char Operator = ' ';  // a blank for none
  bool operator==(const CalculatorTapeLine&) const = default;
};

// The calculator's tape holds 22 lines, oldest first; at most 21 of them are on the screen.
inline constexpr int kCalculatorTapeLines = 22;
inline constexpr int16_t kCalculatorEmptyTape = 23;  // the tape top of an empty tape
inline constexpr int16_t kCalculatorHighestTapeTop = 2;
inline constexpr int16_t kCalculatorRightmostLeft = 55;  // the strip is 26 columns wide

// The whole state of the calculator, as it lives in memory while the pop-up is open and in
// the state file between calls. The members start at the values of a first call.
struct CalculatorState {
  int16_t LeftColumn = 1;                  // screen column of the strip's left edge, 1..55
  int16_t TapeTop = kCalculatorEmptyTape;  // first tape line shown (1-based), 2..23
  double Display = 0;
  double Accumulator = 0;
  bool Cleared = true;  // the last "C" cleared everything
  bool Entering = false;
  bool Point = false;
  int16_t Decimals = 0;
  std::string Key;      // the current key or operator
  std::string Pending;  // the operator waiting for its second operand
  std::array<CalculatorTapeLine, kCalculatorTapeLines> Tape;  // Tape[0] is line 1
  // The last step had no finite result (division by zero, overflow); the display shows the
  // error figure. Never stored in the state file.
  bool Error = false;
  bool operator==(const CalculatorState&) const = default;
};

// The state file: the terminal directory + "VAKCALC.TMP".
std::string CalculatorStatePath();

// The state a state file holds, read as far as it is sound: reading stops at the first line
// that is missing, damaged, holds a number that does not parse or a value out of its range,
// and everything from there on keeps its start value. Lines after the 22nd tape line are
// ignored. Numbers are taken as the file's plain decimal form gives them back, so that
// writing the state and reading it again gives the same state.
CalculatorState ReadCalculatorState(const std::string& bytes);

// The state file's text: four lines of fields, then all 22 tape lines, each ending in CR LF.
std::string CalculatorStateText(const CalculatorState& state);

}  // namespace zem
