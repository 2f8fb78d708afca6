// Loads arbitrary bytes as the calculator's state file. Whatever the file holds, the state
// read from it keeps the strip on the screen and the tape top inside the tape, and writing the
// state back and reading it again gives the same state.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "forms/calculator_state.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "calculator state: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const zem::CalculatorState state = zem::ReadCalculatorState(bytes);
  Check(
      state.TapeTop >= zem::kCalculatorHighestTapeTop && state.TapeTop <= zem::kCalculatorEmptyTape,
      "tape top outside 2..23");
  Check(state.LeftColumn >= 1 && state.LeftColumn <= zem::kCalculatorRightmostLeft,
        "left column outside 1..55");
  const zem::CalculatorState again = zem::ReadCalculatorState(zem::CalculatorStateText(state));
  Check(again == state, "writing the state and reading it back changed it");
  return 0;
}
