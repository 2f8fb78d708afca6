#include "platform/program_state.h"

#include <vector>

namespace zem {
namespace {

// Built on first use, so registrations from any file's static initialisation find it ready.
std::vector<StateReset>& Resets() {
  static std::vector<StateReset> resets;
  return resets;
}

}  // namespace

StateResetRegistration::StateResetRegistration(StateReset reset) {
  Resets().push_back(reset);
}

void ResetProgramState() {
  for (StateReset reset : Resets()) reset();
}

int RegisteredStateResets() {
  return static_cast<int>(Resets().size());
}

}  // namespace zem
