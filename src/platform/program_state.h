#pragma once

namespace zem {

// Program-wide state is one struct per owner (the windows, the keyboard, the open-file table,
// ...), each with a Reset function that puts it back as it is when the program starts. Every
// owner registers its Reset here with one line at namespace scope in the .cpp file that
// defines the state:
//
//   ZEM_REGISTER_STATE_RESET(ResetWindows);
//
// ResetProgramState() then calls all of them: the main sequence at start, every test fixture,
// the golden tests and the benchmarks before they run. Hooks the program installs (reporters,
// screens, the end-of-program hook) are members of their owner's state, so they are cleared
// too. The calls come in no fixed order: a Reset touches its own owner's state only.
using StateReset = void (*)();

// Registers `reset` when constructed (at static initialisation, from the macro below).
class StateResetRegistration {
 public:
  explicit StateResetRegistration(StateReset reset);
};

// Calls every registered Reset.
void ResetProgramState();

// How many Resets are registered (for the tests of the registry).
int RegisteredStateResets();

}  // namespace zem

#define ZEM_REGISTER_STATE_RESET(reset)                                              \
  [[maybe_unused]] static const ::zem::StateResetRegistration reset##_registration { \
    reset                                                                            \
  }
